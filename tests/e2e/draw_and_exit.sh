#!/usr/bin/env bash
# End to end on a virtual X screen: start the program, draw a line on the
# paper with the mouse, check the ink in a screenshot, click the cross, answer
# Yes (Return: Yes is the default button) and expect exit status 0.
# Usage: draw_and_exit.sh <program> <work folder>
# Runs itself under xvfb-run when no display is given.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_begin "$@"
e2e_start
e2e_window

# The client area opens at 161,118 and the paper starts 90 pixels lower.
draw_line 300
wait_for ink=300:265-455 blank=330:265-455 || fail "no ink where the line was drawn"
cp "$work/screen.png" "$work/drawn.png"

e2e_quit
echo "PASS: ink drawn and seen, program ended with status 0"
