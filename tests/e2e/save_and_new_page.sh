#!/usr/bin/env bash
# End to end on a virtual X screen: draw a line, move over the save button,
# click it, type a name ending in .jpg into the real file dialog and check the
# JPEG (619 x 396, the line where it was drawn, no bitmap left). Then a new
# page answered Yes (the line goes), the saved page opened as the background
# picture, a second line drawn, and a save that takes the offered name as it
# is: the JPEG "tavropen01.jpg" holds both lines.
#
# The file dialog is Qt's own (e2e_lib.sh clears the desktop theme), which
# xdotool can type into.
# Usage: save_and_new_page.sh <program> <work folder>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_begin "$@"
e2e_start
e2e_window

# Screen places: the client area opens at 161,118; the paper starts 90 lower.
# The saved page starts 5,95 from the outer corner (158,115): at 163,210.
save_x=711; save_y=150      # imgSave 527,9 46x46
new_x=195; new_y=150        # imgNew 6,5 56x54
open_x=656; open_y=150      # picOpen 469,8 52x49

poll() {  # poll <tries of 0.1 s> <command...>
  local n; n=$(tries "$1"); shift
  for _ in $(seq 1 "$n"); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

has_other_window() { [ -n "$(other_window)" ]; }
no_other_window() { [ -z "$(other_window)" ]; }

focus_other_window() {
  poll 100 has_other_window || fail "$1 did not appear"
  local w
  w=$(other_window)
  xdotool windowfocus --sync "$w" 2>/dev/null || true
  echo "$1: window $w"
}


# Types a name into the file dialog that is open, and accepts it.
answer_file_dialog() {  # answer_file_dialog <what> [name]
  focus_other_window "$1"
  if [ $# -ge 2 ]; then
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$2"
  fi
  xdotool key --clearmodifiers Return
  # A completion list may take the first Return.
  poll 30 no_other_window || { xdotool key --clearmodifiers Return; poll 50 no_other_window; } \
    || fail "$1 did not close"
}

click_at() {  # moves over a button in two steps, as a hand does, and clicks
  xdotool mousemove --sync $(($1 - 6)) $(($2 - 6))
  xdotool mousemove --sync "$1" "$2"
  xdotool click 1
}

# 1. A line, saved under a name that ends in .jpg.
draw_line 300
poll 100 screen_shows ink=300:265-455 || { cat "$work/check.log" >&2; fail "no ink where the line was drawn"; }
click_at $save_x $save_y
answer_file_dialog "the save dialog" "$work/page1.jpg"
poll 100 test -f "$work/page1.jpg" || fail "no JPEG after the save"
poll 100 test ! -e "$work/page1.jpg.bmp" || fail "the bitmap was left behind"
check_image "$work/page1.jpg" size=619x396 ink=90:105-290 blank=30:0-618 blank=200:0-618 \
  || fail "the saved page is not the page drawn"
[ "$(ls "$work" | grep -cv -e '^program.log$' -e '^screen.png$' -e '^check.log$')" -eq 1 ] \
  || fail "other files than the JPEG: $(ls "$work")"
echo "saved page1.jpg"

# 2. A new page, answered Yes (the default button): the line goes.
click_at $new_x $new_y
focus_other_window "the new-page question"
xdotool key --clearmodifiers Return
poll 100 no_other_window || fail "the question did not close"
poll 100 screen_shows blank=300:265-455 || { cat "$work/check.log" >&2; fail "the line is still there"; }
echo "new page"

# 3. The saved page as the background picture: the line is back, 2 pixels up
# and left (the page was taken from 2,2 of the paper).
click_at $open_x $open_y
answer_file_dialog "the open dialog" "$work/page1.jpg"
poll 100 screen_shows ink=298:265-450 || { cat "$work/check.log" >&2; fail "the background picture does not show"; }
echo "background picture"

# 4. A second line, saved under the name the dialog offers.
draw_line 400
poll 100 screen_shows ink=400:265-455 || { cat "$work/check.log" >&2; fail "no ink for the second line"; }
click_at $save_x $save_y
answer_file_dialog "the second save dialog"
poll 100 test -f "$work/tavropen01.jpg" || fail "the second save did not offer tavropen01: $(ls "$work")"
poll 100 test ! -e "$work/tavropen01" || fail "the second bitmap was left behind"
check_image "$work/tavropen01.jpg" size=619x396 ink=88:105-285 ink=190:105-290 blank=140:0-618 blank=300:0-618 \
  || fail "the second page does not hold the background and the new line"
echo "saved tavropen01.jpg"

# 5. Quit.
e2e_quit
echo "PASS: saved, new page, reopened as background and saved again"
