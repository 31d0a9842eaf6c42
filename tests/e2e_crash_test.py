"""A run cut short at any file-system call, for the native build: strace
makes the Nth call of a kind fail with EIO, or kills the program there,
lookups included; from a clean start, and from what a run left that ended
before its new index had its name (the next run takes tempcache.ini over).
After each such run one run without faults follows, and the tree must then
be what one clean run leaves: no package or line lost, no orphan in the
cache, no stale line, no temporary file, no tempcache.ini. A copy to the
further installation that failed is the only difference allowed. After a
run or a restore cut short, --restore gives the tree as before the run.

The calls faulted are a sample: of each kind the first, the last and five
between them, chosen with a fixed seed. MORVANE_CRASH_FULL=1 faults every
call."""

import glob
import os
import random
import re
import shutil
import subprocess
import unittest

import e2e_test
from e2e_test import UT, SECOND, report, sp, write_file

CALLS = ["openat", "read", "write", "newfstatat", "statx", "getdents64", "copy_file_range",
         "link", "rename", "unlink", "close", "fsync", "fdatasync"]


def sample(call, count, seed):
    """The numbers of the calls of a kind to fault: all of them with
    MORVANE_CRASH_FULL=1, else the first, the last and five between."""
    numbers = list(range(1, count + 1))
    if os.environ.get("MORVANE_CRASH_FULL") == "1" or count <= 7:
        return numbers
    between = random.Random("%s %s" % (call, seed)).sample(numbers[1:-1], 5)
    return sorted({1, count, *between})


def outside_kept(files):
    """The files outside Morvane-Sicherung, but for the lock file."""
    return {p: d for p, d in files.items()
            if "Morvane-Sicherung" not in p and os.path.basename(p) != "morvane.lock"}


def kept(files, leave_out):
    """The kept files by their names without the time and number, with the
    contents kept under each, one for each path (a version kept twice shows
    twice); none below `leave_out`."""
    found = {}
    for path, data in files.items():
        # A run folder's record and its copy of the index are no kept files.
        if ("Morvane-Sicherung" in path and not path.startswith(leave_out) and
                not path.endswith(("morvane-protokoll.txt", os.sep + "cache.ini"))):
            name = re.sub(r" \(\d+\)(?=\.\w+$)", "", e2e_test.stamped(path))
            found.setdefault(name, []).append(data)
    return {name: sorted(datas) for name, datas in found.items()}


