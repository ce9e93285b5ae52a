#!/usr/bin/python3
"""The program in an unfriendly environment: without the Liberation fonts
(hidden from fontconfig), from a read-only installation folder, as a user
who cannot read its names file (run as nobody, since root reads anything),
and with a standard error that blocks."""

import os
import shutil
import stat
import subprocess
import tempfile
import time
from pathlib import Path

from e2e_common import h, log, close, names_area, start_case, white_in_band

NOBODY = 65534

FONTS_CONF = """<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <selectfont>
    <rejectfont>
      <glob>/usr/share/fonts/truetype/liberation*/*</glob>
      <glob>/usr/share/fonts/truetype/liberation2/*</glob>
      <pattern><patelt name="family"><string>Liberation Sans</string></patelt></pattern>
      <pattern><patelt name="family"><string>Liberation Sans Narrow</string></patelt></pattern>
    </rejectfont>
  </selectfont>
  <cachedir>%s</cachedir>
</fontconfig>
"""


def fc_match(env, pattern):
    return h.run(["fc-match", "-f", "%{family[0]}|%{file}", pattern], env=env).stdout.decode()


def label_white(shot):
    return [white_in_band(shot, i) for i in range(23)]


def without_liberation(t, ref_shot):
    s = t.session
    conf = s.tmp / "no-liberation.conf"
    conf.write_text(FONTS_CONF % (s.tmp / "fc-cache"))
    env = dict(s.env, FONTCONFIG_FILE=str(conf))
    what = "Liberation fonts hidden"
    others = h.run(["fc-list", ":", "family"], env=env).stdout.decode().split()
    if not others:
        log("SKIP: %s: no font but Liberation is installed (Debian: fonts-dejavu-core), so there is "
            "nothing to fall back on" % what)
        return
    arial = fc_match(env, "Arial")
    bold = fc_match(env, "Arial:bold")
    log("%s: fc-match Arial -> %s; Arial:bold -> %s" % (what, arial, bold))
    t.require("liberation" not in arial.lower() and "liberation" not in bold.lower(),
              "%s: fontconfig no longer offers Liberation (%s)" % (what, arial))
    family = arial.split("|")[0]
    t.check("sans" in family.lower() and "mono" not in family.lower() and "serif" not in family.lower(),
            "%s: the fallback for Arial is a sans-serif face (%s)" % (what, family))

    saved = s.env
    s.env = env
    try:
        prog = start_case(t, what, None, 0, program=t.program)
    finally:
        s.env = saved
    shot = s.settle(prog)
    shot.save_png(t.artifacts / "hardening-no-liberation.png")
    t.check(names_area(shot).rgb != names_area(ref_shot).rgb,
            "%s: the names are drawn in another face than with Liberation" % what, shot)
    ref, now = label_white(ref_shot), label_white(shot)
    thin = [i for i in range(23) if now[i] < 0.5 * ref[i] or now[i] > 2.0 * ref[i]]
    t.check(not thin, "%s: every name shows with about as much text as with Liberation (labels off: %s; %s vs %s)"
            % (what, thin, now, ref), shot)
    for rect, label in ((h.RESTART_BUTTON, "Restart"), (h.EXIT_BUTTON, "Exit")):
        button = shot.crop(*rect)
        ref_button = ref_shot.crop(*rect)
        t.check(button.distinct_colours() > 4 and button.count(h.is_white) > 0.5 * ref_button.count(h.is_white),
                "%s: the %s button shows its text" % (what, label), shot)
    close(t, prog, what)


class NobodyInstall:
    """A copy of the installation that the user nobody can reach, owned by root."""

    def __init__(self, program):
        self.root = Path(tempfile.mkdtemp(prefix="drillix-hardening-ro."))
        os.chmod(self.root, 0o755)
        self.folder = self.root / "install"
        self.folder.mkdir()
        shutil.copy2(program, self.folder / program.name)
        for f in h.SIDE_FILES:
            src = program.parent / f
            if src.exists():
                (self.folder / f).parent.mkdir(parents=True, exist_ok=True)
                shutil.copy2(src, self.folder / f)
        self.wrapper = self.folder / "run-as-nobody"
        self.wrapper.write_text('#!/bin/sh\nexec setpriv --reuid=%d --regid=%d --clear-groups -- "%s" "$@"\n'
                                % (NOBODY, NOBODY, self.folder / program.name))
        self.wrapper.chmod(0o755)
        self.home = self.root / "home"
        self.runtime = self.root / "runtime"
        for d in (self.home, self.runtime):
            d.mkdir(mode=0o700)
            os.chown(d, NOBODY, NOBODY)

    def read_only(self):
        for dirpath, dirnames, filenames in os.walk(self.folder):
            for n in filenames:
                p = Path(dirpath) / n
                os.chmod(p, 0o555 if os.access(p, os.X_OK) else 0o444)
            os.chmod(dirpath, 0o555)

    def snapshot(self):
        out = {}
        for dirpath, dirnames, filenames in os.walk(self.folder):
            for n in dirnames + filenames:
                p = Path(dirpath) / n
                st = p.lstat()
                out[str(p.relative_to(self.folder))] = (st.st_size, st.st_mtime_ns, st.st_mode)
        return out

    def env(self, base):
        return dict(base, HOME=str(self.home), XDG_RUNTIME_DIR=str(self.runtime))

    def remove(self):
        for dirpath, dirnames, filenames in os.walk(self.root):
            os.chmod(dirpath, 0o755)
        shutil.rmtree(self.root, ignore_errors=True)


