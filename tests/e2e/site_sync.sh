#!/usr/bin/env bash
# The real pinvelle-site on SQLite with an account made by add-account; the real Pinvelle in
# a private X server pushes three notes through its synchronisation window, driven with the
# mouse and keyboard; a second Pinvelle on another notes folder pulls them; the files must
# come back byte for byte, also into a note that is open. Given a PostgreSQL in PINVELLE_TEST_POSTGRES (with_postgres.sh),
# two site processes share it: the push goes to one, the pull comes from the other.
set -u
program=${1:?usage: site_sync.sh PATH-TO-PINVELLE PATH-TO-PINVELLE-SITE}
site=${2:?usage: site_sync.sh PATH-TO-PINVELLE PATH-TO-PINVELLE-SITE}
tools="xdotool sqlite3 psql python3"
source "$(dirname "$0")/lib.sh"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
database=${PINVELLE_TEST_POSTGRES:-sqlite:$work/site.db}
echo 'correct horse' | "$site" add-account ann@example.org --database "$database" >/dev/null
check "add-account makes the account" test $? -eq 0
serve() { # port, log
    "$site" --listen "127.0.0.1:$1" --database "$database" 2>"$2" &
    pids+=($!)
    wait_for 10 grep -q serving "$2"
}
push_port=$(free_port)
serve "$push_port" "$work/site.log"
pull_port=$push_port
if [ -n "${PINVELLE_TEST_POSTGRES:-}" ]; then
    pull_port=$(free_port)
    serve "$pull_port" "$work/second.log"
fi
count_notes() {
    if [ -n "${PINVELLE_TEST_POSTGRES:-}" ]; then
        psql "$PINVELLE_TEST_POSTGRES" -tAc 'SELECT COUNT(*) FROM notes'
    else
        sqlite3 "$work/site.db" 'SELECT COUNT(*) FROM notes'
    fi
}

mkdir -p "$work/a" "$work/b"
printf 'Fish & chips <b>not bold</b> "quoted"\r\n' >"$work/a/Markup.pv"
printf 'Gr\xc3\xbc\xc3\x9fe, \xe9\x80\xb1\xe6\x9c\xab, \xc3\xb1\r\n' >"$work/a/Unicode.pv"
printf 'one\r\ntwo\r\n\r\n  four, indented\r\n\r\n' >"$work/a/Lines.pv"

# Starts Pinvelle on `folder` and opens its synchronisation window, whose id goes in `sync`.
open_sync() { # folder, port
    local folder=$1 main
    sync=
    "$program" --notes-dir "$folder" --site "http://127.0.0.1:$2/" >"$folder.log" 2>&1 &
    pids+=($!)
    wait_for 60 xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' >/dev/null ||
        { echo "no main window; the program said:"; tail -5 "$folder.log"; return 1; }
    main=$(xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' | head -1)
    eval "$(xdotool getwindowgeometry --shell "$main")"
    # A window just mapped on a slow (sanitizer) build may not take the first click yet.
    local attempt
    for attempt in 1 2 3; do
        xdotool mousemove $((X + 180)) $((Y + 348)) click 1 # "Syncronise with the Internet"
        wait_for 10 xdotool search --onlyvisible --name '^Synchronize with the Internet - ' \
            >/dev/null && break
    done
    sync=$(xdotool search --onlyvisible --name '^Synchronize with the Internet - ' | head -1)
    [ -n "$sync" ] || { echo "no synchronisation window after three clicks"; return 1; }
}
# Types the account into the window whose geometry is in X and Y.
sign_in() {
    xdotool windowfocus --sync "$sync" 2>/dev/null
    xdotool mousemove $((X + 112)) $((Y + 73)) click 1 key ctrl+a # Text1
    xdotool type --delay 10 'ann@example.org'
    xdotool mousemove $((X + 112)) $((Y + 121)) click 1 key ctrl+a # Text2
    xdotool type --delay 10 'correct horse'
}
# Signs in, clicks the button at `y` and waits for `done`. On a loaded machine a window just
# mapped may miss the first keystrokes, so a second try follows; a fault fails both.
transfer() { # y, done
    local attempt
    for attempt in 1 2; do
        sign_in
        xdotool mousemove $((X + 112)) $((Y + $1)) click 1
        wait_for 30 "$2" && return 0
    done
    return 1
}
notes_stored() { [ "$(count_notes)" = 3 ]; }
files_pulled() { [ "$(ls "$work/b" | wc -l)" = 3 ]; }

open_sync "$work/a" "$push_port"
check "the synchronisation window opens" test -n "$sync"
eval "$(xdotool getwindowgeometry --shell "$sync")"
xdotool mousemove $((X + 300)) $((Y + 104)) click 1 # the list's first entry
xdotool key ctrl+a
check "the push stores three notes" transfer 160 notes_stored # "Push Data to Website"
kill "${pids[-1]}" && wait "${pids[-1]}" 2>/dev/null

# One of the pulled notes is open on the second machine, with another text: the pull with
# "Overwrite Notes the Local Notes" must reach its window, so the next key edits the pulled text.
printf 'local text\r\n' >"$work/b/Markup.pv"
markup_pulled() { files_pulled && cmp -s "$work/a/Markup.pv" "$work/b/Markup.pv"; }
open_sync "$work/b" "$pull_port"
"$program" --notes-dir "$work/b" --open Markup.pv
check "the note to be pulled over is open" wait_for 10 xdotool search --onlyvisible --name '^Markup\.pv$' >/dev/null
# Out of the way of the fields the sign-in clicks into.
xdotool search --onlyvisible --name '^Markup\.pv$' windowmove 700 500
eval "$(xdotool getwindowgeometry --shell "$sync")"
xdotool mousemove $((X + 40)) $((Y + 312)) click 1 # "Overwrite Notes the Local Notes"
check "the pull writes three notes" transfer 276 markup_pulled # "Pull Data from Website"
sleep 1 # the window reads its file a moment after the pull; nothing outside shows when
xdotool search --onlyvisible --name '^Markup\.pv$' windowfocus --sync key ctrl+End type '!'
printf 'Fish & chips <b>not bold</b> "quoted"!\r\n' >"$work/edited"
check "a key in the open note edits the pulled text" wait_for 5 cmp -s "$work/edited" "$work/b/Markup.pv"
for note in Unicode.pv Lines.pv; do
    check "$note comes back byte for byte" cmp -s "$work/a/$note" "$work/b/$note"
done
finish
