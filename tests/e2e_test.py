"""End-to-end tests: the built program in a throw-away Wine prefix, with
scripted answers; standard output, standard error, exit status and every
file are compared byte for byte.

MORVANE_PLATFORM=native runs the Linux build (MORVANE_BINARY), which reads
the prefix's system.reg and carries out the commands itself."""

import glob
import os
import random
import re
import select
import shutil
import stat
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "scripts"))
import sample_prefix as sp  # noqa: E402

sys.path.insert(0, os.path.dirname(__file__))
import e2e_platforms  # noqa: E402

PLATFORM = e2e_platforms.current()

BANNER = (" *************************************\n"
          " *         Morvane 0.91 Beta         *\n"
          " *   (c) 2026 das Morvane-Projekt    *\n"
          " *      https://morvane.example      *\n"
          " *************************************\n"
          "\n")
PROMPT = "\n++ 'Enter' druecken um das Programm zu beenden ++\n"
EMPTY = "\n- cache.ini leer\n"
UNKNOWN = "!! unbekannter Eintrag in Zeile -> Zeile wird ausgelassen !!\n"
FORMAT = "!! Format derzeit nicht kompatibel !!\n"
UNSAFE = "!! unsicherer Dateiname -> Zeile wird ausgelassen !!\n"
FAILED = "!! Kopieren fehlgeschlagen -> Zeile bleibt erhalten !!\n"
GONE = "!! Datei fehlt im Cache -> Zeile wird entfernt !!\n"
NOT_DELETED = "!! Loeschen fehlgeschlagen -> Zeile bleibt erhalten !!\n"
IN_THE_WAY = "!! Ordner mit diesem Namen im Weg -> nicht kopiert !!\n"
FURTHER_FAILED = "!! Kopieren in weitere Installation fehlgeschlagen !!\n"
# What a Cache folder holds after a run that moved every package: the
# index, and the empty file whose lock holds the folder during a run.
HELD = ["cache.ini", "morvane.lock"]
def summary(moved, kept, failed=(), saved=0, removed=0, preview=False, kept_in=()):
    """What a run that met entries says at its end, and the closing prompt;
    `failed` the targets of the failed copies to further installations,
    `kept_in` (with further installations) each Morvane-Sicherung with its
    count. A preview says what a run would do."""
    would = (lambda done, to_be: to_be) if preview else (lambda done, to_be: done)
    text = "\n- %s: %d, Zeilen behalten: %d" % (
        would("Pakete verschoben", "Vorschau: Pakete wuerden verschoben"), moved, kept)
    text += ", Zeilen entfernt: %d\n" % removed if removed else "\n"
    if failed:
        text += "- Kopien in weitere Installationen %s: %d\n" % (
            would("fehlgeschlagen", "wuerden fehlschlagen"), len(failed))
        text += "".join("  %s\n" % target for target in failed)
    if saved:
        text += would("- alte Fassungen gesichert in Morvane-Sicherung: %d\n",
                      "- in Morvane-Sicherung wuerden alte Fassungen gesichert: %d\n") % saved
    text += "".join("  %s: %d\n" % place for place in kept_in)
    return text + PROMPT


PREVIEW = "Vorschau: es wird nichts veraendert, nur gezeigt, was ein Lauf tun wuerde.\n\n"
RESCUED = "\n- cache.ini fehlt: tempcache.ini des letzten Laufs wird uebernommen\n"

UT = r"C:\UT2004"
SECOND = r"C:\Spiele\UT2004 Kopie"
# One package of every type, with its folder.
TYPES = [(name, sp.sub_folder(name))
         for name in ["DM-Rankin.ut2", "XGame.u", "HumanMaleA.ukx", "Ragdoll.ka", "KR-Intro.ogg",
                      "WeaponSounds.uax", "Hardware.usx", "Terrain.utx"]]


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


def without_places(out):
    """The console without the lines that say where a Wine game's folders
    are on this computer: shown by the rows that test them."""
    return re.sub(r"\n- Installation auf diesem Rechner: [^\n]*\n|"
                  r"- Morvane-Sicherung (wuerde angelegt )?auf diesem Rechner: [^\n]*\n", "", out)


def dialogue(names):
    listed = "".join("  %d: %s\n" % (i + 1, n) for i, n in enumerate(names))
    return ("Folgende UT-Installationen gefunden:\n\n" + listed +
            "\nGeben sie die Nr. der Installation ein: ")


# The opening of every run on the standard two installations.
OPENING = BANNER + dialogue(["UT2004", "UT2004 Zweitinstallation"])


def echoed(line):
    """What the program shows on the console for an index line it has read."""
    return "\nZeile eingelesen: " + line + "\n"


def report(name, message=""):
    return "\nraised " + name + (" : " + message if message else "") + "\n"


def normalised(text):
    """Source positions in error messages vary with the code: file.cc:N."""
    return re.sub(r"(\w+\.cc):\d+", r"\1:N", text)


class Run:
    def __init__(self, out, err, status):
        self.out, self.err, self.status = out, err, status


def strace_usable():
    """Whether runs may go under strace, which fails calls of the native
    build: it cannot run under a leak checker (valgrind, or the sanitizers'
    LeakSanitizer)."""
    return (PLATFORM.name == "native" and not PLATFORM.wrapper and
            os.environ.get("MORVANE_SANITIZED") != "ON" and bool(shutil.which("strace")))


class Harness(unittest.TestCase):
    maxDiff = None
    """A prefix for each test, and the means to lay out, run and compare."""

    def setUp(self):
        self.prefix = PLATFORM.new_prefix()
        self.addCleanup(PLATFORM.done_with, self.prefix)

    # --- laying out ---

    def register(self, installations):
        PLATFORM.register(self.prefix, installations)

    def install(self, folder, **kw):
        return sp.make_installation(self.prefix, folder, **kw)

    def standard(self, entries=None, extra_lines=(), header=("[Options]", "Version=3369", ""),
                 encoding="latin-1", ut=UT):
        """Two installations; UT2004 (in `ut`) has a cache with `entries`."""
        self.register([("UT2004", ut), ("UT2004 Zweitinstallation", SECOND)])
        self.root = self.install(ut)
        self.second = self.install(SECOND, with_cache=False)
        if entries is None:
            entries = [(sp.key(i), name) for i, (name, _) in enumerate(TYPES)]
        self.contents = sp.write_cache(self.root, list(header), entries, extra_lines,
                                       encoding=encoding)
        return entries

    def files(self):
        """Every file below drive_c (and ~/.ut2004), by path, with its bytes."""
        found = {}
        top = os.path.join(self.prefix, "drive_c")
        # And a native game's user folder, in HOME, which is the prefix's.
        for folder, _, names in [*os.walk(top), *os.walk(os.path.join(self.prefix, ".ut2004"))]:
            for name in names:
                path = os.path.join(folder, name)
                if os.path.islink(path) or os.path.relpath(path, top) in PLATFORM.baseline:
                    continue
                with open(path, "rb") as f:
                    found[os.path.relpath(path, top)] = f.read()
        return found

    def tree(self, tops):
        """Every path of the folders `tops` and below them, with its bytes (a
        file's), its mode and the times of its last change and of its inode's
        (reads update only the time of access)."""
        found = {}
        for top in tops:
            for folder, dirs, names in os.walk(top):
                for name in dirs + names:
                    found.update(self.tree_entry(os.path.join(folder, name)))
            found.update(self.tree_entry(top))
        return found

    @staticmethod
    def tree_entry(path):
        st = os.lstat(path)
        data = None
        if stat.S_ISREG(st.st_mode):
            with open(path, "rb") as f:
                data = f.read()
        return {path: (st.st_mode, st.st_mtime_ns, st.st_ctime_ns, data)}

    def cache_file(self, name):
        with open(os.path.join(self.root, "Cache", name), "rb") as f:
            return f.read()

    def run_morvane(self, answers, args=(), places=False, **env):
        """A run; without `places`, the lines that say where a Wine game's
        folders are on this computer are taken out (rows with places=True
        show them)."""
        out, err, status = PLATFORM.run(self.prefix, list(args), answers.encode("cp1252"),
                                        **({"env": env} if env else {}))
        return Run(out if places else without_places(out), normalised(err), status)

    def expect(self, run, out, err="", status=0):
        if PLATFORM.merged:
            self.assertEqual(normalised(run.out), PLATFORM.console(out + err))
        else:
            self.assertEqual(run.out, PLATFORM.console(out), run.err)
            self.assertEqual(run.err, PLATFORM.console(err))
        self.assertEqual(run.status, status)

    def moved(self, line, targets, sub, name):
        text = echoed(line)
        for target in targets:
            text += "kopiere nach %s\\%s\\%s\n" % (target, sub, name) + PLATFORM.COPIED
        return text



