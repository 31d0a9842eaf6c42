"""Faults on the way, for the native build: each test checks what is left
on disk. The invariant after every run: each package is either at its
target (whole) with its line gone from the index that the game reads next,
or still in the cache with its line still in that index; no target is left
truncated; nothing outside the installation folders is touched."""

import hashlib
import os
import random
import re
import resource
import shutil
import stat
import subprocess
import tempfile
import unittest

import e2e_test
from e2e_test import (BANNER, FAILED, FURTHER_FAILED, NOT_DELETED, OPENING, PREVIEW, SECOND,
                      TENSES, UNKNOWN, UT, dialogue, echoed, summary,
                      report, sp, write_file)

NO_SPACE = ("Auf dem Datentraeger ist nicht genug Speicherplatz vorhanden.\n"
            "        0 Datei(en) kopiert.\n")
DENIED = "Zugriff verweigert.\n        0 Datei(en) kopiert.\n"
COPIED = "        1 Datei(en) kopiert.\n"

# Folders that user nobody may not change, met alike by a run and by its
# preview (-n), which says the same in its own tense without the shell's
# counts: the entries, the folder and its mode ("sticky": a Cache of root's
# where anyone may add files, and remove only their own), the further
# installations, what the run says between its opening and its sums, and
# the sums.
NOT_WRITABLE = [
    ([(1, "Terrain.utx"), (2, "Core.u")], UT + "\\Textures", 0o555, [],
     echoed(sp.key(1) + "=Terrain.utx") + "kopiere nach C:\\UT2004\\Textures\\Terrain.utx\n" +
     DENIED + FAILED + echoed(sp.key(2) + "=Core.u") + "kopiere nach C:\\UT2004\\System\\Core.u\n" +
     COPIED, (1, 1)),
    ([(1, "DM-A.ut2"), (2, "Core.u")], SECOND + "\\Maps", 0o555, [SECOND],
     echoed(sp.key(1) + "=DM-A.ut2") + "kopiere nach C:\\UT2004\\Maps\\DM-A.ut2\n" + COPIED +
     "kopiere nach %s\\Maps\\DM-A.ut2\n" % SECOND + DENIED + FURTHER_FAILED +
     echoed(sp.key(2) + "=Core.u") + "kopiere nach C:\\UT2004\\System\\Core.u\n" + COPIED +
     "kopiere nach %s\\System\\Core.u\n" % SECOND + COPIED, (2, 0, [SECOND + "\\Maps\\DM-A.ut2"])),
    ([(1, "Core.u")], UT + "\\Cache", "sticky", [],
     echoed(sp.key(1) + "=Core.u") + "kopiere nach C:\\UT2004\\System\\Core.u\n" + COPIED +
     "Zugriff verweigert.\n" + NOT_DELETED, (0, 1)),
    # A restore that meets a folder made read-only after its run, and says
    # what it says in its preview: the type folder, a further one's, the Cache.
    ([(1, "DM-A.ut2"), (2, "Core.u")], UT + "\\Maps", 0o555, ["--restore"], "", ()),
    ([(1, "DM-A.ut2"), (2, "Core.u")], SECOND + "\\Maps", 0o555, ["--restore"], "", ()),
    ([(1, "DM-A.ut2"), (2, "Core.u")], UT + "\\Cache", 0o555, ["--restore"], "", ()),
    # A Cache where the run can make neither its lock file nor its new
    # index: the preview ends as the run does (None).
    ([(1, "Core.u")], UT + "\\Cache", 0o555, [], None, ()),
]


def nobody():
    """Runs the program as an unprivileged user when the tests run as root,
    so that file permissions hold."""
    if os.geteuid() != 0:
        return None

    def drop():
        os.setgroups([])
        os.setgid(65534)
        os.setuid(65534)
    return drop


