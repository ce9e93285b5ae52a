#!/usr/bin/python3
"""The Debian package.

From the build tree: built with cpack, laid out as Debian expects, its three
binaries hardened (hardening-check), checked by lintian and the desktop
validators, unpacked into a scratch root, and one full game played with the
program from there, started through its link on PATH: an installation under
another prefix finds its own files.

With --installed DEB, as root on a system made for the purpose, where DEB is
installed (tools/test-debian.sh does it in a fresh chroot): a user's own
names file, written with line feeds, and an administrator's for users
without their own are both used; installing the package again over itself
and purging it leave both as they were."""

import os
import platform
import pwd
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import harness as h
import test_game as game
from harness import COUNTRIES, log

PROGRAM_DIR = "usr/lib/veltmora-drillix"
DATA_DIR = "usr/share/veltmora-drillix"
BINARIES = ["veltmora-drillix", "drillix-sound-decoder", "plugins/libdrillix-sound.so"]
DATA_FILES = [f for f in h.SIDE_FILES if f not in BINARIES]
# Every call of the module that could be fortified is bounded at compile
# time (data/debian/lintian-overrides): the other two prove the flag.
NOTHING_TO_FORTIFY = {"plugins/libdrillix-sound.so"}


def toolchain_marks_cet(tmp):
    """Whether a program linked here can carry control-flow protection: the
    start files must have it too (Debian 12's do not)."""
    (tmp / "cet.cpp").write_text("int main() { return 0; }\n")
    r = h.run(["c++", "-fcf-protection", str(tmp / "cet.cpp"), "-o", str(tmp / "cet")], check=False, timeout=60)
    return r.returncode == 0 and b"IBT, SHSTK" in h.run(["readelf", "-n", str(tmp / "cet")]).stdout


def sanitized(build):
    """A sanitizer build checks memory itself and is built without the
    release's fortified calls: its package is no release to judge."""
    return "-fsanitize=" in (build / "CMakeCache.txt").read_text(errors="replace")


def check_layout_and_hardening(t, root, tmp, hardened=True):
    files = [str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir()]
    log("package files:\n  " + "\n  ".join(sorted(files)))
    stray = [f for f in files if not f.startswith("usr/") or f.startswith("usr/local/")]
    t.check(not stray, "nothing lies outside /usr or under /etc or /usr/local (%s)" % stray)
    for f in DATA_FILES:
        t.check((root / DATA_DIR / f).is_file() and not (root / PROGRAM_DIR / f).exists(),
                "%s lies in /%s and not beside the program" % (f, DATA_DIR))

    if not hardened:
        log("a sanitizer build: hardening is not checked")
        return
    cet = toolchain_marks_cet(tmp)
    if not cet:
        log("this toolchain's start files carry no control-flow protection: hardening-check skips it")
    # Branch protection is arm64's (-mbranch-protection); elsewhere newer
    # hardening-checks still look for it, and control-flow protection is the
    # same guard.
    try:
        r = h.run(["hardening-check", "--help"], check=False, timeout=60)
    except FileNotFoundError:
        t.check(False, "hardening-check (Debian: devscripts) is installed")
        return
    usage = r.stdout + r.stderr
    arm = platform.machine() in ("aarch64", "arm64")
    common = ([] if cet else ["--nocfprotection"]) + (["--nobranchprotection"]
                                                      if b"nobranchprotection" in usage and not arm else [])
    for b in BINARIES:
        options = common + (["--nofortify"] if b in NOTHING_TO_FORTIFY else [])
        r = h.run(["hardening-check"] + options + [str(root / PROGRAM_DIR / b)], check=False, timeout=60)
        log("hardening-check %s:\n%s" % (" ".join(options), r.stdout.decode(errors="replace")))
        t.check(r.returncode == 0, "hardening-check passes on %s" % b)


