"""The packages that players download, as scripts/release builds them: the
.deb passes lintian and carries the manual page, copyright and changelog;
the Windows zip has a versioned name and holds morvane.exe, LICENSE.txt and
LIESMICH.txt, whose lines end in CR LF for Notepad.

MORVANE_NATIVE_BUILD and MORVANE_WINDOWS_BUILD name the configured build
folders; each package is made anew from one with cpack."""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile


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
                     "./usr/share/doc/morvane/changelog.Debian.gz"):
            self.assertIn(path, listing)

    @unittest.skipUnless(os.environ.get("MORVANE_WINDOWS_BUILD"), "needs the Windows build")
    def test_the_windows_zip_has_a_version_and_a_guide_for_notepad(self):
        out = package(os.environ["MORVANE_WINDOWS_BUILD"], "ZIP")
        self.addCleanup(shutil.rmtree, out)
        [archive] = glob.glob(os.path.join(out, "*.zip"))
        self.assertRegex(os.path.basename(archive),
                         r"^morvane-0\.91-[1-9][0-9]*-windows-x64\.zip$")
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(sorted(z.namelist()), ["LICENSE.txt", "LIESMICH.txt", "morvane.exe"])
            for name in ("LICENSE.txt", "LIESMICH.txt"):
                text = z.read(name)
                self.assertNotRegex(text, re.compile(rb"(?<!\r)\n"), name)
                text.decode("ascii")


if __name__ == "__main__":
    unittest.main(verbosity=2)