class EndToEnd(Harness):

    def test_normal_run_with_extra_folders(self):
        entries = self.standard(extra_lines=[sp.key(50) + "=Readme.txt", "; kein Eintrag"])
        third = r"C:\Drittes Spiel"
        self.install(third, with_cache=False)
        run = self.run_morvane("1\n\n", [SECOND, third])
        expected = OPENING
        for (k, name), (_, sub) in zip(entries, TYPES):
            expected += self.moved(k + "=" + name, [UT, SECOND, third], sub, name)
        expected += echoed(sp.key(50) + "=Readme.txt") + FORMAT
        expected += echoed("; kein Eintrag") + UNKNOWN + summary(8, 2)
        self.expect(run, expected)
        self.assertEqual(self.cache_file("cache.ini"),
                         b"[Options]\r\nVersion=3369\r\n\r\n[Cache]\r\n" + sp.key(50).encode() +
                         b"=Readme.txt\r\n; kein Eintrag\r\n")
        files = self.files()
        self.assertNotIn(os.path.join("UT2004", "Cache", "tempcache.ini"), files)
        for (k, name), (_, sub) in zip(entries, TYPES):
            for base in ("UT2004", os.path.join("Spiele", "UT2004 Kopie"), "Drittes Spiel"):
                self.assertEqual(files[os.path.join(base, sub, name)], self.contents[k])
            self.assertNotIn(os.path.join("UT2004", "Cache", k + ".uxx"), files)

    def test_index_without_entries(self):
        self.standard(entries=[], header=())
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING + EMPTY +
                    PROMPT)
        self.assertEqual(self.cache_file("cache.ini"), b"[Cache]\r\n")

    def test_missing_index(self):
        self.standard()
        os.remove(os.path.join(self.root, "Cache", "cache.ini"))
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING,
                    report("IO_EXCEPTIONS.END_ERROR", "text_files.cc:N " + UT + "\\Cache\\cache.ini"),
                    1)
        self.assertEqual(self.cache_file("cache.ini"), b"")
        self.assertEqual(self.cache_file("tempcache.ini"), b"\r\n")

    def test_missing_cache_folder_or_a_folder_for_the_index(self):
        self.standard()
        cache = os.path.join(self.root, "Cache")
        shutil.rmtree(cache)
        before = self.files()
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING, report("IO_EXCEPTIONS.NAME_ERROR",
                                         "text_files.cc:N " + UT + "\\Cache\\cache.ini"), 1)
        self.assertEqual(self.files(), before)
        # A folder is never taken over as an index, nor opened as one.
        os.makedirs(os.path.join(cache, "tempcache.ini"))
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING,
                    report("IO_EXCEPTIONS.USE_ERROR", "morvane.cc:N " + UT + "\\Cache\\tempcache.ini"),
                    1)
        self.assertEqual(sorted(os.listdir(cache)), ["morvane.lock", "tempcache.ini"])
        os.rename(os.path.join(cache, "tempcache.ini"), os.path.join(cache, "cache.ini"))
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING, report("IO_EXCEPTIONS.USE_ERROR",
                                         "text_files.cc:N " + UT + "\\Cache\\cache.ini"), 1)
        self.assertEqual(sorted(os.listdir(cache)), HELD)

    def test_indexes_in_utf8_and_utf16(self):
        # As the newer games write them: decoded to read, each kept line
        # written back with its own bytes, in the old index's encoding. A
        # name lands as the index writes it, whatever the code page lacks.
        moved, beyond = sp.key(1) + "=Caf\u00e9.ut2", sp.key(2) + "=\u0100tna.u"
        lines = ["[Options]", "Name=\u4e2d\u6587", "[Cache]", moved, beyond, "; \U0001F600"]
        self.standard(entries=[(sp.key(1), "Caf\u00e9.ut2"), (sp.key(2), "\u0100tna.u")],
                      encoding="utf-8")
        index = os.path.join(self.root, "Cache", "cache.ini")
        for encoding, mark in (("utf-8", b"\xef\xbb\xbf"), ("utf-16-le", b"\xff\xfe")):
            write_file(index, mark + "".join(l + "\r\n" for l in lines).encode(encoding))
            run = self.run_morvane("1\n\n")
            self.expect(run, OPENING + self.moved(moved, [UT], "Maps", "Caf\u00e9.ut2") +
                        self.moved(beyond, [UT], "System", "\u0100tna.u") +
                        echoed("; \U0001F600") + UNKNOWN + summary(2, 1))
            self.assertEqual(self.cache_file("cache.ini"), mark + "".join(
                l + "\r\n" for l in lines if l not in (moved, beyond)).encode(encoding))
            for name, sub in (("Caf\u00e9.ut2", "Maps"), ("\u0100tna.u", "System")):
                key = sp.key(1 if sub == "Maps" else 2)
                os.rename(os.path.join(self.root, sub, name),
                          os.path.join(self.root, "Cache", key + ".uxx"))
        # Without its section line the index is named, not taken for empty.
        write_file(index, b"\xff\xfe" + "[Options]\r\n".encode("utf-16-le"))
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING, report("IO_EXCEPTIONS.END_ERROR", "cacheverarbeitung.cc:N "
                                         "keine Zeile [Cache] in " + UT + "\\Cache\\cache.ini"), 1)

    def test_missing_registry_key(self):
        self.register([])
        run = self.run_morvane("1\n\n")
        self.expect(run, BANNER, PLATFORM.nothing_found(self.prefix), 1)

    def test_bad_answers_change_nothing(self):
        self.standard()
        before = self.files()
        index = report("CONSTRAINT_ERROR", "morvanepack.cc:N index check failed")
        data = report("IO_EXCEPTIONS.DATA_ERROR", "integer_input.cc:N")
        cases = [("0\n", index), ("3\n", index), ("2147483647\n", index),
                 ("-1\n", report("CONSTRAINT_ERROR", "morvanepack.cc:N range check failed")),
                 ("abc\n", data), ("2e\n", data), ("2:\n", data), ("99999999999\n", data),
                 ("", report("IO_EXCEPTIONS.END_ERROR", "integer_input.cc:N")),
                 ("\n  \n", report("IO_EXCEPTIONS.END_ERROR", "integer_input.cc:N")),
                 ("1", report("IO_EXCEPTIONS.END_ERROR", "text_files.cc:N"))]
        for answer, err in cases:
            with self.subTest(answer=answer):
                run = self.run_morvane(answer)
                self.expect(run, OPENING,
                            err, 1)
                self.assertEqual(self.files(), before)

    def test_answers_that_select(self):
        names = ["Spiel %02d" % i for i in range(1, 12)]
        self.register([(n, r"C:\S%d" % i) for i, n in enumerate(names, 1)])
        for i in range(1, 12):
            root = self.install(r"C:\S%d" % i)
            sp.write_cache(root, [], [])
        for answer, chosen in [("  02 und mehr\n", 2), ("\n\n1_0\n", 10), ("+2E0x\n", 2),
                               ("16#B#\n", 11)]:
            with self.subTest(answer=answer):
                marker = os.path.join(self.prefix, "drive_c", "S%d" % chosen, "Cache",
                                      "cache.ini")
                write_file(marker, b"[Cache]\r\nmarker\r\n")
                run = self.run_morvane(answer + "\n")
                self.expect(run, BANNER + dialogue(names) + echoed("marker") + UNKNOWN +
                            EMPTY + PROMPT)
                with open(marker, "rb") as f:
                    self.assertEqual(f.read(), b"[Cache]\r\nmarker\r\n")

    def test_input_ends_at_the_closing_prompt(self):
        entries = self.standard(entries=[(sp.key(1), "XGame.u")])
        run = self.run_morvane("1\n")
        self.expect(run, OPENING +
                    self.moved(entries[0][0] + "=XGame.u", [UT], "System", "XGame.u") +
                    summary(1, 0),
                    report("IO_EXCEPTIONS.END_ERROR", "text_files.cc:N"), 1)
        self.assertEqual(self.cache_file("cache.ini"),
                         b"[Options]\r\nVersion=3369\r\n\r\n[Cache]\r\n")
        self.assertEqual(self.files()[os.path.join("UT2004", "System", "XGame.u")],
                         self.contents[sp.key(1)])

    def test_folder_with_blanks(self):
        folder = r"C:\Program Files (x86)\Unreal Tournament 2004"
        self.register([("UT2004", folder)])
        self.root = self.install(folder)
        self.contents = sp.write_cache(self.root, [], [(sp.key(7), "CTF-Face3.ut2")])
        # Natively the cached package is a symbolic link to a file beside
        # it: what lands in Maps is the bytes, not a link that dangles later.
        cached = os.path.join(self.root, "Cache", sp.key(7) + ".uxx")
        if PLATFORM.name == "native":
            os.rename(cached, cached + ".real")
            os.symlink(os.path.basename(cached) + ".real", cached)
        run = self.run_morvane("1\n\n")
        self.expect(run, BANNER + dialogue(["UT2004"]) +
                    self.moved(sp.key(7) + "=CTF-Face3.ut2", [folder], "Maps", "CTF-Face3.ut2") +
                    summary(1, 0))
        self.assertEqual(self.cache_file("cache.ini"), b"[Cache]\r\n")
        with open(os.path.join(self.root, "Maps", "CTF-Face3.ut2"), "rb") as f:
            self.assertEqual(f.read(), self.contents[sp.key(7)])
        self.assertFalse(os.path.islink(os.path.join(self.root, "Maps", "CTF-Face3.ut2")))
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "Cache"))),
                         [sp.key(7) + ".uxx.real"] * (PLATFORM.name == "native") + HELD)

    def test_only_a_whole_copy_of_a_file_lets_the_package_go(self):
        # What the disk shows decides, not what the shell says. Under a
        # folder as long as Steam's a valid name of 200 characters makes a
        # path beyond the shell's limit: Windows' own calls copy it. A
        # folder, a pipe or a device under a package's name is no package,
        # and an older map that cannot be replaced survives whole.
        native = PLATFORM.name == "native"
        folder = r"C:\Program Files (x86)\Steam\steamapps\common\Unreal Tournament 2004"
        names = ["DM-" + "L" * 196 + ".ut2", "Ordner.utx", "Alt.ut2"] + ["Pipe.u", "Null.u"] * native
        self.register([("UT2004", folder)])
        self.root = self.install(folder)
        lines = [sp.key(i) + "=" + name for i, name in enumerate(names)]
        sp.write_cache(self.root, [], [(sp.key(i), name) for i, name in enumerate(names)])
        cached = [os.path.join(self.root, "Cache", sp.key(i) + ".uxx") for i in range(len(names))]
        for path in cached[1:2] + cached[3:]:
            os.remove(path)
        os.mkdir(cached[1])
        write_file(os.path.join(cached[1], "a.txt"), b"a")
        if native:
            os.mkfifo(cached[3])
            os.symlink("/dev/zero", cached[4])
        older = os.path.join(self.root, "Maps", "Alt.ut2")
        write_file(older, b"older map")
        os.chmod(older, 0o444)
        self.addCleanup(os.chmod, older, 0o644)
        run = self.run_morvane("1\n\n")
        into = "kopiere nach %s\\Maps\\%s\n"
        self.expect(run, BANNER + dialogue(["UT2004"]) +
                    self.moved(lines[0], [folder], "Maps", names[0]) +
                    echoed(lines[1]) + FAILED + echoed(lines[2]) + into % (folder, "Alt.ut2") +
                    PLATFORM.COPY_DENIED + FAILED +
                    "".join(echoed(line) + FAILED for line in lines[3:]) +
                    summary(1, len(lines) - 1))
        self.assertEqual(self.cache_file("cache.ini"), "".join(
            line + "\r\n" for line in ["[Cache]"] + lines[1:]).encode())
        self.assertEqual(os.listdir(cached[1]), ["a.txt"])
        with open(older, "rb") as f:
            self.assertEqual(f.read(), b"older map")
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "Maps"))),
                         ["Alt.ut2"] + names[:1])

    def test_tempcache_left_from_before_is_replaced(self):
        self.standard(entries=[], extra_lines=["kept line"])
        write_file(os.path.join(self.root, "Cache", "tempcache.ini"), b"[Cache]\r\nstale line\r\n")
        settings = os.path.join(self.root, "System", "UT2004.ini")
        if PLATFORM.name == "native":
            # A link there is nobody's index: what it points to is never written.
            os.rename(os.path.join(self.root, "Cache", "tempcache.ini"), settings)
            os.symlink(os.path.join("..", "System", "UT2004.ini"),
                       os.path.join(self.root, "Cache", "tempcache.ini"))
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING +
                    echoed("kept line") + UNKNOWN + EMPTY + PROMPT)
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "Cache"))), HELD)
        self.assertEqual(self.cache_file("cache.ini"),
                         b"[Options]\r\nVersion=3369\r\n\r\n[Cache]\r\nkept line\r\n")
        if PLATFORM.name == "native":
            with open(settings, "rb") as f:
                self.assertEqual(f.read(), b"[Cache]\r\nstale line\r\n")

    def test_unsafe_folders_are_refused(self):
        self.standard()
        before = self.files()
        unsafe = "morvane.cc:N unsicherer Ordnername: "
        # Folders that are not there (mistyped, an option) get no copies.
        arguments = [("C:\\x\" & del C:\\y", unsafe + "C:\\x\" & del C:\\y"), ("", "morvane.cc:N"),
                     ("D:\\UT2033", "morvane.cc:N D:\\UT2033"),
                     (UT + "\\System\\Core.u", "morvane.cc:N C:\\UT2004\\System\\Core.u")]
        write_file(os.path.join(self.root, "System", "Core.u"), b"a file, no folder")
        before = self.files()
        if PLATFORM.name == "native":
            # A Linux name that is no UTF-8 names no Windows folder.
            arguments.append(("C:\\Spiele\\\udcc4tna", unsafe + "C:\\Spiele\\?tna"))
        for argument, message in arguments:
            run = self.run_morvane("1\n\n", [SECOND, argument])
            self.expect(run, BANNER, report("IO_EXCEPTIONS.NAME_ERROR", message), 1)
            self.assertEqual(self.files(), before)
        # A report says at most 200 characters.
        out, err, status = PLATFORM.run(self.prefix, ["C:\\" + "x" * 300 + "*"], b"1\n\n")
        message = (out + err).strip().splitlines()[-1].split(" : ", 1)[1]
        self.assertEqual((len(message), message[-1], status), (200, "x", 1))
        self.register([("UT2004", r"C:\%PATH%")])
        run = self.run_morvane("1\n\n")
        self.expect(run, BANNER + dialogue(["UT2004"]),
                    report("IO_EXCEPTIONS.NAME_ERROR",
                           "morvane.cc:N unsicherer Ordnername: C:\\%PATH%"), 1)
        self.assertEqual(self.files(), before)

    def test_unsafe_names_and_failed_copies_keep_their_lines(self):
        evil = sp.key(1) + "=..\\..\\evil.u"
        missing = sp.key(2) + "=Lost.u"
        no_folder = sp.key(3) + "=Song.ogg"
        devices = [sp.key(5) + "=NUL.ut2", sp.key(5) + "=com1 .utx", sp.key(5) + "=Lpt\u00b9.ka",
                   sp.key(5) + "=COM9.utx", sp.key(5) + "=lpt9.u", sp.key(5) + "=Com0.ogg",
                   sp.key(5) + "=conout$.u", "nuL" + "." * 31 + "=DM-Rankin.ut2"]
        in_the_way = sp.key(6) + "=DM-Dir.ut2"
        # What Wine (or Windows: DM-VER~1.ut2) takes for the installed map.
        short = sp.key(8) + "=DM-V~LFA.ut2"
        good = sp.key(4) + "=COM10.utx"
        self.standard(entries=[(sp.key(4), "COM10.utx"), (sp.key(6), "DM-Dir.ut2"),
                               (sp.key(8), "DM-V~LFA.ut2")])
        installed = os.path.join(self.root, "Maps", "DM-VeryLongMapName.ut2")
        write_file(installed, b"installed map")
        shutil.rmtree(os.path.join(self.root, "Music"))
        os.mkdir(os.path.join(self.root, "Maps", "DM-Dir.ut2"))
        os.mkdir(os.path.join(self.second, "Textures", "COM10.utx"))
        write_file(os.path.join(self.root, "Cache", sp.key(3) + ".uxx"), b"song")
        kept = [evil, no_folder] + devices + [in_the_way, short]
        write_file(os.path.join(self.root, "Cache", "cache.ini"),
                   "".join(line + "\r\n" for line in ["[Cache]", evil, missing, no_folder] +
                           devices + [in_the_way, short, good]).encode("cp1252"))
        run = self.run_morvane("1\n\n", [SECOND])
        self.expect(run, OPENING +
                    echoed(evil) + UNSAFE + echoed(missing) + GONE +
                    echoed(no_folder) + "kopiere nach C:\\UT2004\\Music\\Song.ogg\n" +
                    PLATFORM.FOLDER_MISSING + FAILED +
                    "".join(echoed(line) + UNSAFE for line in devices) +
                    echoed(in_the_way) + "kopiere nach C:\\UT2004\\Maps\\DM-Dir.ut2\n" +
                    IN_THE_WAY + FAILED + echoed(short) + UNSAFE +
                    self.moved(good, [UT], "Textures", "COM10.utx") +
                    "kopiere nach %s\\Textures\\COM10.utx\n" % SECOND + IN_THE_WAY +
                    FURTHER_FAILED +
                    summary(1, len(kept), [SECOND + "\\Textures\\COM10.utx"], removed=1))
        self.assertEqual(self.cache_file("cache.ini"),
                         "".join(line + "\r\n" for line in ["[Cache]"] + kept).encode("cp1252"))
        self.assertEqual(self.cache_file(sp.key(3) + ".uxx"), b"song")
        self.assertEqual(self.cache_file(sp.key(6) + ".uxx"), self.contents[sp.key(6)])
        self.assertFalse(os.path.exists(os.path.join(self.prefix, "drive_c", "evil.u")))
        self.assertEqual(os.listdir(os.path.join(self.root, "Maps", "DM-Dir.ut2")), [])
        self.assertEqual(os.listdir(os.path.join(self.second, "Textures", "COM10.utx")), [])
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "Maps"))),
                         ["DM-Dir.ut2", "DM-VeryLongMapName.ut2"])
        with open(installed, "rb") as f:
            self.assertEqual(f.read(), b"installed map")
        self.assertEqual(self.cache_file(sp.key(8) + ".uxx"), self.contents[sp.key(8)])

    def test_a_second_run_on_the_same_cache_changes_nothing(self):
        # The first run holds the cache until it ends; it waits at its
        # closing prompt. The second names the same folder in other spellings.
        entries = self.standard(entries=[(sp.key(1), "XGame.u")])
        other = [("Eins", UT), ("Zwei", UT.lower()),
                 ("Zwo", PLATFORM.other_spelling(self.prefix, UT))]
        self.register(other)
        first = PLATFORM.start(self.prefix, [])
        for cleanup in (first.stdout.close, first.stdin.close, first.wait, first.kill):
            self.addCleanup(cleanup)
        first.stdin.write(b"1\n")
        first.stdin.flush()
        shown = b""
        while b"beenden ++" not in shown:  # its work is done
            shown += os.read(first.stdout.fileno(), 4096) or self.fail(shown)
        before = self.files()
        for answer, (name, folder) in zip(("1", "2", "3"), other):
            with self.subTest(folder=folder):
                run = self.run_morvane(answer + "\n\n")
                self.expect(run, BANNER + dialogue([n for n, _ in other]),
                            report("IO_EXCEPTIONS.USE_ERROR", "morvane.cc:N wird gerade von "
                                   "einem anderen Lauf bearbeitet: " + folder + "\\Cache"), 1)
                self.assertEqual(self.files(), before)
        # Killed, it holds nothing any more, and it left nothing behind.
        first.kill()
        first.wait()
        run = self.run_morvane("1\n\n")
        self.expect(run, BANNER + dialogue([n for n, _ in other]) + EMPTY + PROMPT)
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "Cache"))), HELD)
        self.assertEqual(self.files()[os.path.join("UT2004", "System", "XGame.u")],
                         self.contents[entries[0][0]])

    @unittest.skipUnless(PLATFORM.name == "wine" and os.environ.get("MORVANE_NATIVE_BINARY"),
                         "needs Wine and the native build")
    def test_both_builds_hold_one_cache(self):
        # A native game's user folder below drive C: the native build finds it
        # in HOME (with no registry of its own), morvane.exe through the
        # registry. Each build in turn waits at its closing prompt, holding;
        # the other is refused and changes nothing.
        home = os.path.join(self.prefix, "drive_c", "home")
        user = sp.make_user_folder(home)
        sp.write_cache(user, [], [(sp.key(1), "XGame.u")])
        self.register([("UT2004", r"C:\home\.ut2004")])
        empty = os.path.join(home, "keine-wine-umgebung")
        os.makedirs(empty)
        native_env = {"PATH": "/usr/bin:/bin", "WINEPREFIX": empty, "HOME": home}
        native = [os.environ["MORVANE_NATIVE_BINARY"]]
        for holding, refused in (("wine", "native"), ("native", "wine")):
            with self.subTest(holding=holding):
                if holding == "wine":
                    first = PLATFORM.start(self.prefix, [])
                else:
                    first = subprocess.Popen(native, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                             stderr=subprocess.STDOUT, env=native_env)
                first.stdin.write(b"1\n")
                first.stdin.flush()
                shown = b""
                while b"beenden ++" not in shown:
                    shown += os.read(first.stdout.fileno(), 4096) or self.fail(shown)
                before = self.files()
                said = []  # a run's, and a preview's (which never makes the lock file)
                for preview in ([], ["-n"]):
                    if refused == "native":
                        done = subprocess.run(native + preview, input=b"1\n\n", env=native_env,
                                              capture_output=True, timeout=60)
                        said.append(done.stderr.decode())
                        folder = user + "/Cache"
                    else:
                        said.append(self.run_morvane("1\n\n", preview).out)
                        folder = r"C:\home\.ut2004\Cache"
                first.kill()
                first.wait()
                first.stdin.close()
                first.stdout.close()
                for text in said:
                    self.assertEqual(normalised(text).replace("\r\n", "\n").split("\nraised ")[-1],
                                     "IO_EXCEPTIONS.USE_ERROR : morvane.cc:N wird gerade von einem "
                                     "anderen Lauf bearbeitet: " + folder + "\n")
                self.assertEqual(self.files(), before)

    @unittest.skipUnless(PLATFORM.name == "wine", "the Windows build's shell")
    def test_a_shell_that_asks_finds_no_answer_of_the_players(self):
        # The shell reads a line before it works. Its input must end at once:
        # the player's answers still to come are the program's.
        self.standard(entries=[(sp.key(1), "XGame.u")])
        env = PLATFORM.use_shell("wait")
        self.addCleanup(PLATFORM.use_shell, None)
        first = PLATFORM.start(self.prefix, [], env)
        self.addCleanup(first.kill)
        first.stdin.write(b"1\n")
        first.stdin.flush()
        shown, deadline = b"", time.time() + 60
        while b"beenden ++" not in shown and time.time() < deadline:
            if select.select([first.stdout], [], [], 1)[0]:
                shown += os.read(first.stdout.fileno(), 4096) or b"(ended)"
        first.stdin.write(b"\n")
        first.stdin.close()
        shown += first.stdout.read()
        first.stdout.close()
        self.assertEqual((shown.decode("cp1252"), first.wait()), (PLATFORM.console(
            OPENING + self.moved(sp.key(1) + "=XGame.u", [UT], "System", "XGame.u") +
            summary(1, 0)), 0))

    def test_the_next_run_heals_what_an_interrupted_run_left(self):
        # The last run ended after removing cache.ini: its new index, which
        # still names a package it had moved (stale), is taken over. A
        # package that cannot be deleted keeps its line.
        stale, stuck, kept = sp.key(1) + "=Old.u", sp.key(2) + "=Stuck.utx", "; kein Eintrag"
        self.standard(entries=[(sp.key(2), "Stuck.utx")])
        cache = os.path.join(self.root, "Cache")
        os.remove(os.path.join(cache, "cache.ini"))
        write_file(os.path.join(cache, "TempCache.INI"),
                   ("[Cache]\r\n%s\r\n%s\r\n%s\r\n" % (stale, stuck, kept)).encode())
        package = os.path.join(cache, sp.key(2) + ".uxx")
        if subprocess.run(["chattr", "+i", package], capture_output=True).returncode != 0:
            self.skipTest("chattr +i is not available here")
        self.addCleanup(subprocess.run, ["chattr", "-i", package])
        run = self.run_morvane("1\n\n")
        self.expect(run, OPENING + RESCUED +
                    echoed(stale) + GONE +
                    self.moved(stuck, [UT], "Textures", "Stuck.utx") + PLATFORM.DELETE_DENIED +
                    NOT_DELETED + echoed(kept) + UNKNOWN + summary(0, 2, removed=1))
        self.assertEqual(sorted(os.listdir(cache)), sorted(HELD + [sp.key(2) + ".uxx"]))
        self.assertEqual(self.cache_file("cache.ini"),
                         ("[Cache]\r\n%s\r\n%s\r\n" % (stuck, kept)).encode())
        with open(os.path.join(self.root, "Textures", "Stuck.utx"), "rb") as f:
            self.assertEqual(f.read(), self.contents[sp.key(2)])

def stamped(text):
    """The run's own folder of kept files is named for its time: <zeit>."""
    return re.sub(r"\d{4}-\d\d-\d\d_\d{6}(-\d+)?", "<zeit>", text)


KEPT = "alte Fassung gesichert nach "
# What the help must say: what the program does, that arguments are
# further installations, how to pipe the answers, where the guide is.
HELP_SAYS = ["Morvane leert den Download-Cache", "weitere Installation",
             "printf '1\\n\\n' | morvane", "LIESMICH.txt", "--dry-run",
             "nur zeigen, was ein Lauf tun wuerde", "-i, --installation Ordner"] + {
    # and in the platform's own paths, where it looks and its guides
    "native": ["Cache/cache.ini", "Morvane-Sicherung/<Datum>_<Zeit>/", "~/.ut2004",
               "WINEPREFIX", "man ./morvane.de.6"],
    "wine": ["Cache\\cache.ini", "Morvane-Sicherung\\<Datum>_<Zeit>\\",
             "Aufruf: morvane.exe [Optionen]"]}[PLATFORM.name]
# The release's build number: the count of commits, as the build took it.
BUILD = subprocess.run(["git", "rev-list", "--count", "HEAD"], capture_output=True, text=True,
                       cwd=os.path.dirname(os.path.abspath(__file__))).stdout.strip()
FIFO = "a named pipe"
# What a player without any game is told, natively.
NOWHERE = report("GWINDOWS.REGISTRY.REGISTRY_ERROR", "keine Installation gefunden in "
                 "~/.wine/system.reg, den Wine-Umgebungen von Steam, Lutris, Heroic, Bottles "
                 "und PlayOnLinux, den Bibliotheken von Steam, ~/.ut2004/Cache, ~/.ut2003/Cache")


def temporary_name(target):
    """The name under which a copy to `target` is written first."""
    h = 1469598103934665603
    for byte in target.encode("cp1252"):
        h = ((h ^ byte) * 1099511628211) % (1 << 64)
    return ".morvane-%016x" % h


TEMPORARY = temporary_name(UT + "\\Maps\\DM-Foo.ut2")
# A further installation whose targets are 249 characters long.
LONG = "C:\\" + "Lang" * 58
# Folders whose lengths are counted in UTF-16 units, as Windows counts them:
# Cyrillic letters are two bytes each in UTF-8 (and a Linux name holds 255).
# With "\\Maps\\", CYRILLIC is 241 units (481 bytes), NO_ROOM 250: their
# temporary names lie beyond the shell's 260 units, as AT_260's target does.
CYRILLIC = "C:\\" + "\u0414" * 115 + "\\" + "\u0414" * 116
NO_ROOM = "C:\\" + "\u0414" * 120 + "\\" + "\u0414" * 120
KEEP_248 = "C:\\" + "K" * 206  # its run folder's Maps: 250 units, above a folder's own 248
AT_260 = "C:\\" + "L" * 243  # its target "\\Maps\\DM-A.ut2": 260 units, one too many

