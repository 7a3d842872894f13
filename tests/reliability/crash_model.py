"""Disk states a power cut may leave after a recorded run (see crash_test.py).

The trace of `strace -f -y -xx` is replayed on a model of the folders under a few roots,
ext4 with data=ordered and without counting on auto_da_alloc:
- folder operations (create, link, rename, unlink, mkdir, rmdir) reach the disk in the
  order they were made: a crash keeps a prefix of them, and every one made before the last
  fsync of a folder it touched is certainly kept;
- a file's bytes are on disk once the file is fsync'd or fdatasync'd. Until then a crash may
  lose what was written since; a truncation is metadata and is kept.
What the program wrote before it left our files alone for SETTLE_SECONDS, or ended, must
survive a crash after that. For each point of the run, each prefix of folder operations a
crash there may keep, and each choice of unsynced data (all written, all lost, each file's
alone lost; not every combination, nor a write cut in the middle), the state is the files'
bytes by path. Identical states are checked once."""

import configparser
import os
import re
import urllib.parse
from collections import Counter, defaultdict

LINE = re.compile(r"^(\d+)\s+(\d+):(\d+):([\d.]+)\s+(.*)$")
CALL = re.compile(r"^(\w+)\((.*)\)\s+=\s+(-?\d+|\?)(.*)$")
FD = re.compile(r"^(-?\d+|AT_FDCWD)(?:<((?:\\x[0-9a-f]{2})*)>)?")
STRING = re.compile(r'^"((?:\\x[0-9a-f]{2})*)"$')
PROC_FD = re.compile(r"^/proc/(?:self|\d+)/fd/(\d+)$")
LEFTOVER = re.compile(r"^(.+\.pv)\.[A-Za-z0-9]{6}$", re.IGNORECASE)
# Quiet on our files this long, the program has finished what it was writing.
SETTLE_SECONDS = 3.0
# The calls without a folder argument, read as the ones with.
AT_FORMS = {"open": lambda a: ("openat", ["AT_FDCWD"] + a),
            "mkdir": lambda a: ("mkdirat", ["AT_FDCWD"] + a),
            "unlink": lambda a: ("unlinkat", ["AT_FDCWD", a[0], "0"]),
            "rmdir": lambda a: ("unlinkat", ["AT_FDCWD", a[0], "AT_REMOVEDIR"]),
            "rename": lambda a: ("renameat2", ["AT_FDCWD", a[0], "AT_FDCWD", a[1]]),
            "link": lambda a: ("linkat", ["AT_FDCWD", a[0], "AT_FDCWD", a[1], "0"])}
# Calls that would change a file in a way this model does not follow.
UNMODELLED = {"sendfile", "sendfile64", "copy_file_range", "splice", "fallocate", "symlink",
              "symlinkat", "mknod", "mknodat", "ioctl", "truncate", "creat", "pwritev",
              "pwritev2"}


class Unmodelled(Exception):
    """The trace holds a call on our files that the model cannot replay faithfully."""


def calls(trace):
    """(seconds, name, arguments, result) of each call that succeeded, in the order they
    ended."""
    pending = {}
    with open(trace, encoding="latin-1") as f:
        for line in f:
            m = LINE.match(line.rstrip("\n"))
            if not m:
                continue
            tid, rest = m.group(1), m.group(5)
            seconds = int(m.group(2)) * 3600 + int(m.group(3)) * 60 + float(m.group(4))
            if rest.endswith("<unfinished ...>"):
                pending[tid] = rest[: -len("<unfinished ...>")].rstrip()
                continue
            resumed = re.match(r"^<\.\.\. \w+ resumed>(.*)$", rest)
            if resumed:
                rest = pending.pop(tid, "") + resumed.group(1)
            c = CALL.match(rest)
            if c and c.group(3) != "?" and int(c.group(3)) >= 0:
                yield seconds, c.group(1), split(c.group(2)), int(c.group(3))


def split(args):
    """The top-level arguments; -xx leaves no comma or bracket inside a string."""
    out, depth, start = [], 0, 0
    for i, ch in enumerate(args):
        if ch in "([{<":
            depth += 1
        elif ch in ")]}>":
            depth -= 1
        elif ch == "," and depth == 0:
            out.append(args[start:i].strip())
            start = i + 1
    out.append(args[start:].strip())
    return out


def string(arg):
    m = STRING.match(arg)
    if not m:
        raise Unmodelled(f"a string strace cut short or could not show: {arg[:60]}")
    return bytes.fromhex(m.group(1).replace("\\x", ""))


