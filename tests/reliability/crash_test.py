#!/usr/bin/env python3
"""Power cuts under the real program, run as crash_test.py PATH-TO-PINVELLE (with strace,
xdotool and Xvfb). Its file-system calls, recorded while a user types, saves as, deletes, sets
an option and the daily backup runs, are replayed on ext4 (data=ordered, no auto_da_alloc):
folder operations reach the disk in order, so a crash keeps a prefix of them, and at least
those made before an fsync of a folder they touched; a file's bytes since its last fsync may
be lost (all files' or one file's; not every combination, nor a write cut short); what the
program wrote before it left our files alone for SETTLE seconds, or ended, must survive.
Every such state is checked, the program is started on a few, and two control writers show
the checker flags a note rewritten in place and passes a writer that syncs everything."""

import configparser
import contextlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from collections import Counter, defaultdict
from datetime import date
from pathlib import Path
from urllib.parse import unquote

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kill_test import xdo  # noqa: E402

STRACE = ["strace", "-f", "-y", "-xx", "-tt", "-s", "1048576", "-e",
          "trace=%file,%desc,fsync,fdatasync,sync_file_range,syncfs"]
LINE = re.compile(r"^(\d+)\s+(\d+):(\d+):([\d.]+)\s+(.*)$")
CALL = re.compile(r"^(\w+)\((.*)\)\s+=\s+(\d+)")
PROC_FD = re.compile(r"^/proc/(?:self|\d+)/fd/(\d+)$")
LEFTOVER = re.compile(r"^(.+\.pv)\.[A-Za-z0-9]{6}$", re.IGNORECASE)
PATH_CALLS = {"openat", "linkat", "rename", "renameat2", "unlink", "mkdir"}
# Calls that would change our files in a way the model does not follow.
UNMODELLED = set("open creat link symlink symlinkat mknod mknodat rmdir unlinkat renameat "
                 "truncate ftruncate fallocate pwrite64 writev pwritev pwritev2 sendfile "
                 "sendfile64 copy_file_range splice syncfs".split())
SETTLE = 3.0  # quiet on our files this long, the program has finished what it was writing
NOTES = {"PinvelleQuill1.pv": b"typed into\r\n", "PinvelleQuill2.pv": b"saved as\r\n",
         "PinvelleQuill3.pv": b"to be deleted\r\n"}
SETTINGS = b"[StartUpQ]\nqStrup=1\n[Startup]\nnotes=1\n"
MAIN_TITLE = r"^Pinvelle 2\.1 - "

unhex = lambda s: bytes.fromhex(s.replace("\\x", ""))
under = lambda path, folder: path == folder or path.startswith(folder + "/")
fd_of = lambda arg: int(arg.split("<")[0]) if arg.split("<")[0].isdigit() else None
read = lambda path: Path(path).read_bytes() if os.path.isfile(path) else None
window = lambda title: (xdo("search", "--onlyvisible", "--name", title).split() or [None])[0]
# X, Y, width and height of a window.
geometry = lambda wid: [int(v[v.index("=") + 1:]) for v in xdo(
    "getwindowgeometry", "--shell", wid).split()[1:5]]


def apply(op, names, dirs):
    """One folder operation on a name table (path -> file number) and a set of folders."""
    kind, a, b = op
    if kind == "rename":  # of a file, or of a folder with everything below it
        move = lambda p: b + p[len(a):] if under(p, a) else p
        return {move(p): n for p, n in names.items() if not under(p, b)}, {move(p) for p in dirs}
    if kind == "mkdir":
        return names, dirs | {a}
    return {**names, a: b} if kind != "unlink" else \
        {p: n for p, n in names.items() if p != a}, dirs


