#!/usr/bin/env python3
"""Sync rounds of a notes folder with the real notes site, while notes are written, edited and
deleted on both sides (here as files, there through the API as a phone would), with the
sync driver and now and then the site killed with SIGKILL at random moments. After every
kill the sync state must parse; after a final round that finds nothing more to carry, both
sides must hold the same notes with the same texts, and every text ever written on either
side must be somewhere: a note here, the trash, or the site's notes and kept versions.

Usage: sync_kill_test.py SYNC-KILL-DRIVER PINVELLE-SITE [SECONDS]"""

import json, os, random, shutil, signal, socket, sqlite3, subprocess, sys, tempfile, time
import urllib.error
import urllib.parse
import urllib.request

EMAIL, PASSWORD = "kill@example.org", "kill-Pa55word"
NAMES = [f"n{k}.pv" for k in range(40)]  # shared, so both sides make and change the same notes
EDITS_PER_SIDE = 3  # per name, so the site's ten kept versions hold every text
KILLS = 60


class Site:
    def __init__(self, program, work):
        self.program, self.db = program, os.path.join(work, "site.db")
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.url, self.log, self.proc = f"http://127.0.0.1:{self.port}/", os.path.join(work, "site.log"), None

    def start(self):
        open(self.log, "wb").close()
        self.proc = subprocess.Popen([self.program, "--listen", f"127.0.0.1:{self.port}", "--database",
                                      "sqlite:" + self.db], stdout=open(self.log, "ab"), stderr=subprocess.STDOUT)
        for _ in range(200):
            if b"serving" in open(self.log, "rb").read():
                return
            time.sleep(0.05)
        sys.exit("the site did not start")

    def kill(self):
        self.proc.kill()
        self.proc.wait()

    def call(self, method, path, body=None, headers=None):
        request = urllib.request.Request(self.url + path, data=body, method=method, headers=headers or {})
        try:
            with urllib.request.urlopen(request, timeout=10) as reply:
                return reply.status, reply.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def token(self):
        body = json.dumps({"email": EMAIL, "password": PASSWORD, "device": "kill"}).encode()
        status, answer = self.call("POST", "api/session", body, {"Content-Type": "application/json"})
        assert status == 200, (status, answer)
        return json.loads(answer)["token"]

    def live(self, auth):
        status, answer = self.call("GET", "api/notes?since=0", headers=auth)
        assert status == 200 and not json.loads(answer)["more"], (status, answer)
        return {n["name"]: n["version"] for n in json.loads(answer)["notes"] if not n["deleted"]}

    def text(self, name, auth):
        return self.call("GET", "api/note?name=" + urllib.parse.quote(name), headers=auth)[1].decode()


def plain(text):
    return text.removesuffix("\r\n")


def phone_edit(site, auth, rng, serial, written, edits):
    """Creates, changes or deletes a note on the site; what it stored goes into written."""
    notes = site.live(auth)
    name = rng.choice([n for n in NAMES if edits[("site", n)] < EDITS_PER_SIDE])
    text = f"phone {serial} \u00e9t\u00e9 \u20ac\r\n"
    quoted = "api/note?name=" + urllib.parse.quote(name)
    if name in notes and rng.random() < 0.2:
        site.call("DELETE", quoted, headers={**auth, "If-Match": f'"{notes[name]}"'})
    else:
        match = {"If-Match": f'"{notes[name]}"'} if name in notes else {"If-None-Match": "*"}
        status, _ = site.call("PUT", quoted, text.encode(), {**auth, **match, "Content-Type": "text/plain; charset=utf-8"})
        if status in (200, 201):
            written.add(plain(text))
    edits[("site", name)] += 1


def local_edit(folder, kept, rng, serial, written, edits):
    """Writes, changes or deletes a note file as the user would; a text it replaces or deletes
    goes into the kept folder first, so that only a text the sync lost can go missing."""
    name = rng.choice([n for n in NAMES if edits[("local", n)] < EDITS_PER_SIDE])
    path = os.path.join(folder, name)
    if os.path.exists(path):
        shutil.copyfile(path, os.path.join(kept, f"{serial}.txt"))
        if rng.random() < 0.2:
            os.remove(path)
            edits[("local", name)] += 1
            return
    text = f"desk {serial} gr\u00fc\u00dfe\r\n"
    with open(path + ".tmp", "w", encoding="utf-8", newline="") as f:
        f.write(text)
    os.replace(path + ".tmp", path)
    written.add(plain(text))
    edits[("local", name)] += 1


