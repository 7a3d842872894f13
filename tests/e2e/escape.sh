#!/usr/bin/env bash
# Escape in the real program: on the run-at-startup question it answers No and leaves
# "Do not ask" clear; in a note's Save As row it cancels, writing no file under the typed name.
set -u
program=${1:?usage: escape.sh PATH-TO-PINVELLE}
tools="xdotool"
source "$(dirname "$0")/lib.sh"
notes="$work/notes" conf="$XDG_CONFIG_HOME/Pinvelle/Pinvelle.conf"
mkdir -p "$notes"
printf 'first\r\n' >"$notes/PinvelleQuill1.pv"
printf '[Startup]\nnotes=1\n' >"$conf" # the question is asked; the note opens at start
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
focus() { # window title pattern: raised, the pointer over it and the keyboard in it
    local window
    window=$(xdotool search --onlyvisible --name "$1" | head -1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool windowraise "$window" mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) windowfocus --sync "$window"
}

"$program" --notes-dir "$notes" >"$work/app.log" 2>&1 &
pids+=($!)
check "the question is asked" wait_for 20 visible '^Pinvelle$'
focus '^Pinvelle$'
xdotool key Escape
check "Escape on the question shows the main window" wait_for 10 visible '^Pinvelle 2\.1 - '
check "No is stored, so the question comes again" wait_for 5 grep -qx 'qStrup=0' "$conf"

check "the note opens" wait_for 20 visible '^PinvelleQuill1\.pv$'
focus '^PinvelleQuill1\.pv$'
xdotool click 3 sleep 0.5 key Down Down Down Return sleep 0.5 # the menu's Save As
xdotool type --delay 20 'other.pv'
xdotool key Escape ctrl+End type --delay 20 ' more'
check "after Escape the keys go to the note again" wait_for 10 grep -qs ' more' "$notes/PinvelleQuill1.pv"
check "nothing was saved under the typed name" test ! -e "$notes/other.pv"

finish