# Runs as rows: the cache's entries (n, name) with their packages under
# key n, further index lines, files laid out before (a number n stands for
# the package of key n), the arguments, what the pass shows between the
# opening and the closing prompt ({k1}: key 1, {copied}: the shell's word
# for a copy, paths of the installations by their labels), and the files
# after (None: absent) and the index lines after "[Cache]". "game": "user"
# works on a native game's user folder; "only" names the one build.
CASES = [
    dict(name="a file that the copy replaces is kept when it differs, in each installation",
         kept_in=[("{UT}\\Morvane-Sicherung", 2), ("{SECOND}\\Morvane-Sicherung", 2)],
         entries=[(1, "DM-Foo.ut2"), (2, "XGame.u"), (4, "DM-Foo.ut2")], args=["{SECOND}"],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "UT/System/XGame.u": 2,
                 "SECOND/Maps/DM-Foo.ut2": b"zweite"},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\DM-Foo.ut2\n"
             "kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n{copied}"
             "{kept}{SECOND}\\{sich}\\Maps\\DM-Foo.ut2\n"
             "{moved2}{UT}\\System\\XGame.u\n{copied}kopiere nach {SECOND}\\System\\XGame.u\n{copied}"
             "{moved4}{UT}\\Maps\\DM-Foo.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\DM-Foo (2).ut2\n"
             "kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n{copied}"
             "{kept}{SECOND}\\{sich}\\Maps\\DM-Foo (2).ut2\n",
         sum=(3, 0, [], 4),
         after={"UT/Maps/DM-Foo.ut2": 4, "UT/System/XGame.u": 2, "SECOND/Maps/DM-Foo.ut2": 4,
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"eigene Karte",
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-Foo (2).ut2": 1,
                "SECOND/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"zweite",
                "SECOND/Morvane-Sicherung/<zeit>/Maps/DM-Foo (2).ut2": 1,
                "UT/Morvane-Sicherung/<zeit>/System/XGame.u": None}),
    dict(name="a pipe for the index ends the run before any change", only="native",
         entries=[(1, "XGame.u")], before={"UT/Cache/cache.ini": FIFO}, index=None,
         err=report("IO_EXCEPTIONS.USE_ERROR", "text_files.cc:N C:\\UT2004\\Cache\\cache.ini"),
         status=1, after={"UT/Cache/{k1}.uxx": 1, "UT/System/XGame.u": None}),
    dict(name="and so does one for the new index", only="native",
         entries=[(1, "XGame.u")], before={"UT/Cache/tempcache.ini": FIFO},
         err=report("IO_EXCEPTIONS.USE_ERROR",
                    "text_files.cc:N C:\\UT2004\\Cache\\tempcache.ini"),
         status=1, after={"UT/Cache/{k1}.uxx": 1}, index=["{k1}=XGame.u"]),
    dict(name="and a device for the index", only="native",
         entries=[(1, "XGame.u")], before={"UT/Cache/cache.ini": ("link", "/dev/zero")},
         err=report("IO_EXCEPTIONS.USE_ERROR", "text_files.cc:N C:\\UT2004\\Cache\\cache.ini"),
         status=1, index=None, after={"UT/Cache/{k1}.uxx": 1}),
    dict(name="a name with a byte that Windows-1252 leaves undefined is unsafe",
         entries=[(1, "DM-\x81.ut2"), (2, "XGame\x9d.u")],
         out="\nZeile eingelesen: {k1}=DM-\\x81.ut2\n" + UNSAFE +
             "\nZeile eingelesen: {k2}=XGame\\x9D.u\n" + UNSAFE,
         after={"UT/Cache/{k1}.uxx": 1}, index=["{k1}=DM-\x81.ut2", "{k2}=XGame\x9d.u"],
         sum=(0, 2)),
    dict(name="a user folder's Cache as a further installation gets no type folders; a Linux "
              "path is joined with /",
         game="user", only="native", entries=[(1, "DM-Foo.ut2")], args=["{USER}/Cache/"],
         out="{moved1}{USER}/Maps/DM-Foo.ut2\n{copied}kopiere nach {USER}/Cache/Maps/DM-Foo.ut2\n"
             "{missing}" + FURTHER_FAILED, sum=(1, 0, ["{USER}/Cache/Maps/DM-Foo.ut2"]),
         after={"USER/Cache/Maps": None, "USER/Maps/DM-Foo.ut2": 1}),
    dict(name="a native game's folders are named as they are: no line says where they are",
         game="user", only="native", entries=[(1, "DM-Foo.ut2")], places=None,
         out="{moved1}{USER}/Maps/DM-Foo.ut2\n{copied}", after={"USER/Maps/DM-Foo.ut2": 1},
         sum=(1, 0)),
    dict(name="a run folder left empty (a file held open kept it) goes at the next run; "
              "another folder stays",
         entries=[(1, "DM-Foo.ut2")],
         before={"UT/Morvane-Sicherung/2026-01-01_000000/Maps": ("mkdir",),
                 "UT/Morvane-Sicherung/Eigenes/Maps": ("mkdir",)},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}",
         after={"UT/Morvane-Sicherung/2026-01-01_000000": None,
                "UT/Morvane-Sicherung/Eigenes/Maps": ("mkdir",), "UT/Maps/DM-Foo.ut2": 1},
         sum=(1, 0)),
    dict(name="a copy's temporary files left from before go, and only those",
         entries=[(1, "DM-Foo.ut2")], args=["{SECOND}"],
         before={"UT/Maps/.morvane-0123456789abcdef": b"cut short",
                 "SECOND/Maps/.morvane-fedcba9876543210": b"cut short",
                 "SECOND/Maps/.morvane-notiz.txt": b"the player's",
                 "SECOND/Maps/.morvane-a": b"cut short to fit a long folder"},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}"
             "kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n{copied}",
         after={"UT/Maps/.morvane-*": None, "SECOND/Maps/.morvane-[0-9a-f]*": None,
                "SECOND/Maps/.morvane-notiz.txt": b"the player's", "SECOND/Maps/DM-Foo.ut2": 1},
         sum=(1, 0)),
    dict(name="a link at tempcache.ini and no index: the link goes, what it names is not taken",
         only="native", entries=[(1, "DM-Foo.ut2")],
         before={"UT/Cache/cache.ini": ("absent",), "UT/Maps/alt.ini": b"[Cache]\r\nalt=DM-Alt.ut2\r\n",
                 "UT/Cache/tempcache.ini": ("link", "../Maps/alt.ini")}, status=1,
         err=report("IO_EXCEPTIONS.END_ERROR", "text_files.cc:N C:\\UT2004\\Cache\\cache.ini"),
         after={"UT/Cache/tempcache.ini": b"\r\n", "UT/Cache/{k1}.uxx": 1, "UT/Cache/cache.ini": b"",
                "UT/Maps/alt.ini": b"[Cache]\r\nalt=DM-Alt.ut2\r\n"}, index=None),
    dict(name="a read-only package is copied, and its copies are not read-only",
         entries=[(1, "DM-Foo.ut2")], args=["{SECOND}"],
         before={"UT/Cache/{k1}.uxx": ("chmod", 0o444)},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}"
             "kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n{copied}{not_deleted}",
         after={"UT/Maps/DM-Foo.ut2": ("writable", 1), "SECOND/Maps/DM-Foo.ut2": ("writable", 1),
                "UT/Maps/.morvane-*": None}, index=PLATFORM.READ_ONLY_KEPT,
         sum=(1 - len(PLATFORM.READ_ONLY_KEPT), len(PLATFORM.READ_ONLY_KEPT))),
    dict(name="a target of a legal length is never too long for its temporary name",
         entries=[(1, "DM-A.ut2")], args=[LONG], install=[LONG],
         out="{moved1}{UT}\\Maps\\DM-A.ut2\n{copied}kopiere nach " + LONG + "\\Maps\\DM-A.ut2\n"
             "{copied}", after={"UT/Maps/DM-A.ut2": 1, "LONG/Maps/DM-A.ut2": 1}, sum=(1, 0)),
    dict(name="an index in UTF-8 without a mark is read and written as UTF-8",
         entries=[(1, "DM-Caf\u00e9.ut2")], index_encoding="utf-8",
         before={"UT/Cache/cache.ini": ("[Cache]\r\n%s=DM-Caf\u00e9.ut2\r\n; Gr\u00fc\u00dfe\r\n"
                                        % sp.key(1)).encode("utf-8")},
         out="{moved1}{UT}\\Maps\\DM-Caf\u00e9.ut2\n{copied}"
             "\nZeile eingelesen: ; Gr\u00fc\u00dfe\n" + UNKNOWN,
         after={"UT/Maps/DM-Caf\u00e9.ut2": 1}, index=["; Gr\u00fc\u00dfe"], sum=(1, 1)),
    dict(name="an overlong form in UTF-8 is no character",
         entries=[(1, "DM-A.ut2"), (2, "DM-A.ut2")],
         before={"UT/Cache/cache.ini": b"\xef\xbb\xbf[Cache]\r\n" + sp.key(1).encode() +
                 b"=DM-\xc1\x81.ut2\r\n" + sp.key(2).encode() + b"=DM-\xe0\x81\x81.ut2\r\n"},
         out="\nZeile eingelesen: {k1}=DM-??.ut2\n" + UNSAFE +
             "\nZeile eingelesen: {k2}=DM-?.ut2\n" + UNSAFE, after={"UT/Maps/DM-A.ut2": None},
         index=["{k1}=DM-\xc1\x81.ut2", "{k2}=DM-\xe0\x81\x81.ut2"], sum=(0, 2)),
    dict(name="one that is no UTF-8, if only by its last byte, is read as 8-bit, as ever",
         entries=[(1, "DM-Caf\u00c3\u00a9.ut2")],
         before={"UT/Cache/cache.ini": b"[Cache]\r\n" + sp.key(1).encode() +
                 b"=DM-Caf\xc3\xa9.ut2\r\n; \xe9"},
         out="{moved1}{UT}\\Maps\\DM-Caf\u00c3\u00a9.ut2\n{copied}"
             "\nZeile eingelesen: ; \u00e9\n" + UNKNOWN,
         after={"UT/Maps/DM-Caf\u00c3\u00a9.ut2": 1}, index=["; \u00e9"], sum=(1, 1)),
    dict(name="--help shows what the program does, and touches nothing", args=["--help"],
         entries=[(1, "XGame.u")], says=HELP_SAYS, index=["{k1}=XGame.u"],
         after={"UT/Cache/morvane.lock": None, "UT/Cache/{k1}.uxx": 1}),
    dict(name="-h too", args=["-h", "C:\\Fehlt"], entries=[], says=HELP_SAYS),
    dict(name="/? too, on Windows", only="wine", args=["/?"], entries=[], says=HELP_SAYS),
    dict(name="--version says the release", args=["--version"], entries=[], full=True,
         out="morvane 0.91-{build}\n"),
    dict(name="an unknown option is reported before anything else", args=["{SECOND}", "-x"],
         entries=[], full=True, status=1,
         err=report("IO_EXCEPTIONS.NAME_ERROR", "optionen.cc:N unbekannte Option: -x")),
    dict(name="and so is one with a slash on Windows", only="wine", args=["/y"], entries=[],
         full=True, status=1,
         err=report("IO_EXCEPTIONS.NAME_ERROR", "optionen.cc:N unbekannte Option: /y")),
    dict(name="after --, a folder named like an option is a folder, checked before the list",
         args=["--", "--help"], entries=[], full=True, out=BANNER, status=1,
         err=report("IO_EXCEPTIONS.NAME_ERROR", "morvane.cc:N --help")),
    dict(name="a copy that the shell only claims, short, keeps its line and package; its "
              "read-only temporary copy goes", only="wine",
         shell="short", entries=[(1, "DM-Foo.ut2")], before={"UT/Cache/{k1}.uxx": ("chmod", 0o444)},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n        1 Datei(en) kopiert.\n" + FAILED,
         after={"UT/Maps/DM-Foo.ut2": None, "UT/Maps/.morvane-*": None, "UT/Cache/{k1}.uxx": 1},
         index=["{k1}=DM-Foo.ut2"], sum=(0, 1)),
    dict(name="and so does one of nothing; a copy that an earlier run left at the temporary "
              "name, of the package's size, never becomes the copy", only="wine",
         shell="none", entries=[(1, "DM-Foo.ut2")],
         before={"UT/Maps/" + TEMPORARY: b"x" * len(sp.package_bytes("DM-Foo.ut2", 64))},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n        1 Datei(en) kopiert.\n" + FAILED,
         after={"UT/Maps/DM-Foo.ut2": None, "UT/Maps/.morvane-*": None, "UT/Cache/{k1}.uxx": 1},
         index=["{k1}=DM-Foo.ut2"], sum=(0, 1)),
    dict(name="something other than a file at the lock's name is refused", only="native",
         entries=[(1, "XGame.u")], before={"UT/Cache/morvane.lock": FIFO}, status=1,
         err=report("IO_EXCEPTIONS.USE_ERROR", "morvane.cc:N C:\\UT2004\\Cache\\morvane.lock"),
         index=["{k1}=XGame.u"], after={"UT/Cache/{k1}.uxx": 1}),
    dict(name="on a Russian Windows (1251) a name of a UTF-8 index lands as the index writes it",
         only="wine", locale="ru_RU", encoding="utf-8-sig", index_encoding="utf-8",
         entries=[(1, "DM-Caf\u00e9.ut2"), (2, "DM-\u00c6gir.ut2"), (3, "M\u00fcller.u"),
                  (4, "DM-\u0141\u00f3d\u017a.ut2"), (5, "DM-\u0414\u043e\u043c.ut2")],
         out="{moved1}{UT}\\Maps\\DM-Caf\u00e9.ut2\n{copied}{moved2}{UT}\\Maps\\DM-\u00c6gir.ut2\n"
             "{copied}{moved3}{UT}\\System\\M\u00fcller.u\n{copied}"
             "{moved4}{UT}\\Maps\\DM-\u0141\u00f3d\u017a.ut2\n{copied}"
             "{moved5}{UT}\\Maps\\DM-\u0414\u043e\u043c.ut2\n{copied}",
         after={"UT/Maps/DM-Caf\u00e9.ut2": 1, "UT/Maps/DM-\u00c6gir.ut2": 2,
                "UT/System/M\u00fcller.u": 3, "UT/Maps/DM-\u0141\u00f3d\u017a.ut2": 4,
                "UT/Maps/DM-\u0414\u043e\u043c.ut2": 5, "UT/Cache/{k1}.uxx": None}, sum=(5, 0)),
    dict(name="on a Polish Windows (1250) an 8-bit index is read in its code page: 0x8D is \u0164",
         only="wine", locale="pl_PL", encoding="cp1250", index_encoding="cp1250",
         entries=[(1, "DM-\u0164est.ut2"), (2, "DM-\u0141\u00f3d\u017a.ut2")],
         out="{moved1}{UT}\\Maps\\DM-\u0164est.ut2\n{copied}"
             "{moved2}{UT}\\Maps\\DM-\u0141\u00f3d\u017a.ut2\n{copied}",
         after={"UT/Maps/DM-\u0164est.ut2": 1, "UT/Maps/DM-\u0141\u00f3d\u017a.ut2": 2}, sum=(2, 0)),
    dict(name="under Wine an 8-bit index is read in the code page that the game's prefix names",
         only="native", acp="1251", encoding="cp1251", index_encoding="cp1251",
         entries=[(1, "DM-\u0422\u0435\u0441\u0442.ut2"), (2, "DM-\u00ab\u0401\u00bb.ut2")],
         out="{moved1}{UT}\\Maps\\DM-\u0422\u0435\u0441\u0442.ut2\n{copied}"
             "{moved2}{UT}\\Maps\\DM-\u00ab\u0401\u00bb.ut2\n{copied}",
         after={"UT/Maps/DM-\u0422\u0435\u0441\u0442.ut2": 1, "UT/Maps/DM-\u00ab\u0401\u00bb.ut2": 2},
         sum=(2, 0)),
    dict(name="the native game's 8-bit index is Windows-1252, whatever the prefix names",
         game="user", only="native", acp="1251", entries=[(1, "DM-Caf\u00e9.ut2")],
         out="{moved1}{USER}/Maps/DM-Caf\u00e9.ut2\n{copied}",
         after={"USER/Maps/DM-Caf\u00e9.ut2": 1}, sum=(1, 0)),
    *[dict(name="a prefix of two-byte characters (932): a name beyond ASCII is refused, not "
                "guessed: %s" % name.encode("cp932").hex(), only="native", acp="932",
           encoding="cp932", index_encoding="cp932", entries=[(1, name), (2, "DM-Test.ut2")],
           out="{moved2}{UT}\\Maps\\DM-Test.ut2\n{copied}", says=[UNSAFE.strip()],
           after={"UT/Cache/{k1}.uxx": 1, "UT/Maps/DM-Test.ut2": 2}, index=["{k1}=" + name])
      # two-byte characters, and a half-width katakana of a single byte (0xB1)
      for name in ("DM-\u30c6\u30b9\u30c8.ut2", "DM-\uff71.ut2")],
    dict(name="on a Japanese Windows (932) a lead byte without its trail makes a name unsafe; "
              "the bytes after it are read as pairs anew",
         only="wine", locale="ja_JP", encoding="latin-1", entries=[(1, "DM-\x81 x\x82\xa0.ut2")],
         says=[UNSAFE.strip(), "Zeile eingelesen: " + sp.key(1) + "=DM-\ufffd x\u3042.ut2"],
         after={"UT/Cache/{k1}.uxx": 1, "UT/Maps/DM-*": None},
         index=["{k1}=DM-\x81 x\x82\xa0.ut2"]),
    dict(name="letters beyond Latin-1 compared in any case, as Wine compares them: the old map "
              "is kept", encoding="utf-8-sig", index_encoding="utf-8",
         entries=[(1, "DM-\u1ea1bc.ut2"), (2, "DM-\u0219tefan.ut2")],
         before={"UT/Maps/DM-\u1ea0BC.ut2": b"eigene", "UT/Maps/DM-\u0218TEFAN.ut2": b"rumaenisch"},
         out="{moved1}{UT}\\Maps\\DM-\u1ea1bc.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\"
             "DM-\u1ea1bc.ut2\n{moved2}{UT}\\Maps\\DM-\u0219tefan.ut2\n{copied}{kept}{UT}\\"
             "{sich}\\Maps\\DM-\u0219tefan.ut2\n",
         after={"UT/Maps/DM-?[bB][cC].ut2": 1, "UT/Maps/DM-?[tT][eE][fF][aA][nN].ut2": 2,
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-\u1ea1bc.ut2": b"eigene",
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-\u0219tefan.ut2": b"rumaenisch"},
         sum=(2, 0, [], 2)),
    dict(name="a cached package beyond 260 characters moves (an installation folder of 215)",
         ut="C:\\" + "L" * 212, entries=[(1, "DM-A.ut2")],
         out="{moved1}{UT}\\Maps\\DM-A.ut2\n{copied}", after={"UT/Maps/DM-A.ut2": 1},
         index=[], sum=(1, 0)),
    dict(name="folders beyond Windows-1252, from the registry and as an argument",
         ut="C:\\Spiele\\\u0141\u00f3d\u017a", install=["C:\\\u0418\u0433\u0440\u044b\\UT"],
         args=["C:\\\u0418\u0433\u0440\u044b\\UT"], entries=[(1, "DM-Foo.ut2")],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}"
             "kopiere nach C:\\\u0418\u0433\u0440\u044b\\UT\\Maps\\DM-Foo.ut2\n{copied}",
         after={"UT/Maps/DM-Foo.ut2": 1, "INSTALLED/Maps/DM-Foo.ut2": 1}, sum=(1, 0)),
    dict(name="a native game's user folder in a home beyond ASCII", game="user", only="native",
         home="\u0418\u0433\u0440\u043e\u043a", entries=[(1, "DM-Foo.ut2")],
         out="{moved1}{USER}/Maps/DM-Foo.ut2\n{copied}", after={"USER/Maps/DM-Foo.ut2": 1},
         sum=(1, 0)),
    dict(name="the shell runs no AutoRun command and expands no variable late", only="wine",
         shell="line", entries=[(1, "DM-Foo.ut2")],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n(Shell: cmd.exe /D /V:OFF /C COPY /Y "
             "\"{UT}\\Cache\\{k1}.uxx\" \"{UT}\\Maps\\" + TEMPORARY + "\")\n"
             "(Shell: cmd.exe /D /V:OFF /C DEL \"{UT}\\Cache\\{k1}.uxx\")\n"
             "(Shell: cmd.exe /D /V:OFF /C REN \"{UT}\\Cache\\tempcache.ini\" cache.ini)\n",
         after={"UT/Maps/DM-Foo.ut2": 1}, sum=(1, 0)),
    dict(name="without hard links, and the copy's last step failing, the old map stays at its "
              "target and nothing is kept", only="native", entries=[(1, "DM-Foo.ut2")],
         strace=["link:error=EPERM", "rename:error=EIO:when=1"],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\nDie Datei konnte nicht kopiert werden (Fehler 5).\n"
             "        0 Datei(en) kopiert.\n" + FAILED,
         after={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "UT/Morvane-Sicherung": None,
                "UT/Cache/{k1}.uxx": 1}, index=["{k1}=DM-Foo.ut2"], sum=(0, 1)),
    dict(name="without hard links the old versions are kept by whole copies", only="native",
         kept_in=[("{UT}\\Morvane-Sicherung", 1), ("{SECOND}\\Morvane-Sicherung", 1)],
         strace=["link:error=EPERM"], entries=[(1, "DM-Foo.ut2")], args=["{SECOND}"],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "SECOND/Maps/DM-Foo.ut2": b"zweite"},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\DM-Foo.ut2\n"
             "kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n{copied}"
             "{kept}{SECOND}\\{sich}\\Maps\\DM-Foo.ut2\n", sum=(1, 0, [], 2),
         after={"UT/Maps/DM-Foo.ut2": 1, "SECOND/Maps/DM-Foo.ut2": 1,
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"eigene Karte",
                "SECOND/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"zweite"}),
    dict(name="a type folder on another file system: the old map is kept by a copy",
         entries=[(1, "DM-Foo.ut2")], before={"UT/Maps": ("tmpfs",),
                                              "UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\DM-Foo.ut2\n",
         after={"UT/Maps/DM-Foo.ut2": 1,
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"eigene Karte"}, sum=(1, 0, [], 1)),
    dict(name="where the run's record cannot be, the run ends before any change",
         entries=[(1, "DM-Foo.ut2")], before={"UT/Maps/DM-Foo.ut2": b"eigene Karte",
                                              "UT/Morvane-Sicherung": b"a file"},
         status=1, err=report("IO_EXCEPTIONS.USE_ERROR", "protokoll.cc:N Protokoll des Laufs kann "
                              "nicht angelegt werden: C:\\UT2004\\Morvane-Sicherung"),
         after={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "UT/Cache/tempcache.ini": None,
                "UT/Cache/{k1}.uxx": 1}, index=["{k1}=DM-Foo.ut2"]),
    dict(name="a kept path beyond 260 characters", entries=[(1, "DM-A.ut2")], args=[LONG],
         kept_in=[(LONG + "\\Morvane-Sicherung", 1)],
         install=[LONG], before={"LONG/Maps/DM-A.ut2": b"alt"},
         out="{moved1}{UT}\\Maps\\DM-A.ut2\n{copied}kopiere nach " + LONG + "\\Maps\\DM-A.ut2\n"
             "{copied}{kept}" + LONG + "\\{sich}\\Maps\\DM-A.ut2\n",
         after={"LONG/Maps/DM-A.ut2": 1, "LONG/Morvane-Sicherung/<zeit>/Maps/DM-A.ut2": b"alt"},
         sum=(1, 0, [], 1)),
    dict(name="a target that a running game holds is not replaced, and nothing of it is kept",
         only="wine", entries=[(1, "DM-Foo.ut2")], held="{UT}\\Maps\\DM-Foo.ut2",
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\nSharing violation.\n" + FAILED,
         after={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "UT/Morvane-Sicherung": None,
                "UT/Maps/.morvane-*": None, "UT/Cache/{k1}.uxx": 1},
         index=["{k1}=DM-Foo.ut2"], sum=(0, 1)),
    dict(name="a kept relative symbolic link leads where it led", only="native",
         entries=[(1, "DM-Foo.ut2")],
         before={"UT/Textures/Own.utx": b"eigene", "UT/Maps/DM-Foo.ut2": ("link", "../Textures/Own.utx")},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\DM-Foo.ut2\n",
         after={"UT/Maps/DM-Foo.ut2": 1, "UT/Textures/Own.utx": b"eigene",
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"eigene"}, sum=(1, 0, [], 1)),
    dict(name="a hard link at tempcache.ini is never written through", only="native",
         entries=[(1, "XGame.u")], extra=["; eigene Zeile"],
         before={"SECOND/fremd.txt": b"fremd", "UT/Cache/tempcache.ini": ("hardlink", "SECOND/fremd.txt")},
         out="{moved1}{UT}\\System\\XGame.u\n{copied}\nZeile eingelesen: ; eigene Zeile\n" + UNKNOWN,
         after={"SECOND/fremd.txt": b"fremd", "UT/System/XGame.u": 1}, index=["; eigene Zeile"],
         sum=(1, 1)),
    dict(name="nor is one to cache.ini itself", only="native", entries=[(1, "XGame.u")],
         before={"UT/Cache/tempcache.ini": ("hardlink", "UT/Cache/cache.ini")},
         out="{moved1}{UT}\\System\\XGame.u\n{copied}", after={"UT/System/XGame.u": 1}, sum=(1, 0)),
    dict(name="an installation whose paths are too long for the run's record ends before any "
              "change, its line kept", game="user", only="native", home=4051,
         entries=[(1, "DM-Foo.ut2")], status=1, index=["{k1}=DM-Foo.ut2"],
         err_begins="\nraised IO_EXCEPTIONS.USE_ERROR : protokoll.cc:N Protokoll des Laufs kann "
                    "nicht angelegt werden: "),
    dict(name="temporary files of every form the program makes are swept, cut-short ones too",
         entries=[(1, "DM-A.ut2")], args=[LONG], install=[LONG],
         before={"LONG/Maps/.morvane-34a266f30b": b"cut short", "LONG/Maps/.morvane-": b"mine"},
         out="{moved1}{UT}\\Maps\\DM-A.ut2\n{copied}kopiere nach " + LONG + "\\Maps\\DM-A.ut2\n"
             "{copied}", after={"LONG/Maps/.morvane-34a266f30b": None, "LONG/Maps/.morvane-": b"mine",
                                "LONG/Maps/DM-A.ut2": 1}, sum=(1, 0)),
    dict(name="Windows counts a path in UTF-16 units: a Cyrillic folder of 480 bytes takes a "
              "copy", only="wine", entries=[(1, "DM-A.ut2")],
         args=[CYRILLIC], install=[CYRILLIC],
         out="{moved1}{UT}\\Maps\\DM-A.ut2\n{copied}kopiere nach " + CYRILLIC +
             "\\Maps\\DM-A.ut2\n{copied}",
         after={"INSTALLED/Maps/DM-A.ut2": 1, "INSTALLED/Maps/.morvane-*": None}, sum=(1, 0)),
    dict(name="a folder without room for a temporary name within the shell's limit takes the "
              "copy by the system's own calls, and touches nothing of the player's",
         entries=[(1, "DM-A.ut2")], args=[NO_ROOM], install=[NO_ROOM],
         before={"INSTALLED/Maps/.morvane-": b"mine"},
         out="{moved1}{UT}\\Maps\\DM-A.ut2\n{copied}kopiere nach " + NO_ROOM +
             "\\Maps\\DM-A.ut2\n{copied}",
         after={"INSTALLED/Maps/DM-A.ut2": 1, "INSTALLED/Maps/.morvane-": b"mine"}, sum=(1, 0)),
    dict(name="a keep into a run folder longer than a folder's own limit of 248 units",
         only="wine", entries=[(1, "DM-A.ut2")], args=[KEEP_248], install=[KEEP_248],
         kept_in=[(KEEP_248 + "\\Morvane-Sicherung", 1)],
         before={"INSTALLED/Maps/DM-A.ut2": b"alt",
                 "INSTALLED/Maps/.morvane-0123456789abcdef": ("readonly", b"cut short")},
         out="{moved1}{UT}\\Maps\\DM-A.ut2\n{copied}kopiere nach " + KEEP_248 +
             "\\Maps\\DM-A.ut2\n{copied}{kept}" + KEEP_248 + "\\{sich}\\Maps\\DM-A.ut2\n",
         after={"INSTALLED/Maps/DM-A.ut2": 1, "INSTALLED/Maps/.morvane-*": None,
                "INSTALLED/Morvane-Sicherung/<zeit>/Maps/DM-A.ut2": b"alt"}, sum=(1, 0, [], 1)),
    dict(name="a file system that cannot lock is named as such", only="native",
         strace=["fcntl:error=ENOLCK"], entries=[(1, "XGame.u")], status=1,
         err=report("IO_EXCEPTIONS.USE_ERROR", "morvane.cc:N Dateisystem ohne Sperren, kein Lauf "
                    "kann den Ordner sperren: C:\\UT2004\\Cache"),
         index=["{k1}=XGame.u"], after={"UT/Cache/{k1}.uxx": 1}),
    dict(name="a preview says where each package would go and what would be kept, and changes "
              "nothing", preview=True, kept_in=[("{UT}\\Morvane-Sicherung", 1)], entries=[(1, "DM-Foo.ut2"), (2, "XGame.u")],
         args=["{SECOND}"], before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         out="\nZeile eingelesen: {k1}=DM-Foo.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-Foo.ut2\n"
             "alte Fassung wuerde gesichert nach {UT}\\{sich}\\Maps\\DM-Foo.ut2\n"
             "wuerde kopieren nach {SECOND}\\Maps\\DM-Foo.ut2\n"
             "\nZeile eingelesen: {k2}=XGame.u\nwuerde kopieren nach {UT}\\System\\XGame.u\n"
             "wuerde kopieren nach {SECOND}\\System\\XGame.u\n",
         after={"UT/Cache/morvane.lock": None}, index=["{k1}=DM-Foo.ut2", "{k2}=XGame.u"],
         sum=(2, 0, [], 1)),
    dict(name="a preview takes a target of 260 units, as the run does",
         preview=True, entries=[(1, "DM-A.ut2")], args=[AT_260], install=[AT_260],
         out="\nZeile eingelesen: {k1}=DM-A.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-A.ut2\n"
             "wuerde kopieren nach " + AT_260 + "\\Maps\\DM-A.ut2\n",
         index=["{k1}=DM-A.ut2"], sum=(1, 0)),
    dict(name="and what would fail where that is known without trying", preview=True,
         entries=[(1, "Song.ogg"), (2, "DM-Dir.ut2")], extra=["{k3}=Lost.u", "{k4}=a%b.u"],
         before={"UT/Music": ("rmtree",), "UT/Maps/DM-Dir.ut2": ("mkdir",)},
         out="\nZeile eingelesen: {k1}=Song.ogg\nwuerde kopieren nach {UT}\\Music\\Song.ogg\n"
             "Zielordner fehlt: {UT}\\Music\\\n"
             "!! Kopieren wuerde fehlschlagen -> Zeile bliebe erhalten !!\n"
             "\nZeile eingelesen: {k2}=DM-Dir.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-Dir.ut2\n"
             "!! Ordner mit diesem Namen im Weg -> wuerde nicht kopiert !!\n"
             "!! Kopieren wuerde fehlschlagen -> Zeile bliebe erhalten !!\n"
             "\nZeile eingelesen: {k3}=Lost.u\n!! Datei fehlt im Cache -> Zeile wuerde entfernt !!\n"
             "\nZeile eingelesen: {k4}=a%b.u\n!! unsicherer Dateiname -> Zeile wuerde ausgelassen !!\n",
         index=["{k1}=Song.ogg", "{k2}=DM-Dir.ut2", "{k3}=Lost.u", "{k4}=a%b.u"],
         sum=(0, 3, [], 0, 1)),
    dict(name="a restore with nothing kept says so", args=["--restore"], entries=[(1, "XGame.u")],
         out="\n- nichts wiederherzustellen in {UT}\\Morvane-Sicherung\\\n",
         ending="\n- Dateien zurueckgelegt: 0\n" + PROMPT, index=["{k1}=XGame.u"]),
    dict(name="a run folder without a record is restored by its names, saying so",
         args=["--restore"], entries=[],
         before={"UT/Morvane-Sicherung": ("mkdir",), "UT/Morvane-Sicherung/2026-01-01_000000":
                 ("mkdir",), "UT/Morvane-Sicherung/2026-01-01_000000/Maps": ("mkdir",),
                 "UT/Morvane-Sicherung/2026-01-01_000000/Maps/DM-Foo.ut2": b"alt"},
         out="\n- Ordner ohne Protokoll: zurueckgelegt wird nach den Namen der "
             "gesicherten Dateien\n\nstelle wieder her aus {UT}\\Morvane-Sicherung\\"
             "<zeit>\\\nlege zurueck nach {UT}\\Maps\\DM-Foo.ut2\n{copied}",
         ending="\n- Dateien zurueckgelegt: 1\n" + PROMPT,
         after={"UT/Maps/DM-Foo.ut2": b"alt", "UT/Morvane-Sicherung/2026-01-01_000000": None}),
    dict(name="after --restore a folder is a further installation, and a run's name may end "
              "in a separator", args=["--restore", "2026-01-01_000000\\", "{SECOND}"],
         entries=[(1, "XGame.u")], before={"UT/Morvane-Sicherung/2026-01-01_000000": ("mkdir",)},
         out="\n- Ordner ohne Protokoll: zurueckgelegt wird nach den Namen der "
             "gesicherten Dateien\n\nstelle wieder her aus {UT}\\Morvane-Sicherung\\"
             "<zeit>\\\n\n- nichts wiederherzustellen in {SECOND}\\Morvane-Sicherung\\\n",
         ending="\n- Dateien zurueckgelegt: 0\n" + PROMPT, index=["{k1}=XGame.u"]),
    dict(name="a registry's folder that is a number 0 names no index: the index's error, before "
              "any record", entries=[(1, "XGame.u")], folder_number="0", status=1,
         err=report("IO_EXCEPTIONS.NAME_ERROR", "text_files.cc:N \\Cache\\cache.ini"),
         after={"UT/Morvane-Sicherung": None}, index=["{k1}=XGame.u"]),
    dict(name="a run's name that is not there is an error naming it", only="native", entries=[],
         args=["--restore", "C:\\UT2004\\Morvane-Sicherung\\2026-01-01_000000"],
         before={"UT/Morvane-Sicherung": ("mkdir",)}, status=1,
         err=report("IO_EXCEPTIONS.NAME_ERROR", "wiederherstellen.cc:N kein Lauf von "
                    "Morvane in C:\\UT2004\\Morvane-Sicherung\\: 2026-01-01_000000")),
    dict(name="a name after --restore that leads out of Morvane-Sicherung is no run's: a folder "
              "that is not there is refused before anything is asked",
         args=["--restore", "..\\..\\Nirgends"], entries=[],
         before={"UT/Morvane-Sicherung": ("mkdir",)}, status=1, full=True, out=BANNER,
         err=report("IO_EXCEPTIONS.NAME_ERROR", "morvane.cc:N ..\\..\\Nirgends")),
    dict(name="a link in the form of a run folder is no run folder", only="native",
         args=["--restore", "2026-01-01_000000"], entries=[],
         before={"UT/Morvane-Sicherung": ("mkdir",),
                 "UT/Morvane-Sicherung/2026-01-01_000000": ("link", "/tmp")},
         status=1, err=report("IO_EXCEPTIONS.NAME_ERROR", "wiederherstellen.cc:N kein Lauf von "
                              "Morvane in C:\\UT2004\\Morvane-Sicherung\\: 2026-01-01_000000")),
    dict(name="a player's own map in the user folder is kept", game="user", only="native",
         entries=[(1, "DM-Foo.ut2")], before={"USER/Maps/DM-Foo.ut2": b"eigene Karte"},
         out="{moved1}{USER}/Maps/DM-Foo.ut2\n{copied}{kept}{USER}/{sich}/Maps/DM-Foo.ut2\n",
         after={"USER/Maps/DM-Foo.ut2": 1,
                "USER/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"eigene Karte"}, sum=(1, 0, [], 1)),
]


LONG_NAME = "DM-" + "x" * 248 + ".ut2"  # 255 bytes, as long as a file system takes
UMLAUT_NAME = "DM-" + "x" * 243 + "\u00e4.ut2"  # 252 bytes in UTF-8

CASES += [
    dict(name="a disk without hard links nor a rename that leaves what stands (FAT through "
              "FUSE): the old map is kept all the same", only="native",
         strace=["link:error=EPERM", "renameat2:error=EINVAL"], entries=[(1, "DM-Foo.ut2")],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\DM-Foo.ut2\n",
         after={"UT/Maps/DM-Foo.ut2": 1,
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-Foo.ut2": b"eigene Karte"}, sum=(1, 0, [], 1)),
    dict(name="a name of 255 bytes kept twice: the second loses the end of its stem",
         only="native", entries=[(1, LONG_NAME), (2, LONG_NAME)],
         before={"UT/Maps/" + LONG_NAME: b"eigene Karte"},
         out="{moved1}{UT}\\Maps\\" + LONG_NAME + "\n{copied}{kept}{UT}\\{sich}\\Maps\\" +
             LONG_NAME + "\n{moved2}{UT}\\Maps\\" + LONG_NAME + "\n{copied}{kept}{UT}\\{sich}"
             "\\Maps\\DM-" + "x" * 244 + " (2).ut2\n",
         after={"UT/Maps/" + LONG_NAME: 2, "UT/Morvane-Sicherung/<zeit>/Maps/" + LONG_NAME:
                b"eigene Karte", "UT/Morvane-Sicherung/<zeit>/Maps/DM-" + "x" * 244 + " (2).ut2": 1},
         sum=(2, 0, [], 2)),
    dict(name="and one of 252 bytes whose stem ends in a letter of two bytes keeps it whole or "
              "not at all", only="native", entries=[(1, UMLAUT_NAME), (2, UMLAUT_NAME)],
         before={"UT/Maps/" + UMLAUT_NAME: b"eigene Karte"},
         out="{moved1}{UT}\\Maps\\" + UMLAUT_NAME + "\n{copied}{kept}{UT}\\{sich}\\Maps\\" +
             UMLAUT_NAME + "\n{moved2}{UT}\\Maps\\" + UMLAUT_NAME + "\n{copied}{kept}{UT}\\"
             "{sich}\\Maps\\DM-" + "x" * 243 + " (2).ut2\n",
         after={"UT/Maps/" + UMLAUT_NAME: 2,
                "UT/Morvane-Sicherung/<zeit>/Maps/DM-" + "x" * 243 + " (2).ut2": 1},
         sum=(2, 0, [], 2)),
    dict(name="an old index that a run cut short set aside in the Cache goes at the next run",
         entries=[(1, "XGame.u")], before={"UT/Cache/.morvane-0123456789abcdef": b"[Cache]\r\n"},
         out="{moved1}{UT}\\System\\XGame.u\n{copied}",
         after={"UT/System/XGame.u": 1, "UT/Cache/.morvane-0123456789abcdef": None}, sum=(1, 0)),
    dict(name="what a keep's copy cut short left in Morvane-Sicherung goes at the next run",
         entries=[(1, "XGame.u")], before={"UT/Morvane-Sicherung": ("mkdir",),
                                           "UT/Morvane-Sicherung/.morvane-0123456789abcdef":
                                           b"halb"},
         out="{moved1}{UT}\\System\\XGame.u\n{copied}",
         after={"UT/System/XGame.u": 1, "UT/Morvane-Sicherung/.morvane-0123456789abcdef": None},
         sum=(1, 0)),
    dict(name="control characters of a registry key are shown, not obeyed", only="native",
         names=["UT\x1b[2J\x1b[31mROT", "UT2004\x1b]0;pwned\x07"],
         listed=["UT\\x1B[2J\\x1B[31mROT", "UT2004\\x1B]0;pwned\\x07"],
         entries=[(1, "XGame.u")], out="{moved1}{UT}\\System\\XGame.u\n{copied}",
         after={"UT/System/XGame.u": 1}, sum=(1, 0)),
    dict(name="a Linux path that does not exist is told before the list, launchers or not",
         only="native", launchers="lutris", args=["/nirgends/UT2004"], entries=[(1, "XGame.u")],
         status=1, full=True, out=BANNER, index=["{k1}=XGame.u"],
         err=report("IO_EXCEPTIONS.NAME_ERROR", "morvane.cc:N /nirgends/UT2004")),
    dict(name="a drive letter that the chosen prefix lacks is told after the choice, before any "
              "change", only="native", launchers="lutris", answer="2", args=["D:\\Spiele"],
         entries=[(1, "XGame.u")], status=1, index=["{k1}=XGame.u"], after={"UT/Cache/{k1}.uxx": 1},
         err=report("IO_EXCEPTIONS.NAME_ERROR", "morvane.cc:N D:\\Spiele")),
]

CASES += [
    dict(name="without WINEPREFIX the launchers' prefixes are listed; a run in the Lutris one",
         only="native", launchers="lutris", answer="2", entries=[(1, "DM-Foo.ut2")],
         places="~/Games/ut2004/drive_c/UT2004",
         args=["{SECOND}"], out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}"
         "kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n{copied}",
         after={"UT/Maps/DM-Foo.ut2": 1, "SECOND/Maps/DM-Foo.ut2": 1}, sum=(1, 0)),
    dict(name="with WINEPREFIX its prefix alone, whatever launchers there are", only="native",
         launchers="wineprefix", entries=[(1, "DM-Foo.ut2")],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}", after={"UT/Maps/DM-Foo.ut2": 1},
         sum=(1, 0)),
    dict(name="a home without any game names every place looked at", only="native",
         launchers="none", entries=[(1, "DM-Foo.ut2")], status=1, full=True,
         out=BANNER, index=["{k1}=DM-Foo.ut2"],
         err=NOWHERE),
]

CASES += [
    dict(name="a further installation that cannot keep the file its copy replaces says so",
         entries=[(1, "DM-Foo.ut2")], args=["{SECOND}"], index=None,
         before={"SECOND/Morvane-Sicherung": b"a file", "SECOND/Maps/DM-Foo.ut2": b"zweite"},
         says=["!! alte Fassung konnte nicht in Morvane-Sicherung gesichert werden (" +
               PLATFORM.KEEP_BLOCKED], after={"SECOND/Maps/DM-Foo.ut2": b"zweite"}),
    dict(name="a preview names where a run would make Morvane-Sicherung on this computer",
         only="native", preview=True, places="~/drive_c/UT2004", entries=[(1, "XGame.u")],
         out="\nZeile eingelesen: {k1}=XGame.u\nwuerde kopieren nach {UT}\\System\\XGame.u\n",
         index=["{k1}=XGame.u"], sum=(1, 0)),
    dict(name="a Steam library on a second disk whose Proton prefix lacks the key: listed, and "
              "the packages land in Steam's maps, copies in the prefix's drives", only="native",
         launchers="steam", steam={}, entries=[(1, "DM-Foo.ut2"), (2, "XGame.u")], args=["{SECOND}"],
         out="{moved1}{UT}/Maps/DM-Foo.ut2\n{copied}kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n"
             "{copied}{moved2}{UT}/System/XGame.u\n{copied}kopiere nach {SECOND}\\System\\XGame.u\n"
             "{copied}", after={"UT/maps/DM-Foo.ut2": 1, "UT/Maps": None, "UT/System/XGame.u": 2,
                                "SECOND/Maps/DM-Foo.ut2": 1}, sum=(2, 0)),
    dict(name="the same game registered in its prefix is listed once", only="native",
         launchers="steam", steam={"key": True}, entries=[(1, "DM-Foo.ut2")],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}",
         after={"UT_HERE/maps/DM-Foo.ut2": 1, "UT_HERE/Maps": None}, sum=(1, 0)),
    dict(name="a manifest whose folder leads out of its library lists nothing", only="native",
         launchers="steam", steam={"installdir": "../../../.."}, entries=[(1, "XGame.u")],
         status=1, full=True, out=BANNER, index=["{k1}=XGame.u"], err=NOWHERE),
    dict(name="and neither does a library without the manifest", only="native",
         launchers="steam", steam={"manifest": False}, entries=[(1, "XGame.u")],
         status=1, full=True, out=BANNER, index=["{k1}=XGame.u"], err=NOWHERE),
    dict(name="Windows' Steam named in HKCU, its library holding the game and no key: listed, "
              "and a run", only="wine", steam={}, entries=[(1, "DM-Foo.ut2")],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}",
         after={"UT/maps/DM-Foo.ut2": 1, "UT/Maps": None}, sum=(1, 0)),
    dict(name="and registered too, in another letter case: listed once", only="wine",
         steam={"key": True}, entries=[(1, "DM-Foo.ut2")],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}", after={"UT/maps/DM-Foo.ut2": 1},
         sum=(1, 0)),
    dict(name="a native game's user folder named: its names are exact", game="user",
         only="native", named=True, args=["-i", "{USER}"], entries=[(1, "DM-Foo.ut2")],
         before={"USER/Maps": ("rmtree",), "USER/maps": ("mkdir",)},
         out="{moved1}{USER}/Maps/DM-Foo.ut2\n{copied}",
         after={"USER/Maps/DM-Foo.ut2": 1, "USER/maps/DM-Foo.ut2": None}, sum=(1, 0)),
    dict(name="a game named by its Linux path in another Wine prefix is the game there: its C: "
              "path, its drives", only="native", launchers="lutris", named=True,
         entries=[(1, "DM-Foo.ut2")], args=["-i", "{UT_HERE}", "{SECOND}"],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n"
             "{copied}", after={"UT/Maps/DM-Foo.ut2": 1, "SECOND/Maps/DM-Foo.ut2": 1}, sum=(1, 0)),
    dict(name="a native game's folder named, whose Cache is spelt otherwise, is refused",
         game="user", only="native", named=True, args=["-i", "{USER}"], entries=[],
         before={"USER/Cache": ("rmtree",), "USER/cache": ("mkdir",)}, status=1, full=True,
         out=BANNER, index=None, err=report("IO_EXCEPTIONS.NAME_ERROR", "morvane.cc:N kein Ordner "
                                            "Cache in der Installation: {USER}")),
    dict(name="and so is one named through a link to it", only="native", launchers="lutris",
         named=True, entries=[(1, "DM-Foo.ut2")],
         before={"UT/../../../Verknuepfung": ("link", "ut2004/drive_c/UT2004")},
         args=["-i", "{UT_HERE}/../../../Verknuepfung", "{SECOND}"],
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n"
             "{copied}", after={"UT/Maps/DM-Foo.ut2": 1, "SECOND/Maps/DM-Foo.ut2": 1}, sum=(1, 0)),
    dict(name="a copied game named by its Linux path outside any prefix: no list, and copies to "
              "a further installation", only="native", names=[], named=True, no_registry=True,
         entries=[(1, "DM-Foo.ut2")],
         args=["--installation", "{UT_HERE}/", "{SECOND}"],
         out="{moved1}{UT_HERE}/Maps/DM-Foo.ut2\n{copied}kopiere nach {SECOND}\\Maps\\DM-Foo.ut2\n"
             "{copied}", after={"UT/Maps/DM-Foo.ut2": 1, "SECOND/Maps/DM-Foo.ut2": 1}, sum=(1, 0)),
    dict(name="and by its Windows path, in a preview", names=[], named=True, preview=True,
         entries=[(1, "DM-Foo.ut2")], args=["-i", "{UT}"], index=["{k1}=DM-Foo.ut2"],
         out="\nZeile eingelesen: {k1}=DM-Foo.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-Foo.ut2\n",
         sum=(1, 0)),
    dict(name="a named installation that is not there changes nothing", named=True,
         entries=[(1, "XGame.u")], args=["-i", "C:\\Nirgends"], status=1, full=True, out=BANNER,
         index=["{k1}=XGame.u"], err=report("IO_EXCEPTIONS.NAME_ERROR",
                                            "morvane.cc:N Installation nicht gefunden: C:\\Nirgends")),
    dict(name="nor one without a Cache", named=True, entries=[(1, "XGame.u")],
         args=["-i", "{SECOND}"], status=1, full=True, out=BANNER, index=["{k1}=XGame.u"],
         err=report("IO_EXCEPTIONS.NAME_ERROR",
                    "morvane.cc:N kein Ordner Cache in der Installation: " + SECOND)),
    dict(name="nor a file", named=True, entries=[(1, "XGame.u")],
         args=["--installation={UT}\\Cache\\cache.ini"], status=1, full=True, out=BANNER,
         index=["{k1}=XGame.u"], err=report("IO_EXCEPTIONS.NAME_ERROR",
                                            "morvane.cc:N Installation ist kein Ordner: " + UT +
                                            "\\Cache\\cache.ini")),
    dict(name="nor a device", named=True, entries=[(1, "XGame.u")],
         args=["-i", {"native": "/dev/null", "wine": "NUL"}[PLATFORM.name]], status=1, full=True,
         out=BANNER, index=["{k1}=XGame.u"],
         err=report("IO_EXCEPTIONS.NAME_ERROR", {  # Windows cannot look at its devices
             "native": "morvane.cc:N Installation ist kein Ordner: /dev/null",
             "wine": "morvane.cc:N Installation nicht lesbar: NUL"}[PLATFORM.name])),
    dict(name="OldUnreal's game started with -nohomedir: its own folder from its menu entry, "
              "with exact names", game="user", only="native", desktop=True,
         entries=[(1, "DM-Foo.ut2")], before={"USER/maps": ("mkdir",)},
         out="{moved1}{USER}/Maps/DM-Foo.ut2\n{copied}",
         after={"USER/Maps/DM-Foo.ut2": 1, "USER/maps/DM-Foo.ut2": None}, sum=(1, 0)),
    dict(name="and without a Cache there, only the user folder", game="user", only="native",
         desktop=False, entries=[(1, "DM-Foo.ut2")], out="{moved1}{USER}/Maps/DM-Foo.ut2\n{copied}",
         after={"USER/Maps/DM-Foo.ut2": 1}, sum=(1, 0)),
]

CASES += [
    dict(name="a registered game whose key has a character beyond letters, digits and _-.()",
         names=["UT2004+Bonus", "UT2004 Zweitinstallation"], answer="2",
         listed=["UT2004 Zweitinstallation", "UT2004+Bonus"], entries=[(1, "XGame.u")],
         out="{moved1}{UT}\\System\\XGame.u\n{copied}", sum=(1, 0)),
    dict(name="a name beside an installed one in other letters is one file: the old one is kept",
         encoding="utf-8-sig", index_encoding="utf-8", entries=[(1, "DM-Z\u00fcrich.ut2")],
         before={"UT/Maps/dm-z\u00fcrich.ut2": b"alt"},
         out="{moved1}{UT}\\Maps\\DM-Z\u00fcrich.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\"
             "DM-Z\u00fcrich.ut2\n",
         after={"UT/Maps/[dD][mM]-[zZ]\u00fcrich.ut2": 1}, sum=(1, 0, [], 1)),
    dict(name="a preview of a restore after a run cut short changes nothing, and holds nothing",
         preview=True, args=["--restore"], entries=[(1, "XGame.u")],
         before={"UT/Cache/cache.ini": ("absent",), "UT/Cache/tempcache.ini": b"[Cache]\r\n"},
         says=["- cache.ini fehlt: tempcache.ini des letzten Laufs wuerde uebernommen"],
         after={"UT/Cache/morvane.lock": None, "UT/Cache/cache.ini": None}, index=None),
]

# The preview asks what the run's runner asks before it acts.
CASES += [
    dict(name="a preview keeps a link at a target, whatever it leads to, as the run does",
         only="native", preview=True, entries=[(1, "DM-Foo.ut2")],
         before={"UT/Textures/Gleich.utx": sp.package_bytes("DM-Foo.ut2", 64),
                 "UT/Maps/DM-Foo.ut2": ("link", "../Textures/Gleich.utx")},
         out="\nZeile eingelesen: {k1}=DM-Foo.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-Foo.ut2\n"
             "alte Fassung wuerde gesichert nach {UT}\\{sich}\\Maps\\DM-Foo.ut2\n",
         index=["{k1}=DM-Foo.ut2"], sum=(1, 0, [], 1)),
    dict(name="a preview in the second of an earlier run names the folder that the run will make",
         preview=True, entries=[(1, "DM-Foo.ut2")],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "UT/Morvane-Sicherung/<sekunden>": ("mkdir",)},
         raw_says=[r"gesichert nach C:\\UT2004\\Morvane-Sicherung\\[-_\d]{17}-2\\Maps\\DM-Foo.ut2"],
         out="\nZeile eingelesen: {k1}=DM-Foo.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-Foo.ut2\n"
             "alte Fassung wuerde gesichert nach {UT}\\{sich}\\Maps\\DM-Foo.ut2\n",
         index=["{k1}=DM-Foo.ut2"], sum=(1, 0, [], 1)),
]
WOULD_NOT_DELETE = "!! Loeschen wuerde fehlschlagen -> Zeile bliebe erhalten !!\n"
CASES += [
    dict(name="a preview meets the shell's refusal to delete a read-only package and one that "
              "another program holds: they stay with their lines, a later line of a key too",
         only="wine", preview=True, entries=[(1, "DM-A.ut2"), (2, "XGame.u")],
         extra=["{k1}=DM-A.ut2"], before={"UT/Cache/{k1}.uxx": ("chmod", 0o444)},
         held="{UT}\\Cache\\{k2}.uxx",
         out="\nZeile eingelesen: {k1}=DM-A.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-A.ut2\n"
             "Access denied.\n" + WOULD_NOT_DELETE +
             "\nZeile eingelesen: {k2}=XGame.u\nwuerde kopieren nach {UT}\\System\\XGame.u\n"
             "Sharing violation.\n" + WOULD_NOT_DELETE +
             "\nZeile eingelesen: {k1}=DM-A.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-A.ut2\n"
             "Access denied.\n" + WOULD_NOT_DELETE,
         index=["{k1}=DM-A.ut2", "{k2}=XGame.u", "{k1}=DM-A.ut2"], sum=(0, 3)),
    dict(name="a package that another program holds, even sharing it, is not deleted: its "
              "line stays", only="wine", entries=[(1, "DM-Foo.ut2")],
         held=("{UT}\\Cache\\{k1}.uxx", "shared"),
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}Sharing violation.\n" + NOT_DELETED,
         after={"UT/Cache/{k1}.uxx": 1, "UT/Maps/DM-Foo.ut2": 1}, index=["{k1}=DM-Foo.ut2"],
         sum=(0, 1)),
    dict(name="a preview says that a target that another program holds, even sharing it, "
              "would not be replaced", only="wine", preview=True, entries=[(1, "DM-Foo.ut2")],
         held=("{UT}\\Maps\\DM-Foo.ut2", "shared"),
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         out="\nZeile eingelesen: {k1}=DM-Foo.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-Foo.ut2\n"
             "Sharing violation.\n!! Kopieren wuerde fehlschlagen -> Zeile bliebe erhalten !!\n",
         index=["{k1}=DM-Foo.ut2"], sum=(0, 1)),
    dict(name="a preview meets a file named Morvane-Sicherung in a further installation",
         preview=True, entries=[(1, "DM-Foo.ut2")], args=["{SECOND}"],
         before={"SECOND/Morvane-Sicherung": b"a file", "SECOND/Maps/DM-Foo.ut2": b"zweite"},
         out="\nZeile eingelesen: {k1}=DM-Foo.ut2\nwuerde kopieren nach {UT}\\Maps\\DM-Foo.ut2\n"
             "wuerde kopieren nach {SECOND}\\Maps\\DM-Foo.ut2\n!! alte Fassung koennte nicht in "
             "Morvane-Sicherung gesichert werden (" + PLATFORM.KEEP_BLOCKED + ") -> wuerde nicht "
             "kopiert !!\n!! Kopieren in weitere Installation wuerde fehlschlagen !!\n",
         index=["{k1}=DM-Foo.ut2"], sum=(1, 0, ["{SECOND}\\Maps\\DM-Foo.ut2"])),
    dict(name="and in the installation ends as the run ends", preview=True,
         entries=[(1, "DM-Foo.ut2")], before={"UT/Morvane-Sicherung": b"a file"}, status=1,
         err=report("IO_EXCEPTIONS.USE_ERROR", "protokoll.cc:N Protokoll des Laufs kann nicht "
                    "angelegt werden: C:\\UT2004\\Morvane-Sicherung"), index=["{k1}=DM-Foo.ut2"]),
    dict(name="a new index that cannot take the old one's name gives the game its old index "
              "back, and the run says so", only="wine", shell="noren", entries=[(1, "DM-Foo.ut2")],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"}, status=1,
         out="{moved1}{UT}\\Maps\\DM-Foo.ut2\n{copied}{kept}{UT}\\{sich}\\Maps\\DM-Foo.ut2\n"
             "Access denied.\n",
         err=report("IO_EXCEPTIONS.USE_ERROR", "morvane.cc:N neuer Index nicht uebernommen, alter "
                    "Index gilt weiter: C:\\UT2004\\Cache\\cache.ini"),
         after={"UT/Maps/DM-Foo.ut2": 1, "UT/Cache/tempcache.ini": b"[Cache]\r\n",
                "UT/Morvane-Sicherung/<zeit>/cache.ini":
                    ("[Cache]\r\n%s=DM-Foo.ut2\r\n" % sp.key(1)).encode()},
         index=["{k1}=DM-Foo.ut2"]),
]