def files_under(top, keep=lambda name: True):
    texts = {}
    for root, _, files in os.walk(top):
        for name in files:
            if keep(name):
                with open(os.path.join(root, name), "rb") as f:
                    texts[os.path.relpath(os.path.join(root, name), top)] = plain(f.read().decode("utf-8", "replace"))
    return texts


def main():
    driver, program = sys.argv[1], sys.argv[2]
    budget = float(sys.argv[3]) if len(sys.argv) > 3 else 60.0
    seed = int(os.environ.get("KILL_TEST_SEED", "20240611"))
    rng = random.Random(seed)
    print(f"seed {seed} (set KILL_TEST_SEED to change)")
    work = tempfile.mkdtemp(prefix="pinvelle-sync-kill-")
    folder, data, config = (os.path.join(work, d) for d in ("notes", "data", "config"))
    kept = os.path.join(data, "kept-by-the-user")
    for d in (folder, kept, config):
        os.makedirs(d)
    state = os.path.join(config, "sync-state.json")
    env = {**os.environ, "XDG_DATA_HOME": data, "XDG_CONFIG_HOME": config, "QT_QPA_PLATFORM": "offscreen"}
    site = Site(program, work)
    add = subprocess.run([program, "add-account", EMAIL, "--database", "sqlite:" + site.db],
                         input=PASSWORD + "\n", text=True, capture_output=True)
    assert add.returncode == 0, add.stdout + add.stderr
    site.start()
    phone = {"Authorization": "Bearer " + site.token()}
    command = [driver, folder, state, site.url, EMAIL, site.token()]
    written, edits, serial = set(), {(s, n): 0 for s in ("site", "local") for n in NAMES}, 0
    kills = site_kills = 0
    log = open(os.path.join(work, "driver.log"), "ab")
    try:
        deadline = time.time() + budget
        # Edits stop once each name had its share; the kills go on into the rounds that follow.
        while time.time() < deadline and kills < KILLS:
            proc = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT)
            until = time.time() + rng.uniform(0.02, 1.2)
            while time.time() < until:
                serial += 1
                edit = rng.random() < 0.6
                if rng.random() < 0.01:
                    site.kill()
                    site_kills += 1
                    time.sleep(rng.uniform(0, 0.3))
                    site.start()
                elif edit and rng.random() < 0.5 and any(edits[("site", n)] < EDITS_PER_SIDE for n in NAMES):
                    phone_edit(site, phone, rng, serial, written, edits)
                elif edit and any(edits[("local", n)] < EDITS_PER_SIDE for n in NAMES):
                    local_edit(folder, kept, rng, serial, written, edits)
                time.sleep(rng.uniform(0, 0.08))
            proc.send_signal(signal.SIGKILL)
            proc.wait()
            kills += 1
            if os.path.exists(state):
                with open(state, encoding="utf-8") as f:
                    json.load(f)  # raises on a torn or half-written state

        final = subprocess.run(command + ["--until-quiet"], env=env, capture_output=True, text=True, timeout=60)
        print(final.stdout, end="")
        assert final.returncode == 0, "the final rounds did not settle:\n" + final.stdout + final.stderr
        here = files_under(folder, lambda n: n.endswith(".pv"))
        there = {name: plain(site.text(name, phone)) for name in site.live(phone)}
        db = sqlite3.connect(f"file:{site.db}?mode=ro", uri=True)
        kept_texts = {plain(t) for (t,) in db.execute("SELECT text FROM notes UNION SELECT text FROM note_versions")}
        trash = files_under(data, lambda n: not n.endswith(".trashinfo"))
        problems = []
        if here != there:
            problems.append(f"the sides differ:\n  here  {sorted(here.items())}\n  there {sorted(there.items())}")
        lost = written - set(here.values()) - set(trash.values()) - kept_texts
        problems += [f"lost: {t!r}" for t in sorted(lost)]
        problems += [f"{n} holds a text nobody wrote: {t!r}" for n, t in here.items() if t not in written]
        print(f"{kills} driver kills, {site_kills} site kills, {len(written)} texts written, "
              f"{len(here)} notes at the end, {sum(' (conflict from the site, ' in n for n in here)} conflict copies")
        if problems:
            print("\n".join(problems))
            print(f"work folder kept: {work}")
            return 1
        shutil.rmtree(work)
        return 0
    finally:
        site.kill()


if __name__ == "__main__":
    sys.exit(main())
