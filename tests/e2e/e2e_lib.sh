# Shared start of every end-to-end script: sourced as
#   . e2e_lib.sh; e2e_begin "$@"
# with the script's arguments <program> <checker> <work folder>. Re-runs the
# script under xvfb-run when it has no display of its own, then gives it
# fail, e2e_start (the program, in the background), e2e_window (waits for the
# window) and wait_for (polls screenshots until the checker agrees).
#
# Polling limits are counted in tries of about 0.1 s and multiplied by
# TAVRO_E2E_SLOWNESS (a whole number, default 1): the sanitizer build's
# program and checkers are several times slower and set it higher.

e2e_begin() {
  # Absolute: the program runs in the work folder.
  program=$(realpath "$1")
  checker=$(command -v "$2" || realpath "$2")
  work=$(realpath -m "$3")
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

# Screenshot and checker once: 0 when the checker agrees, 1 when not yet.
# A checker that cannot work (its usage or input, a sanitizer report: it
# exits 1 then too) and a program that has ended fail the test at once, with
# their own output rather than as missing ink.
screen_shows() {
  if ! kill -0 "$pid" 2>/dev/null; then
    local ended=0
    wait "$pid" || ended=$?
    trap - EXIT
    fail "the program ended with status $ended"
  fi
  import -window root "$work/screen.png"
  local status=0
  "$checker" "$work/screen.png" "$@" >"$work/check.log" 2>&1 || status=$?
  if [ "$status" -gt 1 ] || grep -qE 'Sanitizer|runtime error:' "$work/check.log"; then
    fail "the checker failed (status $status): $(cat "$work/check.log")"
  fi
  return "$status"
}

# Polls the screen until the checker agrees with its arguments (no fixed sleeps).
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
