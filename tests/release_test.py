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
                text.decode("ascii")
            self.assertIn(WINDOWS_GUIDE, z.read(folder + "LIESMICH.txt").decode())


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
        for command in re.findall(r"^    (\./morvane(?: [-\w]+)*)$", guide, re.M):
            done = subprocess.run(command, shell=True, cwd=os.path.join(out, name), input="0\n",
                                  capture_output=True, text=True, env={"HOME": out})
            self.assertIn("Morvane", done.stdout, command)


if __name__ == "__main__":
    unittest.main(verbosity=2)