def as_nobody(t):
    s = t.session
    inst = NobodyInstall(t.program)
    try:
        probe = h.run(["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups", "--",
                       "xdotool", "getmouselocation"], env=inst.env(s.env), check=False)
        if probe.returncode != 0:
            log("SKIP: the user nobody cannot reach the X server here (%s); the read-only and permission "
                "cases are not run" % probe.stderr.decode(errors="replace").strip())
            return
        saved = s.env
        s.env = inst.env(saved)
        try:
            # A read-only installation folder: the program needs to write nothing.
            inst.read_only()
            before = inst.snapshot()
            what = "read-only installation folder, run as nobody"
            prog = start_case(t, what, None, 0, program=inst.wrapper)
            t.check(os.stat("/proc/%d" % prog.proc.pid).st_uid == NOBODY, "%s: the program runs as nobody" % what)
            tables = h.MapTables()
            point, _ = tables.drop_point("China")
            rect = tables.answer_rect(h.COUNTRIES.index("China"))
            empty = prog.shot().crop(*rect)
            prog.drag_name(h.COUNTRIES.index("China"), point)
            shown = h.wait_until(lambda: prog.shot().crop(*rect).rgb != empty.rgb, timeout=3)
            t.check(shown, "%s: a correct drop shows its answer" % what)
            close(t, prog, what)
            t.check(inst.snapshot() == before, "%s: nothing in the folder changed" % what)

            # A names file the user may not read.
            what = "names file without read permission, run as nobody"
            os.chmod(inst.folder, 0o755)
            os.chmod(inst.folder / "items.txt", 0o000)
            os.chmod(inst.folder, 0o555)
            prog = start_case(t, what, None, 1, program=inst.wrapper)
            shot = s.settle(prog)
            blank = [i for i in range(23) if white_in_band(shot, i) == 0]
            t.check(not blank, "%s: the labels show their placeholder text (none in %s)" % (what, blank), shot)
            close(t, prog, what)
        finally:
            s.env = saved
    finally:
        inst.remove()


# Starts the program with standard error a full pipe that nobody reads, as
# under a terminal paused with Ctrl+S.
FULL_STDERR = """#!/usr/bin/python3
import os, sys
read, write = os.pipe()
os.set_inheritable(read, True)
os.set_blocking(write, False)
try:
    while True:
        os.write(write, b"x" * 4096)
except BlockingIOError:
    pass
os.set_blocking(write, True)
os.dup2(write, 2)
os.execv(%r, [%r] + sys.argv[1:])
"""


def blocked_stderr(t):
    """Without a sound server the sound thread has a warning to give: the
    window still judges drops and closes."""
    s = t.session
    wrapper = s.tmp / "full-stderr"
    wrapper.write_text(FULL_STDERR % (str(t.program), str(t.program)))
    wrapper.chmod(0o755)
    what = "standard error blocked, no sound server"
    prog = start_case(t, what, None, 0, program=wrapper)
    tables = h.MapTables()
    for country in ("China", "India"):
        point, _ = tables.drop_point(country)
        rect = tables.answer_rect(h.COUNTRIES.index(country))
        empty = prog.shot().crop(*rect)
        t0 = time.monotonic()
        prog.drag_name(h.COUNTRIES.index(country), point)
        shown = h.wait_until(lambda: prog.shot().crop(*rect).rgb != empty.rgb, timeout=3)
        t.check(shown, "%s: the drop on %s is judged (%.2f s)" % (what, country, time.monotonic() - t0))
    close(t, prog, what)


def body(t):
    s = t.open_session()
    ref = t.current = s.start(t.program)
    ref_shot = s.settle(ref)
    close(t, ref, "shipped files")
    without_liberation(t, ref_shot)
    as_nobody(t)
    blocked_stderr(t)


if __name__ == "__main__":
    h.Test("hardening-environment").run(body)