class Model:
    """The recorded run replayed: its folder operations, crash points and the texts each
    path held whole (when closed, or when a folder operation put them there)."""

    def __init__(self, roots, initial, trace):
        self.roots, (dirs, files) = roots, initial
        self.ours = lambda path: any(under(path, r) for r in roots)
        self.hexroots = ["".join(f"\\x{c:02x}" for c in os.fsencode(r)) for r in roots]
        self.dirs, self.names = set(dirs), {p: n for n, p in enumerate(sorted(files))}
        self.data = {n: files[p] for p, n in self.names.items()}
        self.synced = dict(self.data)  # what a crash keeps at least
        self.start = (dict(self.names), frozenset(self.dirs))
        self.versions, self.order = defaultdict(set), {}  # order: when a text was first whole
        for path, content in files.items():
            self.remember(path, content)
        self.log, self.kept, self.points, self.fds, self.counts = [], 0, [], {}, Counter()
        pending, last_change = {}, None
        with open(trace, encoding="latin-1") as f:
            for line in f:
                m = LINE.match(line.rstrip("\n"))
                if not m:
                    continue
                tid, rest = m.group(1), m.group(5)
                if rest.endswith("<unfinished ...>"):  # another thread's call comes between
                    pending[tid] = rest[: -len("<unfinished ...>")].rstrip()
                    continue
                resumed = re.match(r"^<\.\.\. \w+ resumed>(.*)$", rest)
                c = CALL.match(pending.pop(tid, "") + resumed.group(1) if resumed else rest)
                if not c:  # a failed call, a signal, an exit
                    continue
                seconds = int(m.group(2)) * 3600 + int(m.group(3)) * 60 + float(m.group(4))
                if last_change is not None and seconds - last_change > SETTLE:
                    self.point(settled=True)
                    last_change = None
                if c.group(1) in UNMODELLED and any(h in c.group(2) for h in self.hexroots):
                    raise SystemExit(f"FAIL: the model does not follow {c.group(1)} on our files")
                changes = sum(self.counts.values())
                self.call(c.group(1), c.group(2).split(", "), int(c.group(3)))
                if sum(self.counts.values()) != changes:
                    last_change = seconds
        self.point(settled=True)

    def remember(self, path, content):
        self.versions[path].add(content)
        self.order.setdefault(content, len(self.order))

    def final(self):
        return {path: self.data[ino] for path, ino in self.names.items()}

    def point(self, settled=False):
        """A moment a crash may strike; settled, all written so far must be on disk."""
        self.points.append((len(self.log), self.kept, dict(self.data), dict(self.synced),
                            self.final() if settled else None))

    def folder_op(self, kind, a, b=None):
        self.point()
        self.counts[kind] += 1
        paths = [p for p in (a, b) if isinstance(p, str)]
        self.log.append(((kind, a, b), {os.path.dirname(p) for p in paths}))
        self.names, self.dirs = apply((kind, a, b), self.names, self.dirs)
        for q, ino in self.names.items():
            if any(under(q, p) for p in paths):
                self.remember(q, self.data[ino])

    def call(self, name, args, result):
        """One call on our files, of the kinds the program and the control writers make."""
        entry = self.fds.get(fd_of(args[0]))
        # The program names its files by full paths; a relative one is not followed.
        paths = [os.path.normpath(os.fsdecode(unhex(a[1:-1]))) for a in args
                 if a.startswith('"') and name in PATH_CALLS]
        if name == "openat":
            path, flags = paths[0], args[2]
            self.fds.pop(result, None)
            if not self.ours(path):
                return
            entry = self.fds[result] = {"ino": None, "dir": None, "off": 0}
            if "O_TMPFILE" in flags or "O_CREAT" in flags and path not in self.names:
                ino = entry["ino"] = len(self.data)
                self.data[ino] = self.synced[ino] = b""
                if "O_TMPFILE" in flags:
                    self.counts["tmpfile"] += 1
                else:
                    self.folder_op("create", path, ino)
            elif "O_DIRECTORY" in flags or path in self.dirs:
                entry["dir"] = path
            else:
                entry["ino"] = self.names[path]  # not there: the model has missed a call
                if "O_TRUNC" in flags and "O_RDONLY" not in flags:  # metadata, so kept
                    self.point()
                    self.counts["truncate"] += 1
                    self.data[entry["ino"]] = self.synced[entry["ino"]] = b""
        elif name == "close" and entry:
            del self.fds[fd_of(args[0])]
            for path, ino in self.names.items():
                if ino == entry["ino"]:
                    self.remember(path, self.data[ino])
        elif name == "lseek" and entry:
            entry["off"] = result
        elif name == "write" and entry:
            ino, at, old = entry["ino"], entry["off"], self.data[entry["ino"]]
            self.counts["write"] += 1
            self.data[ino] = old[:at].ljust(at, b"\0") + unhex(args[1][1:-1]) + old[at + result:]
            entry["off"] = at + result
        elif name in ("fsync", "fdatasync") and entry:
            self.point()
            self.counts["fsync"] += 1
            if entry["ino"] is not None:
                self.synced[entry["ino"]] = self.data[entry["ino"]]
            else:  # a folder: every operation on it so far is certain
                self.kept = max([self.kept] + [i + 1 for i, (_, dirs) in enumerate(self.log)
                                               if entry["dir"] in dirs])
        elif name == "linkat" and self.ours(paths[1]):
            via_fd = PROC_FD.match(paths[0])  # how a file made with O_TMPFILE gets its name
            self.folder_op("link", paths[1], self.fds[int(via_fd.group(1))]["ino"]
                           if via_fd else self.names[paths[0]])
        elif name in ("rename", "renameat2") and any(map(self.ours, paths)):
            if "RENAME_EXCHANGE" in args[-1] or not all(map(self.ours, paths)):
                raise SystemExit(f"FAIL: the model does not follow {name} {paths} {args[-1]}")
            self.folder_op("rename", *paths)
        elif name in ("unlink", "mkdir") and self.ours(paths[0]):
            self.folder_op(name, paths[0])

    def states(self):
        """(description, files, folders, files as left if settled) of each distinct state."""
        prefixes = [self.start]
        for op, _ in self.log:
            prefixes.append(apply(op, *prefixes[-1]))
        short = lambda p: os.path.relpath(p, os.path.dirname(self.roots[0]))
        seen = set()
        for at, (made, kept, data, synced, settled) in enumerate(self.points):
            when = ("after the program ended" if at == len(self.points) - 1 else
                    f"at point {at}, the program settled" if settled else f"at point {at}")
            for j in range(kept, made + 1):
                names, dirs = prefixes[j][0], frozenset(prefixes[j][1])
                unsynced = {ino for ino in names.values() if data[ino] != synced[ino]}
                kind, a, b = self.log[j - 1][0] if j else ("none", None, None)
                last = " ".join([kind] + [short(p) for p in (a, b) if isinstance(p, str)])
                # Identical states are checked once, so these choices may repeat one another.
                for label, lost in [("all data written", set()), ("unsynced data lost", unsynced)] \
                        + [(f"unsynced data of {short(path)} lost", {ino})
                           for path, ino in sorted(names.items()) if ino in unsynced]:
                    files = {p: synced[i] if i in lost else data[i] for p, i in names.items()}
                    key = (frozenset(files.items()), dirs, at if settled else None)
                    if key not in seen:
                        seen.add(key)
                        yield (f"{when}: {j} of {made} folder operations kept (the last: "
                               f"{last}); {label}", files, dirs, settled)