class Table(Harness):
    """Each row of CASES in a prefix of its own."""

    def test_cases(self):
        for case in CASES:
            if case.get("only", PLATFORM.name) != PLATFORM.name:
                continue
            # A file system of its own is mounted as root.
            if "strace" in case and not strace_usable():
                continue
            if any(v[0] == "tmpfs" for v in case.get("before", {}).values()
                   if isinstance(v, tuple)) and os.geteuid() != 0:
                continue
            self.mounts = []
            with self.subTest(case["name"]):
                self.run_case(case)
            for mount in self.mounts:
                subprocess.run(["umount", "-l", mount])
            PLATFORM.done_with(self.prefix)
            self.prefix = PLATFORM.new_prefix()

    def run_case(self, case):
        user = case.get("game") == "user"
        ut = case.get("ut", UT)
        env = {}
        # A home with every game launcher's files: the game is in the
        # Lutris prefix ("lutris"), or WINEPREFIX still names the test's
        # prefix ("wineprefix"), or nothing is anywhere ("none").
        launchers = case.get("launchers")
        # The registry's names, and as the list shows them.
        names = case.get("names", ["UT2004", "UT2004 Zweitinstallation"])
        listed = case.get("listed", names)
        if launchers:
            env["HOME"] = home = os.path.join(self.prefix, "home")
            os.makedirs(home)
            if launchers == "lutris":
                listed, lutris = sp.make_launcher_home(home, ut)
            if launchers != "wineprefix":
                env["WINEPREFIX"] = ""
            else:  # the native game's user folder is listed all the same
                listed = listed + sp.make_launcher_home(home, ut)[0][-1:]
        if launchers == "lutris":
            root = sp.make_installation(lutris, ut)
            sp.make_installation(lutris, SECOND, with_cache=False)
        elif "steam" in case:  # a Steam library holds the game: natively the player's
            # Steam, under Wine the one that HKCU names
            self.register([])
            if launchers:
                listed, root, ut = sp.make_steam_home(home, **case["steam"])
                # Further installations on the drives of Proton's prefix.
                lutris = os.path.join(home, "Platte2/SteamLibrary/steamapps/compatdata/13230/pfx")
                sp.make_installation(lutris, SECOND, with_cache=False)
            else:
                listed, root, ut = sp.make_windows_steam(self.prefix)
                PLATFORM.steam(r"c:/program files (x86)/steam")
                self.addCleanup(PLATFORM.steam, None)
                if case["steam"].get("key"):  # registered too, in another letter case
                    ut = ut.lower()
                    self.register([("UT2004", ut)])
                    listed = ["UT2004"]
        elif user:
            self.register([])
            home = case.get("home", "")
            if isinstance(home, int):  # a home deep enough for a user folder of that length
                room = home - len(os.path.join(self.prefix, ".ut2004")) - 1
                home = "/".join("h" * min(200, room - i) for i in range(0, room, 201))
            home = os.path.join(self.prefix, home)
            root = sp.make_user_folder(home, sub_folders=("Maps", "System"))
            env["HOME"] = home
            if "desktop" in case:  # OldUnreal's game, and the menu entry its installer writes
                game = os.path.join(home, ".local/share/OldUnreal/UT2004")
                os.makedirs(os.path.join(game, "System"))
                apps = os.path.join(home, ".local/share/applications")
                os.makedirs(apps)
                write_file(os.path.join(apps, "OldUnreal-UT2004.desktop"),
                           ('[Desktop Entry]\nVersion=1.0\nType=Application\nName=Unreal Tournament '
                            '2004\nExec="%s/System/UT2004" %%u\nIcon=%s/Help/Unreal.ico\n'
                            'Terminal=false\nCategories=Game;\n' % (game, game)).encode())
                if case["desktop"]:  # started with -nohomedir: its Cache in its own folder
                    shutil.rmtree(root)
                    root = sp.make_user_folder(os.path.dirname(game), "UT2004")
        else:
            self.register(list(zip(names, [ut, SECOND])))
            root = self.install(ut)
            if "folder_number" in case:  # the registry's folder as a number, not a text
                PLATFORM.add_value(names[0], "Folder", "REG_DWORD", case["folder_number"])
        self.root = root
        self.install(SECOND, with_cache=False)
        if case.get("no_registry"):  # drive C: of no prefix: a folder like any other
            os.remove(os.path.join(self.prefix, "system.reg"))
        if "acp" in case:  # the 8-bit code page that the prefix's Windows names
            with open(os.path.join(self.prefix, "system.reg"), "a", newline="\n") as f:
                f.write('[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1\n'
                        '"ACP"="%s"\n' % case["acp"])
        entries = [(sp.key(n), name) for n, name in case["entries"]]
        keys = {"k%d" % n: sp.key(n) for n in range(1, 10)}  # {k3}: the key of package 3
        extra = [line.format(**keys) for line in case.get("extra", ())]
        contents = sp.write_cache(root, [], entries, extra,
                                  encoding=case.get("encoding", "latin-1"))
        for folder in case.get("install", ()):
            self.install(folder, with_cache=False)
        hosts = {"UT": root, "USER": root, "UT_HERE": root,
                 "SECOND": sp.host_path(self.prefix, SECOND),
                 "LONG": sp.host_path(self.prefix, LONG)}
        if case.get("install"):
            hosts["INSTALLED"] = sp.host_path(self.prefix, case["install"][0])
        if launchers in ("lutris", "steam"):  # further installations on the game prefix's drives
            hosts["SECOND"] = sp.host_path(lutris, SECOND)
        # The game by its Linux path, as -i names it.
        windows = {"UT": ut, "USER": root, "SECOND": SECOND, "UT_HERE": root}

        def data(value):
            return contents[sp.key(value)] if isinstance(value, int) else value

        def host(path):
            label, rest = path.split("/", 1)
            return os.path.join(hosts[label], *rest.split("/"))
        words = dict(windows, **keys, copied=PLATFORM.COPIED, kept=KEPT,
                     missing=PLATFORM.FOLDER_MISSING, build=BUILD,
                     not_deleted=PLATFORM.READ_ONLY_NOT_DELETED,
                     sich="Morvane-Sicherung/<zeit>" if user else "Morvane-Sicherung\\<zeit>")
        for n, name in case["entries"]:
            words["k%d" % n] = sp.key(n)
            words["moved%d" % n] = echoed(sp.key(n) + "=" + name) + "kopiere nach "
        before = {}
        for path, value in case.get("before", {}).items():
            # "<sekunden>": a run folder of each of the next ten seconds.
            for later in range(10 if "<sekunden>" in path else 1):
                before[path.replace("<sekunden>", time.strftime(
                    "%Y-%m-%d_%H%M%S", time.localtime(time.time() + later)))] = value
        for path, value in before.items():
            path = host(path.format(**words))
            kind = value[0] if isinstance(value, tuple) else None
            if kind == "tmpfs":  # a folder on a file system of its own
                subprocess.run(["mount", "-t", "tmpfs", "tmpfs", path], check=True)
                self.mounts.append(path)
                continue
            if kind == "rmtree":
                shutil.rmtree(path)
                continue
            if os.path.lexists(path) and kind != "chmod":
                os.remove(path)
            if kind == "absent":
                continue
            if value == FIFO:
                os.mkfifo(path)
            elif kind == "chmod":
                os.chmod(path, value[1])
            elif kind == "hardlink":
                os.link(host(value[1].format(**words)), path)
            elif kind == "link":
                os.symlink(value[1], path)
            elif kind == "mkdir":
                os.makedirs(path)
            elif kind == "readonly":
                write_file(path, value[1])
                os.chmod(path, 0o444)
            else:
                write_file(path, data(value))
        args = [a.format(**words) for a in case.get("args", ())]
        preview = case.get("preview", False)  # -n: say what a run would do, change nothing
        if preview:
            args = ["-n"] + args
        tops = [root, hosts["SECOND"]]
        tree = self.tree(tops) if preview else None
        if "strace" in case:
            env["strace"] = ["strace", "-qq", "-o", "/dev/null"] + [
                word for inject in case["strace"] for word in ("-e", "inject=" + inject)]
        if "shell" in case:
            env.update(PLATFORM.use_shell(case["shell"]))
            self.addCleanup(PLATFORM.use_shell, None)
        # A Windows of another code page than 1252, or of that one.
        env.update(PLATFORM.locale(case.get("locale")))
        # Files that another program holds open: a path, or (path, "shared")
        # for one that lets others delete it too.
        held = case.get("held", [])
        holders = [PLATFORM.hold(h.format(**words)) if isinstance(h, str) else
                   PLATFORM.hold(h[0].format(**words), shared=True)
                   for h in ([held] if isinstance(held, (str, tuple)) else held)]
        run = self.run_morvane(case.get("answer", "1") + "\n\n", args,
                               places="places" in case, **env)
        for holder in holders:
            holder.communicate(b"\n", timeout=60)
        for pattern in case.get("raw_says", ()):  # what it says of run folders' names
            self.assertRegex(run.out, pattern)
        run.out = stamped(run.out)
        if "shell" in case:
            PLATFORM.use_shell(None)
        status = case.get("status", 0)
        opening = BANNER + (PREVIEW if preview else "") + (
            "" if case.get("named") else dialogue([root] if user else listed))
        if "sum" in case and len(case["sum"]) > 2:  # the failed copies' targets, by their labels
            case = dict(case, sum=(*case["sum"][:2], [t.format(**words) for t in case["sum"][2]],
                                   *case["sum"][3:]))
        kept_in = [(place.format(**words), n) for place, n in case.get("kept_in", ())]
        ending = ((summary(*case["sum"], preview=preview, kept_in=kept_in) if "sum" in case
                   else EMPTY + PROMPT)
                  if status == 0 else "")
        ending = case.get("ending", ending)
        if case.get("places"):  # where the Wine game's folders are here
            opening += "\n- Installation auf diesem Rechner: %s\n" % case["places"]
            ending = ending.replace(PROMPT, "- Morvane-Sicherung %sauf diesem Rechner: "
                                    "%s/Morvane-Sicherung\n" % (
                                        "wuerde angelegt " if preview else "", case["places"]) +
                                    PROMPT)
        if case.get("full"):
            opening = ending = ""
        if "err_begins" in case:  # a report that names a path of the test's own
            self.assertEqual((run.status, run.err[:len(case["err_begins"])]),
                             (status, case["err_begins"]))
        elif "says" in case:  # a text of the program's own: what it must say
            self.assertEqual((run.err, run.status), ("", 0))
            for words_said in case["says"]:
                self.assertIn(words_said, run.out)
        else:
            out = opening + case.get("out", "").format(**words) + ending
            self.expect(run, out, case.get("err", "").format(**words), status)
        for path, value in case.get("after", {}).items():
            found = sorted(glob.glob(host(path.format(**words)).replace("<zeit>", "*")))
            if value is None:
                self.assertEqual(found, [], path)
            else:
                self.assertEqual(len(found), 1, path)
                if value == ("mkdir",):  # a folder
                    self.assertTrue(os.path.isdir(found[0]), path)
                    continue
                if isinstance(value, tuple):  # ("writable", content)
                    self.assertTrue(os.stat(found[0]).st_mode & 0o200, path)
                    value = value[1]
                with open(found[0], "rb") as f:
                    self.assertEqual(f.read(), data(value), path)
        if preview:  # every file and folder as it was: bytes, mode, times of change
            self.assertEqual(self.tree(tops), tree)
        if case.get("index", []) is None:
            return
        raw = self.cache_file("cache.ini")
        raw = raw[3:] if raw.startswith(b"\xef\xbb\xbf") else raw  # a mark kept
        lines = raw.decode(case.get("index_encoding", "latin-1")).split("\r\n")
        self.assertEqual(lines, ["[Cache]"] + [l.format(**words) for l in case.get("index", [])] +
                         [""])


