#!/usr/bin/env bash
# Two machines sync one account through the real pinvelle-site: two real Pinvelles, each with
# its own notes folder, settings, trash and keyring (a private session bus with
# gnome-keyring), driven in a private X server. Edits on either side, an edit on both, a
# delete, a note written on the site's edit page in a phone-sized browser, and automatic sync
# must leave both folders and the site with the same notes, byte for byte.
set -u
program=${1:?usage: sync_two_machines.sh PATH-TO-PINVELLE PATH-TO-PINVELLE-SITE}
site=${2:?usage: sync_two_machines.sh PATH-TO-PINVELLE PATH-TO-PINVELLE-SITE}
tools="xdotool sqlite3 dbus-run-session gnome-keyring-daemon chromedriver"
source "$(dirname "$0")/lib.sh"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
db=$work/site.db
echo 'correct horse' | "$site" add-account ann@example.org --database "sqlite:$db" >/dev/null
"$site" --listen "127.0.0.1:$port" --database "sqlite:$db" 2>"$work/site.log" &
pids+=($!)
wait_for 10 grep -q serving "$work/site.log" || { echo "FAIL: the site did not start"; exit 1; }

on() { # machine, command...: run with that machine's own folders
    local m=$work/$1; shift
    XDG_CONFIG_HOME=$m/config XDG_DATA_HOME=$m/data XDG_RUNTIME_DIR=$m/run "$@"
}
pid_of() { cat "$work/$1.pid"; }
window_of() { xdotool search --all --onlyvisible --pid "$(pid_of "$1")" --name "$2" | head -1; }
has_window() { [ -n "$(window_of "$@")" ]; }
click_in() { # window, x, y: raised and focused first, as another machine's windows may cover it
    xdotool windowraise "$1" windowfocus --sync "$1"
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + $3)) click 1
}
# Starts Pinvelle on machine `m`, on a session bus of its own whose keyring is unlocked with
# an empty password.
start() { # machine
    mkdir -p -m 700 "$work/$1/run" "$work/$1/config/Pinvelle" "$work/$1/notes"
    [ -e "$work/$1/config/Pinvelle/Pinvelle.conf" ] ||
        printf '[StartUpQ]\nqStrup=1\n' >"$work/$1/config/Pinvelle/Pinvelle.conf"
    rm -f "$work/$1.pid"
    on "$1" dbus-run-session -- bash -c 'echo | gnome-keyring-daemon --unlock --components=secrets \
        >/dev/null && echo $$ >"$0" && exec "$@"' "$work/$1.pid" \
        "$program" --notes-dir "$work/$1/notes" --site "http://127.0.0.1:$port/" >>"$work/$1.log" 2>&1 &
    wait_for 10 test -s "$work/$1.pid" && pids+=("$(pid_of "$1")") &&
        wait_for 60 has_window "$1" '^Pinvelle 2\.1 - ' ||
        { echo "FAIL: $1 did not start:"; tail -5 "$work/$1.log"; exit 1; }
}
sync_now() { on "$1" "$program" --notes-dir "$work/$1/notes" --sync >/dev/null; }
# The first Sync: --sync opens the synchronisation window (its id goes in win_MACHINE), which
# takes the account and signs this machine in. A window just mapped may miss the first keys
# on a loaded machine, so a second try follows; a fault fails both.
sign_in() { # machine, then a command that tells the sync is done
    local m=$1 win attempt; shift
    sync_now "$m"
    wait_for 20 has_window "$m" '^Synchronize with the Internet - ' || return 1
    win=$(window_of "$m" '^Synchronize with the Internet - ')
    eval "win_$m=$win"
    for attempt in 1 2; do
        click_in "$win" 112 73 && xdotool key ctrl+a type --delay 10 'ann@example.org'
        click_in "$win" 112 121 && xdotool key ctrl+a type --delay 10 'correct horse'
        click_in "$win" 112 436 # Sync Now
        wait_for 20 "$@" && return 0
    done
    return 1
}
tick_automatic() { eval "click_in \$win_$1 248 436"; } # machine
site_has() { # note name, file: the site's live note holds the file's bytes
    rm -f "$work/site.txt"
    sqlite3 "$db" "SELECT writefile('$work/site.txt', text) FROM notes WHERE name = '$1'" >/dev/null
    cmp -s "$work/site.txt" "$2"
}
site_count() { [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM notes WHERE name LIKE '$1'")" = "$2" ]; }
same() { cmp -s "$work/a/notes/$1" "$work/b/notes/$1"; }
all_same() { local n; for n in "$@"; do same "$n" || return 1; done; }

a=$work/a/notes b=$work/b/notes
mkdir -p "$a"
printf 'one\r\n' >"$a/One.pv"
printf 'two\r\n' >"$a/Two.pv"
printf 'shared\r\n' >"$a/Shared.pv"
printf 'to be deleted\r\n' >"$a/Gone.pv"
start a
check "A's first sync sends its four notes" sign_in a site_count % 4
start b
check "B's first sync brings them byte for byte" sign_in b all_same One.pv Two.pv Shared.pv Gone.pv

