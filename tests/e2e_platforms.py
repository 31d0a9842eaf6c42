"""How the end-to-end tests run the program on each platform, and the
texts in which that platform itself speaks (its shell, its error texts)."""

import os
import shutil
import subprocess
import tempfile

import sample_prefix as sp


class Native:
    """The Linux build: the prefix's system.reg, commands carried out directly."""
    name = "native"
    merged = False  # standard output and standard error are compared apart
    COPIED = "        1 Datei(en) kopiert.\n"
    FOLDER_MISSING = ("Das System kann den angegebenen Pfad nicht finden.\n"
                      "        0 Datei(en) kopiert.\n")
    NOT_FOUND_TEXT = "The system cannot find the file specified.\n"
    DELETE_DENIED = "Zugriff verweigert.\n"
    COPY_DENIED = "Zugriff verweigert.\n        0 Datei(en) kopiert.\n"
    # A file at Morvane-Sicherung's name: nothing can be kept in it.
    KEEP_BLOCKED = "Das System kann den angegebenen Pfad nicht finden"
    # A read-only cached package is deleted: the file system lets its folder decide.
    READ_ONLY_NOT_DELETED = ""
    READ_ONLY_KEPT = []

    def __init__(self):
        self.binary = os.environ["MORVANE_BINARY"]
        # e.g. "valgrind --error-exitcode=99 -q": every run under that tool
        self.wrapper = os.environ.get("MORVANE_WRAPPER", "").split()
        self.baseline = set()

    def new_prefix(self):
        prefix = tempfile.mkdtemp(prefix="morvane-e2e-")
        sp.make_prefix(prefix)
        return prefix

    def done_with(self, prefix):
        shutil.rmtree(prefix, ignore_errors=True)

    def register(self, prefix, installations):
        sp.write_system_reg(prefix, installations)
        self.registry = os.path.join(prefix, "system.reg")

    def add_value(self, name, value, kind, data):
        """A number (REG_DWORD) in the registry last written, as Wine writes it."""
        reg = self.registry
        with open(reg, encoding="utf-8") as f:
            lines = f.read().split("\n")
        start = next(i for i, line in enumerate(lines) if line.endswith("\\\\" + name + "] 1700000000"))
        end = lines.index("", start)
        lines[start:end] = [line for line in lines[start:end] if not line.startswith('"%s"=' % value)]
        lines.insert(start + 2, '"%s"=dword:%08x' % (value, int(data)))
        with open(reg, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(lines))

    def _env(self, prefix):
        return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "WINEPREFIX": prefix,
                "HOME": prefix, "LC_ALL": "C.UTF-8"}

    def locale(self, name):
        return {}

    def run(self, prefix, args, stdin, preexec=None, env=None):
        env = dict(env or {})
        wrapper = env.pop("strace", None) or self.wrapper  # a run under strace's faults
        done = subprocess.run(wrapper + [self.binary] + args, input=stdin,
                              capture_output=True, env=dict(self._env(prefix), **env),
                              cwd=prefix, timeout=600, preexec_fn=preexec)
        # The native build speaks UTF-8 on the console.
        return (done.stdout.decode("utf-8"), done.stderr.decode("utf-8"), done.returncode)

    def start(self, prefix, args):
        """The program, running on: its standard input and output are pipes."""
        return subprocess.Popen([self.binary] + args, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                env=self._env(prefix), cwd=prefix)

    def other_spelling(self, prefix, folder):
        """The Linux path of a folder of drive C:."""
        return sp.host_path(prefix, folder)

    def console(self, text):
        return text

    def nothing_found(self, prefix):
        """The report when neither the registry nor a user folder has a game."""
        return ("\nraised GWINDOWS.REGISTRY.REGISTRY_ERROR : keine Installation gefunden in "
                "%s/system.reg, %s/.ut2004/Cache, %s/.ut2003/Cache\n" % (prefix, prefix, prefix))