def contents(tops):
    """What a player has below `tops`: each file's bytes and whether it is
    writable, each link's text, each folder; Morvane-Sicherung and the
    lock file left out."""
    found = {}
    for top in tops:
        for folder, dirs, names in os.walk(top):
            dirs[:] = [d for d in dirs if d != "Morvane-Sicherung"]
            for name in dirs + names:
                path = os.path.join(folder, name)
                if name in ("Morvane-Sicherung", "morvane.lock"):
                    continue
                if os.path.islink(path):
                    found[path] = ("link", os.readlink(path))
                elif os.path.isfile(path):
                    with open(path, "rb") as f:
                        found[path] = (f.read(), bool(os.stat(path).st_mode & 0o200))
                else:
                    found[path] = ("folder",)
    return found


# Undoing runs, as rows: the cache's entries (n, name) and the files laid
# out before (as in CASES), then the runs, each with its arguments, the
# entries that come into the cache before it, and its environment. After
# them `-n --restore` changes nothing at all; `--restore` gives the tree as
# before the last run, index included; `--restore` once more gives it as
# after that run. "broken" is laid out before the restore: a link in a run
# folder. "out" is what the restore says between the opening and the prompt.
RESTORES = [
    dict(name="packages back in the cache with their lines in place, kept versions back, "
              "copies gone",
         entries=[(1, "DM-Foo.ut2"), (2, "XGame.u"), (3, "DM-Foo.ut2")], extra=["; Notiz"],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "UT/System/XGame.u": b"altes XGame",
                 "SECOND/Maps/DM-Foo.ut2": b"zweite"},
         runs=[dict(args=["{SECOND}"])],
         out="\nstelle wieder her aus {UT}\\Morvane-Sicherung\\<zeit>\\\n"
             "\nPaket zurueck in den Cache: {UT}\\Cache\\{k3}.uxx\n"
             "entferne {SECOND}\\Maps\\DM-Foo.ut2\n"
             "lege zurueck nach {SECOND}\\Maps\\DM-Foo.ut2\n"
             "entferne {UT}\\Maps\\DM-Foo.ut2\n"
             "lege zurueck nach {UT}\\Maps\\DM-Foo.ut2\n"
             "\nPaket zurueck in den Cache: {UT}\\Cache\\{k2}.uxx\n"
             "entferne {SECOND}\\System\\XGame.u\n"
             "entferne {UT}\\System\\XGame.u\n"
             "lege zurueck nach {UT}\\System\\XGame.u\n"
             "\nPaket zurueck in den Cache: {UT}\\Cache\\{k1}.uxx\n"
             "entferne {SECOND}\\Maps\\DM-Foo.ut2\n"
             "lege zurueck nach {SECOND}\\Maps\\DM-Foo.ut2\n"
             "entferne {UT}\\Maps\\DM-Foo.ut2\n"
             "lege zurueck nach {UT}\\Maps\\DM-Foo.ut2\n"
             "\nZeile zurueck in cache.ini: {k1}=DM-Foo.ut2\n"
             "Zeile zurueck in cache.ini: {k2}=XGame.u\n"
             "Zeile zurueck in cache.ini: {k3}=DM-Foo.ut2\n"
             "\n- Pakete zurueck im Cache: 3, Dateien zurueckgelegt: 5\n"),
    dict(name="one run everywhere: the latest run is undone where it was, and only there; "
              "a package equal to what it replaced kept nothing, and that stays",
         entries=[(1, "DM-Foo.ut2")], before={"UT/Maps/DM-Foo.ut2": b"eigene Karte",
                                              "SECOND/Maps/DM-Foo.ut2": b"zweite"},
         runs=[dict(args=["{SECOND}"]),
               dict(args=[], entries=[(2, "DM-Foo.ut2")])]),
    dict(name="a real name with a number is a name, and a link in a run folder is never followed",
         entries=[(1, "DM-Foo (2).ut2"), (2, "Terrain.utx")],
         before={"UT/Maps/DM-Foo (2).ut2": b"echte zweite", "UT/Maps/DM-Foo.ut2": b"unberuehrt",
                 "UT/Textures/Terrain.utx": b"alt", "UT/Textures/Eigen.utx": b"eigene"},
         broken=("UT/Morvane-Sicherung/<zeit>/Textures/Eigen.utx", "../../../Textures/Eigen.utx"),
         runs=[dict(args=[])]),
    dict(name="a kept link and a kept dangling link come back as links", only="native",
         entries=[(1, "DM-Foo.ut2"), (2, "DM-Bar.ut2")],
         before={"UT/Maps/DM-Foo.ut2": ("link", "/etc/hostname"),
                 "UT/Maps/DM-Bar.ut2": ("link", "/nirgends/DM-Bar.ut2")},
         runs=[dict(args=[])]),
    dict(name="a link at a target that leads to the package's bytes is what stands there: "
              "kept, and back as a link", only="native", entries=[(1, "DM-Foo.ut2")],
         before={"UT/Textures/Gleich.utx": sp.package_bytes("DM-Foo.ut2", 64),
                 "UT/Maps/DM-Foo.ut2": ("link", "../Textures/Gleich.utx")}, runs=[dict(args=[])]),
    dict(name="a run killed after its record began, before its first package, hides not the "
              "run before it",
         only="native", entries=[(1, "DM-Foo.ut2")], before={"UT/Maps/DM-Foo.ut2": b"eigene"},
         runs=[dict(args=[]), dict(killed_at="UT/Cache/tempcache.ini")]),
    dict(name="kept paths beyond 260 characters go back", install=[LONG],
         entries=[(1, "DM-A.ut2")], before={"LONG/Maps/DM-A.ut2": b"alt"},
         runs=[dict(args=[LONG])]),
    # The shell takes paths below 260 units: beyond them, and so for every
    # path of the Cache from an installation folder of 240, the system's
    # own calls do the work.
    *[dict(name="an installation folder of %d characters: a run, a second run, their restore"
                % length, ut="C:\\" + "L" * 200 + "\\" + "M" * (length - 204),
           entries=[(1, "DM-A.ut2")],
           before={"UT/Maps/DM-A.ut2": b"alt", "UT/System/XGame.u": b"altes XGame"},
           runs=[dict(args=[]), dict(args=[], entries=[(2, "XGame.u")])])
      for length in (239, 240, 250, 259)],
    dict(name="a run under a clock a day ahead, its restore under a clock behind",
         entries=[(1, "XGame.u")], before={"UT/System/XGame.u": b"altes XGame"},
         runs=[dict(args=[], env={"TZ": "Etc/GMT-14"})], env={"TZ": "Etc/GMT+12"}),
    dict(name="a copied installation's restore acts in the copy, the original stays as its "
              "run left it", entries=[(1, "DM-Foo.ut2")],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"}, runs=[dict(args=[])],
         copy="C:\\UT2004B"),
    dict(name="a record whose place leaves the installation is refused before any change",
         entries=[(1, "DM-Foo.ut2")], before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         runs=[dict(args=[])],
         changes={"RECORD": ("ziel 0 Maps\\\\DM-Foo.ut2", "ziel 0 Maps\\\\..\\\\..\\\\notes.ut2")},
         refused="Protokoll nennt einen Ort ausserhalb der Installationen: "),
    dict(name="a record whose further installation lies in Morvane-Sicherung, with a kept file "
              "in another installation than its target, is refused before any change",
         entries=[(1, "DM-Foo.ut2")], before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         runs=[dict(args=["{SECOND}"])],
         changes={"RECORD": ("weitere C:\\\\Spiele\\\\UT2004 Kopie",
                             "weitere C:\\\\UT2004\\\\Morvane-Sicherung\\\\{lauf}",
                             "ziel 1 Maps\\\\DM-Foo.ut2\r\n",
                             "ziel 1 Maps\\\\DM-Foo.ut2\r\n"
                             "sichere 0 Morvane-Sicherung\\\\{lauf}\\\\Maps\\\\DM-Foo.ut2\r\n")},
         refused="Protokoll nennt einen Ort ausserhalb der Installationen: "),
    dict(name="a record whose places lie behind a link is refused before any change",
         only="native", entries=[(1, "DM-Foo.ut2")], runs=[dict(args=[])],
         changes={"LINK": ("UT/Maps", "SECOND/Woanders")},
         refused="Protokoll fuehrt durch eine Verknuepfung: "),
    dict(name="a map the player put in the package's place, of its size, stays, and so does "
              "the package's line out of the index", entries=[(1, "DM-Foo.ut2"), (2, "XGame.u")],
         runs=[dict(args=["{SECOND}"])], changes={"UT/Maps/DM-Foo.ut2": ("new", b"Z")},
         says=["!! Paket nicht mehr so, wie der Lauf es hinterliess: {UT}\\Maps\\DM-Foo.ut2 !!"],
         again_says=["- Pakete zurueck im Cache: 0, Dateien zurueckgelegt: 0, "
                     "nicht zurueckgelegt: 1" + ("\r\n" if PLATFORM.merged else "\n")],
         expect={"UT/Maps/DM-Foo.ut2": "player", "SECOND/Maps/DM-Foo.ut2": 1,
                 "UT/Cache/{k1}.uxx": None, "UT/Cache/cache.ini": b"[Cache]\r\n{k2}=XGame.u\r\n"}),
    dict(name="a package downloaded anew into the Cache after the run stays, with its line, and "
              "the run's copy stays in its place", entries=[(1, "DM-Foo.ut2")], runs=[dict(args=[])],
         changes={"UT/Cache/{k1}.uxx": ("write", b"neu geladen"),
                  "UT/Cache/cache.ini": ("append", b"{k1}=DM-Foo.ut2\r\n")},
         expect={"UT/Cache/{k1}.uxx": b"neu geladen", "UT/Maps/DM-Foo.ut2": 1}),
    # (Under Wine a link of Linux's is the file it leads to.)
    *[dict(name="a %s at the record's name gives nothing to restore, and is not followed" % kind,
           only="native", entries=[(1, "DM-Foo.ut2")], runs=[dict(args=[])],
           changes={kind.upper(): value},
           says=["- nichts wiederherzustellen in "], unchanged=True)
      for kind, value in (("link", ("UT/Morvane-Sicherung/{lauf}/morvane-protokoll.txt",
                                    "UT/Morvane-Sicherung/protokoll.txt")),
                          ("fifo", "UT/Morvane-Sicherung/{lauf}/morvane-protokoll.txt"))],
    *[dict(name="a further installation's copy that the player changed after the run is kept, "
                "not deleted: %s" % kind, entries=[(1, "DM-Foo.ut2")], runs=[dict(args=["{SECOND}"])],
           changes={"SECOND/Maps/DM-Foo.ut2": change}, expect={"SECOND/Maps/DM-Foo.ut2": None},
           says=["seit dem Lauf geaendert: {SECOND}\\Maps\\DM-Foo.ut2",
                 "alte Fassung gesichert nach {SECOND}\\Morvane-Sicherung\\"], only=only)
      for kind, change, only in (("other bytes", ("longer", b"P"), PLATFORM.name),
                                 ("a link", ("symlink", "/etc/hostname"), "native"))],
    dict(name="a move aside that fails in a further installation leaves no empty run folder there",
         only="native", entries=[(1, "DM-Foo.ut2")], runs=[dict(args=["{SECOND}"])],
         changes={"SECOND/Maps/DM-Foo.ut2": ("longer", b"P")}, no_empty=["SECOND/Morvane-Sicherung"],
         env={"strace": ["strace", "-qq", "-o", "/dev/null", "-e", "inject=renameat2:error=EIO:when=1"]},
         expect={"SECOND/Maps/DM-Foo.ut2": "player"}),
    dict(name="a player's file of another size at a package's place never goes into the Cache",
         entries=[(1, "DM-Foo.ut2")], runs=[dict(args=[])],
         changes={"UT/Maps/DM-Foo.ut2": ("longer", b"L")},
         says=["!! Paket nicht mehr so, wie der Lauf es hinterliess: {UT}\\Maps\\DM-Foo.ut2 !!"],
         expect={"UT/Maps/DM-Foo.ut2": "player", "UT/Cache/{k1}.uxx": None,
                 "UT/Cache/cache.ini": b"[Cache]\r\n"}),
    dict(name="an index in UTF-16 comes back in UTF-16, with its byte order mark",
         entries=[(1, "DM-\u0416.ut2")], encoding="utf-16", runs=[dict(args=[])]),
    dict(name="a file system that refuses a rename that replaces nothing still takes the kept "
              "file back", only="native", entries=[(1, "DM-Foo.ut2")],
         before={"UT/Maps/DM-Foo.ut2": b"eigene"}, runs=[dict(args=[])],
         env={"strace": ["strace", "-qq", "-o", "/dev/null", "-e", "inject=renameat2:error=EINVAL"]}),
    dict(name="a run folder without its record, with the further installation named: kept "
              "files go back in both", entries=[(1, "DM-Foo.ut2")], runs=[dict(args=["{SECOND}"])],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte", "SECOND/Maps/DM-Foo.ut2": b"zweite"},
         changes={"UT/Morvane-Sicherung/{lauf}/morvane-protokoll.txt": ("gone",)},
         restore=["--restore", "{lauf}", "--", "{SECOND}"],
         says=["lege zurueck nach {UT}\\Maps\\DM-Foo.ut2",
               "lege zurueck nach {SECOND}\\Maps\\DM-Foo.ut2"],
         expect={"UT/Cache/{k1}.uxx": None, "UT/Cache/cache.ini": b"[Cache]\r\n"}),
    dict(name="a record whose further installation is no game's is refused before any change",
         entries=[(1, "DM-Foo.ut2")], runs=[dict(args=["{SECOND}"])],
         changes={"RECORD": ("weitere C:\\\\Spiele\\\\UT2004 Kopie", "weitere C:\\\\windows")},
         refused="Protokoll nennt einen Ort ausserhalb der Installationen: "),
    dict(name="a folder at a package's name in the Cache is not looked into: the package stays "
              "where the run put it", entries=[(1, "DM-Foo.ut2")], runs=[dict(args=[])],
         changes={"UT/Cache/{k1}.uxx": ("mkdir",)},
         says=["!! Inhalt des Cache nicht lesbar: {UT}\\Cache\\{k1}.uxx !!"],
         expect={"UT/Cache/{k1}.uxx": ("folder",), "UT/Maps/DM-Foo.ut2": 1,
                 "UT/Cache/cache.ini": b"[Cache]\r\n"}),
    dict(name="a further installation's copy with other bytes, of its size and time, is kept, "
              "not removed", entries=[(1, "DM-Foo.ut2")], runs=[dict(args=["{SECOND}"])],
         changes={"SECOND/Maps/DM-Foo.ut2": ("same time", b"Q")}),
    dict(name="and so does one the player wrote in place", entries=[(1, "DM-Foo.ut2")],
         runs=[dict(args=[])], changes={"UT/Maps/DM-Foo.ut2": ("in place", b"Y")},
         expect={"UT/Maps/DM-Foo.ut2": "player", "UT/Cache/{k1}.uxx": None,
                 "UT/Cache/cache.ini": b"[Cache]\r\n"}),
    dict(name="a further installation typed relatively is stored whole", only="native",
         entries=[(1, "XGame.u")], runs=[dict(args=["./drive_c/Spiele/UT2004 Kopie"])],
         record=["weitere {SECOND_HERE}\r\n"]),
    dict(name="the run folder named by its path, as the program printed it",
         entries=[(1, "XGame.u")], runs=[dict(args=[])],
         restore=["--restore", "{UT}\\Morvane-Sicherung\\{lauf}\\"]),
    dict(name="a game named by its folder: a run with a further installation, undone",
         entries=[(1, "DM-Foo.ut2")], before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         runs=[dict(args=["-i", "{UT}", "{SECOND}"])], restore=["--restore", "-i", "{UT}"]),
    dict(name="and named by its Linux path", only="native", entries=[(1, "DM-Foo.ut2")],
         before={"UT/Maps/DM-Foo.ut2": b"eigene Karte"},
         runs=[dict(args=["--installation", "~/drive_c/UT2004", "{SECOND}"])],
         restore=["--restore", "--installation", "~/drive_c/UT2004"]),
    dict(name="and by its path on this computer", only="native",
         entries=[(1, "XGame.u")], runs=[dict(args=[])],
         restore=["--restore", "~/drive_c/UT2004/Morvane-Sicherung/{lauf}"]),
]


