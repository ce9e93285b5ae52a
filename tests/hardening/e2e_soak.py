#!/usr/bin/python3
"""Five complete games in a row through real X input: every name dragged
onto its country (with wrong drops mixed in), the completion box answered,
the next game started by it. Prints the program's resident memory after
each game."""

import time

from e2e_common import h, log, close, white_in_band
from harness import COUNTRIES

GAMES = 5


def rss_kb(prog):
    for line in open("/proc/%d/status" % prog.proc.pid):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return None


def body(t):
    tables = h.MapTables()
    s = t.open_session()
    prog = t.current = s.start(t.program)
    t.require(not prog.boxes_seen, "no box at start-up (%s)" % prog.boxes_seen)
    points = {}
    for i, name in enumerate(COUNTRIES):
        points[i], margin = tables.drop_point(name)
        t.require(points[i] is not None and margin >= 2, "a drop point for %s" % name)
    start = s.settle(prog)
    figures = []
    for game in range(GAMES):
        order = [(k * 5 + game * 3) % 23 for k in range(23)]
        for n, i in enumerate(order):
            if n % 6 == 2:
                other = (i + 7) % 23
                before = prog.shot()
                prog.drag_name(i, points[other])
                time.sleep(0.2)
                t.check(white_in_band(prog.shot(), i) > 0,
                        "game %d: %s dropped on %s comes back to its column" % (game + 1, COUNTRIES[i], COUNTRIES[other]))
            rect = tables.answer_rect(i)
            before = prog.shot().crop(*rect)
            prog.drag_name(i, points[i])
            if n < 22:
                shown = h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.rgb, timeout=5)
                if not t.check(shown, "game %d: %s placed" % (game + 1, COUNTRIES[i])):
                    s.answer_unexpected_boxes(prog.window)
        box = h.wait_until(lambda: s.boxes(prog.window), timeout=10)
        t.require(box and [tt for _, tt in box] == ["Veltmora"],
                  "game %d: the completion box opens after the 23rd name (%s)" % (game + 1, box))
        for w, tt in box:
            t.require(s.answer_box(w, tt), "game %d: the completion box closes on Return" % (game + 1))
        now = s.settle(prog)
        missing = [COUNTRIES[i] for i in range(23) if white_in_band(now, i) == 0]
        t.check(not missing, "game %d: a new game starts with every name in its column (missing %s)"
                % (game + 1, missing), now)
        diff = now.diff_count(start)
        t.check(diff == 0, "game %d: the window looks as at the start (%d pixels differ)" % (game + 1, diff), now)
        figures.append(rss_kb(prog))
        log("figure: after game %d the program's resident memory is %s kB" % (game + 1, figures[-1]))
    log("figure: resident memory after game 1: %s kB, after game %d: %s kB" % (figures[0], GAMES, figures[-1]))
    close(t, prog, "after %d games" % GAMES)


if __name__ == "__main__":
    h.Test("hardening-soak").run(body)
