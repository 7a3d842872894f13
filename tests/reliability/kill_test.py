#!/usr/bin/env python3
"""Types into several notes of the real program and kills it with SIGKILL at random
moments. After every kill each note file must hold the text before or after some
keystroke, whole, and the settings file must parse and keep every size it confirmed.

Usage: kill_test.py PATH-TO-PINVELLE [KILLS] [SECONDS]
Runs inside a private Xvfb; needs xdotool."""

import configparser
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

NOTES = 3
NOTE_NAME = re.compile(r"^PinvelleQuill[0-9]+\.pv$")
REMINDER = "3/7/2031 2:05 PM"


def xdo(*args, timeout=5):
    try:
        return subprocess.run(["xdotool", *args], capture_output=True, text=True,
                              timeout=timeout).stdout
    except subprocess.TimeoutExpired:
        return ""


def note_windows():
    out = xdo("search", "--onlyvisible", "--name", r"^PinvelleQuill[0-9]+\.pv$")
    ids = [w for w in out.split()]
    named = {}
    for w in ids:
        name = xdo("getwindowname", w).strip()
        if NOTE_NAME.match(name):
            named[name] = w
    return named


def display_refused(work, log):
    """Whether the program that just ended could not reach the X server."""
    log.flush()
    with open(os.path.join(work, "pinvelle.log"), "rb") as f:
        f.seek(max(0, os.path.getsize(f.name) - 4096))
        tail = f.read()
    marker = b"could not connect to display"
    if marker not in tail:
        return False
    # Each refusal is judged once: the log is cut so the next start begins clean.
    open(os.path.join(work, "pinvelle.log"), "wb").close()
    return True


def read_settings(path):
    parser = configparser.RawConfigParser(strict=False, interpolation=None)
    parser.optionxform = str
    with open(path, encoding="utf-8") as f:
        parser.read_string(f.read())
    return parser


def main():
    program = sys.argv[1]
    kills_wanted = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    budget = float(sys.argv[3]) if len(sys.argv) > 3 else 240.0
    seed = int(os.environ.get("KILL_TEST_SEED", str(int(time.time()))))
    rng = random.Random(seed)
    print(f"seed {seed} (set KILL_TEST_SEED to repeat)")

    work = tempfile.mkdtemp(prefix="pinvelle-kill-")
    procs = []
    try:
        return run(program, kills_wanted, budget, rng, work, procs)
    finally:
        for p in procs:
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(work, ignore_errors=True)


def start_xvfb(rng, procs):
    # A display number of our own, far from the ones other X servers take first: several
    # servers started with -displayfd at once may settle on the same one. No reset when the
    # last client goes, as it does after every kill: a reset server refuses connections.
    for _ in range(20):
        number = rng.randint(200, 899)
        socket = f"/tmp/.X11-unix/X{number}"
        if os.path.exists(socket) or os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp", "-noreset"], stderr=subprocess.DEVNULL)
        procs.append(xvfb)
        deadline = time.monotonic() + 20
        while xvfb.poll() is None and time.monotonic() < deadline:
            if os.path.exists(socket):
                os.environ["DISPLAY"] = f":{number}"
                if subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                                  env=os.environ).returncode == 0:
                    return
            time.sleep(0.05)
        xvfb.kill()
        xvfb.wait()
    raise SystemExit("FAIL: Xvfb did not start")