def differences(found, expected):
    """The paths whose contents differ, each with what was found and what
    was expected (None: absent)."""
    return {p: (found.get(p), expected.get(p)) for p in set(found) | set(expected)
            if found.get(p) != expected.get(p)}


class Restores(Harness):
    """Each row of RESTORES in a prefix of its own."""

    def test_rows(self):
        for row in RESTORES:
            if row.get("only", PLATFORM.name) != PLATFORM.name:
                continue
            if ("strace" in row.get("env", {}) or
                    any("killed_at" in run for run in row["runs"])) and not strace_usable():
                continue
            with self.subTest(row["name"]):
                self.restore_row(row)
            PLATFORM.done_with(self.prefix)
            self.prefix = PLATFORM.new_prefix()

    def lay_out(self, files, words, contents_of):
        for path, value in files.items():
            path = self.host(path.format(**words))
            if os.path.lexists(path):
                os.remove(path)
            if isinstance(value, tuple):
                os.symlink(value[1], path)
            else:
                write_file(path, contents_of(value))

    def host(self, path):
        label, rest = path.split("/", 1)
        return os.path.join({"UT": self.root, "SECOND": self.second,
                             "LONG": sp.host_path(self.prefix, LONG)}[label], *rest.split("/"))

    def restore_row(self, row):
        self.standard(entries=[(sp.key(n), name) for n, name in row["entries"]], header=(),
                      extra_lines=row.get("extra", ()), ut=row.get("ut", UT),
                      encoding=row.get("encoding", "latin-1"))
        words = dict(UT=row.get("ut", UT), SECOND=SECOND, **{"k%d" % n: sp.key(n) for n in range(1, 10)})
        for folder in row.get("install", ()):
            self.install(folder, with_cache=False)
        self.lay_out(row.get("before", {}), words, lambda value: value)
        tops = [self.root, self.second] + [sp.host_path(self.prefix, f)
                                            for f in row.get("install", ())]
        env = row.get("env", {})
        for run in row["runs"]:
            if run.get("entries"):  # packages that came after the run before
                added = sp.write_cache(self.root, [], [(sp.key(n), name)
                                                       for n, name in run["entries"]])
                self.contents.update(added)
            if "killed_at" in run:  # killed by strace when it opens that file (native)
                path = self.host(run["killed_at"])  # by either of the prefix's paths
                drive = os.path.join(self.prefix, "drive_c")
                self.run_morvane("1\n\n", [], strace=[
                    "strace", "-qq", "-o", "/dev/null", "-P", path, "-P",
                    path.replace(drive, os.path.join(self.prefix, "dosdevices", "c:"), 1),
                    "-e", "inject=openat:signal=KILL"])
                continue
            before = contents(tops)
            args = [a.format(**words) for a in run["args"]]
            self.assertEqual(self.run_morvane("1\n\n", args, **run.get("env", {})).status, 0)
            after = contents(tops)
        if "broken" in row:
            link, text = row["broken"]
            found = glob.glob(self.host(link).replace("<zeit>", "*").rsplit("/", 1)[0])
            os.symlink(text, os.path.join(found[0], os.path.basename(link)))
        lauf = sorted(os.listdir(os.path.join(self.root, "Morvane-Sicherung")))[-1]
        record = os.path.join(self.root, "Morvane-Sicherung", lauf, "morvane-protokoll.txt")
        words.update(lauf=lauf, SECOND_HERE=self.second)
        with open(record, encoding="utf-8", newline="") as f:
            text = f.read()
        for said_there in row.get("record", ()):
            self.assertIn(said_there.format(**words), text)
        answer = "1"
        if "copy" in row:  # the installation copied, with its Morvane-Sicherung
            copy = sp.host_path(self.prefix, row["copy"])
            shutil.copytree(self.root, copy, symlinks=True)
            self.register([("UT2004", UT), ("UT2004 Zweitinstallation", SECOND),
                           ("UT2004 Kopie", row["copy"])])
            tops.append(copy)
            mine = self.root + "/"
            before = dict({p: v for p, v in before.items() if not p.startswith(mine)},
                          **{p.replace(self.root, copy, 1): v for p, v in before.items()
                             if p.startswith(mine)},
                          **{p: v for p, v in after.items() if p.startswith(mine)})
            answer = "2"  # the keys are listed in the order of their names
        # What the player does between the run and the restore.
        player = {}
        for path, value in row.get("changes", {}).items():
            if path == "RECORD":  # the record, written by anything: (old, new) pairs
                for old, new in zip(value[::2], value[1::2]):
                    text = text.replace(old.format(**words), new.format(**words))
                with open(record, "w", encoding="utf-8", newline="") as f:
                    f.write(text)
                continue
            if path == "LINK":  # a link on the way to the places of the record
                shutil.move(self.host(value[0].format(**words)), self.host(value[1]))
                os.symlink(self.host(value[1]), self.host(value[0].format(**words)))
                continue
            if path == "FIFO":  # a named pipe in the place of that file
                os.remove(self.host(value.format(**words)))
                os.mkfifo(self.host(value.format(**words)))
                continue
            path = self.host(path.format(**words))
            if value[0] == "mkdir":  # a folder at a file's name
                os.makedirs(path)
                continue
            if value[0] == "gone":  # removed
                os.remove(path)
                continue
            if value[0] == "symlink":  # a link in the file's place
                os.remove(path)
                os.symlink(value[1], path)
                continue
            if value[0] in ("write", "append"):  # a new download, its index line
                with open(path, "ab" if value[0] == "append" else "wb") as f:
                    f.write(value[1].decode().format(**words).encode())
                continue
            size = os.path.getsize(path) + (value[0] == "longer")
            player[path] = (value[1] * size)[:size]
            if value[0] == "same time":  # other bytes, with the size and time of the copy
                times = os.stat(path)
                with open(path, "r+b") as f:
                    f.write(player[path])
                os.utime(path, ns=(times.st_atime_ns, times.st_mtime_ns))
            elif value[0] == "in place":  # the same file written anew
                with open(path, "r+b") as f:
                    f.write(player[path])
            else:
                os.remove(path)
                write_file(path, player[path])
        expected = dict(after if row.get("unchanged") else before)
        for path, value in row.get("expect", {}).items():
            path = self.host(path.format(**words))
            if value is None:
                expected.pop(path, None)
            elif value == "player":
                expected[path] = (player[path], True)
            elif isinstance(value, int):  # the package of that number
                expected[path] = (self.contents[sp.key(value)], True)
            elif isinstance(value, tuple):  # ("folder",)
                expected[path] = value
            else:
                expected[path] = (value.decode().format(**words).encode(), True)
        restore_args = [a.format(**words) for a in row.get("restore", ["--restore"])]
        # A preview of the restore: not a byte, mode or time changes.
        tree = self.tree(tops)
        look = self.run_morvane(answer + "\n\n", ["-n"] + restore_args, **env)
        self.assertEqual(self.tree(tops), tree)
        restore = self.run_morvane(answer + "\n\n", restore_args, **env)
        if "refused" in row:  # refused whole, before any change
            for done in (look, restore):
                self.assertEqual(done.status, 1, done.out)
                self.assertIn(row["refused"].format(**words), done.err + done.out)
            self.assertEqual(self.tree(tops), tree)
            return
        self.assertEqual((look.status, look.err), (0, ""))
        if "out" in row:
            self.expect(Run(stamped(restore.out), restore.err, restore.status),
                        OPENING + row["out"].format(**words) + PROMPT)
        self.assertEqual((restore.status, restore.err), (0, ""))
        for words_said in row.get("says", ()):  # what it must say
            self.assertIn(words_said.format(**words), restore.out)
        self.assertEqual(differences(contents(tops), expected), {}, restore.out)
        for path, data in player.items():  # the player's file: in its place, or kept
            self.assertIn(data, [d for _, d in sp_files(os.path.dirname(os.path.dirname(path)))])
        for top in row.get("no_empty", ()):  # no folder left empty below it
            for folder, folders, names in os.walk(self.host(top)):
                self.assertTrue(folders or names, folder)
        if "again_says" in row:  # a restore that failed in part, finished by the next
            again = self.run_morvane(answer + "\n\n", restore_args, **env)
            for words_said in row["again_says"]:
                self.assertIn(words_said.format(**words), again.out)
            self.assertEqual(differences(contents(tops), expected), {}, again.out)
        if "changes" in row or "copy" in row:
            return
        # No toggle: a second --restore changes nothing; running again does
        # the run again.
        again = self.run_morvane("1\n\n", [a for a in restore_args if a != "-n"], **env)
        self.assertEqual((again.status, again.err), (0, ""))
        self.assertIn("- nichts wiederherzustellen: schon zurueckgenommen ist ", again.out)
        self.assertEqual(differences(contents(tops), before), {}, again.out)
        rerun = self.run_morvane("1\n\n", args, **run.get("env", {}))
        self.assertEqual((rerun.status, rerun.err), (0, ""))
        self.assertEqual(differences(contents(tops), after), {}, rerun.out)


