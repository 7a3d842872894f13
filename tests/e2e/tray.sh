#!/usr/bin/env bash
# Runs the real program in a private X server with a tray host: minimises it to the tray,
# right-clicks the tray icon, chooses "New Note", types, and finds the note on disk.
set -u
program=${1:?usage: tray.sh PATH-TO-PINVELLE}
tools="xdotool trayer"
source "$(dirname "$0")/lib.sh"
mkdir -p "$work/notes"
printf 'already here\r\n' >"$work/notes/PinvelleQuill1.pv"

trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
# The tray host sits at the screen's bottom right corner and holds only our icon.
icon_x=$((1280 - 12)) icon_y=$((1024 - 12))

visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

"$program" --notes-dir "$work/notes" >"$work/app.log" 2>&1 &
pids+=($!)
check "main window appears" wait_for 20 visible '^Pinvelle 2\.1 - '

# Minimize hides the main window into the tray.
main=$(xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' | head -1)
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 60)) $((Y + 220)) click 1 # "&Minimize"
check "Minimize hides the main window" wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' >/dev/null 2>&1"

# The keys go to the menu once it is up: on a slow (sanitizer) build that can take seconds.
windows() { xdotool search --onlyvisible --class . 2>/dev/null | wc -l; }
before=$(windows)
menu_up() { [ "$(windows)" -gt "$before" ]; }
xdotool mousemove $icon_x $icon_y click 3
wait_for 10 menu_up || echo "no menu seen after 10 s"
xdotool key Down Return # the menu's first entry, "New Note"
check "New Note opens note 2 (note 1 holds text)" wait_for 10 visible '^PinvelleQuill2\.pv$'

note=$(xdotool search --onlyvisible --name '^PinvelleQuill2\.pv$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$note")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
xdotool type --delay 20 'typed via tray'
check "the note is on disk" wait_for 10 grep -qs 'typed via tray' "$work/notes/PinvelleQuill2.pv"
check "its file ends with one CR LF" bash -c "tail -c 2 '$work/notes/PinvelleQuill2.pv' | od -An -c | grep -q '\\\\r  *\\\\n'"

# A left click on the icon brings the main window back.
xdotool mousemove $((X)) $((Y)) # away from the note
xdotool mousemove $icon_x $icon_y click 1
check "left click shows the main window" wait_for 10 visible '^Pinvelle 2\.1 - '

finish
