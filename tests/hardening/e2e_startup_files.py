#!/usr/bin/python3
"""The built program started with side files that keep it from reading its
names: a names file that is missing, and one that is a FIFO, which must not
block the start-up. Each case counts the boxes titled Application Error
before the window (the test answers each one), checks that the window then
shows with every label's placeholder text and no further box, and that the
program closes cleanly. Which step each report names, and what damaged,
odd or huge side files do, is proved with the real file system, picture
loader and skin engine offscreen (hardening.StartupFiles*, the picture
loader's and skin engine's tests) and for the lines of the names file by
the unit tests; the real program meets a damaged skin and cursor in
e2e.appearance.

Also: --help and --version without a display, a start without one, and a
copy of the program in a folder whose name is not valid UTF-8."""

import os
import re
import shutil
from pathlib import Path

from e2e_common import h, log, close, names_area, remove, start_case, white_in_band

UNREADABLE_NAMES = [
    ("names file missing", lambda f: remove(f, "items.txt")),
    ("items.txt is a FIFO", lambda f: (remove(f, "items.txt"), os.mkfifo(f / "items.txt"))),
]


def without_display(t):
    """--help and --version answer with no display at all; a plain start ends
    at once with one line, and so does one whose display cannot be reached."""
    s = t.session
    env = {k: v for k, v in s.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    r = h.run([str(t.program), "--help"], env=env, check=False)
    out = r.stdout.decode(errors="replace")
    log("--help says:\n" + out)
    folders = [l.strip().split("  ")[0] for l in out.splitlines() if l.startswith("  /")]
    mine = str(Path(env["XDG_DATA_HOME"]) / "veltmora-drillix")
    t.check(r.returncode == 0 and "--version" in out and "items.txt" in out,
            "--help: exit status 0, the options and the side files (status %d)" % r.returncode)
    t.check(folders[:2] == [mine, str(t.program.parent)] and str(Path(env["XDG_DATA_DIRS"]) / "veltmora-drillix")
            in folders, "--help: the user's folder, then the program's, then the system's (%s)" % folders)
    r = h.run([str(t.program), "--version"], env=env, check=False)
    t.check(r.returncode == 0 and re.fullmatch(rb"veltmora-drillix \d+\.\d+\.\d+\n", r.stdout),
            "--version: exit status 0 and one line (%d, %r)" % (r.returncode, r.stdout))
    for what, display in (("no display", None), ("a display nobody serves", ":%d" % (500 + os.getpid() % 400))):
        r = h.run([str(t.program)], env=dict(env, DISPLAY=display) if display else env, check=False)
        ours = [l for l in r.stderr.decode(errors="replace").splitlines() if l.startswith("veltmora-drillix:")]
        t.check(r.returncode == 1 and len(ours) == 1,
                "%s: exit status 1 with one line of the program's (status %d, %r)" % (what, r.returncode, r.stderr))


def undecodable_folder(t, ref_names):
    """A copy of the program, its decoder, its sound module and its side files
    in a folder named with the byte 0xFC, which no UTF-8 text holds: the names
    and the sound module are found. Qt cannot name such a folder, so the skin
    and the hand cursor are each reported (as a bad file name) and the quiz
    goes on."""
    s = t.session
    folder = Path(os.fsdecode(os.fsencode(str(s.tmp)) + b"/\xfcrumqi"))
    folder.mkdir()
    shutil.copy2(t.program, folder / t.program.name)
    for f in h.SIDE_FILES:
        (folder / f).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(t.program.parent / f, folder / f)
    prog = start_case(t, "a folder named with byte 0xFC", None, 2, program=folder / t.program.name)
    t.check(names_area(s.settle(prog)).rgb == ref_names.rgb, "folder 0xFC: the names of the names file show")
    module = os.fsencode(str(folder / "plugins/libdrillix-sound.so"))
    loaded = h.wait_until(lambda: module in Path("/proc/%d/maps" % prog.proc.pid).read_bytes(), timeout=5)
    t.check(loaded, "folder 0xFC: the sound module is loaded from the folder")
    close(t, prog, "folder 0xFC")


def body(t):
    s = t.open_session()
    without_display(t)
    unskinned = start_case(t, "no skin, no hand cursor", lambda f: (remove(f, "x/o.cjs"), remove(f, "HAND-M.CUR")), 0)
    unskinned_names = names_area(s.settle(unskinned))
    close(t, unskinned, "no skin, no hand cursor")
    undecodable_folder(t, unskinned_names)

    for what, alter in UNREADABLE_NAMES:
        prog = start_case(t, what, alter, 1)
        shot = s.settle(prog)
        blank = [i for i in range(23) if white_in_band(shot, i) == 0]
        t.check(not blank, "%s: every label shows its placeholder text (none in %s)" % (what, blank), shot)
        close(t, prog, what)


if __name__ == "__main__":
    h.Test("hardening-startup-files").run(body)