class Wine:
    """morvane.exe under Wine: the real registry calls and the real cmd.exe.
    One prefix serves the whole run; each test removes what it laid out."""
    name = "wine"
    merged = True  # the shell's messages and ours in the order they came
    COPIED = ""
    FOLDER_MISSING = "Path not found.\n\n"
    NOT_FOUND_TEXT = "File not found.\n"
    DELETE_DENIED = ""  # Wine's DEL says nothing, and answers success
    COPY_DENIED = "Access denied.\n"
    # The shell's DEL leaves a read-only file, which keeps its line.
    READ_ONLY_NOT_DELETED = ("Access denied.\n\n"
                             "!! Loeschen fehlgeschlagen -> Zeile bleibt erhalten !!\n")
    READ_ONLY_KEPT = ["{k1}=DM-Foo.ut2"]
    KEEP_BLOCKED = "Access denied"
    KEY = r"HKLM\SOFTWARE\Unreal Technology"

    def __init__(self):
        self.binary = os.environ["MORVANE_BINARY"]
        self.prefix = os.environ["WINEPREFIX"]
        # Wine's tools keep their err: lines, read when a tool fails.
        self.env = dict(os.environ, WINEPREFIX=self.prefix)
        self.env.pop("WINEDEBUG", None)
        self.baseline = set(self._paths())

    def _paths(self):
        top = os.path.join(self.prefix, "drive_c")
        for folder, dirs, names in os.walk(top):
            for name in dirs + names:
                yield os.path.relpath(os.path.join(folder, name), top)

    def _wine(self, *args, stdin=b"", check=False):
        done = subprocess.run(sp.wine(*args), input=stdin, env=self.env,
                              cwd=os.path.join(self.prefix, "drive_c"), capture_output=True,
                              timeout=120)
        if check and done.returncode != 0:
            raise AssertionError("wine %s ended with %d:\n%s%s" % (
                " ".join(args), done.returncode, done.stdout.decode("cp1252"),
                done.stderr.decode("cp1252")))
        return done

    def new_prefix(self):
        self._wine("reg", "delete", self.KEY, "/f", "/reg:32")
        return self.prefix

    def done_with(self, prefix):
        top = os.path.join(prefix, "drive_c")
        for path in sorted(set(self._paths()) - self.baseline, key=len):
            full = os.path.join(top, path)
            if os.path.isdir(full) and not os.path.islink(full):
                shutil.rmtree(full, ignore_errors=True)
            elif os.path.lexists(full):
                os.remove(full)

    def register(self, prefix, installations):
        self._wine("reg", "delete", self.KEY, "/f", "/reg:32")
        for name, folder in installations:
            args = ["reg", "add", self.KEY + "\\Installed Apps\\" + name]
            if folder is not None:
                args += ["/v", "Folder", "/d", folder]
            self._wine(*(args + ["/f", "/reg:32"]), check=True)

    def add_value(self, name, value, kind, data):
        self._wine("reg", "add", self.KEY + "\\Installed Apps\\" + name, "/v", value, "/t", kind,
                   "/d", data, "/f", "/reg:32", check=True)

    def save_registry(self):
        """Has the wineserver write the registry files by ending it."""
        subprocess.run(sp.wine("server", "-k"), env=self.env, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        sp.keep_wineserver_up(self.env)

    def start(self, prefix, args, env=None):
        return subprocess.Popen(sp.wine(self.binary, *args), stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                env=dict(self.env, WINEDEBUG="-all", **(env or {})),
                                cwd=os.path.join(prefix, "drive_c"))

    def other_spelling(self, prefix, folder):
        """The same folder through drive Z:, the Linux root."""
        return "Z:" + sp.host_path(prefix, folder).replace("/", "\\")

    def steam(self, folder):
        """Names Steam's folder as Steam does (HKCU SteamPath); None: no Steam."""
        key = r"HKCU\Software\Valve\Steam"
        if folder is None:
            self._wine("reg", "delete", key, "/f")
        else:
            self._wine("reg", "add", key, "/v", "SteamPath", "/d", folder, "/f", check=True)

    def use_shell(self, mode):
        """Has morvane.exe start the tests' own shell (tests/test_shell-win32.cc),
        misbehaving as `mode` says, or with None cmd.exe again. Wine takes
        COMSPEC from the registry, the user's value first."""
        key = r"HKCU\Environment"
        if mode is None:
            self._wine("reg", "delete", key, "/v", "COMSPEC", "/f")
            return {}
        shell = os.path.join(os.path.dirname(self.binary), "test_shell.exe")
        self._wine("reg", "add", key, "/v", "COMSPEC", "/d", "Z:" + shell.replace("/", "\\"),
                   "/f", check=True)
        return {"MORVANE_TEST_SHELL": mode}

    def locale(self, name):
        """Has morvane.exe run as a Windows of the locale `name` (ru_RU: code
        page 1251, pl_PL: 1250), or with None as before. Wine takes its code
        page from the locale of each program it starts."""
        if name is None:
            return {}
        folder = os.path.join(tempfile.gettempdir(), "morvane-locales")
        if not os.path.isdir(os.path.join(folder, name + ".UTF-8")):
            os.makedirs(folder, exist_ok=True)
            subprocess.run(["localedef", "-i", name, "-f", "UTF-8",
                            os.path.join(folder, name + ".UTF-8")], check=True,
                           capture_output=True)
        return {"LOCPATH": folder, "LC_ALL": name + ".UTF-8"}

    def hold(self, path, shared=False):
        """A program that holds the file `path` open, as a running game does,
        until its standard input gets a line; `shared`: letting others read,
        write and delete it meanwhile."""
        shell = os.path.join(os.path.dirname(self.binary), "test_shell.exe")
        holder = subprocess.Popen(sp.wine(shell), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  env=dict(self.env, WINEDEBUG="-all",
                                           MORVANE_TEST_SHELL=("share:" if shared else "hold:") + path))
        assert holder.stdout.readline().strip() == b"held"
        return holder

    def run(self, prefix, args, stdin, env=None):
        # Its output is compared byte for byte: no lines of Wine's own.
        done = subprocess.run(sp.wine(self.binary, *args), input=stdin,
                              env=dict(self.env, WINEDEBUG="-all", **(env or {})),
                              cwd=os.path.join(prefix, "drive_c"), stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=120)
        # Written to a pipe, the program's text is UTF-8 whatever the code page.
        return (done.stdout.decode("utf-8"), "", done.returncode)

    def console(self, text):
        """The console: every character as it is, lines ended in CR LF."""
        return text.replace("\n", "\r\n")

    def nothing_found(self, prefix):
        return "\nraised GWINDOWS.REGISTRY.REGISTRY_ERROR : " + self.NOT_FOUND_TEXT + "\n"


def current():
    kind = os.environ.get("MORVANE_PLATFORM", "native")
    return {"native": Native, "wine": Wine}[kind]()
