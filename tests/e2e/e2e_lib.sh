# Shared start of every end-to-end script: sourced as
#   . e2e_lib.sh; e2e_begin "$@"
# with the script's arguments <program> <work folder>. Re-runs the script
# under xvfb-run when it has no display of its own, then gives it fail,
# e2e_start (the program, in the background), e2e_window (waits for the
# window), check_image (ImageMagick looks at a screenshot or a saved page) and
# wait_for (polls screenshots until check_image agrees).
#
# Polling limits are counted in tries of about 0.1 s and multiplied by
# TAVRO_E2E_SLOWNESS (a whole number, default 1): the sanitizer build's
# program is several times slower and sets it higher.

e2e_begin() {
  # Absolute: the program runs in the work folder.
  program=$(realpath "$1")
  work=$(realpath -m "$2")
  if [ -z "${TAVRO_E2E_INSIDE_X:-}" ]; then
    rm -rf "$work"
    mkdir -p "$work"
    export TAVRO_E2E_INSIDE_X=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
  fi
  export QT_QPA_PLATFORM=xcb
  # No desktop theme: Qt's own file dialog, which xdotool can type into.
  unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION
}

# tries <n>: n tries, scaled for a slower build.
tries() {
  echo $(( $1 * ${TAVRO_E2E_SLOWNESS:-1} ))
}

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/program.log" ] && sed 's/^/program: /' "$work/program.log" >&2
  exit 1
}

# Starts the program in the work folder (its dialogs start there).
e2e_start() {
  (cd "$work" && exec "$program") >"$work/program.log" 2>&1 &
  pid=$!
  trap 'kill $pid 2>/dev/null || true' EXIT
}

# The window: titled like every box of the program; the first one is it.
e2e_window() {
  window=$(timeout "$(tries 20)" xdotool search --sync --onlyvisible --name '^Tavro Pen Writer$' | head -n1) \
    || fail "the window did not appear"
  echo "window $window"
}

# pixels <image> <x> <y> <w> <h>: "x y red green blue" for each pixel of the
# area, x and y from its top left.
pixels() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -alpha off -type TrueColor -depth 8 txt:- \
    | awk 'NR > 1 { gsub(/[(),:]/, " "); print $1, $2, $3, $4, $5 }'
}