def check(files, settled, model, home):
    """What is wrong with one state; and the leftovers that hold a newer whole text."""
    problems, leftovers, held = [], [], {}
    notes, trash, settings = home["notes"], home["trash"], home["settings"]
    is_note = lambda p: os.path.dirname(p) == notes and p.lower().endswith(".pv")
    if settled:  # all the program wrote before it settled must survive the crash
        kept = lambda p: is_note(p) or under(p, trash) or under(p, home["backups"]) or p == settings
        for path in sorted({p for p in list(files) + list(settled) if kept(p)}):
            if files.get(path) != settled.get(path):
                problems.append(f"{os.path.relpath(path, os.path.dirname(notes))} is not as "
                                "the program left it")
    whole = lambda path, content: content and content in model.versions[path]
    for path, content in sorted(files.items()):
        folder, name = os.path.split(path)
        if is_note(path):
            held[name] = content
            if not whole(path, content):
                problems.append(f"{name} torn or empty ({content[:24]!r})")
        elif folder == notes and LEFTOVER.match(name):
            if whole(path, content) and files.get(LEFTOVER.sub(r"\1", path)) != content:
                leftovers.append(name)
        elif folder == os.path.join(trash, "files"):
            held.setdefault(name, content)
            if not whole(path, content):
                problems.append(f"trashed {name} torn or empty")
            info = files.get(os.path.join(trash, "info", name + ".trashinfo"), b"")
            lines = info.decode("utf-8", "replace").splitlines()
            named = [unquote(line[5:]) for line in lines if line.startswith("Path=")]
            if lines[:1] != ["[Trash Info]"] or [os.path.basename(p) for p in named] != [name] \
                    or not any(line.startswith("DeletionDate=") for line in lines):
                problems.append(f"trashed {name} has no whole .trashinfo naming it ({info[:24]!r})")
        elif os.path.dirname(folder) == home["backups"]:  # a finished backup, not one .partial
            day = os.path.basename(folder)
            if re.fullmatch(r"[\d-]+", day) and not whole(path, content):
                problems.append(f"backup copy {day}/{name} torn or empty")
    problems += [f"{os.path.basename(p)} lost" for p in model.start[0]
                 if is_note(p) and os.path.basename(p) not in held]
    try:
        if not whole(settings, files.get(settings)):
            problems.append(f"settings gone or torn ({files.get(settings, b'')[:24]!r})")
        else:
            configparser.RawConfigParser(strict=False, interpolation=None).read_string(
                files[settings].decode("utf-8"))
    except (configparser.Error, UnicodeDecodeError) as e:
        problems.append(f"settings do not parse: {e}")
    return problems, leftovers


