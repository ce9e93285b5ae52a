#!/usr/bin/python3
"""The quiz at QT_SCALE_FACTOR=2: the window keeps its logical size, the map
is drawn from its double-size picture, and every name dropped at either
corner of a logical pixel lands where it lands at scale 1, up to the
completion box."""

import math
import os

import harness as h
from harness import COUNTRIES, log

# Other factors (1.25, 1.5) can be tried by hand: DRILLIX_HIDPI_SCALE=1.5.
SCALE = float(os.environ.get("DRILLIX_HIDPI_SCALE", "2"))


def mixed_blocks(img, area):
    """Share of 2x2 pixel blocks inside area that are not one colour: a
    picture merely doubled has none."""
    x0, y0, w, hgt = area
    mixed = total = 0
    for y in range(y0, y0 + hgt - 1, 2):
        for x in range(x0, x0 + w - 1, 2):
            a = img.pixel(x, y)
            total += 1
            if a != img.pixel(x + 1, y) or a != img.pixel(x, y + 1) or a != img.pixel(x + 1, y + 1):
                mixed += 1
    return mixed / max(total, 1)


def far_edge_point(tables, country):
    """A pixel of country whose right and lower neighbours lie elsewhere: a
    drop in its bottom-right device pixel tests that the position is not
    rounded into the next logical pixel."""
    for y in range(h.CLIENT_H - 2, 0, -1):
        for x in range(h.MAP_RIGHT, 0, -1):
            if (tables.tag_at(x, y) == country and tables.tag_at(x + 1, y) != country
                    and tables.tag_at(x, y + 1) != country):
                return (x, y)
    return None


def scaled(rect):
    return tuple(int(v * SCALE) for v in rect)


def device_pixel(logical, last):
    """The first (or last) device pixel whose centre lies in a logical pixel."""
    first_of = lambda x: math.ceil(x * SCALE - 0.5)
    return first_of(logical + 1) - 1 if last else first_of(logical)


def body(t):
    tables = h.MapTables()
    s = t.open_session(screen=(2400, 1600), env={"QT_SCALE_FACTOR": str(SCALE)})
    prog = t.current = s.start(t.program)
    t.check(all(abs(got - logical * SCALE) < 1 for got, logical in zip(prog.size, (h.CLIENT_W, h.CLIENT_H))),
            "the window is 1047 x 665 logical pixels at scale %g (%d x %d device pixels)" % ((SCALE,) + prog.size))
    start = s.settle(prog)
    start.save_png(t.artifacts / "hidpi-start.png")

    share = mixed_blocks(start, (40, 40, int(650 * SCALE), int(600 * SCALE)))
    t.check(share > 0.02, "the map is drawn at double resolution, not doubled (%.1f%% of 2x2 blocks mixed)"
            % (100 * share), start)

    for i, name in enumerate(COUNTRIES):
        # A pixel at the edge of the country's drop area, where a drop one
        # device pixel off would go elsewhere: the top-left device pixel of
        # its first pixel, or the bottom-right one of a far-edge pixel.
        if i % 2 == 0:
            point, _ = tables.drop_point(name, cap=0)
        else:
            point = far_edge_point(tables, name)
        t.require(point is not None, "a drop point for %s exists" % name)
        target = (device_pixel(point[0], i % 2), device_pixel(point[1], i % 2))
        gx, gy = h.label_grab_point(i)
        rect = scaled(tables.answer_rect(i))
        before = prog.shot()
        prog.drag((int(gx * SCALE), int(gy * SCALE)), target)
        if i == len(COUNTRIES) - 1:
            break
        ok = h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.crop(*rect).rgb, timeout=5,
                          idle=lambda: s.answer_unexpected_boxes(prog.window, expected=("Veltmora",)))
        t.check(ok, "%s dropped at device pixel %s (logical %s) is judged right" % (name, target, point))

    box = h.wait_until(lambda: s.boxes(prog.window), timeout=10)
    t.require(box, "the completion box opens after the 23rd drop at scale %g" % SCALE)
    titles = [tt for _, tt in box]
    t.check(titles == ["Veltmora"], "the completion box is titled 'Veltmora' (%s)" % titles)
    for w, tt in box:
        s.answer_box(w, tt)
    log("closing the window")
    s.x.send_delete_window(prog.window)
    t.check(prog.wait_exit(10) == 0, "a close request ends the program with status 0")


if __name__ == "__main__":
    h.Test("hidpi").run(body)