@unittest.skipUnless(shutil.which("strace"), "needs strace")
class Crash(e2e_test.Harness):
    taken_over = False  # the index only in tempcache.ini, as a cut-short run left it
    user_folder = False  # the cache in a native game's user folder, ~/.ut2004
    older = False  # an older, different version at every target, to be kept
    no_links = False  # a disk without hard links: every link fails with EPERM
    restore = False  # the faults hit a restore of the run that kept the older versions
    undo = False  # after the run that the faults hit, --restore: the tree as before it
    args = ()  # the arguments of the run that the faults hit, before the further installation

    def lay_out(self):
        shutil.rmtree(os.path.join(self.prefix, "drive_c"), ignore_errors=True)
        sp.make_prefix(self.prefix)
        # A header of more than one read buffer, so that a read can fail
        # in the middle of the index.
        header = ["[Alt]"] + ["Zeile%03d=%s" % (i, "x" * 60) for i in range(120)] + [""]
        self.standard(header=header, extra_lines=[sp.key(90) + "=Readme.txt", "; kein Eintrag"])
        write_file(os.path.join(self.root, "Maps", "DM-Rankin.ut2"), b"an older map")
        self.olders = [b"an older map"]
        self.targets = {}  # the path of each target with an older version, and that version
        if self.older:
            self.olders = []
            for name, sub in e2e_test.TYPES:
                for base in (self.root, self.second):
                    self.olders.append(b"older " + name.encode() + base.encode())
                    write_file(os.path.join(base, sub, name), self.olders[-1])
                    self.targets[os.path.join(base, sub, name)] = self.olders[-1]
        self.answer, self.cache = b"1\n\n", UT + "\\Cache\\"
        if self.user_folder:
            user = os.path.join(self.prefix, ".ut2004")
            shutil.rmtree(user, ignore_errors=True)
            os.makedirs(user)
            os.rename(os.path.join(self.root, "Cache"), os.path.join(user, "Cache"))
            self.root, self.answer, self.cache = user, b"3\n\n", user + "/Cache/"
        if self.taken_over:
            cache = os.path.join(self.root, "Cache")
            os.rename(os.path.join(cache, "cache.ini"), os.path.join(cache, "tempcache.ini"))
        self.args = ()
        if self.restore:
            # A clean run keeps the older versions, once; the faults hit their
            # restore, each on a fresh copy of what that run left.
            drive_c, after_run = (os.path.join(self.prefix, name)
                                  for name in ("drive_c", "after-the-run"))
            if not os.path.isdir(after_run):
                self.before_run = self.files()
                self.assertEqual(self.run_native().returncode, 0)
                shutil.copytree(drive_c, after_run, symlinks=True)
            else:
                shutil.rmtree(drive_c)
                shutil.copytree(after_run, drive_c, symlinks=True)
            [run] = os.listdir(os.path.join(self.root, "Morvane-Sicherung"))
            self.args = ("--restore", run, "--")
            self.olders += list(self.contents.values())  # the packages, at their targets now

    def run_native(self, strace=(), args=None):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "WINEPREFIX": self.prefix,
               "HOME": self.prefix, "LC_ALL": "C.UTF-8"}
        if self.no_links:
            strace = (list(strace) or ["strace", "-qq", "-o", "/dev/null"]) + [
                "-e", "inject=link:error=EPERM"]
        args = self.args if args is None else args
        command = list(strace) + [e2e_test.PLATFORM.binary, *args, SECOND]
        return subprocess.run(command, input=self.answer, capture_output=True, env=env,
                              cwd=self.prefix, timeout=60)

    def count_calls(self):
        self.lay_out()
        trace = os.path.join(self.prefix, "trace")
        done = self.run_native(["strace", "-qq", "-o", trace, "-e", "trace=" + ",".join(CALLS)])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.clean_out = e2e_test.stamped(done.stdout.decode("utf-8"))
        counts = dict.fromkeys(CALLS, 0)
        with open(trace) as f:
            for line in f:
                name = line.split("(", 1)[0]
                if name in counts:
                    counts[name] += 1
        os.remove(trace)
        return counts, self.files()

    def test_a_fault_at_any_call_loses_nothing_and_heals(self):
        for (self.taken_over, self.user_folder, self.older, self.no_links, self.restore,
             self.undo) in (
                (False, False, False, False, False, False), (True, False, False, False, False, False),
                (False, True, False, False, False, False), (False, False, True, False, False, False),
                (False, False, True, True, False, False), (False, False, True, False, True, True),
                (False, False, True, False, False, True), (False, True, True, False, False, True)):
            with self.subTest(taken_over=self.taken_over, user_folder=self.user_folder,
                              older=self.older, no_links=self.no_links, restore=self.restore,
                              undo=self.undo):
                self.inject_everywhere()

    def inject_everywhere(self):
        counts, clean = self.count_calls()
        device_errors = 0
        # Calls of a clean run, of every kind, each failing and each killing.
        mode = (self.taken_over, self.user_folder, self.older, self.no_links, self.restore,
                self.undo)
        cases = [(call, n, fault) for call in CALLS for n in sample(call, counts[call], mode)
                 for fault in ("error=EIO", "signal=KILL")
                 if not (self.no_links and call == "link")]
        for call, n, fault in cases:
            with self.subTest(call=call, n=n, fault=fault):
                self.lay_out()
                before = self.files()
                hurt = self.run_native(["strace", "-qq", "-o", "/dev/null", "-e",
                                        "inject=%s:%s:when=%d" % (call, fault, n)])
                if fault == "signal=KILL" and not self.restore:
                    self.said_in_order(hurt)
                # The run's last fsync puts the end of its record on the disk:
                # where it fails, the run does not end as if all were well.
                if (fault, call, n) == ("error=EIO", "fsync", counts[call]) and not self.restore:
                    self.assertEqual(hurt.returncode, 1, hurt.stdout)
                if fault == "error=EIO" and not self.restore:
                    self.one_step()
                if self.undo:
                    self.undone(self.before_run if self.restore else before)
                    continue
                err = e2e_test.normalised(hurt.stderr.decode("latin-1"))
                # The run's records are read before any change.
                err = re.sub(r"(Morvane-Sicherung.)[^\\/]+(.morvane-protokoll.txt)", r"\1<zeit>\2",
                             err)
                if "DEVICE_ERROR" in err:
                    device_errors += 1
                    cache = self.cache
                    self.assertIn(err, [report("IO_EXCEPTIONS.DEVICE_ERROR", place + name)
                                        for place, name in (
                                            ("text_files.cc:N ", "*stdin*"),
                                            ("text_files.cc:N ", cache + "cache.ini"),
                                            ("text_files.cc:N ", cache + "tempcache.ini"),
                                            ("morvane.cc:N ", cache + "cache.ini"),
                                            ("morvane.cc:N ", cache + "tempcache.ini"),
                                            ("text_files.cc:N ", cache[:-6] + "Morvane-Sicherung" +
                                             cache[-1] + "<zeit>" + cache[-1] +
                                             "morvane-protokoll.txt"))])
                self.heals(clean)
        # A run reads its index, which a failing read must never cut short; a
        # restore reads none.
        if not (self.restore or self.undo):
            self.assertGreater(device_errors, 0)
        print("\n%d faults injected over %s" % (len(cases), counts))

    def said_in_order(self, hurt):
        """A run killed at any call: its pipe got the clean run's dialogue up
        to the end of a package, and the lines of every package that left the
        cache before the one at hand when it was killed."""
        out = e2e_test.stamped(hurt.stdout.decode("utf-8"))
        self.assertTrue(self.clean_out.startswith(out), out)
        cache = os.path.join(self.root, "Cache")
        gone = [key for key in self.contents if not os.path.exists(os.path.join(cache, key + ".uxx"))]
        unsaid = [key for key in gone[:-1] if "Zeile eingelesen: " + key not in out]
        self.assertEqual(unsaid, [], out)

    def one_step(self):
        """A copy that failed takes back the keep of what it would replace:
        each older version is either still at its target with nothing of it
        kept, or kept with the new version at its target."""
        files = self.files()
        top = os.path.join(self.prefix, "drive_c")
        kept = [data for path, data in files.items() if "Morvane-Sicherung" in path]
        for target, older in self.targets.items():
            at_target = files.get(os.path.relpath(target, top))
            if at_target == older:
                self.assertNotIn(older, kept, target)
            else:
                self.assertEqual(kept.count(older), 1, target)

    def undone(self, before):
        """--restore gives the tree as before the run: it undoes the run, or
        finishes a restore cut short (one that ended needs nothing)."""
        records = glob.glob(os.path.join(self.root, "Morvane-Sicherung", "*",
                                         "morvane-protokoll.txt"))
        restored = False
        for record in records:
            with open(record, "rb") as f:
                text = f.read()
            restored = restored or (b"\nwiederherstellung " in text and text.endswith(b"ende\r\n"))
        if not (self.restore and restored):
            healed = self.run_native(args=("--restore", "--"))
            self.assertEqual(healed.returncode, 0, healed.stderr)
        self.assertEqual(outside_kept(self.files()), outside_kept(before))
        if self.restore:  # one restore, finished by the next: one record, ended
            ends = []
            for record in glob.glob(os.path.join(self.root, "Morvane-Sicherung", "*",
                                                 "morvane-protokoll.txt")):
                with open(record, "rb") as f:
                    text = f.read()
                if b"\nwiederherstellung " in text:
                    ends.append(text.endswith(b"ende\r\n"))
            self.assertEqual(ends, [True])

    def heals(self, clean):
        """One run without faults leaves what one clean run leaves."""
        extra = os.path.join("Spiele", "UT2004 Kopie") + os.sep
        # (A restore names its run: where its folder is gone, there is nothing left to do.)
        healed = self.run_native()
        self.assertEqual(healed.returncode, 0, healed.stderr)
        after = self.files()
        # Every older version that stood at a target is somewhere still.
        for older in self.olders:
            self.assertIn(older, after.values())
        if self.restore:  # the type folders as before the run, every version somewhere
            for path in set(clean) | set(after):
                if "Morvane-Sicherung" not in path:
                    self.assertEqual(after.get(path), clean.get(path), path)
            return
        # Kept files: one run's folder is named for its time; a file that a
        # run cut short kept just before the cut is kept once, not again.
        # (A copy to the further installation may have failed, with its keeping.)
        self.assertEqual(kept(after, extra), kept(clean, extra))
        for path in set(clean) | set(after):
            if "Morvane-Sicherung" in path:
                continue
            if path.startswith(extra) and (path not in after or after[path] in self.olders):
                continue  # a copy to the further installation that failed
            self.assertEqual(after.get(path), clean.get(path), path)

    def test_a_failed_delete_and_then_a_failed_lookup(self):
        # Two faults in one run: a DEL fails, and so does the next lookup,
        # the one that asks the disk whether the package is gone.
        counts, clean = self.count_calls()
        trace = os.path.join(self.prefix, "trace")
        for n in range(1, counts["unlink"] + 1):
            with self.subTest(unlink=n):
                self.lay_out()
                fail_unlink = ["-e", "inject=unlink:error=EIO:when=%d" % n]
                self.run_native(["strace", "-qq", "-o", trace, "-e", "trace=unlink,newfstatat"] +
                                fail_unlink)
                with open(trace) as f:
                    calls = [line.split("(")[0] for line in f]
                failed = [i for i, call in enumerate(calls) if call == "unlink"][n - 1]
                lookup = calls[:failed].count("newfstatat") + 1
                self.lay_out()
                self.run_native(["strace", "-qq", "-o", "/dev/null"] + fail_unlink +
                                ["-e", "inject=newfstatat:error=EIO:when=%d" % lookup])
                self.heals(clean)


if __name__ == "__main__":
    unittest.main(verbosity=2)
