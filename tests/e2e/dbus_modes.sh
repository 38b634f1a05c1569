#!/usr/bin/env bash
# End to end over D-Bus on a virtual X screen, run inside dbus-run-session:
# set the pen from outside and draw a red line; read goCount; select the
# erase modes with gdbus, wipe the line in stroke erase mode with the mouse;
# a refused width comes back as an error; Exit_Rtn ends the program.
# Usage: dbus_modes.sh <program> <work folder>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "needs a session bus: run under dbus-run-session" >&2; exit 2; }
e2e_begin "$@"
e2e_start
e2e_window

ink_write() {
  gdbus call --session --dest org.tavro.PenWriter --object-path /inkWrite \
    --method "org.tavro.PenWriter.InkWrite.$1" "${@:2}"
}
gdbus wait --session --timeout 20 org.tavro.PenWriter || fail "the program did not take its bus name"

# Red 192 (0x0000C0) and the thick pen, from outside.
[ "$(ink_write Color_Select 192)" = "()" ] || fail "Color_Select"
[ "$(ink_write Pen_Width 100)" = "()" ] || fail "Pen_Width"
draw_line 300
wait_for 'line=#c00000:#ffffff:3:5' || fail "no thick red line after the pen was set over D-Bus"

count=$(gdbus call --session --dest org.tavro.PenWriter --object-path /inkWrite \
  --method org.freedesktop.DBus.Properties.Get org.tavro.PenWriter.InkWrite goCount)
[ "$count" = "(<int16 0>,)" ] || fail "goCount read as $count"

for mode in CuspErase IntersectionErase StrokeErase; do
  [ "$(ink_write "$mode")" = "()" ] || fail "$mode"
done
# In stroke erase mode a sweep with the button held takes the line away.
xdotool mousemove --sync 360 280 mousedown 1
for y in $(seq 284 4 320); do xdotool mousemove --sync 360 "$y"; done
xdotool mouseup 1
wait_for 'gone=#ffffff' || fail "the line is still there after a sweep in stroke erase mode"

refused=$(ink_write Pen_Width -- -1 2>&1) && fail "a negative width was taken"
case "$refused" in
  *org.tavro.PenWriter.Error.InvalidArgument*) ;;
  *) fail "unexpected answer to a negative width: $refused" ;;
esac

[ "$(ink_write Exit_Rtn)" = "()" ] || fail "Exit_Rtn"
e2e_ended Exit_Rtn
echo "PASS: pen set, modes selected and goCount read over D-Bus; line wiped; Exit_Rtn ended the program"