def body(t):
    build = t.program.parent
    out = Path(tempfile.mkdtemp(prefix="drillix-package."))
    try:
        r = h.run(["cpack", "-G", "DEB", "-B", str(out)], timeout=300, check=False, cwd=str(build))
        pass_log = r.stdout.decode(errors="replace")
        t.require(r.returncode == 0, "cpack builds the package:\n" + pass_log[-2000:])
    except subprocess.TimeoutExpired:
        t.require(False, "cpack finished within 300 s")
    debs = sorted(out.glob("*.deb"))
    t.require(len(debs) == 1, "one .deb was made (%s)" % [d.name for d in debs])
    deb = debs[0]
    log("package: %s (%d bytes)" % (deb, deb.stat().st_size))

    release = h.debian_release()
    if release:
        version = h.run(["dpkg-deb", "-f", str(deb), "Version"]).stdout.decode().strip()
        t.check(version.endswith("+deb" + release), "the version %s names Debian %s" % (version, release))
    depends = h.run(["dpkg-deb", "-f", str(deb), "Depends"]).stdout.decode().strip()
    log("Depends: " + depends)
    for need in ("fonts-liberation", "libqt6widgets6", "libpulse0", "libavcodec"):
        t.check(need in depends, "the package depends on %s" % need)
    recommends = h.run(["dpkg-deb", "-f", str(deb), "Recommends"]).stdout.decode().strip()
    t.check("qt6-wayland" in recommends, "the package recommends qt6-wayland (%s)" % recommends)

    lint = h.run(["lintian", "--display-info", "--tag-display-limit", "0", str(deb)], timeout=300, check=False)
    report = [l for l in lint.stdout.decode(errors="replace").splitlines() if l[:2] in ("E:", "W:", "I:")]
    for line in report:
        log("lintian: " + line)
    errors = [l for l in report if l.startswith("E:")]
    t.check(not errors, "lintian reports no errors (%s)" % errors)
    hardening = [l for l in report if " hardening-" in l]
    t.check(not hardening or sanitized(build), "lintian reports no hardening tags (%s)" % hardening)

    root = out / "root"
    h.run(["dpkg-deb", "-x", str(deb), str(root)])
    check_layout_and_hardening(t, root, out, hardened=not sanitized(build))
    desktop = root / "usr/share/applications/veltmora-drillix.desktop"
    metainfo = root / "usr/share/metainfo/org.veltmora.drillix.metainfo.xml"
    r = h.run(["desktop-file-validate", str(desktop)], check=False)
    t.check(r.returncode == 0 and not r.stdout.strip(),
            "desktop-file-validate passes: %s" % r.stdout.decode(errors="replace"))
    r = h.run(["appstreamcli", "validate", "--no-net", str(metainfo)], check=False)
    t.check(r.returncode == 0, "appstreamcli validate passes: %s" % r.stdout.decode(errors="replace"))
    for size in ("32x32", "48x48", "128x128", "256x256"):
        t.check((root / ("usr/share/icons/hicolor/%s/apps/veltmora-drillix.png" % size)).is_file(),
                "the %s icon is installed" % size)

    launcher = root / "usr/bin/veltmora-drillix"
    t.require(launcher.is_symlink(), "the launcher on PATH is a link into the program's folder")

    tables = h.MapTables()
    s = t.open_session()
    prog = t.current = s.start(launcher)
    t.check(not prog.boxes_seen, "the unpacked program finds its side files: no report (%s)" % prog.boxes_seen)
    start = s.settle(prog)
    missing = [COUNTRIES[i] for i in range(23) if game.white_in_band(start, i) < 5]
    t.require(not missing, "the unpacked program found its names file (missing: %s)" % missing, start)
    for i, name in enumerate(COUNTRIES[:-1]):
        point, _ = tables.drop_point(name)
        game.place(t, prog, tables, i, point)
    point, _ = tables.drop_point(COUNTRIES[-1])
    prog.drag_name(len(COUNTRIES) - 1, point)
    box = h.wait_until(lambda: s.boxes(prog.window), timeout=10)
    t.require(box, "the completion box opens after the 23rd name")
    t.check([tt for _, tt in box] == ["Veltmora"], "the completion box is titled 'Veltmora'")
    for w, tt in box:
        s.answer_box(w, tt)
    game.compare_with_start(t, start, s.settle(prog), "after the completion box")
    prog.click(*h.centre(h.EXIT_BUTTON))
    t.check(prog.wait_exit(10) == 0, "Exit ends the unpacked program with status 0")
    h.run(["rm", "-rf", str(out)])


# ---------------------------------------------------------------------------
# The installed package, its users and its administrator

TEACHER_NAMES = list(reversed(COUNTRIES))  # the user's own file
SCHOOL_NAMES = COUNTRIES[1:] + COUNTRIES[:1]  # the administrator's, for everyone else
ADMIN_FILE = Path("/usr/local/share/veltmora-drillix/items.txt")


def names_file(names, end):
    return "".join(n + end for n in names).encode()


class Person:
    """An unprivileged user, and a script that starts the installed program as them."""

    def __init__(self, name, shared):
        self.made = False
        try:
            self.pw = pwd.getpwnam(name)
        except KeyError:
            h.run(["useradd", "--create-home", "--shell", "/bin/sh", name])
            self.pw, self.made = pwd.getpwnam(name), True
        self.name, self.home = name, Path(self.pw.pw_dir)
        self.names_file = self.home / ".local/share/veltmora-drillix/items.txt"
        runtime = shared / ("runtime-" + name)
        runtime.mkdir(mode=0o700)
        os.chown(runtime, self.pw.pw_uid, self.pw.pw_gid)
        self.as_them = ["setpriv", "--reuid=%d" % self.pw.pw_uid, "--regid=%d" % self.pw.pw_gid, "--init-groups",
                        "env", "-u", "XDG_DATA_HOME", "-u", "XDG_DATA_DIRS", "HOME=%s" % self.home, "XDG_RUNTIME_DIR=%s" % runtime,
                        "PATH=%s/bin:/usr/bin:/bin" % shared, "PULSE_CLIENTCONFIG=%s/pulse-client.conf" % shared]
        self.starter = shared / ("as-" + name)
        self.starter.write_text('#!/bin/sh\ncd "%s" && exec %s /usr/bin/veltmora-drillix\n'
                                % (self.home, " ".join(self.as_them)))
        self.starter.chmod(0o755)

    def write(self, path, data):
        script = 'mkdir -p "$(dirname "$1")" && cat > "$1"'
        subprocess.run(self.as_them + ["sh", "-c", script, "sh", str(path)], input=data, check=True, timeout=20)