def run(program, kills_wanted, budget, rng, work, procs):
    start_xvfb(random.Random(), procs)
    notes = os.path.join(work, "notes")
    config = os.path.join(work, "config")
    os.makedirs(notes)
    os.makedirs(os.path.join(config, "Pinvelle"))
    os.makedirs(os.path.join(work, "run"), mode=0o700)
    os.environ.update(XDG_CONFIG_HOME=config, XDG_DATA_HOME=os.path.join(work, "data"),
                      XDG_RUNTIME_DIR=os.path.join(work, "run"))
    os.environ.pop("QT_QPA_PLATFORM", None)
    settings_path = os.path.join(config, "Pinvelle", "Pinvelle.conf")
    with open(settings_path, "w") as f:
        # Every note opens at start; the run-at-startup question was answered before.
        f.write("[StartUpQ]\nqStrup=1\n[Startup]\nnotes=1\nminimize=1\n"
                f"[notereminder]\nPinvelleQuill1.pv={REMINDER}\n")

    # What each file must end with: typing happens at the start of the note, so a file
    # cut short loses this tail and shows.
    expected = {}
    for n in range(1, NOTES + 1):
        name = f"PinvelleQuill{n}.pv"
        text = f"tail{n}end"
        with open(os.path.join(notes, name), "wb") as f:
            f.write(text.encode() + b"\r\n")
        expected[name] = text
    confirmed_sizes = {}  # note -> size the settings file was seen to hold

    kills = checks = keystrokes = failures = sizes_checked = stale = refused = 0
    written = notes_changed = sizes_changed = 0
    started = time.monotonic()
    log = open(os.path.join(work, "pinvelle.log"), "ab")
    while kills < kills_wanted and time.monotonic() - started < budget:
        proc = subprocess.Popen([program, "--notes-dir", notes], stdout=log, stderr=log)
        procs.append(proc)
        killed = threading.Event()

        def kill(p=proc, ev=killed):
            ev.set()
            if p.poll() is None:
                p.send_signal(signal.SIGKILL)

        timer = None
        if rng.random() < 0.1:  # now and then during start-up
            timer = threading.Timer(rng.uniform(0, 0.4), kill)
            timer.start()
        windows = {}
        deadline = time.monotonic() + 15
        while not killed.is_set() and time.monotonic() < deadline and proc.poll() is None:
            windows = note_windows()
            if len(windows) >= NOTES:
                break
            time.sleep(0.05)
        if not killed.is_set() and proc.poll() is not None and display_refused(work, log):
            # The X server turned the connection away (it happens now and then to a busy
            # Xvfb); no note was touched, so start again without counting a kill.
            refused += 1
            if timer is not None:
                timer.cancel()
            if refused > max(5, kills_wanted // 10):
                print(f"FAIL: the X server refused {refused} starts")
                failures += 1
                break
            continue
        if not killed.is_set() and len(windows) < NOTES:
            print(f"FAIL: only {len(windows)} note windows appeared; the program "
                  f"{'runs' if proc.poll() is None else f'ended with {proc.poll()}'}; "
                  f"runtime folder: {os.listdir(os.path.join(work, 'run'))}")
            failures += 1
            log.flush()
            with open(os.path.join(work, "pinvelle.log"), "rb") as f:
                print(f.read()[-2000:].decode("utf-8", "replace"))
            if proc.poll() is None and shutil.which("gdb"):  # what the program waits for
                print(subprocess.run(["gdb", "-p", str(proc.pid), "-batch", "-ex",
                                      "thread apply all bt 15"], capture_output=True, text=True,
                                     timeout=60).stdout[-6000:], flush=True)
            kill()
        if timer is None:
            timer = threading.Timer(rng.uniform(0.0, 0.6), kill)
            timer.start()
        resized = set()
        typed = {}
        order = list(windows.items())
        rng.shuffle(order)
        for name, wid in order:
            if killed.is_set():
                break
            if rng.random() < 0.3:
                w, h = rng.randint(160, 400), rng.randint(120, 300)
                xdo("windowsize", wid, str(w), str(h))
                resized.add(name)
            xdo("windowfocus", "--sync", wid, timeout=2)
            xdo("key", "--clearmodifiers", "ctrl+Home")
            word = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(3, 12)))
            xdo("type", "--delay", "4", word)
            typed[name] = word
            keystrokes += len(word)
        timer.join()
        proc.wait()
        kills += 1

        # Each note: some prefix of what was typed into it this round, then the old text.
        for name, before in list(expected.items()):
            path = os.path.join(notes, name)
            checks += 1
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError as e:
                print(f"FAIL: kill {kills}: {name} unreadable: {e}")
                failures += 1
                continue
            text = data.decode("latin-1")
            body = text[:-2]
            if not text.endswith("\r\n") or not body.endswith(before) or \
                    not typed.get(name, "").startswith(body[: len(body) - len(before)]):
                print(f"FAIL: kill {kills}: {name} holds {data[:80]!r}..., "
                      f"expected a start of {typed.get(name, '')!r} then {before[:40]!r}")
                failures += 1
                continue
            written += len(body) - len(before)
            if body != before:
                notes_changed += 1
            expected[name] = body
        try:
            parsed = read_settings(settings_path)
            for name, size in confirmed_sizes.items():
                sizes_checked += 1
                now = parsed.get("notesize", name, fallback=None)
                if now != size and not (name in resized and now and re.fullmatch(r"\d+-\d+", now)):
                    print(f"FAIL: kill {kills}: size of {name} is {now!r}, was {size!r}")
                    failures += 1
            if parsed.get("StartUpQ", "qStrup", fallback=None) != "1" or \
                    parsed.get("notereminder", "PinvelleQuill1.pv", fallback=None) != REMINDER:
                print(f"FAIL: kill {kills}: the settings lost an entry written before")
                failures += 1
            for name in resized:
                now = parsed.get("notesize", name, fallback=None)
                if now:
                    sizes_changed += now != confirmed_sizes.get(name)
                    confirmed_sizes[name] = now
        except (OSError, configparser.Error, UnicodeDecodeError) as e:
            print(f"FAIL: kill {kills}: settings do not parse: {e}")
            failures += 1
        # Half-written copies a kill left behind; the program lists only whole note files,
        # so they are litter, not lost notes.
        stale = sum(1 for f in os.listdir(notes) if not NOTE_NAME.match(f))

    elapsed = time.monotonic() - started
    print(f"{kills} kills in {elapsed:.0f} s, {keystrokes} keystrokes sent, "
          f"{checks} note files checked, {sizes_checked} stored sizes checked, "
          f"{stale} stray files left in the notes folder, {refused} starts refused by "
          f"the X server, {failures} failures")
    print(f"{written} typed characters reached the files, {notes_changed} note files "
          f"changed between kills, {sizes_changed} sizes stored")
    # A driver that never reached the notes would make every check above pass.
    if written == 0 or sizes_changed == 0:
        print("FAIL: the typing or the resizing never reached the files")
        failures += 1
    if kills < kills_wanted:
        print(f"FAIL: only {kills} kills of {kills_wanted} within {budget:.0f} s")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
