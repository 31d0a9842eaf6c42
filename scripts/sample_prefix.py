"""Lays out Wine prefixes with registered game installations and filled
caches, for the demo, the end-to-end tests and the benchmark."""

import hashlib
import os
import subprocess

KEY_PATH = r"Software\Wow6432Node\Unreal Technology\Installed Apps"
# The program's table of file types: the ending of a name and the folder of
# the installation that takes it, tried in this order.
TYPES = [(".ut2", "Maps"), (".u", "System"), (".ukx", "Animations"), (".ka", "KarmaData"),
         (".ogg", "Music"), (".uax", "Sounds"), (".usx", "StaticMeshes"), (".utx", "Textures")]
SUB_FOLDERS = [folder for _, folder in TYPES]


def sub_folder(name):
    """The folder that takes a package of this name, or None."""
    return next((folder for ending, folder in TYPES if name.endswith(ending)), None)


def reg_escape(text):
    """A name or string as Wine's registry file writes it."""
    out = []
    for ch in text:
        if ch in '\\"[]':
            out.append("\\" + ch)
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            out.append("\\x%04x" % ord(ch))
    return "".join(out)


def write_system_reg(prefix, installations, win64=True):
    """installations: list of (name, folder or None) in registry order."""
    lines = ["WINE REGISTRY Version 2", ";; All keys relative to \\\\Machine", ""]
    if win64:
        lines += ["#arch=win64", ""]
    base = KEY_PATH if win64 else KEY_PATH.replace("\\Wow6432Node", "")
    for name, folder in installations:
        path = (base + "\\" + name).split("\\")
        lines.append("[" + "\\\\".join(reg_escape(p) for p in path) + "] 1700000000")
        lines.append("#time=1da0a0a0a0a0a0a")
        if folder is not None:
            lines.append('"Folder"="%s"' % reg_escape(folder))
        lines.append('"Version"="3369"')
        lines.append("")
    with open(os.path.join(prefix, "system.reg"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_large_system_reg(prefix, installations, size=5 << 20, seed=0):
    """A system.reg of about `size` bytes as a used 64-bit prefix has one:
    thousands of classes and interfaces, in the order in which Wine writes
    its keys (part by part, letters compared in upper case), with the
    installations' keys among them in their places."""
    import random
    rng = random.Random(seed)
    keys = {}

    def guid():
        return "{%08X-%04X-%04X-%04X-%012X}" % (rng.getrandbits(32), rng.getrandbits(16),
                                                 rng.getrandbits(16), rng.getrandbits(16),
                                                 rng.getrandbits(48))
    total = 0
    while total < size:
        base = rng.choice(["Software\\Classes\\CLSID", "Software\\Wow6432Node\\Classes\\CLSID",
                           "Software\\Classes\\Interface",
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Components",
                           "System\\CurrentControlSet\\Services\\Eventlog\\Application"])
        path = base + "\\" + guid()
        values = ['@="%s"' % rng.choice(["PSFactoryBuffer", "Wine Object", "IUnknown"]),
                  '"ThreadingModel"="Both"',
                  '"InprocServer32"=str(2):"C:\\\\windows\\\\system32\\\\ole32.dll"']
        keys[path] = values
        keys[path + r"\ProxyStubClsid32"] = ['@="%s"' % guid()]
        total += 2 * len(path) + 160
    base = KEY_PATH
    for name, folder in installations:
        keys[base + "\\" + name] = ['"Folder"="%s"' % reg_escape(folder), '"Version"="3369"']
    lines = ["WINE REGISTRY Version 2", ";; All keys relative to \\\\Machine", "",
             "#arch=win64", ""]
    for path in sorted(keys, key=lambda p: [part.upper() for part in p.split("\\")]):
        lines.append("[" + "\\\\".join(reg_escape(p) for p in path.split("\\")) + "] 1700000000")
        lines.append("#time=1da0a0a0a0a0a0a")
        lines += keys[path] + [""]
    with open(os.path.join(prefix, "system.reg"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def make_prefix(prefix):
    os.makedirs(os.path.join(prefix, "drive_c"), exist_ok=True)
    os.makedirs(os.path.join(prefix, "dosdevices"), exist_ok=True)
    link = os.path.join(prefix, "dosdevices", "c:")
    if not os.path.lexists(link):
        os.symlink("../drive_c", link)


# Every Wine program starts through this helper (address-space randomisation
# off, err: lines on): wine("reg", "add", ...), wine("server", "-k").
WINE_HELPER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine")


def wine(*args):
    return [WINE_HELPER] + list(args)


def keep_wineserver_up(env):
    """Once the prefix's wineserver has ended (after wineboot, or -k to have
    it write the registry files), starts one that stays up between runs: a
    server started on demand slows every run. The first program starts
    Wine's services, which keep its output open, so that is one whose output
    nobody waits for."""
    quiet = dict(env=env, timeout=120, stdin=subprocess.DEVNULL,
                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for flag in ("-w", "-p"):
        subprocess.run(wine("server", flag), **quiet)
    subprocess.run(wine("reg", "query", r"HKLM\SOFTWARE"), **quiet)


def make_wine_prefix(env):
    """A new Wine prefix at env["WINEPREFIX"], its server kept up. Wine links
    COM and LPT ports to the machine's own devices (com1 -> /dev/ttyS0), anew
    at every start: whatever a test hands to a device name must never reach
    real hardware, so every such port leads to /dev/null before anything
    else runs there."""
    prefix = env["WINEPREFIX"]
    quiet = dict(env=env, timeout=300, stdin=subprocess.DEVNULL,
                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(wine("wineboot", "-i"), **quiet)
    subprocess.run(wine("server", "-w"), **quiet)
    devices = os.path.join(prefix, "dosdevices")
    # The ports that a file name can reach (COM1 to COM9, LPT1 to LPT9); the
    # machine's own serial devices then move to COM10 and above.
    names = ["%s%d" % (kind, n) for kind in ("com", "lpt") for n in range(1, 10)]
    ports = os.path.join(prefix, "ports.reg")
    with open(ports, "w", newline="\r\n") as f:
        f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n")
        for name in names:
            f.write('"%s"="/dev/null"\n' % name.upper())
    done = subprocess.run(wine("reg", "import", "Z:" + ports.replace("/", "\\")), env=env,
                          timeout=120, stdin=subprocess.DEVNULL, capture_output=True)
    if done.returncode != 0:
        raise RuntimeError("reg import of the ports ended with %d:\n%s" % (
            done.returncode, (done.stdout + done.stderr).decode("utf-8", "replace")))
    subprocess.run(wine("server", "-k"), **quiet)
    keep_wineserver_up(env)
    for name in names:
        link = os.path.join(devices, name)
        if os.path.islink(link) and os.readlink(link) != "/dev/null":
            raise RuntimeError("%s still leads to %s" % (link, os.readlink(link)))


def host_path(prefix, windows_path):
    """Where C:\\... lies below the prefix."""
    assert windows_path[:2].upper() == "C:"
    parts = [p for p in windows_path[2:].split("\\") if p]
    return os.path.join(prefix, "drive_c", *parts)


def make_installation(prefix, folder, with_cache=True, sub_folders=SUB_FOLDERS):
    root = host_path(prefix, folder)
    for sub in sub_folders:
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    if with_cache:
        os.makedirs(os.path.join(root, "Cache"), exist_ok=True)
    return root


def make_user_folder(home, game=".ut2004", sub_folders=("System",)):
    """The user folder of a native game (~/.ut2004): its Cache and, as the
    game makes them, only some of the type folders."""
    root = os.path.join(home, game)
    for sub in ("Cache",) + tuple(sub_folders):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    return root


def key(n):
    """A 34-character cache key: 32 hex digits, a hyphen, a digit."""
    return hashlib.md5(str(n).encode()).hexdigest().upper() + "-" + str(n % 10)


def package_bytes(name, size):
    seed = (name * (size // max(len(name), 1) + 1)).encode()
    return seed[:size]


def write_cache(root, header, entries, extra_lines=(), sizes=None, line_end="\r\n",
                encoding="latin-1"):
    """entries: list of (key, file name). Writes cache.ini (8-bit, or in
    `encoding`) and the .uxx files; returns {key: content}."""
    cache = os.path.join(root, "Cache")
    contents = {}
    lines = list(header) + ["[Cache]"]
    # Opened in the folder itself: a path may be longer than the system takes.
    folder = os.open(cache, os.O_RDONLY | os.O_DIRECTORY)
    for i, (k, name) in enumerate(entries):
        lines.append(k + "=" + name)
        size = sizes[i] if sizes else 64 + i
        contents[k] = package_bytes(name, size)
        with open(k + ".uxx", "wb",
                  opener=lambda path, flags: os.open(path, flags, 0o666, dir_fd=folder)) as f:
            f.write(contents[k])
    os.close(folder)
    lines += list(extra_lines)
    with open(os.path.join(cache, "cache.ini"), "wb") as f:
        f.write((line_end.join(lines) + line_end).encode(encoding))
    return contents


def make_launcher_home(home, ut=r"C:\UT2004"):
    """A player's home with the files of each game launcher as it writes
    them, each prefix registering a game at `ut`, beside one broken file or
    folder of each kind, and the native game's user folder. Returns the
    list's entries after ~/.wine's (the name, then the launcher and the
    prefix; the user folder last) and the Lutris game's prefix.
    The Steam library on an unmounted disk, the broken files, the prefix
    without a registry, the pipe and the link loop add nothing, and neither
    does a second spelling of the Steam folder or of a game's folder."""
    def write(path, text):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)

    def prefix(path, games=(("UT2004", ut),)):
        make_prefix(path)
        z = os.path.join(path, "dosdevices", "z:")
        if not os.path.lexists(z):
            os.symlink("/", z)
        write_system_reg(path, list(games))
        return path

    steam = os.path.join(home, ".local/share/Steam")
    os.makedirs(os.path.join(home, ".steam"))
    os.symlink("../.local/share/Steam", os.path.join(home, ".steam/steam"))  # as Steam links it
    library = os.path.join(home, "SteamLibrary")
    write(os.path.join(steam, "steamapps/libraryfolders.vdf"), """"libraryfolders"
{
\t"0"
\t{
\t\t"path"\t\t"%s"
\t\t"label"\t\t""
\t\t"contentid"\t\t"4528191713393718034"
\t\t"totalsize"\t\t"0"
\t\t"apps"
\t\t{
\t\t\t"228980"\t\t"381010537"
\t\t}
\t}
\t"1"
\t{
\t\t"path"\t\t"%s"
\t\t"label"\t\t"Spiele \\"extern\\""
\t\t"apps"
\t\t{
\t\t\t"13230"\t\t"2930440000"
\t\t}
\t}
\t"2"
\t{
\t\t"path"\t\t"/media/nicht-eingehaengt/SteamLibrary"
\t}
}
""" % (steam, library))
    prefix(os.path.join(library, "steamapps/compatdata/13230/pfx"))
    write(os.path.join(home, ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/"
                             "libraryfolders.vdf"), '"libraryfolders"\n{\n\t"0"\n\t{\n\t\t"path"')

    lutris = prefix(os.path.join(home, "Games/ut2004"))
    write(os.path.join(home, ".config/lutris/games/unreal-tournament-2004-1700000000.yml"),
          "game:\n  exe: %s/drive_c/UT2004/System/UT2004.exe\n  prefix: %s\n  arch: win64\n"
          "game_slug: unreal-tournament-2004\nname: Unreal Tournament 2004\nrunner: wine\n"
          "system: {}\nwine:\n  version: lutris-GE-Proton8-26-x86_64\n" % (lutris, lutris))
    write(os.path.join(home, ".config/lutris/games/kaputt.yml"), "game: [prefix: ~/Games\n")
    with open(os.path.join(home, ".config/lutris/games/riesig.yml"), "wb") as f:
        f.truncate(64 << 20)  # huge, and all zero bytes
    prefix(os.path.join(home, "Lutris/ut2003"), [("UT2003", r"C:\UT2003")])
    write(os.path.join(home, ".var/app/net.lutris.Lutris/data/lutris/games/ut2003.yml"),
          "game:\n  prefix: ~/Lutris/ut2003\nname: Unreal Tournament 2003\n")

    heroic = prefix(os.path.join(home, "Spiele/Heroic/Unreal Tournament 2004"))
    write(os.path.join(home, ".config/heroic/GamesConfig/Quail.json"),
          '{\n  "Quail": {\n    "autoInstallDxvk": true,\n    "winePrefix": "%s",\n'
          '    "wineVersion": {\n      "name": "Wine - GE-Proton8-26",\n      "type": "proton"\n'
          '    }\n  },\n  "version": "v0",\n  "explicit": true\n}\n' % heroic)
    write(os.path.join(home, ".config/heroic/GamesConfig/Kaputt.json"), '{"Kaputt": {"winePrefix": ')
    prefix(os.path.join(home, "Games/Heroic/Prefixes/default/UT2004 GOTY"))

    bottles = os.path.join(home, ".var/app/com.usebottles.bottles/data/bottles/bottles")
    prefix(os.path.join(bottles, "UT2004"))
    write(os.path.join(bottles, "UT2004/bottle.yml"), "Name: UT2004\nArch: win64\n")
    os.makedirs(os.path.join(bottles, "Leer"))  # a bottle without a registry
    os.makedirs(os.path.join(bottles, "Rohr"))
    os.mkfifo(os.path.join(bottles, "Rohr/system.reg"))

    pol = os.path.join(home, ".PlayOnLinux/wineprefix")
    # Its second game is the Lutris one, reached through drive Z:.
    prefix(os.path.join(pol, "UT2004"), [("UT2004", ut), ("UT2004 Lutris", "Z:" + os.path.join(
        lutris, "drive_c", *ut[3:].split("\\")).replace("/", "\\"))])
    os.symlink("Schleife", os.path.join(pol, "Schleife"))
    shown = [("UT2004", "Steam", "~/SteamLibrary/steamapps/compatdata/13230/pfx"),
             ("UT2004", "Lutris", "~/Games/ut2004"), ("UT2003", "Lutris", "~/Lutris/ut2003"),
             ("UT2004", "Heroic", "~/Spiele/Heroic/Unreal Tournament 2004"),
             ("UT2004", "Heroic", "~/Games/Heroic/Prefixes/default/UT2004 GOTY"),
             ("UT2004", "Bottles", "~/.var/app/com.usebottles.bottles/data/bottles/bottles/UT2004"),
             ("UT2004", "PlayOnLinux", "~/.PlayOnLinux/wineprefix/UT2004")]
    # The native game's user folder, listed after every prefix.
    os.makedirs(os.path.join(home, ".ut2004/Cache"))
    return ["%s (%s: %s)" % entry for entry in shown] + [os.path.join(home, ".ut2004")], lutris


STEAM_GAME = "Unreal Tournament 2004"


def make_steam_library(library, installdir=STEAM_GAME, manifest=True):
    """A Steam library that holds UT2004 (app 13230) as Steam installs it: its
    manifest naming `installdir` (none without `manifest`), and the game's
    folder with a Cache and the maps folder in Steam's lower case. Returns
    the game's folder."""
    game = os.path.join(library, "steamapps", "common", STEAM_GAME)
    for sub in ("Cache", "maps", "System"):
        os.makedirs(os.path.join(game, sub))
    if manifest:
        with open(os.path.join(library, "steamapps", "appmanifest_13230.acf"), "w") as f:
            f.write('"AppState"\n{\n\t"appid"\t\t"13230"\n\t"Universe"\t\t"1"\n'
                    '\t"name"\t\t"Unreal Tournament 2004: Editor\'s Choice Edition"\n'
                    '\t"StateFlags"\t\t"4"\n\t"installdir"\t\t"%s"\n}\n' %
                    installdir.replace("\\", "\\\\"))
    return game


def libraryfolders(paths):
    """Steam's libraryfolders.vdf listing `paths`."""
    return '"libraryfolders"\n{\n' + "".join(
        '\t"%d"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n' % (i, path.replace("\\", "\\\\"))
        for i, path in enumerate(paths)) + "}\n"


def make_steam_home(home, key=False, **library):
    """A Linux Steam whose second library (on another disk) holds UT2004,
    with Proton's prefix for it, which registers the game only with `key`.
    Returns the list's entries, the game's folder, and that folder as the
    run names it."""
    steam = os.path.join(home, ".local/share/Steam")
    second = os.path.join(home, "Platte2/SteamLibrary")
    os.makedirs(os.path.join(steam, "steamapps"))
    os.makedirs(os.path.join(home, ".steam"))
    os.symlink("../.local/share/Steam", os.path.join(home, ".steam/steam"))
    with open(os.path.join(steam, "steamapps/libraryfolders.vdf"), "w") as f:
        f.write(libraryfolders([steam, second]))
    game = make_steam_library(second, **library)
    pfx = os.path.join(second, "steamapps/compatdata/13230/pfx")
    make_prefix(pfx)
    os.symlink("/", os.path.join(pfx, "dosdevices", "z:"))
    windows = "Z:" + game.replace("/", "\\")
    write_system_reg(pfx, [("UT2004", windows)] if key else [])
    if key:
        return ["UT2004 (Steam: ~/Platte2/SteamLibrary/steamapps/compatdata/13230/pfx)"], game, windows
    if library.get("manifest", True) and library.get("installdir", STEAM_GAME) == STEAM_GAME:
        return ["UT2004 (Steam: ~/Platte2/SteamLibrary)"], game, game
    return [], game, game


def make_windows_steam(prefix):
    """A Steam in the prefix as Windows' Steam installs it, with a second
    library that holds UT2004. Returns as make_steam_home; Steam's own
    folder is for the registry to name (HKCU SteamPath)."""
    steam = host_path(prefix, r"C:\Program Files (x86)\Steam")
    os.makedirs(os.path.join(steam, "steamapps"))
    with open(os.path.join(steam, "steamapps/libraryfolders.vdf"), "w") as f:
        f.write(libraryfolders([r"C:\Program Files (x86)\Steam", r"C:\Spiele\SteamLibrary"]))
    game = make_steam_library(host_path(prefix, r"C:\Spiele\SteamLibrary"))
    return (["UT2004 (Steam: C:\\Spiele\\SteamLibrary)"], game,
            "C:\\Spiele\\SteamLibrary\\steamapps\\common\\" + STEAM_GAME)


SAMPLE_NAMES = ["DM-Rankin.ut2", "ONS-Torlan.ut2", "XGame.u", "HumanMaleA.ukx",
                "Ragdoll.ka", "KR-Intro.ogg", "WeaponSounds.uax", "ArboreaHardware.usx",
                "AlleriaTerrain.utx", "CTF-Face3.ut2", "ServerPerks.u"]


if __name__ == "__main__":
    # sample_prefix.py wineprefix: makes the Wine prefix $WINEPREFIX and keeps
    # its server up.
    import sys
    if sys.argv[1:] == ["wineprefix"]:
        make_wine_prefix(os.environ)
    else:
        sys.exit("usage: sample_prefix.py wineprefix")
