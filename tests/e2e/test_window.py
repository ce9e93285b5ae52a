#!/usr/bin/python3
"""The main window: title, size, place, what it shows, and a close request."""

from collections import Counter

import harness as h
from harness import COUNTRIES


def luminance(p):
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]


def button_text_pixels(shot, rect):
    """Pixels of the button's face that stand out from its median colour:
    its caption (and frame) rather than plain face."""
    x, y, w, hgt = rect
    inner = shot.crop(x + 4, y + 4, w - 8, hgt - 8)
    lums = sorted(luminance(p) for p in inner.pixels())
    median = lums[len(lums) // 2]
    return sum(1 for v in lums if abs(v - median) > 90)


def body(t):
    s = t.open_session()
    prog = t.current = s.start(t.program)
    t.check(not prog.boxes_seen, "no box opens at start-up (%s)" % prog.boxes_seen)

    x, y, w, hgt = s.window_geometry(prog.window)
    t.check((w, hgt) == (h.CLIENT_W, h.CLIENT_H),
            "the client area is %dx%d (xwininfo: %dx%d)" % (h.CLIENT_W, h.CLIENT_H, w, hgt))
    want_x, want_y = (h.SCREEN_W - h.CLIENT_W) / 2, (h.SCREEN_H - h.CLIENT_H) / 2
    t.check(abs(x - want_x) <= 1 and abs(y - want_y) <= 1,
            "the window is centred on the %dx%d screen (at %d,%d)" % (h.SCREEN_W, h.SCREEN_H, x, y))
    # A window that cannot be resized says so to window managers.
    hints = h.run(["xprop", "-id", str(prog.window), "WM_NORMAL_HINTS"], env=s.env).stdout.decode()
    t.check("minimum size: %d by %d" % (w, hgt) in hints and "maximum size: %d by %d" % (w, hgt) in hints,
            "the window asks for a fixed size (%s)" % " ".join(hints.split()))

    shot = s.settle(prog)
    shot.save_png(t.artifacts / "window.png")

    # The map: many colours, several of them covering large parts.
    map_part = shot.crop(0, 0, h.MAP_RIGHT + 1, h.CLIENT_H)
    colours = Counter(map_part.pixels(step=4))
    big = [c for c, n in colours.items() if n > 0.01 * sum(colours.values())]
    t.check(len(big) >= 5, "the map shows several colours over large areas (%d such colours)" % len(big),
            shot)

    # The panel: blue, apart from its text and buttons.
    panel = shot.crop(h.PANEL_LEFT, 0, h.CLIENT_W - h.PANEL_LEFT, h.CLIENT_H)
    samples = list(panel.pixels(step=3))
    blue = sum(1 for p in samples if h.is_blue(p)) / len(samples)
    t.check(blue > 0.8, "the right-hand panel is predominantly blue (%.0f %% of it)" % (100 * blue), shot)
    edge = [shot.pixel(h.PANEL_LEFT, yy) for yy in range(0, h.CLIENT_H, 5)]
    before_edge = [shot.pixel(h.PANEL_LEFT - 1, yy) for yy in range(0, h.CLIENT_H, 5)]
    t.check(sum(map(h.is_blue, edge)) > 0.9 * len(edge) and sum(map(h.is_blue, before_edge)) < 0.9 * len(edge),
            "the panel begins at x %d" % h.PANEL_LEFT, shot)

    # White names in both columns, one on every row, nothing below them.
    without = [COUNTRIES[i] for i in range(23) if shot.crop(*h.label_own_band(i)).count(h.is_white) < 5]
    t.check(not without, "white text shows on every name's row (missing: %s)" % without, shot)
    below = shot.crop(884, 80 + 14 * 10 + 19, 141, 60).count(h.is_white)
    t.check(below == 0, "the second column ends after 10 names (%d white pixels below)" % below, shot)

    # Both buttons, with captions, and not alike.
    for name, rect in (("Restart", h.RESTART_BUTTON), ("Exit", h.EXIT_BUTTON)):
        n = button_text_pixels(shot, rect)
        t.check(n >= 15, "the %s button shows with a caption (%d caption pixels)" % (name, n), shot)
        x0, y0, bw, bh = rect
        face = shot.crop(x0 + 2, y0 + 2, bw - 4, bh - 4)
        around = shot.crop(x0 + 2, y0 - 20, bw - 4, bh - 4)
        t.check(face.diff_count(around, tolerance=12) > 0.3 * bw * bh,
                "the %s button stands out from the panel" % name, shot)
    t.check(shot.crop(*h.RESTART_BUTTON).rgb != shot.crop(*h.EXIT_BUTTON).rgb,
            "the two buttons differ (their captions)", shot)

    # A close request without a window manager: WM_DELETE_WINDOW.
    s.x.send_delete_window(prog.window)
    status = prog.wait_exit(5)
    t.check(status == 0, "a WM_DELETE_WINDOW close request ends the program with status 0 (status: %s)"
            % status)
    leftover = s.boxes()
    t.check(not leftover, "no window is left open after the close (%s)" % leftover)


if __name__ == "__main__":
    h.Test("window").run(body)