# The preview's words, and the run's for the same thing.
TENSES = [("wuerde kopieren nach ", "kopiere nach "),
          ("alte Fassung wuerde gesichert nach ", "alte Fassung gesichert nach "),
          ("- Vorschau: Pakete wuerden verschoben: ", "- Pakete verschoben: "),
          ("Installationen wuerden fehlschlagen: ", "Installationen fehlgeschlagen: "),
          ("- in Morvane-Sicherung wuerden alte Fassungen gesichert: ",
           "- alte Fassungen gesichert in Morvane-Sicherung: "),
          ("Zeile wuerde ausgelassen", "Zeile wird ausgelassen"),
          ("Format derzeit nicht kompatibel -> Zeile bliebe !!", "Format derzeit nicht kompatibel !!"),
          ("Kopieren wuerde fehlschlagen -> Zeile bliebe erhalten", "Kopieren fehlgeschlagen -> "
                                                                    "Zeile bleibt erhalten"),
          ("Zeile wuerde entfernt", "Zeile wird entfernt"),
          ("Loeschen wuerde fehlschlagen -> Zeile bliebe", "Loeschen fehlgeschlagen -> Zeile bleibt"),
          ("alte Fassung koennte nicht", "alte Fassung konnte nicht"),
          ("-> wuerde nicht kopiert", "-> nicht kopiert"),
          ("weitere Installation wuerde fehlschlagen", "weitere Installation fehlgeschlagen")]