class Faults(e2e_test.Harness):
    @classmethod
    def setUpClass(cls):
        # User nobody must reach the program wherever the clone lies (root's
        # home is closed to others): it runs a copy in a folder open to all.
        cls.binary = e2e_test.PLATFORM.binary
        if nobody():
            folder = tempfile.mkdtemp(prefix="morvane-bin-")
            os.chmod(folder, 0o755)
            cls.addClassCleanup(shutil.rmtree, folder)
            e2e_test.PLATFORM.binary = shutil.copy2(cls.binary, folder)

    @classmethod
    def tearDownClass(cls):
        e2e_test.PLATFORM.binary = cls.binary

    def run_limited(self, answers, args=(), before=None):
        out, err, status = e2e_test.PLATFORM.run(self.prefix, list(args),
                                                 answers.encode("cp1252"), preexec=before)
        return e2e_test.Run(e2e_test.without_places(out), e2e_test.stamped(e2e_test.normalised(err)),
                            status)

    def open_to_all(self):
        for folder, dirs, names in os.walk(self.prefix):
            for name in dirs + names:
                path = os.path.join(folder, name)
                if not os.path.islink(path):
                    os.chmod(path, 0o777 if os.path.isdir(path) else 0o666)
        os.chmod(self.prefix, 0o777)

    def check_invariant(self, index_before, packages, before_files, roots):
        """packages: key -> bytes of every cached package before the run."""
        cache = os.path.join(self.root, "Cache")
        index_path = os.path.join(cache, "cache.ini")
        with open(index_path, "rb") as f:
            index_after = f.read().replace(b"\r\n", b"\n").split(b"\n")
        after = self.files()
        for line in index_before:
            text = line.decode("cp1252")
            if len(text) < 36 or text[34] != "=" or text[:34] not in packages:
                continue
            key, name = text[:34], text[35:]
            sub = sp.sub_folder(name)
            cached = os.path.join("UT2004", "Cache", key + ".uxx")
            if line in index_after:
                self.assertEqual(after.get(cached), packages[key], text)
            else:
                self.assertIsNotNone(sub, text)
                self.assertEqual(after.get(os.path.join("UT2004", sub, name)),
                                 packages[key], text)
        whole = set(packages.values())
        for path, content in after.items():
            self.assertNotIn(".morvane-", path)
            if path.endswith("morvane-protokoll.txt"):
                continue  # the run's record
            inside = any(path.startswith(root + os.sep) for root in roots)
            if not inside:
                self.assertEqual(content, before_files.get(path), path)
            elif "Morvane-Sicherung" in path:
                # A kept file is one that stood in an installation before.
                self.assertIn(content, before_files.values(), path)
            elif before_files.get(path) != content and not path.endswith((".ini", "morvane.lock")):
                self.assertIn(content, whole, "%s is not a whole package" % path)

    def snapshot(self):
        cache = os.path.join(self.root, "Cache")
        with open(os.path.join(cache, "cache.ini"), "rb") as f:
            lines = f.read().replace(b"\r\n", b"\n").split(b"\n")
        packages = {}
        for name in os.listdir(cache):
            if name.endswith(".uxx"):
                with open(os.path.join(cache, name), "rb") as f:
                    packages[name[:-4]] = f.read()
        return lines, packages, self.files()

    def test_read_only_target_and_folder(self):
        self.standard(entries=[(sp.key(1), "DM-Alt.ut2"), (sp.key(2), "Core.u")])
        target = os.path.join(self.root, "Maps", "DM-Alt.ut2")
        write_file(target, b"old map")
        self.open_to_all()
        os.chmod(target, 0o444)
        os.chmod(os.path.join(self.root, "System"), 0o555)
        state = self.snapshot()
        run = self.run_limited("1\n\n", before=nobody())
        self.expect(run, OPENING +
                    echoed(sp.key(1) + "=DM-Alt.ut2") +
                    "kopiere nach C:\\UT2004\\Maps\\DM-Alt.ut2\n" + DENIED + FAILED +
                    echoed(sp.key(2) + "=Core.u") +
                    "kopiere nach C:\\UT2004\\System\\Core.u\n" + DENIED + FAILED + summary(0, 2))
        self.check_invariant(*state, roots=["UT2004"])
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"old map")

    def test_a_preview_meets_the_refusals_of_folders_it_may_not_change(self):
        for entries, folder, mode, args, out, sums in NOT_WRITABLE:
            if mode == "sticky" and not nobody():
                continue  # the files of another user
            with self.subTest(folder=folder):
                self.standard(entries=[(sp.key(n), name) for n, name in entries])
                self.open_to_all()
                folder = sp.host_path(self.prefix, folder)
                if mode == "sticky":
                    for name in os.listdir(folder):
                        os.chmod(os.path.join(folder, name), 0o644)
                    os.chown(os.path.join(folder, "cache.ini"), 65534, 65534)
                    mode = 0o1777
                if args == ["--restore"]:  # a run of the player's, then its folder read-only
                    run = self.run_limited("1\n\n", [SECOND], before=nobody())
                    self.assertEqual(run.status, 0, run.err)
                os.chmod(folder, mode)
                tops, state = [self.root, self.second], self.snapshot()
                tree = self.tree(tops)
                if args == ["--restore"]:
                    preview = self.run_limited("1\n\n", ["-n"] + args, before=nobody())
                    self.assertEqual(self.tree(tops), tree)
                    restore = self.run_limited("1\n\n", args, before=nobody())
                    said = e2e_test.stamped(preview.out).replace(PREVIEW, "", 1)
                    for would, did in e2e_test.RESTORE_TENSES:
                        said = said.replace(would, did)
                    self.assertEqual((said, preview.status), (e2e_test.stamped(restore.out),
                                                              restore.status), restore.err)
                    self.assertTrue("verweigert" in restore.err or "!! " in restore.out)
                    e2e_test.PLATFORM.done_with(self.prefix)
                    self.prefix = e2e_test.PLATFORM.new_prefix()
                    continue
                preview = self.run_limited("1\n\n", ["-n"] + args, before=nobody())
                if out is None:
                    self.assertEqual(self.tree(tops), tree)
                    run = self.run_limited("1\n\n", args, before=nobody())
                    self.assertEqual((preview.status, preview.err), (1, run.err))
                    self.assertIn("USE_ERROR", run.err)
                    self.assertEqual(self.tree(tops), tree)
                    # With a lock file there, the new index is what cannot be
                    # made (the preview names it from another source file).
                    os.chmod(folder, 0o755)
                    write_file(os.path.join(folder, "morvane.lock"), b"")
                    os.chmod(os.path.join(folder, "morvane.lock"), 0o666)
                    os.chmod(folder, mode)
                    said = [re.sub(r"\w+\.cc:N", "", self.run_limited(
                        "1\n\n", extra + args, before=nobody()).err) for extra in (["-n"], [])]
                    self.assertEqual(said, [report("IO_EXCEPTIONS.USE_ERROR",
                                                   " " + UT + "\\Cache\\tempcache.ini")] * 2)
                    e2e_test.PLATFORM.done_with(self.prefix)
                    self.prefix = e2e_test.PLATFORM.new_prefix()
                    continue
                would = re.sub(r"        \d Datei\(en\) kopiert\.\n", "", out)
                for will, did in TENSES:
                    would = would.replace(did, will)
                self.expect(preview, BANNER + PREVIEW + OPENING[len(BANNER):] + would +
                            summary(*sums, preview=True))
                self.assertEqual(self.tree(tops), tree)
                run = self.run_limited("1\n\n", args, before=nobody())
                self.expect(run, OPENING + out + summary(*sums))
                self.check_invariant(*state,
                                     roots=["UT2004", os.path.join("Spiele", "UT2004 Kopie")])
                e2e_test.PLATFORM.done_with(self.prefix)
                self.prefix = e2e_test.PLATFORM.new_prefix()

    def test_a_read_only_user_folder_gets_no_type_folder(self):
        # The native game's user folder lacks Maps, and Maps cannot be made.
        self.register([])
        user = sp.make_user_folder(self.prefix)
        sp.write_cache(user, [], [(sp.key(1), "DM-Foo.ut2")])
        self.open_to_all()
        os.chmod(user, 0o555)
        run = self.run_limited("1\n\n", before=nobody())
        # Nor can the run's record: the run ends before any change.
        self.expect(run, BANNER + dialogue([user]),
                    report("IO_EXCEPTIONS.USE_ERROR", "protokoll.cc:N Protokoll des Laufs kann "
                           "nicht angelegt werden: %s/Morvane-Sicherung/<zeit>" % user), 1)
        self.assertEqual(sorted(os.listdir(user)), ["Cache", "System"])
        self.assertEqual(sorted(os.listdir(os.path.join(user, "Cache"))),
                         [sp.key(1) + ".uxx", "cache.ini", "morvane.lock"])
        with open(os.path.join(user, "Cache", "cache.ini"), "rb") as f:
            self.assertEqual(f.read(), ("[Cache]\r\n%s=DM-Foo.ut2\r\n" % sp.key(1)).encode())
        # Where the record can be made, the type folder alone is refused: the
        # package and its line stay.
        os.chmod(user, 0o755)
        os.mkdir(os.path.join(user, "Morvane-Sicherung"))
        os.chmod(os.path.join(user, "Morvane-Sicherung"), 0o777)
        os.chmod(user, 0o555)
        run = self.run_limited("1\n\n", before=nobody())
        self.assertEqual(run.status, 0, run.err)
        self.assertIn("Zugriff verweigert.\n        0 Datei(en) kopiert.\n" + FAILED, run.out)
        self.assertEqual(sorted(os.listdir(user)), ["Cache", "Morvane-Sicherung", "System"])
        with open(os.path.join(user, "Cache", "cache.ini"), "rb") as f:
            self.assertEqual(f.read(), ("[Cache]\r\n%s=DM-Foo.ut2\r\n" % sp.key(1)).encode())

    def test_disk_fills_during_a_copy(self):
        # The move into the installation is a link and needs no room; the
        # copy to the further installation does not fit, and the package
        # leaves the cache all the same.
        big, small = sp.key(1), sp.key(2)
        self.standard(entries=[(big, "Huge.utx"), (small, "Small.utx")])
        write_file(os.path.join(self.root, "Cache", big + ".uxx"), os.urandom(300 << 10))
        state = self.snapshot()

        def limit():
            resource.setrlimit(resource.RLIMIT_FSIZE, (128 << 10, 128 << 10))
        run = self.run_limited("1\n\n", [e2e_test.SECOND], before=limit)
        self.expect(run, OPENING +
                    self.moved(big + "=Huge.utx", [UT], "Textures", "Huge.utx") +
                    "kopiere nach %s\\Textures\\Huge.utx\n" % e2e_test.SECOND + NO_SPACE +
                    FURTHER_FAILED + self.moved(small + "=Small.utx", [UT, e2e_test.SECOND],
                                                "Textures", "Small.utx") +
                    summary(2, 0, [e2e_test.SECOND + "\\Textures\\Huge.utx"]))
        self.check_invariant(*state, roots=["UT2004", os.path.join("Spiele", "UT2004 Kopie")])
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "Textures"))),
                         ["Huge.utx", "Small.utx"])
        self.assertEqual(sorted(os.listdir(os.path.join(self.second, "Textures"))),
                         ["Small.utx"])

    def test_read_only_cache_folder(self):
        self.standard(entries=[(sp.key(1), "Core.u")])
        self.open_to_all()
        cache = os.path.join(self.root, "Cache")
        os.chmod(cache, 0o555)
        state = self.snapshot()
        run = self.run_limited("1\n\n", before=nobody())
        # No run can hold it: its lock file cannot be made.
        self.expect(run, OPENING, report("IO_EXCEPTIONS.USE_ERROR",
                                         "morvane.cc:N C:\\UT2004\\Cache\\morvane.lock"), 1)
        self.assertEqual(self.files(), state[2])

        # With a writable tempcache.ini there, and the lock file of an earlier
        # run: the new index must be a new file, and the stale one cannot
        # give way in a read-only folder. Nothing is changed.
        os.chmod(cache, 0o777)
        write_file(os.path.join(cache, "tempcache.ini"), b"stale")
        write_file(os.path.join(cache, "morvane.lock"), b"")
        for name in ("tempcache.ini", "morvane.lock"):
            os.chmod(os.path.join(cache, name), 0o666)
        os.chmod(cache, 0o555)
        state = self.snapshot()
        run = self.run_limited("1\n\n", before=nobody())
        self.expect(run, OPENING, report("IO_EXCEPTIONS.USE_ERROR",
                                         "morvane.cc:N C:\\UT2004\\Cache\\tempcache.ini"), 1)
        self.assertEqual(self.files(), state[2])

    def test_a_failed_rename_is_an_error(self):
        # A second index in other letters: the rename must not replace it,
        # and the run must not end as though all were well.
        self.standard(entries=[(sp.key(1), "Core.u")])
        cache = os.path.join(self.root, "Cache")
        write_file(os.path.join(cache, "CACHE.INI"), b"other")
        run = self.run_limited("1\n\n")
        self.expect(run, OPENING +
                    self.moved(sp.key(1) + "=Core.u", [UT], "System", "Core.u") +
                    "Eine doppelte Datei ist bereits vorhanden, oder die Datei wurde nicht "
                    "gefunden.\n",
                    report("IO_EXCEPTIONS.USE_ERROR", "morvane.cc:N neuer Index bleibt unter "
                           "C:\\UT2004\\Cache\\tempcache.ini"), 1)
        self.assertEqual(sorted(os.listdir(cache)), ["CACHE.INI", "morvane.lock", "tempcache.ini"])
        with open(os.path.join(cache, "tempcache.ini"), "rb") as f:
            self.assertEqual(f.read(), b"[Options]\r\nVersion=3369\r\n\r\n[Cache]\r\n")

    @unittest.skipUnless(shutil.which("strace") and os.environ.get("MORVANE_SANITIZED") != "ON",
                         "needs strace, without the sanitizers")
    def test_a_lookup_that_fails_is_never_no_file_there(self):
        # The map stands in Maps in other letters. When a lookup of the
        # target fails, or a reading of Maps that would find the other
        # spelling, no second map lands beside it: the copy fails, or it
        # looks again and keeps the old map.
        trace = os.path.join(self.prefix, "trace")
        self.addCleanup(setattr, e2e_test.PLATFORM, "wrapper", [])
        for call, place in (("newfstatat", "/Maps/DM-Foo.ut2"), ("getdents64", "/Maps>")):
            self.standard(entries=[(sp.key(1), "DM-Foo.ut2")])
            write_file(os.path.join(self.root, "Maps", "dm-foo.ut2"), b"old")
            e2e_test.PLATFORM.wrapper = ["strace", "-qq", "-y", "-o", trace, "-e",
                                         "trace=newfstatat,getdents64"]
            self.run_limited("1\n\n")
            # Each of them before the copy's temporary file.
            with open(trace) as f:
                lines = [line for line in f.read().split("\n") if line]
            temporary = [i for i, line in enumerate(lines) if "/.morvane-" in line][0]
            calls = [line for line in lines[:temporary] if line.startswith(call + "(")]
            for n in [i for i, line in enumerate(calls, 1)
                      if place in line and "Morvane-Sicherung" not in line]:
                with self.subTest(call=call, n=n):
                    self.standard(entries=[(sp.key(1), "DM-Foo.ut2")])
                    write_file(os.path.join(self.root, "Maps", "dm-foo.ut2"), b"old")
                    shutil.rmtree(os.path.join(self.root, "Morvane-Sicherung"),
                                  ignore_errors=True)
                    e2e_test.PLATFORM.wrapper = ["strace", "-qq", "-o", "/dev/null", "-e",
                                                 "inject=%s:error=EIO:when=%d" % (call, n)]
                    run = self.run_limited("1\n\n")
                    e2e_test.PLATFORM.wrapper = []
                    self.assertEqual(os.listdir(os.path.join(self.root, "Maps")), ["dm-foo.ut2"])
                    files = self.files()
                    kept = [d for p, d in files.items() if "Morvane-Sicherung" in p and
                            not p.endswith(("morvane-protokoll.txt", "cache.ini"))]
                    at_target = files[os.path.join("UT2004", "Maps", "dm-foo.ut2")]
                    line = "%s=DM-Foo.ut2\r\n" % sp.key(1)
                    if FAILED in run.out:
                        self.assertEqual((at_target, kept), (b"old", []))
                        self.assertTrue(self.cache_file("cache.ini").endswith(line.encode()))
                    else:
                        self.assertEqual(kept, [b"old"])
                        self.assertNotIn(line.encode(), self.cache_file("cache.ini"))

    @unittest.skipUnless(shutil.which("strace") and os.environ.get("MORVANE_SANITIZED") != "ON",
                         "needs strace, without the sanitizers")
    def test_a_cache_folder_swapped_during_the_run_keeps_both_indexes(self):
        # While the run deletes its first package (slowed by strace), its
        # Cache folder is renamed and a copy put in its place: the new index
        # no longer stands at its name, and no index is deleted.
        self.standard(entries=[(sp.key(1), "Core.u"), (sp.key(2), "XGame.u")])
        cache = os.path.join(self.root, "Cache")
        with open(os.path.join(cache, "cache.ini"), "rb") as f:
            index = f.read()
        platform = e2e_test.PLATFORM
        slow = subprocess.Popen(["strace", "-qq", "-o", "/dev/null", "-e",
                                 "inject=unlink:delay_enter=1500000:when=1", platform.binary],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=platform._env(self.prefix))
        slow.stdin.write(b"1\n\n")
        slow.stdin.flush()
        shown = b""
        while b"kopiert." not in shown:
            shown += os.read(slow.stdout.fileno(), 4096) or self.fail(shown)
        os.rename(cache, cache + ".alt")
        shutil.copytree(cache + ".alt", cache, symlinks=True)
        _, err = slow.communicate(timeout=60)
        self.assertEqual((slow.returncode, e2e_test.normalised(err.decode())), (1, report(
            "IO_EXCEPTIONS.USE_ERROR", "text_files.cc:N C:\\UT2004\\Cache\\tempcache.ini")))
        for folder in (cache, cache + ".alt"):
            with open(os.path.join(folder, "cache.ini"), "rb") as f:
                self.assertEqual(f.read(), index)

    @unittest.skipUnless(shutil.which("strace") and os.environ.get("MORVANE_SANITIZED") != "ON",
                         "needs strace, without the sanitizers")
    def test_a_copy_across_file_systems_is_on_the_disk_before_the_delete(self):
        # No link across file systems: the bytes are copied, and the target's
        # folder must be synced before the cached file goes; when that
        # fails, so has the copy.
        self.standard(entries=[(sp.key(1), "Core.u")])
        state = self.snapshot()
        cross = ["strace", "-qq", "-o", "/dev/null", "-e", "inject=link:error=EXDEV"]
        self.addCleanup(setattr, e2e_test.PLATFORM, "wrapper", [])
        # The sync of the target's folder (the run's record is synced before).
        trace = os.path.join(self.prefix, "trace")
        e2e_test.PLATFORM.wrapper = ["strace", "-qq", "-y", "-o", trace, "-e",
                                     "trace=fsync,link", "-e", "inject=link:error=EXDEV"]
        self.run_limited("1\n\n")
        with open(trace) as f:
            syncs = [line for line in f if line.startswith("fsync(")]
        n = [i for i, line in enumerate(syncs, 1) if "/System>" in line][0]
        self.standard(entries=[(sp.key(1), "Core.u")])
        shutil.rmtree(os.path.join(self.root, "Morvane-Sicherung"), ignore_errors=True)
        state = self.snapshot()
        e2e_test.PLATFORM.wrapper = cross + ["-e", "inject=fsync:error=EIO:when=%d" % n]
        run = self.run_limited("1\n\n")
        self.expect(run, OPENING + echoed(sp.key(1) + "=Core.u") +
                    "kopiere nach C:\\UT2004\\System\\Core.u\n"
                    "Die Datei konnte nicht kopiert werden (Fehler 5).\n"
                    "        0 Datei(en) kopiert.\n" + FAILED + summary(0, 1))
        self.check_invariant(*state, roots=["UT2004"])
        self.assertEqual(self.cache_file(sp.key(1) + ".uxx"), state[1][sp.key(1)])
        e2e_test.PLATFORM.wrapper = cross
        run = self.run_limited("1\n\n")
        self.expect(run, OPENING +
                    self.moved(sp.key(1) + "=Core.u", [UT], "System", "Core.u") + summary(1, 0))
        self.assertEqual(os.stat(os.path.join(self.root, "System", "Core.u")).st_nlink, 1)

    @unittest.skipUnless(shutil.which("strace") and os.environ.get("MORVANE_SANITIZED") != "ON",
                         "needs strace, without the sanitizers")
    def test_what_is_flushed_before_each_delete(self):
        # After a power cut the game must find whole files: each copy to the
        # further installation, its bytes and then its name, and the new
        # index are on the disk before the file that they replace goes. The
        # kernel's copy is refused (another file system): bytes are copied.
        entries = self.standard(entries=[(sp.key(1), "Core.u"), (sp.key(2), "Terrain.utx")])
        trace = os.path.join(self.prefix, "trace")
        e2e_test.PLATFORM.wrapper = ["strace", "-qq", "-y", "-o", trace, "-e",
                                     "trace=fsync,fdatasync,unlink,rename,renameat2,copy_file_range",
                                     "-e",
                                     "inject=copy_file_range:error=EXDEV"]
        self.addCleanup(setattr, e2e_test.PLATFORM, "wrapper", [])
        run = self.run_limited("1\n\n", [e2e_test.SECOND])
        self.assertEqual(run.status, 0, run.err)
        calls = []  # (call, path) of every call that succeeded
        with open(trace) as f:
            # strace fails only a call that it traces: the kernel's copy was refused.
            self.assertIn("EXDEV (Invalid cross-device link) (INJECTED)", f.read())
            f.seek(0)
            for line in f:
                if line.rstrip().endswith("= 0"):
                    path = (re.search(r'"(/[^"]*)"', line) or
                            re.search(r'<(/[^>]*)>', line)).group(1)
                    calls.append((line.split("(")[0], path.replace("/dosdevices/c:/", "/drive_c/")))
        cache = sp.host_path(self.prefix, UT + "\\Cache") + "/"
        done = 0
        for key, name in entries:
            folder = sp.host_path(self.prefix, e2e_test.SECOND + "\\" + sp.sub_folder(name))
            deleted = calls.index(("unlink", cache + key + ".uxx"))
            steps = [c for c in calls[done:deleted] if c[1].startswith(folder)]
            temp = steps[-3][1]
            self.assertTrue(os.path.basename(temp).startswith(".morvane-"), calls)
            self.assertEqual(steps[-3:], [("fdatasync", temp), ("rename", temp), ("fsync", folder)])
            done = deleted
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual(f.read(), self.contents[key])
        # The old index goes into the run folder, for a restore.
        self.assertLess(calls.index(("fsync", cache + "tempcache.ini")),
                        calls.index(("renameat2", cache + "cache.ini")))

    def test_broken_registry_files(self):
        self.standard()
        reg = os.path.join(self.prefix, "system.reg")
        with open(reg, "rb") as f:
            good = f.read()
        missing = e2e_test.PLATFORM.nothing_found(self.prefix)
        write_file(reg, os.urandom(5000))
        self.expect(self.run_limited("1\n\n"), BANNER, missing, 1)
        # Hundreds of MiB that do not start with the registry's header are
        # refused unread: not a MiB of them is read.
        if e2e_test.strace_usable():
            with open(reg, "wb") as f:
                f.truncate(300 << 20)
            trace = os.path.join(self.prefix, "trace")
            self.expect(self.run_morvane("1\n\n", strace=[
                "strace", "-qq", "-o", trace, "-P", reg, "-e", "trace=read,pread64"]),
                BANNER, missing, 1)
            with open(trace) as f:
                self.assertLess(sum(map(int, re.findall(r"= (\d+)$", f.read(), re.M))), 1 << 20)
        write_file(reg, good[:good.index(b"UT2004 Zweit") + 4])
        # The key line cut off before its end is passed over.
        self.expect(self.run_limited("9\n\n"), BANNER + dialogue(["UT2004"]),
                    report("CONSTRAINT_ERROR", "morvanepack.cc:N index check failed"), 1)
        write_file(reg, good)
        self.open_to_all()
        os.chmod(reg, 0)
        if nobody():
            self.expect(self.run_limited("1\n\n", before=nobody()), BANNER,
                        report("GWINDOWS.REGISTRY.REGISTRY_ERROR", "Access is denied.\n"), 1)

    def test_huge_index_with_very_long_lines(self):
        self.standard(entries=[])
        header = b"h" * (100 << 20)
        entry = (sp.key(1) + "=").encode() + b"n" * (100 << 20) + b".u"
        other = b"x" * (100 << 20)
        write_file(os.path.join(self.root, "Cache", sp.key(1) + ".uxx"), b"package")
        write_file(os.path.join(self.root, "Cache", "cache.ini"),
                   header + b"\r\n[Cache]\r\n" + entry + b"\r\n" + other + b"\r\n")
        run = self.run_limited("1\n\n")
        self.assertEqual(run.status, 0, run.err)
        self.assertTrue(run.out.endswith(
            "\nDie Eingabezeile ist zu lang.\n" + FAILED + echoed(other.decode()) + UNKNOWN +
            summary(0, 2)))
        with open(os.path.join(self.root, "Cache", "cache.ini"), "rb") as f:
            written = f.read()
        self.assertEqual(hashlib.sha1(written).hexdigest(), hashlib.sha1(
            header + b"\r\n[Cache]\r\n" + entry + b"\r\n" + other + b"\r\n").hexdigest())

    def test_random_indexes_and_failures_lose_nothing(self):
        rng = random.Random(20261207)
        for round_ in range(40):
            with self.subTest(round=round_):
                self.random_round(rng)

    def random_round(self, rng):
        shutil.rmtree(os.path.join(self.prefix, "drive_c"))
        sp.make_prefix(self.prefix)
        extras = [r"C:\Extra%d" % i for i in range(rng.randint(0, 2))]
        self.register([("UT2004", UT)])
        self.root = self.install(UT, sub_folders=[s for s in sp.SUB_FOLDERS
                                                  if rng.random() < 0.85])
        for extra in extras:
            self.install(extra, with_cache=False,
                         sub_folders=[s for s in sp.SUB_FOLDERS if rng.random() < 0.7])
        cache = os.path.join(self.root, "Cache")
        lines = ["[Alt]", "x=1"] if rng.random() < 0.5 else []
        lines.append("[Cache]")
        big = rng.random() < 0.3
        for i in range(rng.randint(0, 12)):
            k = sp.key(rng.randint(0, 10**6))
            ending = rng.choice([e for e, _ in sp.TYPES] + [".txt", ".int"])
            name = rng.choice(["Map", "Pak ete", "\u00e9t\u00e9", "a%b", "x!"]) + str(i) + ending
            lines.append(k + "=" + name)
            if rng.random() < 0.85:
                size = rng.choice([10, 1000, 200 << 10 if big else 5000])
                write_file(os.path.join(cache, k + ".uxx"), os.urandom(size))
            sub = sp.sub_folder(name)
            target = os.path.join(self.root, sub or "", name)
            if sub and os.path.isdir(os.path.dirname(target)):
                roll = rng.random()
                if roll < 0.1:
                    write_file(target, b"old")
                    os.chmod(target, 0o444)
                elif roll < 0.15:
                    os.mkdir(target)
            if rng.random() < 0.1:
                lines.append(rng.choice(["", "kein Eintrag", "[Cache]", k + "=", " " * 40]))
        end = rng.choice(["\r\n", "\n"])
        write_file(os.path.join(cache, "cache.ini"), (end.join(lines) + end).encode("cp1252"))
        state = self.snapshot()

        def limit():
            resource.setrlimit(resource.RLIMIT_FSIZE, (100 << 10, 100 << 10))
        run = self.run_limited("1\n\n", extras, before=limit if big else None)
        self.assertEqual(run.status, 0, run.err)
        self.assertEqual(run.err, "")
        roots = ["UT2004"] + [e[3:] for e in extras]
        self.check_invariant(*state, roots=roots)


if __name__ == "__main__":
    unittest.main(verbosity=2)