def layout(top):
    """Where the program keeps its things, for a user whose folders are under top."""
    home = {k: os.path.join(top, k) for k in ("notes", "config", "data", "run")}
    return dict(home, roots=[home["notes"], home["config"], home["data"]],
                trash=os.path.join(home["data"], "Trash"),
                backups=os.path.join(home["data"], "Pinvelle", "backups"),
                settings=os.path.join(home["config"], "Pinvelle", "Pinvelle.conf"))


def make_home(top, files=None, dirs=(), mtime=None):
    """The user's folders under top, holding the given files, or three notes and the settings
    as the user has them before the day starts; where the program keeps what."""
    home = layout(top)
    if files is None:
        files = {os.path.join(home["notes"], n): t for n, t in NOTES.items()}
        files[home["settings"]], dirs = SETTINGS, [home["data"]]
    os.makedirs(home["run"], mode=0o700)
    for path in sorted(dirs) + [os.path.dirname(p) for p in files]:
        os.makedirs(path, exist_ok=True)
    for path, content in files.items():
        with open(path, "wb") as f:
            f.write(content)
        os.utime(path, mtime and (mtime, mtime))
    return home


def snapshot(roots):
    """Every folder and file under the roots, with the files' bytes."""
    dirs, files = set(), {}
    for root in roots:
        for folder, _, names in os.walk(root):
            dirs.add(folder)
            files.update({os.path.join(folder, n): read(os.path.join(folder, n)) for n in names})
    return dirs, files


def wait_for(what, condition, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.05)
    raise SystemExit(f"FAIL: timed out waiting for {what}")


