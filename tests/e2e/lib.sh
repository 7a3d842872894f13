# Shared by the end-to-end tests: a private X server with its own settings, data and
# runtime folders, every started process ended on exit, and a tally of checks.
# Source it after setting `tools` to the commands the test needs besides Xvfb.

for tool in Xvfb ${tools:-}; do
    command -v "$tool" >/dev/null || { echo "missing $tool (see scripts/packages.txt)"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# No reset when the last client goes: a test that ends one program and starts the next
# would otherwise find the server refusing connections while it resets.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
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
wait_for() { # seconds, then a command that must come to succeed
    local seconds=$1; shift
    for _ in $(seq $((seconds * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
