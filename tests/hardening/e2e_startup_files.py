#!/usr/bin/python3
"""The built program started with damaged, odd or huge side files: the names
file, the hand cursor and the skin. Each case counts the boxes titled
Application Error before the window (the test answers each one), checks that
the window then shows with no further box and that the program closes
cleanly. Which step each box reports is checked by the offscreen tests with
the same files (hardening.StartupFiles*); here the real program proves the
count, the order of events and that it never crashes or hangs.

Also: --help and --version without a display, a start without one, and a
copy of the program in a folder whose name is not valid UTF-8."""

import os
import random
import re
import shutil
import struct
import time
from pathlib import Path

from e2e_common import h, log, close, names_area, peak_rss_kb, remove, sparse, start_case, white_in_band, write


def names_cases(shipped):
    lines = shipped.decode().split("\r\n")[:23]
    crlf = lambda ls: "".join(l + "\r\n" for l in ls).encode()
    blanks = list(lines)
    blanks[2] = ""
    blanks[9] = ""
    extra = lambda n: crlf(lines + ["Extra%d" % i for i in range(23, n)])
    mixed = "".join(l + ("\r\n" if i % 2 else "\r") for i, l in enumerate(lines)).encode()
    odd = list(lines)
    odd[0] = "\xdcr\xfcmqi"  # made into Windows-1252 bytes below
    cp1252 = crlf(lines[:1]).replace(lines[0].encode(), b"\xdcr\xfcmqi \x93x\x94") + crlf(lines[1:5]) \
        + b"\xc3\x28 broken UTF-8\r\n\xed\xa0\x80\r\n" + crlf(lines[7:])
    nul = crlf(lines).replace(b"China", b"Ch\0ina").replace(b"Japan", b"\0\0\0")
    return [
        # what, alteration of the folder, boxes, compare the names with the shipped run
        ("names file missing", lambda f: remove(f, "items.txt"), 1, None),
        ("names file empty", lambda f: write(f, "items.txt", b""), 0, None),
        ("items.txt is a folder", lambda f: (remove(f, "items.txt"), os.mkdir(f / "items.txt")), 1, None),
        ("two blank lines", lambda f: write(f, "items.txt", crlf(blanks)), 4, None),
        ("24 lines", lambda f: write(f, "items.txt", extra(24)), 2, True),
        ("100 lines", lambda f: write(f, "items.txt", extra(100)), 21, True),
        ("CR only", lambda f: write(f, "items.txt", shipped.replace(b"\r\n", b"\r")), 0, True),
        ("mixed CR and CR LF", lambda f: write(f, "items.txt", mixed), 0, True),
        ("LF only", lambda f: write(f, "items.txt", shipped.replace(b"\r\n", b"\n")), 0, True),
        ("Windows-1252 and invalid UTF-8", lambda f: write(f, "items.txt", cp1252), 0, False),
        ("NUL bytes", lambda f: write(f, "items.txt", nul), 0, False),
        # Special files must not block or run on for ever.
        ("items.txt is a FIFO", lambda f: (remove(f, "items.txt"), os.mkfifo(f / "items.txt")), 1, None),
        ("items.txt links to /dev/zero",
         lambda f: (remove(f, "items.txt"), os.symlink("/dev/zero", f / "items.txt")), 1, None),
        # A regular file whose every read fails (EIO).
        ("items.txt fails to read",
         lambda f: (remove(f, "items.txt"), os.symlink("/proc/self/mem", f / "items.txt")), 1, None),
    ]


def hundred_mb_line(shipped):
    def alter(folder):
        with open(folder / "items.txt", "wb") as f:
            f.write(shipped)
            chunk = b"x" * (1 << 20)
            for _ in range(100):
                f.write(chunk)
            f.write(b"\r\n")
    return alter


