#!/usr/bin/env bash
# End to end on a virtual X screen: choose the thick pen and a swatch, draw a
# line and check its colour and thickness in a screenshot; turn the paper
# dark and check it with the line still on it; undo and check the line is
# gone; then quit through the cross and its question.
# Usage: pens_colours_undo.sh <program> <work folder>
# Runs itself under xvfb-run when no display is given.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_begin "$@"
e2e_start
e2e_window

# The client area opens at 161,118; tool-bar spots are relative to it.
click_at() { xdotool mousemove --sync $((161 + $1)) $((118 + $2)) click 1; }

# The thick pen (Image3 at 170,5, 60 x 58), then swatch 7 (at 176,64, about
# 23 x 22): ForeColor 0x0000C0, red 192.
click_at 200 34
click_at 187 75

# A line across the paper from (260,300) to (460,300) on the screen.
draw_line 300
# 100 ink units at 96 dpi: a line about 3.8 pixels thick.
wait_for 'line=#c00000:#ffffff:3:5' || fail "no thick red line on white paper"
cp "$work/screen.png" "$work/drawn.png"

# The dark paper spot (imgBackGColor_B at 295,6, 20 x 20).
click_at 305 16
wait_for 'line=#c00000:#222222:3:5' || fail "the paper did not turn dark under the line"
cp "$work/screen.png" "$work/dark.png"

# The eraser button (Image4 at 230,1, 56 x 46) removes the last stroke.
click_at 258 24
wait_for 'gone=#222222' || fail "the line is still there after the undo"

e2e_quit
echo "PASS: thick red line drawn, dark paper under it, undone, program ended"
