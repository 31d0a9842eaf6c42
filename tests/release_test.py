"""The packages that players download, as scripts/release builds them: the
.deb passes lintian and carries the manual page (with its OPTIONS and EXIT
STATUS), copyright, changelog and guides, compressed; the Windows zip has a
versioned name and unpacks into a folder of that name with morvane.exe,
LICENSE.txt and LIESMICH.txt, whose lines end in CR LF for Notepad; the
Linux tarball unpacks into a folder of its own with a program that needs no
library of the system.

MORVANE_NATIVE_BUILD, MORVANE_WINDOWS_BUILD and MORVANE_STATIC_BUILD name
the configured build folders; each package is made anew from one with
cpack."""

import glob
import os
import re
import shutil
import subprocess
import tarfile
import tempfile
import unittest
import zipfile


GUIDES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging")
LINUX_GUIDE = "Anleitung für Spieler unter Linux"
WINDOWS_GUIDE = "Windows-Taste + R"


def named_paths(text, start):
    """The paths in `text` that begin with `start`, as far as a blank or a mark."""
    return {p.rstrip(".,;:)") for p in re.findall(re.escape(start) + r"[^\s\"“”]+", text)}


def package(build, generator):
    out = tempfile.mkdtemp(prefix="morvane-release-")
    subprocess.run(["cpack", "-G", generator, "-B", out], cwd=build, check=True,
                   stdout=subprocess.DEVNULL)
    return out