def cursor_cases(hand):
    png = (h.SOURCE_ROOT / "data" / "pictures" / "pin@2x.png").read_bytes()
    huge_entry = bytearray(hand)
    huge_entry[14:18] = struct.pack("<I", 0xFFFFFFF0)
    huge_bitmap = bytearray(hand)
    offset = struct.unpack("<I", hand[18:22])[0]
    huge_bitmap[offset + 4:offset + 12] = struct.pack("<ii", 60000, 120000)
    return [
        ("cursor: empty file", lambda f: write(f, "HAND-M.CUR", b""), 1),
        ("cursor: header cut short", lambda f: write(f, "HAND-M.CUR", hand[:10]), 1),
        ("cursor: image cut short", lambda f: write(f, "HAND-M.CUR", hand[:70]), 1),
        ("cursor: a PNG renamed (loads)", lambda f: write(f, "HAND-M.CUR", png), 0),
        ("cursor: image declared 4 GB long", lambda f: write(f, "HAND-M.CUR", bytes(huge_entry)), 1),
        ("cursor: image declared 60000 x 60000", lambda f: write(f, "HAND-M.CUR", bytes(huge_bitmap)), 1),
        ("cursor: 50 MB file", lambda f: write(f, "HAND-M.CUR", hand + bytes(50 * 1024 * 1024 - len(hand))), 1),
        ("cursor: a folder named HAND-M.CUR",
         lambda f: (remove(f, "HAND-M.CUR"), os.mkdir(f / "HAND-M.CUR")), 1),
        ("cursor: a FIFO", lambda f: (remove(f, "HAND-M.CUR"), os.mkfifo(f / "HAND-M.CUR")), 1),
    ]