def fd_of(arg):
    m = FD.match(arg)
    if not m:
        return None, None
    path = os.fsdecode(bytes.fromhex(m.group(2).replace("\\x", ""))) if m.group(2) else None
    return (m.group(1) if m.group(1) == "AT_FDCWD" else int(m.group(1))), path


def apply(op, names, dirs):
    """One folder operation on a name table (path -> file) and a set of folders."""
    kind, a, b = op
    if kind in ("create", "link"):
        names[a] = b
    elif kind == "unlink":
        names.pop(a, None)
    elif kind == "mkdir":
        dirs.add(a)
    elif kind == "rmdir":
        dirs.discard(a)
    elif a in dirs:  # a folder renamed: everything below it moves
        under = lambda p: p == a or p.startswith(a + "/")
        moved = {b + p[len(a):] if under(p) else p for p in dirs}
        dirs.clear()
        dirs.update(moved)
        for p in [p for p in names if under(p)]:
            names[b + p[len(a):]] = names.pop(p)
    else:
        names[b] = names.pop(a)


class Run:
    """The recorded run replayed on the model: its folder operations, crash points and the
    texts every path held when written whole."""

    def __init__(self, roots, snap):
        self.roots = [r.rstrip("/") for r in roots]
        dirs, files = snap
        self.dirs, self.names, self.data = set(dirs), {}, {}
        for n, (path, content) in enumerate(sorted(files.items())):
            self.names[path], self.data[n] = n, content
        self.synced = dict(self.data)  # what a crash keeps at least
        self.start = (dict(self.names), frozenset(self.dirs))
        self.versions, self.order = defaultdict(set), {}  # order: when a text was first whole
        for path, content in files.items():
            self.remember(path, content)
        self.log, self.kept, self.points, self.fds = [], 0, [], {}
        self.counts = Counter()

    def remember(self, path, content):
        self.versions[path].add(content)
        self.order.setdefault(content, len(self.order))

    def ours(self, path):
        return path is not None and any(path == r or path.startswith(r + "/") for r in self.roots)

    def path(self, dirfd, arg):
        p = os.fsdecode(string(arg))
        if not p.startswith("/"):
            p = os.path.join(fd_of(dirfd)[1] or "", p)
        return os.path.normpath(p)

    def point(self, settled=False):
        """A moment a crash may strike; settled, when the program had left our files alone
        for a while (or ended), so all it wrote must be on disk."""
        self.points.append((len(self.log), self.kept, dict(self.data), dict(self.synced),
                            self.final() if settled else None))

    def folder_op(self, kind, a, b=None):
        self.point()
        self.counts[kind] += 1
        op = (kind, a, b)
        touched = {os.path.dirname(a)} | ({os.path.dirname(b)} if kind == "rename" else set())
        self.log.append((op, touched))
        apply(op, self.names, self.dirs)
        for p in (a, b) if kind == "rename" else (a,):
            for q, ino in self.names.items():
                if q == p or q.startswith(p + "/") or (kind == "rename" and q.startswith(b + "/")):
                    self.remember(q, self.data[ino])

    def file(self, fd):
        entry = self.fds.get(fd_of(fd)[0])
        if entry is None and self.ours(fd_of(fd)[1]):
            raise Unmodelled(f"a file of ours reached by an unknown descriptor: {fd}")
        return entry

    def write(self, entry, at, data):
        if entry is None or entry["ino"] is None:
            return
        self.counts["write"] += 1
        old = self.data[entry["ino"]]
        self.data[entry["ino"]] = old[:at].ljust(at, b"\0") + data + old[at + len(data):]

    def truncate(self, ino, length):
        self.point()
        self.counts["truncate"] += 1
        self.data[ino] = self.data[ino][:length].ljust(length, b"\0")
        self.synced[ino] = self.synced[ino][:length]

    def run(self, trace):
        last_change = None
        for seconds, name, args, result in calls(trace):
            if last_change is not None and seconds - last_change > SETTLE_SECONDS:
                self.point(settled=True)
                last_change = None
            name, args = AT_FORMS[name](args) if name in AT_FORMS else (name, args)
            handler = getattr(self, "on_" + name, None)
            changes = sum(self.counts.values())
            if handler:
                handler(args, result)
            if sum(self.counts.values()) != changes:
                last_change = seconds
            elif name in UNMODELLED and any(self.ours(fd_of(a)[1]) or (
                    a.startswith('"') and self.ours(self.path("AT_FDCWD<>", a))) for a in args):
                raise Unmodelled(f"{name} on our files: {args}")
        self.point(settled=True)
        return self

    # ---- the calls ----
    def on_openat(self, args, fd):
        path, flags = self.path(args[0], args[1]), args[2]
        self.fds.pop(fd, None)
        if not self.ours(path):
            return
        entry = {"ino": None, "dir": None, "off": 0, "append": "O_APPEND" in flags}
        if "O_TMPFILE" in flags:
            entry["ino"] = max(self.data) + 1
            self.data[entry["ino"]] = self.synced[entry["ino"]] = b""
            self.counts["tmpfile"] += 1
        elif "O_DIRECTORY" in flags or path in self.dirs:
            entry["dir"] = path
        elif path in self.names:
            entry["ino"] = self.names[path]
            if "O_TRUNC" in flags and ("O_WRONLY" in flags or "O_RDWR" in flags):
                self.truncate(entry["ino"], 0)
        elif "O_CREAT" in flags:
            entry["ino"] = max(self.data) + 1
            self.data[entry["ino"]] = self.synced[entry["ino"]] = b""
            self.folder_op("create", path, entry["ino"])
        else:
            raise Unmodelled(f"{path} opened but not in the model")
        self.fds[fd] = entry

    def on_close(self, args, _):
        entry = self.fds.pop(fd_of(args[0])[0], None)
        if entry and entry["ino"] is not None:
            for path, ino in self.names.items():
                if ino == entry["ino"]:
                    self.remember(path, self.data[ino])

    def on_lseek(self, args, offset):
        entry = self.file(args[0])
        if entry:
            entry["off"] = offset

    def on_write(self, args, n):
        entry = self.file(args[0])
        if entry and entry["ino"] is not None:
            at = len(self.data[entry["ino"]]) if entry["append"] else entry["off"]
            self.write(entry, at, string(args[1])[:n])
            entry["off"] = at + n

    def on_writev(self, args, n):
        chunks = re.findall(r'iov_base=("[^"]*")', args[1])
        self.on_write([args[0], '"' + "".join(c[1:-1] for c in chunks) + '"'], n)

    def on_pwrite64(self, args, n):
        self.write(self.file(args[0]), int(args[3]), string(args[1])[:n])

    def on_ftruncate(self, args, _):
        entry = self.file(args[0])
        if entry and entry["ino"] is not None:
            self.truncate(entry["ino"], int(args[1]))

    def on_fsync(self, args, _):
        entry = self.file(args[0])
        if not entry:
            return
        self.point()
        self.counts["fsync"] += 1
        if entry["ino"] is not None:
            self.synced[entry["ino"]] = self.data[entry["ino"]]
        else:
            last = [i for i, (_, touched) in enumerate(self.log) if entry["dir"] in touched]
            if last:
                self.kept = max(self.kept, last[-1] + 1)

    on_fdatasync = on_fsync

    def on_syncfs(self, args, _):
        self.point()
        self.counts["fsync"] += 1
        self.kept = len(self.log)
        self.synced = dict(self.data)

    def on_linkat(self, args, _):
        old, new = self.path(args[0], args[1]), self.path(args[2], args[3])
        if not self.ours(new):
            return
        via_fd = PROC_FD.match(old)
        if via_fd or "AT_EMPTY_PATH" in args[4]:
            entry = self.fds.get(int(via_fd.group(1)) if via_fd else fd_of(args[0])[0])
            ino = entry and entry["ino"]
        else:
            ino = self.names.get(old)
        if ino is None:
            raise Unmodelled(f"a link to {new} from a file the model does not know")
        self.folder_op("link", new, ino)

    def on_renameat2(self, args, _):
        old, new = self.path(args[0], args[1]), self.path(args[2], args[3])
        if "RENAME_EXCHANGE" in (args[4:] or [""])[0] or self.ours(old) != self.ours(new):
            raise Unmodelled(f"rename {old} -> {new} {args[4:]}")
        if self.ours(old):
            self.folder_op("rename", old, new)

    on_renameat = on_renameat2

    def on_unlinkat(self, args, _):
        path = self.path(args[0], args[1])
        if self.ours(path):
            self.folder_op("rmdir" if "AT_REMOVEDIR" in args[2] else "unlink", path)

    def on_mkdirat(self, args, _):
        path = self.path(args[0], args[1])
        if self.ours(path):
            self.folder_op("mkdir", path)

    # ---- the crash states ----
    def states(self):
        """(description, files by path, folders, the files as the program left them if it
        had settled) of every distinct state a crash may leave."""
        prefixes, names, dirs = [], dict(self.start[0]), set(self.start[1])
        prefixes.append((dict(names), frozenset(dirs)))
        for op, _ in self.log:
            apply(op, names, dirs)
            prefixes.append((dict(names), frozenset(dirs)))
        short = lambda p: os.path.relpath(p, os.path.dirname(self.roots[0])) if p else ""
        seen = set()
        for at, (made, kept, data, synced, settled) in enumerate(self.points):
            when = ("after the program ended" if at == len(self.points) - 1 else
                    f"at point {at}, the program settled" if settled else f"at point {at}")
            for j in range(kept, made + 1):
                names, dirs = prefixes[j]
                unsynced = sorted({ino for ino in names.values() if data[ino] != synced[ino]})
                choices = [("all data written", set())]
                if unsynced:
                    choices.append(("unsynced data lost", set(unsynced)))
                if len(unsynced) > 1:
                    choices += [(f"unsynced data of {short(path)} lost", {ino})
                                for path, ino in sorted(names.items()) if ino in unsynced]
                last = " ".join(short(p) if i else p for i, p in enumerate(self.log[j - 1][0])
                                if p is not None and not isinstance(p, int)) if j else "none"
                for label, lost in choices:
                    files = {p: synced[i] if i in lost else data[i] for p, i in names.items()}
                    key = (frozenset(files.items()), dirs, at if settled else None)
                    if key not in seen:
                        seen.add(key)
                        yield (f"{when}: {j} of {made} folder operations kept (the last: "
                               f"{last}); {label}", files, dirs, settled)

    def final(self):
        """The files as the program left them."""
        return {path: self.data[ino] for path, ino in self.names.items()}