def click(wid, dx, dy, button="1"):
    """Clicks inside a window, dx/dy from its top left; negative means its middle."""
    x, y, w, h = geometry(wid)
    xdo("windowraise", wid)
    xdo("mousemove", str(x + (dx if dx >= 0 else w // 2)), str(y + (dy if dy >= 0 else h // 2)))
    xdo("windowfocus", "--sync", wid, timeout=3)
    xdo("click", button)


def answer_box(key):
    """Answers the program's message box, the window titled with its name alone."""
    box = wait_for("a message box", lambda: window("^Pinvelle$"))
    xdo("windowfocus", "--sync", box, timeout=3)
    xdo("key", key)
    wait_for("the box closed", lambda: window("^Pinvelle$") != box)


def menu_item(title, downs, at):
    """Picks an item of a note's menu, counted from the top. Each note is clicked at its own
    spot: a second right click at the same spot is a double click and opens no menu. The
    menu is the window that comes up, as xdotool does not find it by its name."""
    visible = lambda: set(xdo("search", "--onlyvisible", "--name", "").split())
    shown = visible()
    click(window(title), *at, "3")
    menu = wait_for("the note's menu", lambda: next(iter(visible() - shown), None))
    xdo("key", *["Down"] * downs, "Return")
    wait_for("the menu closed", lambda: menu not in visible())


@contextlib.contextmanager
def running(program, home, log, strace=()):
    """The program on a home; ended from its main window when the block is done."""
    env = dict(os.environ, XDG_CONFIG_HOME=home["config"], XDG_DATA_HOME=home["data"],
               XDG_RUNTIME_DIR=home["run"])
    proc = subprocess.Popen([*strace, program, "--notes-dir", home["notes"]], env=env,
                            stdout=log, stderr=log)
    try:
        yield
        main = wait_for("the main window", lambda: window(MAIN_TITLE))
        xdo("windowraise", main)
        xdo("windowfocus", "--sync", main, timeout=3)
        xdo("key", "alt+x")
        wait_for("the program to end after Exit", lambda: proc.poll() is not None, 20)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def record(program, top, log):
    """The program under strace through a user's day. The user pauses after each step, so
    all written before must survive a power cut; this costs nothing, as the backup waits."""
    home = make_home(top)
    initial = snapshot(home["roots"])
    notes, trace = home["notes"], os.path.join(top, "trace")
    with running(program, home, log, STRACE + ["-o", trace]):
        wait_for("the note windows",
                 lambda: all(window("^" + re.escape(n) + "$") for n in NOTES), 30)
        started = time.monotonic()
        # Typing: every keystroke is saved.
        click(window(r"^PinvelleQuill1\.pv$"), -1, -1)
        xdo("key", "ctrl+End")
        xdo("type", "--delay", "30", " more words")
        wait_for("the typed text on disk", lambda: read(os.path.join(
            notes, "PinvelleQuill1.pv")) == b"typed into more words\r\n")
        time.sleep(SETTLE + 1)
        # Save As, from the note's menu, under a new name.
        menu_item(r"^PinvelleQuill2\.pv$", 3, (60, 60))
        xdo("key", "ctrl+a")
        xdo("type", "--delay", "20", "Renamed.pv")
        xdo("key", "Return")
        wait_for("the note under its new name", lambda: read(os.path.join(notes, "Renamed.pv")))
        time.sleep(SETTLE + 1)
        # Delete, from the menu, confirmed; without a tray, a box then says where it went.
        menu_item(r"^PinvelleQuill3\.pv$", 1, (180, 120))
        answer_box("alt+y")
        wait_for("the deleted note in the trash", lambda: os.path.exists(
            os.path.join(home["trash"], "files", "PinvelleQuill3.pv")))
        answer_box("Return")
        time.sleep(SETTLE + 1)
        # The daily backup runs a minute after the start.
        wait_for("the daily backup", lambda: os.path.isdir(os.path.join(
            home["backups"], date.today().isoformat())), 90 - (time.monotonic() - started))
        # Last, an option: "All Notes Stay On Top". Nothing syncs a folder after it, so it
        # shows whether the settings alone reach the disk.
        main = wait_for("the main window", lambda: window(MAIN_TITLE))
        click(main, 96, 284)  # Options
        wait_for("the options shown", lambda: geometry(main)[3] > 450)
        click(main, 222, 424)  # All Notes Stay On Top
        wait_for("the option stored", lambda: b"notesontop=1" in (read(home["settings"]) or b""))
    return home, initial, trace


def simulate(home, initial, trace):
    """Every crash state of the recorded run, checked: (model, outcome -> [states])."""
    model = Model(home["roots"], initial, trace)
    dirs, files = snapshot(home["roots"])
    if files != model.final() or dirs != model.dirs:  # then the model missed a call
        raise SystemExit(f"FAIL: the model ends apart from the disk: files and folders "
                         f"{sorted((set(files) ^ set(model.final())) | (dirs ^ model.dirs))}, "
                         f"bytes of {[p for p in files if files[p] != model.final().get(p)]}")
    outcomes = defaultdict(list)
    for description, files, dirs, settled in model.states():
        problems, leftovers = check(files, settled, model, home)
        outcome = ("BAD: " + "; ".join(problems) if problems else
                   "ok, a newer text only in a leftover " +
                   ", ".join(sorted({n[:-6] + "XXXXXX" for n in leftovers})) if leftovers else "ok")
        outcomes[outcome].append((description, files, dirs))
    return model, outcomes


def restart_on(program, model, home, state, top, log):
    """Starts the program on a state and ends it; the texts it no longer holds. It must keep
    each note's newest whole text, in the note or in a leftover of its save, and the trash."""
    _, files, dirs = state
    moved = lambda p: os.path.join(top, os.path.relpath(p, os.path.dirname(home["notes"])))
    # The machine comes back some time after the power cut.
    mine = make_home(top, {moved(p): c for p, c in files.items()}, map(moved, dirs),
                     time.time() - 3600)
    newest = {}
    for path, content in files.items():
        if os.path.dirname(path) == os.path.join(home["trash"], "files"):
            newest[path] = content
        elif os.path.dirname(path) == home["notes"] and content.endswith(b"\r\n") and \
                content in model.versions[path]:
            note = LEFTOVER.sub(r"\1", os.path.basename(path))
            newest[note] = max(newest.get(note, content), content, key=model.order.get)
    with running(program, mine, log):
        pass
    after = {read(os.path.join(d, n)) for folder in (mine["notes"], mine["data"])
             for d, _, names in os.walk(folder) for n in names
             if not under(d, mine["backups"])}  # copies there would hide a lost note
    return set(newest.values()) - after


# Two writers recorded like the program, for the checker: one rewrites a note in place
# without a sync and must be caught; one syncs every file and folder it changes and must pass.
UNSAFE_WRITER = \
    "import sys; open(sys.argv[1] + '/PinvelleQuill1.pv', 'wb').write(b'rewritten\\r\\n')"
SAFE_WRITER = """
import os, sys
notes, config, data = sys.argv[1:]
trash = data + '/Trash'
def sync(path, text=b''):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL if text else os.O_RDONLY, 0o644)
    if text:
        os.write(fd, text)
    os.fsync(fd)
    os.close(fd)
for path, text in [(notes + '/PinvelleQuill1.pv', b'typed into more\\r\\n'),
                   (config + '/Pinvelle/Pinvelle.conf', b'[Startup]\\nnotesontop=1\\n')]:
    sync(path + '.Ab12Cd', text)
    os.rename(path + '.Ab12Cd', path)
    sync(os.path.dirname(path))
for folder in (trash, trash + '/files', trash + '/info'):
    os.mkdir(folder)
sync(trash + '/info/PinvelleQuill3.pv.trashinfo', b'[Trash Info]\\nPath=' + notes.encode() +
     b'/PinvelleQuill3.pv\\nDeletionDate=2031-03-07T14:05:00\\n')
sync(trash + '/info')
os.rename(notes + '/PinvelleQuill3.pv', trash + '/files/PinvelleQuill3.pv')
sync(trash + '/files')
sync(notes)
"""


def control(top, script):
    home = make_home(top)
    initial = snapshot(home["roots"])
    trace = os.path.join(top, "trace")
    subprocess.run(STRACE + ["-o", trace, sys.executable, "-c", script, *home["roots"]],
                   check=True)
    outcomes = simulate(home, initial, trace)[1]
    return outcomes, sum(map(len, outcomes.values()))


def main():
    program = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="pinvelle-crash-")
    begun, failures = time.monotonic(), 0
    with open(os.path.join(work, "display"), "w") as display:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display.fileno()), "-screen", "0",
                                 "1280x1024x24", "-dpi", "96", "-nolisten", "tcp", "-noreset"],
                                pass_fds=[display.fileno()], stderr=subprocess.DEVNULL)
    try:
        os.environ["DISPLAY"] = ":" + wait_for("Xvfb", lambda: read(
            os.path.join(work, "display")).decode().strip(), 20)
        os.environ.pop("QT_QPA_PLATFORM", None)
        with open(os.path.join(work, "pinvelle.log"), "ab") as log:
            home, initial, trace = record(program, os.path.join(work, "run"), log)
            recorded = time.monotonic() - begun
            model, outcomes = simulate(home, initial, trace)
            print(f"recorded in {recorded:.0f} s: {sum(model.counts.values())} operations on "
                  f"the notes, settings and data folders ({dict(sorted(model.counts.items()))})")
            print(f"{sum(map(len, outcomes.values()))} distinct crash states from "
                  f"{len(model.points)} crash points")
            for outcome, found in sorted(outcomes.items()):
                print(f"  {len(found):5d}  {outcome}")
                if outcome.startswith("BAD"):
                    failures += len(found)
                    print(f"         first: {found[0][0]}")
            # The program started on a few states: the first with a leftover of a save, one
            # in the middle of the backup, then the first of each kind of fault.
            firsts = [(o, found[0]) for o, found in sorted(outcomes.items()) if o != "ok"]
            chosen = [s for o, s in firsts if "leftover" in o] + \
                [s for s in outcomes["ok"] if any(d.endswith(".partial") for d in s[2])][:1] + \
                [s for o, s in firsts if "leftover" not in o]
            for n, state in enumerate(chosen[:5]):
                lost = restart_on(program, model, home, state, os.path.join(work, f"re{n}"), log)
                print(f"started on {state[0]}: " +
                      (f"FAIL, texts gone: {sorted(lost)}" if lost else "every text kept"))
                failures += bool(lost)

        unsafe, states = control(os.path.join(work, "unsafe"), UNSAFE_WRITER)
        flagged = sum(len(v) for k, v in unsafe.items() if "torn" in k or " lost" in k)
        print(f"control, a note rewritten in place without a sync: {flagged} of {states} "
              f"states flagged ({'; '.join(k for k in unsafe if k.startswith('BAD'))})")
        safe, states = control(os.path.join(work, "safe"), SAFE_WRITER)
        wrong = [k for k in safe if k.startswith("BAD")]
        print(f"control, a writer that syncs every file and folder: {states} states, "
              f"{len(wrong)} kinds flagged {wrong}")
        if not flagged or wrong:
            print("FAIL: the checker misjudged a control writer")
            failures += 1
        print(f"{failures} failures in {time.monotonic() - begun:.0f} s")
        return 1 if failures else 0
    finally:
        xvfb.kill()
        xvfb.wait()
        if os.environ.get("CRASH_TEST_KEEP"):
            print(f"kept {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