# check_image <image> <check>...: prints what it saw; status 0 when every
# check holds, 1 when one does not, 2 for a bad check or an unreadable image.
#   size=WxH
#   ink=Y:X0-X1    dark (grey < 100) within 3 rows of Y in 95% of the columns
#   blank=Y:X0-X1  nothing darker than grey 200 within 3 rows of Y
#   line=#INK:#PAPER[:MIN:MAX]  the line drawn along y 300, x 265-455: the ink
#                  colour (within 40) in 95% of the columns, MIN to MAX pixels
#                  nearer the ink than the paper (the median column), and
#                  only paper at y 330
#   gone=#PAPER    only paper within 12 rows of that line
check_image() {
  local image=$1 size status=0 check
  shift
  size=$(identify -format '%wx%h' "$image" 2>/dev/null) || { echo "cannot read $image"; return 2; }
  local width=${size%x*} height=${size#*x}
  for check in "$@"; do
    local name=${check%%=*} value=${check#*=} ok=0
    case $name in
      size)
        echo "size $size (expected $value)"
        [ "$size" = "$value" ] || ok=1 ;;
      ink | blank)
        [[ $value =~ ^([0-9]+):([0-9]+)-([0-9]+)$ ]] || { echo "bad check $check"; return 2; }
        local y=${BASH_REMATCH[1]} x0=${BASH_REMATCH[2]} x1=${BASH_REMATCH[3]}
        ((x0 <= x1 && x1 < width && y < height)) || { echo "bad check $check"; return 2; }
        local top=$((y < 3 ? 0 : y - 3)) bottom=$((y + 3 >= height ? height - 1 : y + 3))
        pixels "$image" "$x0" "$top" $((x1 - x0 + 1)) $((bottom - top + 1)) | awk -v check="$check" \
          -v columns=$((x1 - x0 + 1)) -v ink="$([ "$name" = ink ] && echo 1 || echo 0)" '
          { grey = int(($3 * 11 + $4 * 16 + $5 * 5) / 32)
            if (!($1 in darkest) || grey < darkest[$1]) darkest[$1] = grey }
          END { for (x in darkest) { inked += darkest[x] < 100; marked += darkest[x] < 200 }
                printf "%s: ink in %d of %d columns, marks in %d\n", check, inked, columns, marked
                exit ink ? inked < int(columns * 95 / 100) : marked > 0 }' || ok=1 ;;
      line | gone)
        local colours=(${value//:/ })
        local paper=${colours[0]} inkc=none low=1 high=24
        if [ "$name" = line ]; then
          inkc=${colours[0]} paper=${colours[1]:-} low=${colours[2]:-1} high=${colours[3]:-24}
        fi
        [[ $paper =~ ^#[0-9a-fA-F]{6}$ && ($inkc = none || $inkc =~ ^#[0-9a-fA-F]{6}$) ]] \
          || { echo "bad check $check"; return 2; }
        ((width > 455 && height > 330)) || { echo "bad check $check: the image is $size"; return 2; }
        pixels "$image" 265 288 191 43 | awk -v check="$check" -v ink="${inkc#\#}" -v paper="${paper#\#}" \
          -v low="$low" -v high="$high" '
          function hex(s, i, n) { n = 0; for (i = 1; i <= length(s); ++i) n = n * 16 + index("0123456789abcdef", tolower(substr(s, i, 1))) - 1; return n }
          function far(r, g, b, c) { return (r - hex(substr(c, 1, 2)))^2 + (g - hex(substr(c, 3, 2)))^2 + (b - hex(substr(c, 5, 2)))^2 }
          { if ($2 == 42) { stray += far($3, $4, $5, paper) > 0; next }
            if ($2 > 24) next
            if (ink == "none") { differ += far($3, $4, $5, paper) > 0; next }
            d = far($3, $4, $5, ink)
            thick[$1] += d < far($3, $4, $5, paper)
            if (!($1 in best) || d < best[$1]) best[$1] = d }
          END { if (ink == "none") { printf "%s: %d pixels differ from the paper where the line was\n", check, differ; exit differ > 0 }
                for (x = 0; x < 191; ++x) { coloured += best[x] <= 1600; count[thick[x] + 0]++ }
                for (w = 0; seen + count[w] <= 95; ++w) seen += count[w]
                printf "%s: ink colour in %d of 191 columns, %d px thick (median), %d stray paper pixels\n", check, coloured, w, stray
                exit coloured < 181 || w < low || w > high || stray > 0 }' || ok=1 ;;
      *) echo "bad check $check"; return 2 ;;
    esac
    [ "$ok" -eq 0 ] || status=1
  done
  return "$status"
}

# One screenshot and check_image on it: 0 when it agrees, 1 when not yet. A
# check that cannot work and a program that has ended fail the test at once,
# with their own output rather than as missing ink.
screen_shows() {
  if ! kill -0 "$pid" 2>/dev/null; then
    local ended=0
    wait "$pid" || ended=$?
    trap - EXIT
    fail "the program ended with status $ended"
  fi
  import -window root "$work/screen.png"
  local status=0
  check_image "$work/screen.png" "$@" >"$work/check.log" 2>&1 || status=$?
  [ "$status" -le 1 ] || fail "the check failed (status $status): $(cat "$work/check.log")"
  return "$status"
}

# Polls the screen until check_image agrees with its arguments (no fixed sleeps).
wait_for() {
  for _ in $(seq 1 "$(tries 100)"); do
    if screen_shows "$@"; then
      cat "$work/check.log"
      return 0
    fi
    sleep 0.1
  done
  cat "$work/check.log" >&2
  return 1
}

# A line across the paper at screen height y, from x 260 to 460.
draw_line() {
  xdotool mousemove --sync 260 "$1"
  xdotool mousedown 1
  for x in $(seq 270 10 460); do
    xdotool mousemove --sync "$x" "$1"
  done
  xdotool mouseup 1
}

# A second visible window of the program's title: a dialog or a message box.
other_window() {
  xdotool search --onlyvisible --name '^Tavro Pen Writer$' 2>/dev/null | grep -v "^$window\$" | head -n1 || true
}

# Quits through the cross (imgExit, at 759,142 on the screen) and Yes
# (Return: Yes is the default button); the program must end with status 0.
e2e_quit() {
  xdotool mousemove --sync 759 142 click 1
  local question=""
  for _ in $(seq 1 "$(tries 100)"); do
    question=$(other_window)
    [ -n "$question" ] && break
    sleep 0.1
  done
  [ -n "$question" ] || fail "the exit question did not appear"
  xdotool windowfocus --sync "$question" 2>/dev/null || true
  xdotool key --clearmodifiers Return
  e2e_ended "Yes"
}

# e2e_ended <what ended it>: the program ends by itself, with status 0.
e2e_ended() {
  # The exit includes the sanitizer build's leak check.
  for _ in $(seq 1 "$(tries 100)"); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program is still running after $1"
  local status=0
  wait "$pid" || status=$?
  trap - EXIT
  [ "$status" -eq 0 ] || fail "exit status $status"
}