def said(out, preview):
    """The program's own lines about the index, its copies, its keeps and
    its sums, in the run's words; the shell's lines left out."""
    kept = []
    for line in stamped(out).replace("\r\n", "\n").split("\n"):
        if preview:
            for would, did in TENSES:
                line = line.replace(would, did)
        if line.startswith(("Zeile eingelesen: ", "kopiere nach ", "!! ", "alte Fassung",
                            "- ", "  ")) and not line.startswith("   "):
            kept.append(line)
    return kept


class PreviewMatchesRun(Harness):
    """Random caches, each previewed and then run: the preview names the
    same files, failures and sums as the run, line by line."""

    def test_random_caches(self):
        # Fewer where every run goes through a tool (valgrind) or Wine;
        # MORVANE_DIFFERENTIAL_CASES=200 gives the full sweep there too.
        cases = int(os.environ.get("MORVANE_DIFFERENTIAL_CASES",
                                   20 if PLATFORM.name != "native" else
                                   50 if os.environ.get("MORVANE_WRAPPER") else 200))
        for seed in range(cases):
            with self.subTest(seed=seed):
                self.one_cache(random.Random(seed))
            PLATFORM.done_with(self.prefix)
            self.prefix = PLATFORM.new_prefix()

    def one_cache(self, rnd):
        args = random_cache(self, rnd, edges=True)
        tops = [self.root, self.second, sp.host_path(self.prefix, NO_ROOM)]
        tree = self.tree(tops)
        # A file that another program holds through both.
        holders = [PLATFORM.hold(*held) for held in self.held]
        try:
            preview = self.run_morvane("1\n\n", ["-n"] + args)
            self.assertEqual(self.tree(tops), tree)
            run = self.run_morvane("1\n\n", args)
        finally:
            for holder in holders:
                holder.communicate(b"\n", timeout=60)
        raised = [[line for line in normalised(done.out + done.err).split("\n")
                   if line.startswith("raised")]
                  for done in (preview, run)]
        self.assertEqual((preview.status, raised[0]), (run.status, raised[1]),
                         preview.out + run.out)
        self.assertEqual(said(preview.out, True), said(run.out, False), "\n".join(lines_of(self)))


NAMES = ["DM-Foo.ut2", "dm-foo.ut2", "DM-Bar.ut2", "XGame.u", "Terrain.utx", "Song.ogg"]
VARIANTS = [b"Fassung A", b"Fassung B", b"Fassung C"]


def lines_of(harness):
    return harness.cache_file("cache.ini").decode("latin-1").split("\r\n")


def random_cache(harness, rnd, one_spelling=False, edges=False):
    """A random cache in harness's prefix: two letter cases of a key and of
    a name, two versions of a name, missing packages, read-only files,
    links at targets, a missing type folder; returns the further
    installations of its run. With `one_spelling`, no two files at targets
    differ in their letters alone (Linux allows them, Windows does not).
    With `edges`, what the shell refuses too: a further installation
    beyond its limit of 260 units, a file named Morvane-Sicherung, and
    under Wine a package or target that another program holds
    (harness.held: (path, shared) for PLATFORM.hold)."""
    harness.standard(entries=[], header=())
    cache = os.path.join(harness.root, "Cache")
    lines, keys = ["[Cache]"], []
    for _ in range(rnd.randint(1, 6)):
        if keys and rnd.random() < 0.15:  # a key once more, in other letters
            key = keys[rnd.randrange(len(keys))].lower()
        else:
            key = sp.key(rnd.randint(1, 9))
            if rnd.random() > 0.1:  # else its package is missing
                write_file(os.path.join(cache, key + ".uxx"), rnd.choice(VARIANTS))
                if (one_spelling or edges) and rnd.random() < 0.1:  # left read-only by the game
                    os.chmod(os.path.join(cache, key + ".uxx"), 0o444)
        keys.append(key)
        lines.append(key + "=" + rnd.choice(NAMES))
    write_file(os.path.join(cache, "cache.ini"), ("\r\n".join(lines) + "\r\n").encode())
    for base in (harness.root, harness.second):
        for name in NAMES:
            target = os.path.join(base, sp.sub_folder(name), name)
            roll = rnd.random()
            taken = os.path.exists(target) or (one_spelling and any(
                n.lower() == name.lower() for n in os.listdir(os.path.dirname(target))))
            if roll < 0.3 and not taken:
                write_file(target, rnd.choice(VARIANTS))
                if rnd.random() < 0.2:
                    os.chmod(target, 0o444)
            elif roll < 0.35 and PLATFORM.name == "native" and not (one_spelling and taken):
                os.symlink(rnd.choice(["/etc/hostname", "/nirgends", "../Textures/Eigen.utx"]),
                           target)
    if rnd.random() < 0.1:
        shutil.rmtree(os.path.join(harness.root, "Music"))
    further = [[], [], [SECOND], [UT.lower()]] + (
        [[harness.second]] if PLATFORM.name == "native" else [])
    harness.held = []
    if not edges:
        return rnd.choice(further)
    harness.install(NO_ROOM, with_cache=False)
    for top, chance in ((harness.root, 0.05), (harness.second, 0.1)):
        if rnd.random() < chance:
            write_file(os.path.join(top, "Morvane-Sicherung"), b"a file")
    drive = os.path.join(harness.prefix, "drive_c")
    files = sorted(os.path.join(folder, name) for top in (harness.root, harness.second)
                   for folder, _, names in os.walk(top) for name in names
                   if name.endswith((".uxx", ".ut2", ".u", ".utx", ".ogg")))
    if PLATFORM.name == "wine" and files and rnd.random() < 0.3:
        held = rnd.choice(files)
        if not os.path.islink(held):
            harness.held.append(("C:\\" + os.path.relpath(held, drive).replace("/", "\\"),
                                 rnd.random() < 0.5))
    return rnd.choice(further + [[NO_ROOM], [SECOND, NO_ROOM]])


# The restore's preview's words, and the restore's for the same thing.
RESTORE_TENSES = [("Paket wuerde zurueck in den Cache: ", "Paket zurueck in den Cache: "),
                  ("wuerde entfernen ", "entferne "),
                  ("wuerde zuruecklegen nach ", "lege zurueck nach "),
                  ("alte Fassung wuerde gesichert nach ", "alte Fassung gesichert nach "),
                  ("wuerde wiederherstellen aus ", "stelle wieder her aus "),
                  ("Zeile wuerde zurueck in cache.ini: ", "Zeile zurueck in cache.ini: "),
                  ("- Vorschau: Pakete wuerden zurueck in den Cache: ", "- Pakete zurueck im Cache: "),
                  ("Dateien wuerden zurueckgelegt: ", "Dateien zurueckgelegt: "),
                  ("- in Morvane-Sicherung wuerden alte Fassungen gesichert: ",
                   "- alte Fassungen gesichert in Morvane-Sicherung: "), ("- Vorschau: ", "- ")]


class RoundTrip(Harness):
    """Random caches, each run, then previewed and restored: the preview of
    the restore changes nothing and says what the restore says, line by
    line; the restore gives every file, link and the index back as they
    were. Every third case the player changes things in between: a newer
    map where the run put one, a new download with its line. Those stay."""

    def test_random_caches(self):
        # Fewer where every run goes through a tool (valgrind), under the
        # sanitizers, or under Wine.
        default = (20 if PLATFORM.name != "native" else 10 if os.environ.get("MORVANE_WRAPPER")
                   else 100 if os.environ.get("MORVANE_SANITIZED") == "ON" else 300)
        cases = int(os.environ.get("MORVANE_ROUND_TRIP_CASES", default))
        for seed in range(cases):
            with self.subTest(seed=seed):
                self.one_cache(random.Random(1000 + seed), seed % 3 == 2)
            PLATFORM.done_with(self.prefix)
            self.prefix = PLATFORM.new_prefix()

    def one_cache(self, rnd, player):
        args = random_cache(self, rnd, one_spelling=True)
        tops = [self.root, self.second]
        before = contents(tops)
        run = self.run_morvane("1\n\n", args)
        self.assertEqual(run.status, 0, run.out + run.err)
        changed, new = None, None
        if player:
            targets = re.findall(r"kopiere nach (C:\\UT2004\\[^\n]*)", run.out)
            if targets and os.path.isdir(os.path.dirname(sp.host_path(self.prefix, targets[-1]))):
                changed = sp.host_path(self.prefix, targets[-1])
                if os.path.lexists(changed):
                    os.chmod(changed, 0o644) if not os.path.islink(changed) else None
                    os.remove(changed)
                write_file(changed, rnd.choice([b"neue Karte", b"Fassung Z"]))
            new = (sp.key(42) + "=DM-Neu.ut2").encode()
            write_file(os.path.join(self.root, "Cache", sp.key(42) + ".uxx"), b"neu geladen")
            with open(os.path.join(self.root, "Cache", "cache.ini"), "ab") as f:
                f.write(new + b"\r\n")
        tree = self.tree(tops)
        look = self.run_morvane("1\n\n", ["-n", "--restore"])
        self.assertEqual(self.tree(tops), tree)
        restore = self.run_morvane("1\n\n", ["--restore"])
        self.assertEqual((look.status, restore.status), (0, 0), look.err + restore.err)
        told = stamped(look.out).replace("\r\n", "\n").replace(
            "\nVorschau: es wird nichts veraendert, nur gezeigt, was ein Lauf tun wuerde.\n", "")
        for would, did in RESTORE_TENSES:
            told = told.replace(would, did)
        self.assertEqual(told, stamped(restore.out).replace("\r\n", "\n"))
        found = contents(tops)
        if not player:
            self.assertEqual(differences(found, before), {}, run.out + restore.out)
            return
        index = os.path.join(self.root, "Cache", "cache.ini")
        cache = os.path.join(self.root, "Cache")
        self.assertIn(new + b"\r\n", found[index][0])
        self.assertEqual(found[os.path.join(cache, sp.key(42) + ".uxx")][0], b"neu geladen")
        if changed:
            # The player's map stays, in its place or kept by the restore.
            ours = found.get(changed, (None,))[0]
            kept = [d for f, d in sp_files(self.root) if "Morvane-Sicherung" in f]
            self.assertTrue(ours in (b"neue Karte", b"Fassung Z") or
                            any(d in (b"neue Karte", b"Fassung Z") for d in kept))
        # The rest as it was; where the player's map took the package's
        # place, its copies stay, and so does what they replaced.
        for path in set(found) | set(before):
            if path.startswith(cache) or (changed and os.path.basename(path).lower() ==
                                          os.path.basename(changed).lower()):
                continue
            self.assertEqual(found.get(path), before.get(path), path)


def sp_files(top):
    for folder, _, names in os.walk(top):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    yield path, f.read()


@unittest.skipUnless(PLATFORM.name == "native", "the native games are the Linux build's")
class NativeGame(Harness):
    """The native UT2004 and UT2003 keep their cache in the user folder,
    ~/.ut2004: HOME is the prefix's folder, thrown away with it."""

    def test_the_list_with_a_prefix_and_without(self):
        self.standard(entries=[])
        games = [os.path.join(self.prefix, game) for game in (".ut2004", ".ut2003")]
        for game, line in zip(games, ("neu", "alt")):
            sp.write_cache(sp.make_user_folder(self.prefix, os.path.basename(game)), [], [], [line])
        os.makedirs(os.path.join(self.prefix, ".ut2002", "Cache"))  # no game of ours
        registered = ["UT2004", "UT2004 Zweitinstallation"]
        system_reg = os.path.join(self.prefix, "system.reg")
        # After the registry; then without its key, and without a registry.
        for change, listed, answer, shown in (
                (None, registered + games, "4", "alt"), (lambda: self.register([]), games, "1", "neu"),
                (lambda: os.remove(system_reg), games, "2", "alt")):
            if change:
                change()
            run = self.run_morvane(answer + "\n\n")
            self.expect(run, BANNER + dialogue(listed) + echoed(shown) + UNKNOWN + EMPTY + PROMPT)
        # A registry that cannot be opened (a link to itself) is never taken for none.
        os.symlink("system.reg", system_reg)
        run = self.run_morvane("1\n\n")
        self.expect(run, BANNER, report("GWINDOWS.REGISTRY.REGISTRY_ERROR",
                                        "The system cannot read from the specified device.\n"), 1)
        # Neither a registry nor a user folder: the registry's error, as ever.
        os.remove(system_reg)
        for game in games:
            shutil.rmtree(game)
        run = self.run_morvane("1\n\n")
        self.expect(run, BANNER, PLATFORM.nothing_found(self.prefix), 1)

    def test_a_user_folder_gets_its_packages_by_exact_names(self):
        # The game reads Maps, not maps: a "maps" folder is left alone and
        # Maps is made. The index keeps its LF line ends.
        self.register([])
        user = self.root = sp.make_user_folder(self.prefix)
        entries = [(sp.key(1), "DM-Foo.ut2"), (sp.key(2), "XGame.u")]
        packages = sp.write_cache(user, ["[Options]"], entries, ["; Notiz"], line_end="\n")
        os.mkdir(os.path.join(user, "maps"))
        write_file(os.path.join(user, "maps", "DM-Alt.ut2"), b"old")
        # Only the exact name is the index; CACHE.INI is no other spelling of it.
        write_file(os.path.join(user, "Cache", "CACHE.INI"), b"anderes")
        before = contents([user])
        run = self.run_morvane("1\n\n")
        self.expect(run, BANNER + dialogue([user]) + "".join(
            echoed(k + "=" + name) + "kopiere nach %s/%s/%s\n" % (user, sp.sub_folder(name), name) +
            PLATFORM.COPIED for k, name in entries) + echoed("; Notiz") + UNKNOWN + summary(2, 1))
        self.assertEqual(self.cache_file("cache.ini"), b"[Options]\n[Cache]\n; Notiz\n")
        self.assertEqual(sorted(os.listdir(os.path.join(user, "Cache"))), ["CACHE.INI"] + HELD)
        for k, name in entries:
            with open(os.path.join(user, sp.sub_folder(name), name), "rb") as f:
                self.assertEqual(f.read(), packages[k])
        self.assertEqual(os.listdir(os.path.join(user, "maps")), ["DM-Alt.ut2"])
        # Its restore: the index with its LF line ends, the Maps it made gone.
        self.assertEqual(self.run_morvane("1\n\n", ["--restore"]).status, 0)
        self.assertEqual(differences(contents([user]), before), {})


@unittest.skipUnless(PLATFORM.name == "wine" and os.environ.get("MORVANE_NATIVE_BINARY"),
                     "needs Wine and the native build")
class RegistryThatWineWrites(Harness):
    """Has the wineserver write system.reg by ending it, so it runs after
    every other test: each test is to find the server that the suite
    started, not one started anew."""

    def test_native_build_reads_the_registry_that_wine_writes(self):
        # Names beyond ASCII too: both builds show the same dialogue and
        # leave the same files, with the same names.
        names = ["UT2004", "Caf\u00e9 [1] & mehr", "ut2003"]
        muell = "C:\\Spiele\\M\u00fcll"
        self.register([(names[0], UT), (names[1], muell), (names[2], None)])
        PLATFORM.add_value(names[2], "Folder", "REG_EXPAND_SZ", r"C:\UT2003")
        PLATFORM.add_value(names[2], "Version", "REG_DWORD", "3369")
        PLATFORM.add_value(names[2], "Mods", "REG_MULTI_SZ", r"A\0B")
        for folder in (UT, r"C:\UT2003"):
            sp.write_cache(self.install(folder), [], [], extra_lines=[folder])
        root = self.install(muell)
        PLATFORM.save_registry()
        listed = ["Caf\u00e9 [1] & mehr", "ut2003", "UT2004"]
        env = {"PATH": "/usr/bin:/bin", "WINEPREFIX": self.prefix, "HOME": self.prefix}
        moved = (echoed(sp.key(3) + "=Caf\u00e9.ut2") +
                 "kopiere nach %s\\Maps\\Caf\u00e9.ut2\n" % muell + "%(copied)s" + summary(1, 0))
        trees = []
        for answer, shown in (("1\n\n", moved),
                              ("2\n\n", echoed(r"C:\UT2003") + UNKNOWN + EMPTY + PROMPT),
                              ("3\n\n", echoed(UT) + UNKNOWN + EMPTY + PROMPT)):
            for build in (e2e_platforms.Native, PLATFORM):
                sp.write_cache(root, [], [(sp.key(3), "Caf\u00e9.ut2")])
                expected = BANNER + dialogue(listed) + shown % {"copied": build.COPIED}
                if build is e2e_platforms.Native:
                    done = subprocess.run([os.environ["MORVANE_NATIVE_BINARY"]],
                                          input=answer.encode(), env=env, capture_output=True,
                                          timeout=60)
                    self.assertEqual(without_places(done.stdout.decode("utf-8")), expected)
                    self.assertEqual(done.returncode, 0)
                else:
                    self.assertEqual(PLATFORM.run(self.prefix, [], answer.encode())[0],
                                     PLATFORM.console(expected))
                # The same files, the run's record among them (its folder
                # named for its time; where its copies lie on the disk, and
                # when the files were made, are each run's own).
                trees.append({stamped(p): re.sub(rb"(\nstand \d+ \d+ \d+) [^\r]*", rb"\1", data)
                              for p, data in self.files().items()})
                shutil.rmtree(os.path.join(root, "Maps"))
                os.mkdir(os.path.join(root, "Maps"))
                shutil.rmtree(os.path.join(root, "Morvane-Sicherung"), ignore_errors=True)
            self.assertEqual(trees[-2], trees[-1])
        self.assertIn(os.path.join("Spiele", "M\u00fcll", "Maps", "Caf\u00e9.ut2"), trees[0])
        # Either build undoes the other's run: the times of the records agree.
        sp.write_cache(root, [], [(sp.key(3), "Caf\u00e9.ut2")])
        before = contents([root])
        for run, restore in ((e2e_platforms.Native, PLATFORM), (PLATFORM, e2e_platforms.Native)):
            for build, args in ((run, []), (restore, ["--restore"])):
                if build is e2e_platforms.Native:
                    subprocess.run([os.environ["MORVANE_NATIVE_BINARY"]] + args, input=b"1\n\n",
                                   env=env, capture_output=True, timeout=60, check=True)
                else:
                    self.assertEqual(PLATFORM.run(self.prefix, args, b"1\n\n")[2], 0)
            self.assertEqual(differences(contents([root]), before), {})


if __name__ == "__main__":
    unittest.main(verbosity=2)