class Release(unittest.TestCase):
    @unittest.skipUnless(shutil.which("lintian"), "needs lintian")
    def test_the_debian_package_is_clean(self):
        out = package(os.environ["MORVANE_NATIVE_BUILD"], "DEB")
        self.addCleanup(shutil.rmtree, out)
        [deb] = glob.glob(os.path.join(out, "morvane_*.deb"))
        self.assertRegex(os.path.basename(deb), r"^morvane_0\.91-[1-9][0-9]*_\w+\.deb$")
        done = subprocess.run(["lintian", "-I", "--fail-on", "error,warning", deb],
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        # Built with Debian's hardening flags.
        self.assertNotIn("hardening-", done.stdout)
        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True,
                                 check=True).stdout
        for path in ("./usr/games/morvane", "./usr/share/man/man6/morvane.6.gz",
                     "./usr/share/doc/morvane/copyright",
                     "./usr/share/doc/morvane/changelog.Debian.gz",
                     "./usr/share/doc/morvane/PLAYERS.md.gz", "./usr/share/doc/morvane/README.md.gz",
                     "./usr/share/doc/morvane/LIESMICH.txt.gz",
                     "./usr/share/man/de/man6/morvane.6.gz"):
            self.assertIn(path, listing)
        # The German guide is the one for Linux, and every path it names is
        # in the package.
        guide = subprocess.run("dpkg-deb --fsys-tarfile '%s' | tar -xO "
                               "./usr/share/doc/morvane/LIESMICH.txt.gz | gzip -d" % deb,
                               shell=True, capture_output=True, check=True).stdout.decode()
        self.assertIn(LINUX_GUIDE, guide)
        self.assertNotIn(WINDOWS_GUIDE, guide)
        with open(os.path.join(GUIDES, "morvane.de.6")) as f:
            named = named_paths(guide + f.read(), "/usr/")
        self.assertIn("/usr/share/doc/morvane/LIESMICH.txt.gz", named)
        for path in named:
            self.assertIn("." + path, listing)
        # It installs on every Debian and Ubuntu: it needs the C library and
        # the compiler's runtime, no library whose name changes between them.
        depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], capture_output=True,
                                 text=True, check=True).stdout
        self.assertLessEqual({d.split()[0] for d in depends.split(",")},
                             {"libc6", "libgcc-s1", "libstdc++6"}, depends)
        # Installed, it runs and finds the native game.
        root = os.path.join(out, "root")
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        home = os.path.join(out, "home")
        os.makedirs(os.path.join(home, ".ut2004", "Cache"))
        done = subprocess.run([os.path.join(root, "usr/games/morvane")], input="0\n",
                              capture_output=True, text=True, env={"HOME": home})
        self.assertIn("  1: %s/.ut2004\n" % home, done.stdout, done.stderr)
        manual = os.path.join(os.path.dirname(__file__), "..", "packaging", "morvane.6")
        with open(manual) as f:
            sections = re.findall(r"^\.SH (.+)$", f.read(), re.M)
        for section in ("OPTIONS", "EXIT STATUS"):
            self.assertIn(section, sections)

    @unittest.skipUnless(os.environ.get("MORVANE_WINDOWS_BUILD"), "needs the Windows build")
    def test_the_windows_zip_has_a_version_and_a_guide_for_notepad(self):
        out = package(os.environ["MORVANE_WINDOWS_BUILD"], "ZIP")
        self.addCleanup(shutil.rmtree, out)
        [archive] = glob.glob(os.path.join(out, "*.zip"))
        self.assertRegex(os.path.basename(archive),
                         r"^morvane-0\.91-[1-9][0-9]*-windows-x64\.zip$")
        folder = os.path.basename(archive)[:-len(".zip")] + "/"
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(sorted(z.namelist()), [folder + name for name in (
                "LICENSE.txt", "LIESMICH.txt", "morvane.exe")])
            for name in ("LICENSE.txt", "LIESMICH.txt"):
                text = z.read(folder + name)
                self.assertNotRegex(text, re.compile(rb"(?<!\r)\n"), name)
            z.read(folder + "LICENSE.txt").decode("ascii")
            # The guide in UTF-8 with its mark, so that Notepad shows its
            # umlauts on every Windows.
            guide = z.read(folder + "LIESMICH.txt")
            self.assertTrue(guide.startswith(b"\xef\xbb\xbf"))
            for word in (WINDOWS_GUIDE, "Schlüssel", "heißt"):
                self.assertIn(word, guide.decode("utf-8"))


    @unittest.skipUnless(os.environ.get("MORVANE_STATIC_BUILD"), "needs the static build")
    def test_the_linux_tarball_runs_anywhere(self):
        out = package(os.environ["MORVANE_STATIC_BUILD"], "TGZ")
        self.addCleanup(shutil.rmtree, out)
        [archive] = glob.glob(os.path.join(out, "*.tar.gz"))
        name = os.path.basename(archive)[:-len(".tar.gz")]
        self.assertRegex(name, r"^morvane-0\.91-[1-9][0-9]*-linux-x86_64$")
        with tarfile.open(archive) as tar:
            self.assertEqual(sorted(m.name for m in tar.getmembers() if m.isfile()), [
                name + "/" + f for f in ("LICENSE", "LIESMICH.txt", "PLAYERS.md", "morvane",
                                         "morvane.6", "morvane.de.6")])
            tar.extractall(out)
        program = os.path.join(out, name, "morvane")
        # No interpreter and no library of the system.
        headers = subprocess.run(["readelf", "-ld", program], capture_output=True, text=True,
                                 check=True).stdout
        self.assertNotIn("INTERP", headers)
        self.assertNotIn("(NEEDED)", headers)
        done = subprocess.run([program, "--version"], capture_output=True, text=True, env={})
        self.assertEqual((done.stdout, done.returncode), (
            "morvane " + name[len("morvane-"):-len("-linux-x86_64")] + "\n", 0))
        # The German guide is the one for Linux; what it and the help name
        # in the folder is there, and its commands run there.
        with open(os.path.join(out, name, "LIESMICH.txt"), encoding="utf-8") as f:
            guide = f.read()
        self.assertIn(LINUX_GUIDE, guide)
        self.assertNotIn(WINDOWS_GUIDE, guide)
        helped = subprocess.run([program, "--help"], capture_output=True, text=True, env={})
        self.assertEqual(helped.returncode, 0)
        named = named_paths(guide + helped.stdout, "./")
        self.assertIn("./morvane.de.6", named)
        for path in named - {p for p in named if "<" in p}:  # not the .deb's name
            self.assertTrue(os.path.exists(os.path.join(out, name, path)), path)
        # Every command, as typed in the folder (a line of four blanks and
        # the command, perhaps followed by what it does), runs its program.
        commands = [re.split(r"\s{2,}", line.strip())[0] for line in guide.split("\n")
                    if re.match(r"    (([A-Z_]+=\S* )?(\./)?|.*\| (\./)?)morvane( |$)", line)]
        self.assertGreater(len(commands), 5)
        for command in commands:
            self.assertIn("./morvane", command)
            done = subprocess.run(command, shell=True, cwd=os.path.join(out, name), input="0\n",
                                  capture_output=True, text=True,
                                  env={"HOME": out, "PATH": "/usr/bin:/bin"}, timeout=60)
            self.assertNotEqual(done.returncode, 127, command)
            if ">" not in command:  # what it says, unless it goes to a log
                self.assertIn("morvane", (done.stdout + done.stderr).lower(), command)


if __name__ == "__main__":
    unittest.main(verbosity=2)