def installed_body(t, deb):
    t.require(os.geteuid() == 0, "runs as root (on a system made for it, such as test-debian's chroot)")
    t.require(h.run(["dpkg-query", "-W", "veltmora-drillix"], check=False).returncode == 0,
              "the package is installed")
    missing = [tool for tool in ("setpriv", "useradd") if not shutil.which(tool)]
    t.require(not missing, "the tools to act as another user are there (missing: %s)" % missing)
    shared = Path(tempfile.mkdtemp(prefix="drillix-package-users."))
    shared.chmod(0o755)
    (shared / "bin").mkdir(mode=0o755)
    (shared / "bin/xdg-open").write_text("#!/bin/sh\nexit 0\n")
    (shared / "bin/xdg-open").chmod(0o755)
    (shared / "pulse-client.conf").write_text("autospawn = no\n")
    teacher, pupil = Person("drillix-teacher", shared), Person("drillix-pupil", shared)
    s = t.open_session()

    def names_shown(program):
        prog = t.current = s.start(program)
        shot = s.settle(prog)
        prog.click(*h.centre(h.EXIT_BUTTON))
        t.check(prog.wait_exit(10) == 0, "Exit ends %s with status 0" % program)
        return shot.crop(*game.NAMES_AREA)

    def reference(names):
        # What the names look like on the board: a copy of the installation
        # in one folder, with a names file beside the program as Windows writes it.
        folder = Path(tempfile.mkdtemp(prefix="reference.", dir=s.tmp))
        shutil.copytree("/" + PROGRAM_DIR, folder, dirs_exist_ok=True)
        shutil.copytree("/" + DATA_DIR, folder, dirs_exist_ok=True)
        (folder / "items.txt").write_bytes(names_file(names, "\r\n"))
        return names_shown(folder / "veltmora-drillix")

    expected = {teacher: reference(TEACHER_NAMES), pupil: reference(SCHOOL_NAMES)}
    t.require(expected[teacher].rgb != expected[pupil].rgb, "the two name lists look different on the board")
    teacher.write(teacher.names_file, names_file(TEACHER_NAMES, "\n"))
    ADMIN_FILE.parent.mkdir(parents=True, exist_ok=True)
    ADMIN_FILE.write_bytes(names_file(SCHOOL_NAMES, "\n"))
    kept = {p: (p.read_bytes(), p.stat().st_mtime_ns) for p in (teacher.names_file, ADMIN_FILE)}

    def check_kept(when):
        for path, (data, mtime) in kept.items():
            t.check(path.is_file() and path.read_bytes() == data and path.stat().st_mtime_ns == mtime,
                    "%s: %s is there, untouched" % (when, path))

    def check_used(when):
        for person, whose in ((teacher, "their own"), (pupil, "the administrator's")):
            shown = names_shown(person.starter)
            t.check(shown.rgb == expected[person].rgb, "%s: %s sees %s names on the board" % (when, person.name, whose),
                    shown)

    try:
        check_used("installed")
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        h.run(["dpkg", "-i", str(deb)], env=env, timeout=300)
        check_kept("installed again")
        check_used("installed again")
        h.run(["dpkg", "--purge", "veltmora-drillix"], env=env, timeout=300)
        t.check(not Path("/" + DATA_DIR).exists(), "the purge removes the package's own side files")
        check_kept("purged")
    finally:
        h.run(["dpkg", "-i", str(deb)], env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"), timeout=300,
              check=False)
        ADMIN_FILE.unlink(missing_ok=True)
        for person in (teacher, pupil):
            if person.made:
                h.run(["userdel", "--remove", person.name], check=False)
        shutil.rmtree(shared, ignore_errors=True)


if __name__ == "__main__":
    installed = None
    if "--installed" in sys.argv:
        at = sys.argv.index("--installed")
        installed = Path(sys.argv[at + 1]).resolve()
        del sys.argv[at:at + 2]
    h.Test("package-installed" if installed else "package").run(
        (lambda t: installed_body(t, installed)) if installed else body)
