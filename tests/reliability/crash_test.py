#!/usr/bin/env python3
"""Power cuts under the real program. Records every file-system call the program makes
while a user types, saves a note under another name, deletes one, changes an option and
the daily backup runs; builds every disk state a power cut could leave (crash_model.py);
checks each; starts the program on a few of them; and shows that the same checker catches
a writer that rewrites a note in place without syncing it, and passes one that syncs.

Usage: crash_test.py PATH-TO-PINVELLE
Runs inside a private Xvfb; needs strace and xdotool."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
from datetime import date

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import crash_model  # noqa: E402
from kill_test import xdo  # noqa: E402

STRACE = ["strace", "-f", "-y", "-xx", "-tt", "-s", "1048576", "-e",
          "trace=%file,%desc,fsync,fdatasync,sync_file_range,syncfs"]
NOTES = {"PinvelleQuill1.pv": b"typed into\r\n", "PinvelleQuill2.pv": b"saved as\r\n",
         "PinvelleQuill3.pv": b"to be deleted\r\n"}
SETTINGS = b"[StartUpQ]\nqStrup=1\n[Startup]\nnotes=1\n"
MAIN_TITLE = r"^Pinvelle 2\.1 - "


def snapshot(roots):
    """Every folder and file under the roots, with the files' bytes."""
    dirs, files = set(), {}
    for root in roots:
        for folder, _, names in os.walk(root):
            dirs.add(folder)
            for name in names:
                with open(os.path.join(folder, name), "rb") as f:
                    files[os.path.join(folder, name)] = f.read()
    return dirs, files


def wait_for(what, condition, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.05)
    raise SystemExit(f"FAIL: timed out waiting for {what}")


def start_xvfb(work, procs):
    with open(os.path.join(work, "display"), "w") as display:
        procs.append(subprocess.Popen(
            ["Xvfb", "-displayfd", str(display.fileno()), "-screen", "0", "1280x1024x24",
             "-dpi", "96", "-nolisten", "tcp", "-noreset"], pass_fds=[display.fileno()],
            stderr=subprocess.DEVNULL))
    number = wait_for("Xvfb", lambda: open(os.path.join(work, "display")).read().strip(), 20)
    os.environ["DISPLAY"] = ":" + number
    os.environ.pop("QT_QPA_PLATFORM", None)


def window(title):
    ids = xdo("search", "--onlyvisible", "--name", title).split()
    return ids[0] if ids else None


