"""How the end-to-end tests run the program on each platform, and the
texts in which that platform itself speaks."""

import os
import subprocess

import sample_prefix as sp


class Native:
    """The Linux build: the prefix's system.reg, commands carried out directly."""
    COPIED = "        1 Datei(en) kopiert.\n"
    SOURCE_MISSING = ("Das System kann die angegebene Datei nicht finden.\n"
                      "        0 Datei(en) kopiert.\n")
    FOLDER_MISSING = ("Das System kann den angegebenen Pfad nicht finden.\n"
                      "        0 Datei(en) kopiert.\n")
    NOT_FOUND_TEXT = "The system cannot find the file specified.\n"
    END_ERROR_IN_FILE = "\nraised IO_EXCEPTIONS.END_ERROR : text_files.cc:N\n"

    def __init__(self):
        self.binary = os.environ["MORVANE_BINARY"]

    def new_prefix(self, prefix):
        sp.make_prefix(prefix)

    def register(self, prefix, installations):
        sp.write_system_reg(prefix, installations)

    def run(self, prefix, args, stdin):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "WINEPREFIX": prefix,
               "HOME": prefix, "LC_ALL": "C.UTF-8"}
        done = subprocess.run([self.binary] + args, input=stdin, capture_output=True, env=env,
                              cwd=prefix, timeout=120)
        return (done.stdout.decode("latin-1"), done.stderr.decode("latin-1"), done.returncode)

    def console(self, text):
        return text


def current():
    kind = os.environ.get("MORVANE_PLATFORM", "native")
    return {"native": Native}[kind]()
