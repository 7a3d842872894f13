#!/usr/bin/env bash
# The command line from a terminal: --help and --version without a display, a start without
# one, commands handed to the running program (--new-note, --list, --show, --open), and a
# Wayland session with XWayland, where the windows must land on the X server.
set -u
program=${1:?usage: commands.sh PATH-TO-PINVELLE}
tools="xdotool weston"
source "$(dirname "$0")/lib.sh"
notes=$work/notes

bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@"; }
check "--version without a display" bash -c "$(declare -f bare); program=$program; bare --version | grep -q '^Pinvelle '"
check "--help without a display" bash -c "$(declare -f bare); program=$program; bare --help | grep -q -- --new-note"
bare --notes-dir "$notes" >"$work/bare.out" 2>&1
check "a start without a display exits 1" test $? -eq 1
check "... saying it needs a desktop" grep -q 'graphical desktop.*DISPLAY.*WAYLAND_DISPLAY' "$work/bare.out"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9999 "$program" --notes-dir "$notes" >"$work/gone.out" 2>&1
check "a display that cannot be reached: exit 1 and one line, no abort" \
    bash -c "test $? -eq 1 && test \$(wc -l <'$work/gone.out') -eq 1 && grep -q 'graphical desktop' '$work/gone.out'"

visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
focused() { [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$1" ]; }
"$program" --notes-dir "$notes" >"$work/app.log" 2>&1 &
pids+=($!)
check "main window appears" wait_for 20 visible '^Pinvelle 2\.1 - '

name=$("$program" --notes-dir "$notes" --new-note hello)
check "--new-note prints the note's file name" test "$name" = PinvelleQuill1.pv
check "... whose file holds the text and a line end" cmp -s "$notes/$name" <(printf 'hello\r\n')
check "... in a note window" wait_for 10 visible "^$name\$"
second=$(printf 'from\nstdin\n' | "$program" --notes-dir "$notes" --new-note -)
check "--new-note - reads standard input" cmp -s "$notes/$second" <(printf 'from\r\nstdin\r\n')
check "--list prints name, tab, first line" \
    test "$("$program" --notes-dir "$notes" --list)" = "$(printf '%s\thello\n%s\tfrom' "$name" "$second")"

"$program" --notes-dir "$notes" --show
check "--show brings the main window to the front" wait_for 5 focused "$(xdotool search --name '^Pinvelle 2\.1 - ' getwindowname | head -1)"
"$program" --notes-dir "$notes" --open "$name"
check "--open brings the note to the front" wait_for 5 focused "$name"
# Another program replaces the open, idle note's file: the window takes the new text and the
# next key edits it (a stale window would put "hello!" back). Nothing outside shows when the
# window has read the file, so the key waits a moment.
holds() { printf "$2" >"$work/expected" && cmp -s "$notes/$1" "$work/expected"; }
printf 'EXTERNAL\r\nEDIT\r\n' >"$notes/other.tmp" && mv "$notes/other.tmp" "$notes/$name"
sleep 1
xdotool key ctrl+End type '!'
check "an open, idle note takes the text another program wrote" \
    wait_for 5 holds "$name" 'EXTERNAL\r\nEDIT!\r\n'
# With "Automatically Save Notes" off and unsaved typing, both texts are kept: the file's
# beside the note, byte for byte, and the window's once it is saved.
eval "$(xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' getwindowgeometry --shell %1)"
xdotool mousemove $((X + 60)) $((Y + 284)) click 1 sleep 0.5 mousemove $((X + 215)) $((Y + 392)) click 1
"$program" --notes-dir "$notes" --open "$name" && wait_for 5 focused "$name"
xdotool type ' mine'
printf 'THEIRS\r\n' >"$notes/other.tmp" && mv "$notes/other.tmp" "$notes/$name"
printf 'THEIRS\r\n' >"$work/theirs"
kept_beside() { local f; f=$(compgen -G "$notes/PinvelleQuill1 (changed elsewhere, *).pv") && cmp -s "$f" "$work/theirs"; }
check "... the other program's text is kept beside the note" wait_for 5 kept_beside
xdotool mousemove $((X + 215)) $((Y + 392)) click 1
"$program" --notes-dir "$notes" --open "$name" && wait_for 5 focused "$name"
xdotool type '.'
check "... and the window's text is written once saving is back on" \
    wait_for 5 holds "$name" 'EXTERNAL\r\nEDIT! mine.\r\n'
"$program" --notes-dir "$notes" --open PinvelleQuill99.pv 2>"$work/open.err"
check "--open of an unknown note exits 1 with a message" \
    bash -c "test $? -eq 1 && grep -q PinvelleQuill99.pv '$work/open.err'"
mkdir "$work/idle" && printf 'idle\r\nnote\r\n' >"$work/idle/PinvelleQuill5.pv"
check "--list needs no running program" \
    test "$("$program" --notes-dir "$work/idle" --list)" = "$(printf 'PinvelleQuill5.pv\tidle')"

# A Wayland session with XWayland: the compositor here shows nothing, the X server does.
weston --backend=headless-backend.so --socket=pinvelle-wl >"$work/weston.log" 2>&1 &
pids+=($!)
check "weston starts" wait_for 10 test -S "$XDG_RUNTIME_DIR/pinvelle-wl"
mains() { xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' 2>/dev/null | wc -l; }
two_mains() { [ "$(mains)" -eq 2 ]; }
export WAYLAND_DISPLAY=pinvelle-wl XDG_SESSION_TYPE=wayland
"$program" --notes-dir "$work/wayland" >"$work/wayland.log" 2>&1 &
pids+=($!)
check "in a Wayland session the main window appears on the X server" wait_for 20 two_mains
"$program" --notes-dir "$work/native" --platform wayland >"$work/native.log" 2>&1 &
native=$!
QT_QPA_PLATFORM=wayland "$program" --notes-dir "$work/chosen" >"$work/chosen.log" 2>&1 &
chosen=$!
pids+=($native $chosen)
sleep 3
check "--platform wayland and QT_QPA_PLATFORM=wayland run on the compositor instead" \
    bash -c "kill -0 $native && kill -0 $chosen && test $(mains) -eq 2"

finish