def geometry(wid):
    values = dict(line.split("=") for line in xdo("getwindowgeometry", "--shell", wid).split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def click(wid, dx, dy, button="1"):
    """Clicks inside a window, dx/dy from its top left; negative means its middle."""
    x, y, w, h = geometry(wid)
    xdo("windowraise", wid)
    xdo("mousemove", str(x + (dx if dx >= 0 else w // 2)), str(y + (dy if dy >= 0 else h // 2)))
    xdo("windowfocus", "--sync", wid, timeout=3)
    xdo("click", button)


def boxes():
    """Message boxes: the program's windows titled with its name alone."""
    return xdo("search", "--onlyvisible", "--name", "^Pinvelle$").split()


def visible():
    return set(xdo("search", "--onlyvisible", "--name", "").split())


def menu_item(title, downs, at):
    """Picks an item of a note's menu with the keyboard, counted from the top. Each note is
    clicked at its own spot: a right click where the last one was, within the double-click
    time, is a double click and opens no menu. The menu is the window that comes up, as
    xdotool does not find it by its name."""
    shown = visible()
    click(window(title), *at, "3")
    menu = wait_for("the note's menu", lambda: next(iter(visible() - shown), None))
    xdo("key", *["Down"] * downs, "Return")
    wait_for("the menu closed", lambda: menu not in visible())


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def make_home(top):
    """A notes folder, settings and data folders, as the program's user has them."""
    roots = {k: os.path.join(top, k) for k in ("notes", "config", "data", "run")}
    for name, text in NOTES.items():
        os.makedirs(roots["notes"], exist_ok=True)
        with open(os.path.join(roots["notes"], name), "wb") as f:
            f.write(text)
    os.makedirs(os.path.join(roots["config"], "Pinvelle"))
    with open(os.path.join(roots["config"], "Pinvelle", "Pinvelle.conf"), "wb") as f:
        f.write(SETTINGS)
    os.makedirs(roots["data"])
    os.makedirs(roots["run"], mode=0o700)
    return roots


def environment(roots):
    return dict(os.environ, XDG_CONFIG_HOME=roots["config"], XDG_DATA_HOME=roots["data"],
                XDG_RUNTIME_DIR=roots["run"])


def exit_program(proc):
    main = wait_for("the main window", lambda: window(MAIN_TITLE))
    xdo("windowraise", main)
    xdo("windowfocus", "--sync", main, timeout=3)
    xdo("key", "alt+x")
    try:
        proc.wait(timeout=20)
    except subprocess.TimeoutExpired:
        proc.kill()
        raise SystemExit("FAIL: the program did not end after Exit")


def pause():
    """The user stops a while: all written before must then survive a power cut. It costs
    no time, as the backup comes only a minute after the start."""
    time.sleep(crash_model.SETTLE_SECONDS + 1)


def record(program, top, log):
    """Runs the program under strace through what a user does in a day."""
    roots = make_home(top)
    initial = snapshot([roots["notes"], roots["config"], roots["data"]])
    trace = os.path.join(top, "trace")
    notes = roots["notes"]
    proc = subprocess.Popen(STRACE + ["-o", trace, program, "--notes-dir", notes],
                            env=environment(roots), stdout=log, stderr=log)
    try:
        notes_open = lambda: all(window("^" + n.replace(".", r"\.") + "$") for n in NOTES)
        wait_for("the note windows", notes_open, 30)
        started = time.monotonic()

        # Typing: every keystroke is saved.
        click(window(r"^PinvelleQuill1\.pv$"), -1, -1)
        xdo("key", "ctrl+End")
        xdo("type", "--delay", "30", " more words")
        typed = b"typed into more words\r\n"
        wait_for("the typed text on disk",
                 lambda: read(os.path.join(notes, "PinvelleQuill1.pv")) == typed)
        pause()

        # Save As, from the note's menu, under a new name.
        menu_item(r"^PinvelleQuill2\.pv$", 3, (60, 60))
        xdo("key", "ctrl+a")
        xdo("type", "--delay", "20", "Renamed.pv")
        xdo("key", "Return")
        wait_for("the note under its new name", lambda: read(os.path.join(notes, "Renamed.pv")))
        pause()

        # Delete, from the menu, confirmed.
        menu_item(r"^PinvelleQuill3\.pv$", 1, (180, 120))
        question = wait_for("the question", lambda: boxes() and boxes()[0])
        xdo("windowfocus", "--sync", question, timeout=3)
        xdo("key", "alt+y")
        trashed = os.path.join(roots["data"], "Trash", "files", "PinvelleQuill3.pv")
        wait_for("the deleted note in the trash", lambda: os.path.exists(trashed))
        # Without a tray, a box says where the note went; it holds the other windows.
        box = wait_for("the box naming the trash", lambda: boxes() and boxes()[0])
        xdo("windowfocus", "--sync", box, timeout=3)
        xdo("key", "Return")
        wait_for("the box closed", lambda: not boxes())
        pause()

        # The daily backup runs a minute after the start.
        backup = os.path.join(roots["data"], "Pinvelle", "backups", date.today().isoformat())
        wait_for("the daily backup", lambda: os.path.isdir(backup),
                 90 - (time.monotonic() - started))
        # Last, an option: "All Notes Stay On Top" in the main window's options. Nothing
        # syncs a folder after it, so it shows whether the settings alone reach the disk.
        settings = os.path.join(roots["config"], "Pinvelle", "Pinvelle.conf")
        main = wait_for("the main window", lambda: window(MAIN_TITLE))
        click(main, 96, 284)  # Options
        wait_for("the options shown", lambda: geometry(main)[3] > 450)
        click(main, 222, 424)  # All Notes Stay On Top
        wait_for("the option stored", lambda: b"notesontop=1" in (read(settings) or b""))

        exit_program(proc)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    return roots, initial, trace


def layout(roots):
    return {"notes": roots["notes"], "trash": os.path.join(roots["data"], "Trash"),
            "settings": os.path.join(roots["config"], "Pinvelle", "Pinvelle.conf"),
            "backups": os.path.join(roots["data"], "Pinvelle", "backups")}


def simulate(roots, initial, trace):
    """Every crash state of the recorded run, checked: (run, outcome -> [(state, files)])."""
    folders = [roots["notes"], roots["config"], roots["data"]]
    run = crash_model.Run(folders, initial).run(trace)
    # The model must end where the disk did, or it missed a call.
    dirs, files = snapshot(folders)
    if files != run.final() or dirs != run.dirs:
        raise crash_model.Unmodelled(
            f"the model ends apart from the disk: files {sorted(set(files) ^ set(run.final()))} "
            f"folders {sorted(dirs ^ run.dirs)}, bytes of "
            f"{[p for p in files if files[p] != run.final().get(p)]}")
    outcomes = {}
    for description, files, dirs, settled in run.states():
        problems, leftovers = crash_model.check(files, settled, run, layout(roots))
        outcome = ("BAD: " + "; ".join(problems) if problems else
                   "ok, a newer text only in a leftover " +
                   ", ".join(sorted({n[:-6] + "XXXXXX" for n in leftovers})) if leftovers else "ok")
        outcomes.setdefault(outcome, []).append((description, files, dirs))
    return run, outcomes


def newest_texts(run, roots, files):
    """The texts a program started on a state must keep: each note's newest whole text,
    whether in the note or in a leftover of its save, and every trashed note."""
    trash = os.path.join(roots["data"], "Trash", "files")
    newest = {}
    for path, content in files.items():
        folder, name = os.path.split(path)
        note = crash_model.LEFTOVER.sub(r"\1", name)
        if folder == roots["notes"] and content.endswith(b"\r\n") and content in run.versions[path]:
            if note not in newest or run.order[content] > run.order[newest[note]]:
                newest[note] = content
        elif folder == trash:
            newest[path] = content
    return set(newest.values())


def restart_on(program, run, roots, files, dirs, top, log):
    """Starts the program on a materialised state and ends it; the texts it no longer holds."""
    mine = {k: os.path.join(top, k) for k in roots}
    moved = lambda p: os.path.join(top, os.path.relpath(p, os.path.dirname(roots["notes"])))
    for d in sorted(dirs):
        os.makedirs(moved(d), exist_ok=True)
    os.makedirs(mine["run"], mode=0o700, exist_ok=True)
    hour_ago = time.time() - 3600  # the machine comes back some time after the power cut
    for path, content in files.items():
        os.makedirs(os.path.dirname(moved(path)), exist_ok=True)
        with open(moved(path), "wb") as f:
            f.write(content)
        os.utime(moved(path), (hour_ago, hour_ago))
    before = newest_texts(run, roots, files)
    proc = subprocess.Popen([program, "--notes-dir", mine["notes"]], env=environment(mine),
                            stdout=log, stderr=log)
    try:
        exit_program(proc)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    after = set()
    backups = os.path.join(mine["data"], "Pinvelle", "backups")
    for folder in (mine["notes"], mine["data"]):
        for where, _, names in os.walk(folder):
            if not where.startswith(backups):  # copies there would hide a lost note
                after |= {read(os.path.join(where, n)) for n in names}
    return before - after


# Two writers recorded like the program, for the checker: one rewrites a note in place
# without a sync and must be caught; one syncs every file and folder it changes and must pass.
UNSAFE_WRITER = \
    "import sys; open(sys.argv[1] + '/PinvelleQuill1.pv', 'wb').write(b'rewritten\\r\\n')"
SAFE_WRITER = """
import os, sys
notes, config, data = sys.argv[1:]
def sync(folder):
    fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    os.fsync(fd)
    os.close(fd)
def write(path, text):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
    os.write(fd, text)
    os.fsync(fd)
    os.close(fd)
def save(path, text):
    write(path + '.Ab12Cd', text)
    os.rename(path + '.Ab12Cd', path)
    sync(os.path.dirname(path))
save(notes + '/PinvelleQuill1.pv', b'typed into more\\r\\n')
save(config + '/Pinvelle/Pinvelle.conf', b'[Startup]\\nnotesontop=1\\n')
trash = data + '/Trash'
for folder in (trash, trash + '/files', trash + '/info'):
    os.mkdir(folder)
write(trash + '/info/PinvelleQuill3.pv.trashinfo', b'[Trash Info]\\nPath=' + notes.encode() +
      b'/PinvelleQuill3.pv\\nDeletionDate=2031-03-07T14:05:00\\n')
sync(trash + '/info')
os.rename(notes + '/PinvelleQuill3.pv', trash + '/files/PinvelleQuill3.pv')
sync(trash + '/files')
sync(notes)
"""


def control(top, script):
    roots = make_home(top)
    initial = snapshot([roots["notes"], roots["config"], roots["data"]])
    trace = os.path.join(top, "trace")
    subprocess.run(STRACE + ["-o", trace, sys.executable, "-c", script, roots["notes"],
                             roots["config"], roots["data"]], check=True)
    return simulate(roots, initial, trace)[1]


def main():
    program = os.path.abspath(sys.argv[1])
    for tool in ("strace", "xdotool", "Xvfb"):
        if not shutil.which(tool):
            print(f"missing {tool} (see scripts/packages.txt)")
            return 1
    work = tempfile.mkdtemp(prefix="pinvelle-crash-")
    procs = []
    begun = time.monotonic()
    failures = 0
    try:
        start_xvfb(work, procs)
        with open(os.path.join(work, "pinvelle.log"), "ab") as log:
            roots, initial, trace = record(program, os.path.join(work, "run"), log)
            recorded = time.monotonic() - begun
            run, outcomes = simulate(roots, initial, trace)
            states = sum(len(v) for v in outcomes.values())
            print(f"recorded in {recorded:.0f} s: {sum(run.counts.values())} operations on "
                  f"the notes, settings and data folders ({dict(sorted(run.counts.items()))})")
            print(f"{states} distinct crash states from {len(run.points)} crash points")
            for outcome, found in sorted(outcomes.items()):
                print(f"  {len(found):5d}  {outcome}")
                if outcome.startswith("BAD"):
                    failures += len(found)
                    print(f"         first: {found[0][0]}")

            # The program started on a few states: what each held must still be held. The
            # first with a leftover of a save, one in the middle of the backup, then the first
            # of each kind of fault.
            firsts = [(o, found[0]) for o, found in sorted(outcomes.items()) if o != "ok"]
            partial = [s for s in outcomes.get("ok", [])
                       if any(d.endswith(".partial") for d in s[2])]
            chosen = [s for o, s in firsts if "leftover" in o] + partial[:1] + \
                [s for o, s in firsts if "leftover" not in o]
            for n, (description, files, dirs) in enumerate(chosen[:5]):
                lost = restart_on(program, run, roots, files, dirs,
                                  os.path.join(work, f"restart{n}"), log)
                print(f"started on {description}: " +
                      (f"FAIL, texts gone: {sorted(lost)}" if lost else "every text kept"))
                failures += bool(lost)

        # The same checker on a writer known to be unsafe must find torn or lost notes, and
        # on one that syncs what it should, nothing.
        unsafe = control(os.path.join(work, "unsafe"), UNSAFE_WRITER)
        flagged = sum(len(v) for k, v in unsafe.items() if "torn" in k or " lost" in k)
        print(f"control, a note rewritten in place without a sync: {flagged} of "
              f"{sum(len(v) for v in unsafe.values())} states flagged "
              f"({'; '.join(k for k in unsafe if k.startswith('BAD'))})")
        safe = control(os.path.join(work, "safe"), SAFE_WRITER)
        wrong = [k for k in safe if k.startswith("BAD")]
        print(f"control, a writer that syncs every file and folder: "
              f"{sum(len(v) for v in safe.values())} states, {len(wrong)} kinds flagged {wrong}")
        if not flagged or wrong:
            print("FAIL: the checker misjudged a control writer")
            failures += 1
        print(f"{failures} failures in {time.monotonic() - begun:.0f} s")
        return 1 if failures else 0
    except crash_model.Unmodelled as e:
        print(f"FAIL: the trace holds a call the model does not follow: {e}")
        return 1
    finally:
        for p in procs:
            p.kill()
            p.wait()
        if os.environ.get("CRASH_TEST_KEEP"):
            print(f"kept {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
