#!/usr/bin/env bash
# Escape in the real program: on the run-at-startup question it answers No and leaves
# "Do not ask" clear; in a note's Save As row it cancels, writing no file under the typed name.
set -u
program=${1:?usage: escape.sh PATH-TO-PINVELLE}
tools="xdotool"
source "$(dirname "$0")/lib.sh"
notes="$work/notes"
mkdir -p "$notes"
printf 'first\r\n' >"$notes/PinvelleQuill1.pv"
conf="$XDG_CONFIG_HOME/Pinvelle/Pinvelle.conf"
printf '[Startup]\nnotes=1\n' >"$conf" # the question is asked; the note opens at start
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
focus() { # window title pattern: the pointer over it and the keyboard in it
    local window
    window=$(xdotool search --onlyvisible --name "$1" | head -1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool windowraise "$window" mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) windowfocus --sync "$window"
}

"$program" --notes-dir "$notes" >"$work/app.log" 2>&1 &
pids+=($!)
check "the question is asked" wait_for 20 visible '^Pinvelle$'
check "the main window waits for the answer" bash -c "! xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' >/dev/null 2>&1"
focus '^Pinvelle$'
xdotool key Escape
check "Escape answers: the main window shows" wait_for 10 visible '^Pinvelle 2\.1 - '
check "the question is gone" bash -c "! xdotool search --onlyvisible --name '^Pinvelle$' >/dev/null 2>&1"
check "No is stored, so the question comes again" wait_for 5 grep -qx 'qStrup=0' "$conf"

check "the note opens" wait_for 20 visible '^PinvelleQuill1\.pv$'
focus '^PinvelleQuill1\.pv$'
xdotool click 3
sleep 0.5
xdotool key Down Down Down Return # the note's menu: Delete, Hide, Save As
sleep 0.5
xdotool type --delay 20 'other.pv'
xdotool key Escape
xdotool key ctrl+End
xdotool type --delay 20 ' more'
check "after Escape the keys go to the note again" wait_for 10 grep -qs ' more' "$notes/PinvelleQuill1.pv"
check "nothing was saved under the typed name" test ! -e "$notes/other.pv"

finish