def skin_cases(skin):
    return [
        ("skin: empty file", lambda f: write(f, "x/o.cjs", b""), 1),
        ("skin: binary garbage", lambda f: write(f, "x/o.cjs", random.Random(7).randbytes(4096)), 1),
        ("skin: 10 MB file", lambda f: write(f, "x/o.cjs", (skin * (10 * 1024 * 1024 // len(skin) + 1))), 1),
        ("skin: style-sheet syntax error",
         lambda f: write(f, "x/o.cjs", b"[skin]\nformat = 1\n[controls]\nQPushButton { color: red; \n"), 1),
        ("skin: layout error", lambda f: write(f, "x/o.cjs", b"QPushButton { color: red; }\n"), 1),
        # A sheet that sets the style sheet again recursed without end in Qt's
        # property system; a huge minimum size took gigabytes.
        ("skin: a sheet that sets a style sheet",
         lambda f: write(f, "x/o.cjs", b"[skin]\nformat = 1\n[colours]\nQPushButton { qproperty-styleSheet: "
                         b"\"QPushButton { qproperty-styleSheet: 'x' }\"; }\n"), 1),
        ("skin: a huge minimum size",
         lambda f: write(f, "x/o.cjs", b"[skin]\nformat = 1\n[metrics]\n"
                         b"QPushButton { qproperty-minimumSize: 30000px 30000px; }\n"), 1),
        ("skin: a FIFO (no normal file: counts as absent)",
         lambda f: (remove(f, "x/o.cjs"), os.mkfifo(f / "x" / "o.cjs")), 0),
        ("skin: dangling link (counts as absent)",
         lambda f: (remove(f, "x/o.cjs"), os.symlink(f / "x" / "nowhere.cjs", f / "x" / "o.cjs")), 0),
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
    """A copy of the program, its decoder and its side files in a folder named
    with the byte 0xFC, which no UTF-8 text holds: the names are found, and
    the sound decoder is started from the folder for a sound of the folder.
    Qt cannot name such a folder, so the skin and the hand cursor are each
    reported (as a bad file name) and the quiz goes on."""
    s = t.session
    folder = Path(os.fsdecode(os.fsencode(str(s.tmp)) + b"/\xfcrumqi"))
    folder.mkdir()
    shutil.copy2(t.program, folder / t.program.name)
    for f in h.SIDE_FILES:
        (folder / f).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(t.program.parent / f, folder / f)
    # A sound that is not the shipped one needs the decoder, here behind a
    # wrapper that notes how it was started.
    shutil.copy2(t.program.parent / "sounds/wrong.wma", folder / "sounds/correct.wma")
    decoder, started = folder / "drillix-sound-decoder", s.tmp / "decoder-started"
    decoder.write_bytes(b"#!/bin/sh\nprintf '%%s\\n' \"$0\" \"$1\" > '%s'\nexec '%s' \"$@\"\n"
                        % (os.fsencode(str(started)), os.fsencode(str(t.program.parent / decoder.name))))
    prog = start_case(t, "a folder named with byte 0xFC", None, 2, program=folder / t.program.name)
    t.check(names_area(s.settle(prog)).rgb == ref_names.rgb, "folder 0xFC: the names of the names file show")
    expected = b"%s\n%s\n" % (os.fsencode(str(decoder)), os.fsencode(str(folder / "sounds/correct.wma")))
    t.check(h.wait_until(lambda: started.exists() and started.read_bytes() == expected, timeout=5),
            "folder 0xFC: the sound decoder in the folder is started for the folder's sound")
    close(t, prog, "folder 0xFC")


def body(t):
    s = t.open_session()
    without_display(t)
    folder = t.program.parent
    shipped = (folder / "items.txt").read_bytes()

    ref = t.current = s.start(t.program)
    t.require(not ref.boxes_seen, "shipped files: no box (%s)" % ref.boxes_seen)
    ref_shot = s.settle(ref)
    ref_names = names_area(ref_shot)
    ref_peak = peak_rss_kb(ref)
    close(t, ref, "shipped files")
    unskinned = start_case(t, "no skin, no hand cursor", lambda f: (remove(f, "x/o.cjs"), remove(f, "HAND-M.CUR")), 0)
    unskinned_names = names_area(s.settle(unskinned))
    close(t, unskinned, "no skin, no hand cursor")
    undecodable_folder(t, unskinned_names)

    for what, alter, boxes, same_names in names_cases(shipped):
        prog = start_case(t, what, alter, boxes, window_timeout=120)
        shot = s.settle(prog)
        if same_names is True:
            t.check(names_area(shot).rgb == ref_names.rgb, "%s: the names show as with the shipped file" % what, shot)
        elif same_names is False:
            t.check(names_area(shot).rgb != ref_names.rgb, "%s: the names differ from the shipped ones" % what, shot)
        if what == "names file missing":
            blank = [i for i in range(23) if white_in_band(shot, i) == 0]
            t.check(not blank, "%s: every label shows its placeholder text (none in %s)" % (what, blank), shot)
        close(t, prog, what)

    what = "a 100 MB line"
    prog = start_case(t, what, hundred_mb_line(shipped), 3, window_timeout=120)
    peak = peak_rss_kb(prog)
    log("figure: peak resident memory %s kB with a 100 MB line, %s kB with the shipped names file" % (peak, ref_peak))
    t.check(peak is not None and ref_peak is not None and peak - ref_peak < 20 * 1024,
            "%s: peak resident memory stays within 20 MB of the shipped run (%s kB against %s kB)"
            % (what, peak, ref_peak))
    t.check(names_area(s.settle(prog)).rgb == ref_names.rgb, "%s: the 23 names show as shipped" % what)
    close(t, prog, what)

    hand = (folder / "HAND-M.CUR").read_bytes()
    for what, alter, boxes in cursor_cases(hand):
        prog = start_case(t, what, alter, boxes)
        # The window works: a button still takes the pointer.
        prog.move(*h.centre(h.RESTART_BUTTON))
        close(t, prog, what)

    skin = (folder / "x" / "o.cjs").read_bytes()
    for what, alter, boxes in skin_cases(skin):
        prog = start_case(t, what, alter, boxes)
        close(t, prog, what)


if __name__ == "__main__":
    h.Test("hardening-startup-files").run(body)
