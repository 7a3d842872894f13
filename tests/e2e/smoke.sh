#!/usr/bin/env bash
# Starts the real program in a private X server with its own notes folder and settings,
# and checks that the main window appears with its title, that a second start on the
# same folder hands over to the first and exits 0, and that another folder gets its own.
set -u
program=${1:?usage: smoke.sh PATH-TO-PINVELLE}
tools="xdotool"
source "$(dirname "$0")/lib.sh"

windows() { xdotool search --onlyvisible --name '^Pinvelle 2\.1 - ' 2>/dev/null | wc -l; }
wait_windows() { # count, seconds
    for _ in $(seq $(($2 * 10))); do [ "$(windows)" -ge "$1" ] && return 0; sleep 0.1; done
    return 1
}

"$program" --notes-dir "$work/notes" >"$work/first.log" 2>&1 &
first=$!
pids+=($first)
check "main window appears with its title" wait_windows 1 20
check "notes folder created" test -d "$work/notes"
check "window title names the program and its version" \
    bash -c "xdotool search --name '^Pinvelle 2\.1 - ' getwindowname | grep -q '^Pinvelle 2.1 - .'"

timeout 20 "$program" --notes-dir "$work/notes" >"$work/second.log" 2>&1
check "second start on the same folder exits 0" test $? -eq 0
check "first program still runs" kill -0 "$first"
check "still one main window" test "$(windows)" -eq 1

"$program" --notes-dir "$work/other" >"$work/third.log" 2>&1 &
pids+=($!)
check "another folder gets its own program" wait_windows 2 20

finish
