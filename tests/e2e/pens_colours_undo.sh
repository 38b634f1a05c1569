#!/usr/bin/env bash
# End to end on a virtual X screen: choose the thick pen and a swatch, draw a
# line and check its colour and thickness in a screenshot; turn the paper
# dark and check it with the line still on it; undo and check the line is
# gone; then quit through the cross and its question.
# Usage: pens_colours_undo.sh <program> <ink checker> <work folder>
# Runs itself under xvfb-run when no display is given.
set -euo pipefail

program=$1
checker=$2
work=$3
mkdir -p "$work"

if [ -z "${TAVRO_E2E_INSIDE_X:-}" ]; then
  export TAVRO_E2E_INSIDE_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

fail() { echo "FAIL: $*" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb

"$program" >"$work/program.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tavro Pen Writer$' | head -n1) \
  || fail "the window did not appear"
echo "window $window"

# Polls the screen until the checker agrees (no fixed sleeps).
wait_for() {
  for _ in $(seq 1 100); do
    import -window root "$work/screen.png"
    if "$checker" "$work/screen.png" "$@" >"$work/check.log" 2>&1; then
      cat "$work/check.log"
      return 0
    fi
    sleep 0.1
  done
  cat "$work/check.log" >&2
  return 1
}

# The client area opens at 161,118; tool-bar spots are relative to it.
click_at() { xdotool mousemove --sync $((161 + $1)) $((118 + $2)) click 1; }

# The thick pen (Image3 at 170,5, 60 x 58), then swatch 7 (at 176,64, about
# 23 x 22): ForeColor 0x0000C0, red 192.
click_at 200 34
click_at 187 75

# A line across the paper from (260,300) to (460,300) on the screen.
xdotool mousemove --sync 260 300
xdotool mousedown 1
for x in $(seq 270 10 460); do
  xdotool mousemove --sync "$x" 300
done
xdotool mouseup 1
# 100 ink units at 96 dpi: a line about 3.8 pixels thick.
wait_for '#c00000' '#ffffff' 3 5 || fail "no thick red line on white paper"
cp "$work/screen.png" "$work/drawn.png"

# The dark paper spot (imgBackGColor_B at 295,6, 20 x 20).
click_at 305 16
wait_for '#c00000' '#222222' 3 5 || fail "the paper did not turn dark under the line"
cp "$work/screen.png" "$work/dark.png"

# The eraser button (Image4 at 230,1, 56 x 46) removes the last stroke.
click_at 258 24
wait_for none '#222222' || fail "the line is still there after the undo"

# Quit: the cross (imgExit at 577,3), then Yes (Return) in the question.
click_at 598 24
question=""
for _ in $(seq 1 100); do
  question=$(xdotool search --onlyvisible --name '^Tavro Pen Writer$' | grep -v "^$window\$" | head -n1 || true)
  [ -n "$question" ] && break
  sleep 0.1
done
[ -n "$question" ] || fail "the exit question did not appear"
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key --clearmodifiers Return
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program is still running after Yes"
status=0
wait "$pid" || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "exit status $status"
echo "PASS: thick red line drawn, dark paper under it, undone, program ended"