# (a) Each side edits a note of its own.
printf 'one, edited on A\r\n' >"$a/One.pv"
printf 'two, edited on B\r\n' >"$b/Two.pv"
sync_now a && wait_for 20 site_has One.pv "$a/One.pv"
sync_now b && wait_for 20 eval 'same One.pv && site_has Two.pv "$b/Two.pv"'
sync_now a
check "both folders hold both edits" wait_for 20 all_same One.pv Two.pv
check "the site holds both edits" eval 'site_has One.pv "$a/One.pv" && site_has Two.pv "$b/Two.pv"'
# Sync Now in the window again, the password still typed: the same device syncs on.
printf 'two, edited on A\r\n' >"$a/Two.pv"
click_in "$win_a" 112 436
check "Sync Now in the window syncs again without signing in again" eval 'wait_for 20 site_has Two.pv "$a/Two.pv" &&
    [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM devices")" = 2 ]'

# (b) Both sides edit one note: both texts are kept, everywhere, as the note and one copy.
printf 'shared, as A has it\r\n' >"$work/a-text"
printf 'shared, as B has it\r\n' >"$work/b-text"
cp "$work/a-text" "$a/Shared.pv"
cp "$work/b-text" "$b/Shared.pv"
sync_now a && wait_for 20 site_has Shared.pv "$work/a-text"
sync_now b && wait_for 20 site_has Shared.pv "$work/b-text"
wait_for 20 site_count 'Shared (conflict%' 1
sync_now a && wait_for 20 eval 'test -n "$(ls "$a" | grep conflict)" && same Shared.pv'
copy=$(ls "$b" | grep conflict)
check "the conflict copy is named after the note and the time" \
    eval '[[ $copy =~ ^Shared\ \(conflict\ from\ the\ site,\ [0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}\.[0-9]{2}\)\.pv$ ]]'
check "each folder holds one copy, the same" test "$(ls "$a" | grep conflict)" = "$copy"
check "each folder holds B's text in the note and A's in the copy" \
    eval 'all_same Shared.pv "$copy" && cmp -s "$work/b-text" "$b/Shared.pv" && cmp -s "$work/a-text" "$b/$copy"'
check "the site holds the same" eval 'site_has Shared.pv "$work/b-text" && site_has "$copy" "$work/a-text"'

# (c) A deletes a note that B left alone, as the note's Delete does: into A's trash.
mkdir -p "$work/a/data/Trash/files"
mv "$a/Gone.pv" "$work/a/data/Trash/files/"
sync_now a
check "A's delete reaches the site" wait_for 20 site_count Gone.pv 0
sync_now b
check "B moves the deleted note to its trash" wait_for 20 eval \
    'test ! -e "$b/Gone.pv" && cmp -s "$work/a/data/Trash/files/Gone.pv" "$work/b/data/Trash/files/Gone.pv"'

# B syncs by itself from now on; the token it keeps in its keyring outlives the program.
tick_automatic b
kill "$(pid_of b)"
wait_for 10 eval '! kill -0 "$(pid_of b)" 2>/dev/null && test ! -S "$work/b/run/keyring/control"'

# (d) A note written on the site's edit page, in a phone-sized browser, comes to A on --sync.
check "a phone-sized browser saves a note on noteedit.asp" /usr/bin/python3 - "$port" "$work/chromium" <<'EOF'
import sys
from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait
base = f"http://127.0.0.1:{sys.argv[1]}/"
options = webdriver.ChromeOptions()
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", f"--user-data-dir={sys.argv[2]}"):
    options.add_argument(argument)
browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    browser.set_window_size(360, 740)
    browser.get(base + "account.asp")
    browser.find_element(By.ID, "email").send_keys("ann@example.org")
    browser.find_element(By.ID, "password").send_keys("correct horse")
    browser.find_element(By.NAME, "signin").click()
    WebDriverWait(browser, 15).until(lambda b: b.current_url.endswith("onlinetools.asp"))
    browser.find_element(By.LINK_TEXT, "Write a new note").click()
    browser.find_element(By.ID, "name").send_keys("Phone")
    browser.find_element(By.ID, "text").send_keys("line one\nline <two>")
    browser.find_element(By.ID, "save").click()
    WebDriverWait(browser, 15, ignored_exceptions=[StaleElementReferenceException]).until(
        lambda b: 'Saved "Phone.pv".' in b.find_element(By.TAG_NAME, "body").text)
finally:
    browser.quit()
EOF
printf 'line one\r\nline <two>\r\n' >"$work/phone-text"
sync_now a
check "the note written on a phone comes to A" wait_for 20 cmp -s "$work/phone-text" "$a/Phone.pv"
start b
check "B, started again, syncs by itself with its kept token" wait_for 30 same Phone.pv

# (e) With automatic sync on both sides, a note typed in A reaches B without a click.
tick_automatic a
on a "$program" --notes-dir "$a" --open One.pv
wait_for 10 has_window a '^One\.pv$'
note=$(window_of a '^One\.pv$')
xdotool windowraise "$note" windowfocus --sync "$note" key ctrl+End type --delay 20 ' typed in A'
check "the typed text is saved in A" wait_for 10 grep -q 'typed in A' "$a/One.pv"
check "the typed note is in B within two minutes" wait_for 120 same One.pv
# Exit at once after typing: the round before exit still takes the note.
xdotool windowfocus --sync "$note" key ctrl+End type --delay 20 ', then Exit'
wait_for 5 grep -q 'then Exit' "$a/One.pv"
click_in "$(window_of a '^Pinvelle 2\.1 - ')" 250 312 # Exit
check "A ends" wait_for 10 eval '! kill -0 "$(pid_of a)" 2>/dev/null'
check "the note typed just before Exit is on the site" site_has One.pv "$a/One.pv"
finish
