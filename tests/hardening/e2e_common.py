"""Shared pieces of the hardening end-to-end tests: the e2e harness (imported
from tests/e2e, never copied) and a few checks built on it."""

import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))

import harness as h  # noqa: E402
from harness import log  # noqa: E402

ERROR_TITLE = "Application Error"


def white_in_band(shot, i):
    return shot.crop(*h.label_own_band(i)).count(h.is_white)


def names_area(shot):
    return shot.crop(h.PANEL_LEFT, 75, h.CLIENT_W - h.PANEL_LEFT, 200)


def close(t, prog, what):
    """Closes the window as a window manager would; the program must end with 0."""
    if not prog.alive():
        t.check(False, "%s: the program is still running before it is closed (status %s)"
                % (what, prog.proc.returncode))
        return
    t.session.x.send_delete_window(prog.window)
    status = prog.wait_exit(10)
    t.check(status == 0, "%s: the program ends with status 0 on a close request (status %s)" % (what, status))


def start_case(t, what, alter, boxes, window_timeout=30, program=None):
    """Starts a copy of the program whose side files alter(folder) changed, and
    checks that exactly `boxes` boxes titled Application Error came before the
    window (each answered with Return by the harness), that the window shows
    and that nothing else opens. Returns the Program."""
    s = t.session
    copy = program or s.copy_program(t.program, alter=alter)
    t0 = time.monotonic()
    prog = t.current = s.start(copy, window_timeout=window_timeout, expect_boxes=ERROR_TITLE)
    took = time.monotonic() - t0
    t.check(prog.boxes_seen == [ERROR_TITLE] * boxes,
            "%s: %d box(es) titled %r before the window (seen %d: %s)"
            % (what, boxes, ERROR_TITLE, len(prog.boxes_seen), sorted(set(prog.boxes_seen))))
    t.check(prog.alive() and prog.window is not None, "%s: the window shows (%.1f s after start)" % (what, took))
    time.sleep(0.3)
    later = s.boxes(prog.window)
    t.check(not later, "%s: no further box once the window shows (%s)" % (what, later))
    s.answer_unexpected_boxes(prog.window)
    return prog


def write(folder, name, data):
    path = Path(folder) / name
    path.parent.mkdir(parents=True, exist_ok=True)
    if path.is_symlink() or path.is_file():
        path.unlink()
    path.write_bytes(data if isinstance(data, bytes) else data.encode())
    return path


def remove(folder, name):
    path = Path(folder) / name
    if path.is_symlink() or path.is_file():
        path.unlink()
    elif path.is_dir():
        shutil.rmtree(path)
    return path

