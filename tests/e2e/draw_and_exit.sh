#!/usr/bin/env bash
# End to end on a virtual X screen: start the program, draw a line on the
# paper with the mouse, check the ink in a screenshot, click the cross, answer
# Yes (Return: Yes is the default button) and expect exit status 0.
# Usage: draw_and_exit.sh <program> <ink checker> <work folder>
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

# The window: titled like every box of the program; the first one is it.
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tavro Pen Writer$' | head -n1) \
  || fail "the window did not appear"
echo "window $window"

# Polls the screen until the checker sees the line (no fixed sleeps).
wait_for_ink() {
  for _ in $(seq 1 100); do
    import -window root "$work/screen.png"
    if "$checker" "$work/screen.png" >"$work/check.log" 2>&1; then
      return 0
    fi
    sleep 0.1
  done
  cat "$work/check.log" >&2
  return 1
}

# The client area opens at 161,118 and the paper starts 90 pixels lower.
# A line across the paper from (260,300) to (460,300) on the screen.
xdotool mousemove --sync 260 300
xdotool mousedown 1
for x in $(seq 270 10 460); do
  xdotool mousemove --sync "$x" 300
done
xdotool mouseup 1
wait_for_ink || fail "no ink where the line was drawn"
cat "$work/check.log"
cp "$work/screen.png" "$work/drawn.png"

# The cross: imgExit at 577,3 (43 x 42) on the tool bar.
xdotool mousemove --sync $((161 + 598)) $((118 + 24)) click 1

# The question is a second window of the same title.
question=""
for _ in $(seq 1 100); do
  question=$(xdotool search --onlyvisible --name '^Tavro Pen Writer$' | grep -v "^$window\$" | head -n1 || true)
  [ -n "$question" ] && break
  sleep 0.1
done
[ -n "$question" ] || fail "the exit question did not appear"
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key --clearmodifiers Return

status=0
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program is still running after Yes"
wait "$pid" || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "exit status $status"
echo "PASS: ink drawn and seen, program ended with status 0"