def trash_info_names(info, name):
    """Whether a .trashinfo file is whole and names the file it stands beside."""
    lines = info.decode("utf-8", "replace").splitlines()
    paths = [line[5:] for line in lines if line.startswith("Path=")]
    return (lines[:1] == ["[Trash Info]"] and len(paths) == 1 and
            any(line.startswith("DeletionDate=") for line in lines) and
            os.path.basename(urllib.parse.unquote(paths[0])) == name)


def check(files, settled, run, layout):
    """What is wrong with one state; and the leftovers that hold a newer whole text."""
    problems, leftovers = [], []
    notes, trash, settings = layout["notes"], layout["trash"], layout["settings"]
    if settled:  # all the program wrote before it settled must survive the crash
        final = settled
        kept = lambda p: os.path.dirname(p) == notes and p.lower().endswith(".pv") or \
            p.startswith((trash + "/", layout["backups"] + "/")) or p == settings
        for path in sorted({p for p in list(files) + list(final) if kept(p)}):
            if files.get(path) != final.get(path):
                problems.append(f"{os.path.relpath(path, os.path.dirname(notes))} is not as "
                                "the program left it")

    def whole(path, content):
        return content and content in run.versions[path]

    held = {}
    for path, content in sorted(files.items()):
        folder, name = os.path.split(path)
        if folder == notes and name.lower().endswith(".pv"):
            held[name] = content
            if not whole(path, content):
                problems.append(f"{name} torn or empty ({content[:24]!r})")
        elif folder == notes and LEFTOVER.match(name):
            note = LEFTOVER.match(name).group(1)
            if whole(path, content) and files.get(os.path.join(notes, note)) != content:
                leftovers.append(name)
        elif folder == os.path.join(trash, "files"):
            held.setdefault(name, content)
            info = files.get(os.path.join(trash, "info", name + ".trashinfo"))
            if not whole(path, content):
                problems.append(f"trashed {name} torn or empty")
            if info is None or not trash_info_names(info, name):
                problems.append(f"trashed {name} has " + ("no .trashinfo" if info is None else
                                                          f"a broken .trashinfo ({info[:24]!r})"))
        elif os.path.dirname(folder) == layout["backups"] and \
                re.fullmatch(r"[\d-]+", os.path.basename(folder)):
            if not whole(path, content):
                problems.append(f"backup copy {os.path.basename(folder)}/{name} torn or empty")
    for path in run.start[0]:
        name = os.path.basename(path)
        if os.path.dirname(path) == notes and name.lower().endswith(".pv") and name not in held:
            problems.append(f"{name} lost")
    if settings not in files:
        problems.append("settings file gone")
    elif not whole(settings, files[settings]):
        problems.append(f"settings torn ({files[settings][:24]!r})")
    else:
        try:
            configparser.RawConfigParser(strict=False, interpolation=None).read_string(
                files[settings].decode("utf-8"))
        except (configparser.Error, UnicodeDecodeError) as e:
            problems.append(f"settings do not parse: {e}")
    return problems, leftovers
