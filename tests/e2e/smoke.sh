#!/usr/bin/env bash
# Starts the real program in a private X server with its own notes folder and settings,
# and checks that the main window appears with its title, that a second start on the
# same folder hands over to the first and exits 0, and that another folder gets its own.
set -u
program=${1:?usage: smoke.sh PATH-TO-PINVELLE}
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xdotool)"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/Pinvelle"
# The run-at-startup question has been answered before, so the main window shows at once.
printf '[StartUpQ]\nqStrup=1\n' >"$XDG_CONFIG_HOME/Pinvelle/Pinvelle.conf"
unset QT_QPA_PLATFORM

passed=0 failed=0
check() { # description, then a command that must succeed
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
