#!/usr/bin/env bash
# Starts the real program with "Open All Notes on Startup" on and three notes (one
# Windows-1252, one with blanks at both ends, one plain): the start leaves every file's bytes
# and modification time as they were, typing into one rewrites only that one, and a new note
# with the thin border takes typed keys at once.
set -u
program=${1:?usage: opening.sh PATH-TO-PINVELLE}
tools="xdotool"
source "$(dirname "$0")/lib.sh"
notes="$work/notes"
mkdir -p "$notes"
printf 'caf\xe9 au lait\r\n' >"$notes/PinvelleQuill1.pv"
printf '  blanks at both ends  \r\n' >"$notes/PinvelleQuill2.pv"
printf 'plain\r\n' >"$notes/PinvelleQuill3.pv"
touch -d '2020-01-02 03:04:05.123456789' "$notes"/*.pv
printf '[Startup]\nnotes=1\n' >>"$XDG_CONFIG_HOME/Pinvelle/Pinvelle.conf"
state() { echo "$(stat -c %y "$notes/$1") $(sha256sum <"$notes/$1")"; }
for n in 1 2 3; do state PinvelleQuill$n.pv >"$work/before$n"; done
unchanged() { state "PinvelleQuill$1.pv" | cmp -s - "$work/before$1"; }
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

"$program" --notes-dir "$notes" >"$work/app.log" 2>&1 &
pids+=($!)
check "main window appears" wait_for 20 visible '^Pinvelle 2\.1 - '
for n in 1 2 3; do
    check "note $n opens" wait_for 20 visible "^PinvelleQuill$n\\.pv\$"
done
sleep 1 # anything written at start would be written by now
for n in 1 2 3; do
    check "start leaves note $n's bytes and time alone" unchanged $n
done

note=$(xdotool search --onlyvisible --name '^PinvelleQuill3\.pv$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$note")"
xdotool windowraise "$note" mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
xdotool key End type --delay 20 ' typed'
check "typing rewrites that note" wait_for 10 grep -qs 'plain typed' "$notes/PinvelleQuill3.pv"
for n in 1 2; do check "note $n stays as it was" unchanged $n; done

# New Note with the default thin border: the first keys go into the new note.
main=$(xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' | head -1)
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 60)) $((Y + 252)) click 1 # "New Note"
check "New Note opens note 4" wait_for 10 visible '^PinvelleQuill4\.pv$'
xdotool type --delay 20 'first words'
check "the new note took the keys" wait_for 10 grep -qs 'first words' "$notes/PinvelleQuill4.pv"

finish
