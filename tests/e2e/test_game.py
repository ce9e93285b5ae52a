#!/usr/bin/python3
"""Games played with real drags: one cut short by Restart; a whole one,
every name onto its country, with a wrong drop and a drag from an emptied
place on the way, up to the completion box, after which a new game shows;
and Exit."""

import time

import harness as h
from harness import COUNTRIES, log

# Where the panel's name columns are (window pixels).
NAMES_AREA = (h.PANEL_LEFT, 75, h.CLIENT_W - h.PANEL_LEFT, 200)
MAP_AREA = (0, 0, h.MAP_RIGHT + 1, h.CLIENT_H)


def white_in_band(shot, i):
    return shot.crop(*h.label_own_band(i)).count(h.is_white)


def changed_bbox(a, b, rect):
    """Bounding box, in window pixels, of the pixels that differ inside rect."""
    x0, y0, w, hgt = rect
    ca, cb = a.crop(*rect), b.crop(*rect)
    xs, ys = [], []
    for y in range(ca.height):
        for x in range(ca.width):
            if ca.pixel(x, y) != cb.pixel(x, y):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return (x0 + min(xs), y0 + min(ys), x0 + max(xs), y0 + max(ys))


def diff_outside(a, b, area, hole):
    """Pixels that differ inside area but outside the rectangle hole."""
    n = 0
    ax, ay, aw, ah = area
    hx, hy, hw, hh = hole
    for y in range(ay, ay + ah):
        ra = a.rgb[(y * a.width + ax) * 3:(y * a.width + ax + aw) * 3]
        rb = b.rgb[(y * b.width + ax) * 3:(y * b.width + ax + aw) * 3]
        if ra == rb:
            continue
        for x in range(aw):
            if ra[x * 3:x * 3 + 3] != rb[x * 3:x * 3 + 3]:
                gx = ax + x
                if not (hx <= gx < hx + hw and hy <= y < hy + hh):
                    n += 1
    return n


def place(t, prog, tables, i, point):
    """Drags name i onto point, a pixel where its own country takes the drop,
    and checks what the screen shows afterwards."""
    s = t.session
    name = COUNTRIES[i]
    rect = tables.answer_rect(i)
    before = prog.shot()
    prog.drag_name(i, point)
    changed = h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.crop(*rect).rgb, timeout=5,
                           idle=lambda: s.answer_unexpected_boxes(prog.window, expected=("Veltmora",)))
    after = s.settle(prog)
    if not t.check(changed, "%s: its answer appears on the map after the drop at %s" % (name, point), after):
        t.unplaced = getattr(t, "unplaced", 0) + 1
        if t.unplaced >= 3:
            raise h.Failed("three names could not be placed: giving up on the game")
        return after
    box = changed_bbox(before, after, rect)
    dark_before = before.crop(*rect).count(h.is_dark)
    dark_after = after.crop(*rect).count(h.is_dark)
    t.check(dark_after >= dark_before + 8,
            "%s: dark text shows in its answer place (%d dark pixels, %d before)"
            % (name, dark_after, dark_before), after)
    if box:
        bx0, by0, bx1, by1 = box
        mid = (bx0 + bx1) / 2
        want = rect[0] + (rect[2] - 1) / 2
        t.check(abs(mid - want) <= 3 and by0 - rect[1] <= 4,
                "%s: the answer text is centred at the top of its place (text %s, place %s)"
                % (name, box, rect), after)
    outside = diff_outside(before, after, MAP_AREA, rect)
    t.check(outside == 0, "%s: nothing else on the map changed (%d pixels did)" % (name, outside), after)
    t.check(white_in_band(after, i) == 0,
            "%s: the name has left its column (%d white pixels remain)" % (name, white_in_band(after, i)),
            after)
    others = diff_outside(before, after, NAMES_AREA, h.label_rect(i))
    t.check(others == 0, "%s: the other names stayed as they were (%d pixels changed)" % (name, others),
            after)
    return after


def wrong_drop(t, prog, tables, i, point, winner):
    name = COUNTRIES[i]
    before = prog.shot()
    prog.drag_name(i, point)
    # A wrong drop changes nothing; give the program time to do something
    # it should not, then look.
    time.sleep(0.6)
    after = t.session.settle(prog)
    t.check(after.crop(*NAMES_AREA).rgb == before.crop(*NAMES_AREA).rgb,
            "%s dropped at %s (where %s takes the drop): the name columns are unchanged"
            % (name, point, winner), after)
    t.check(after.crop(*MAP_AREA).rgb == before.crop(*MAP_AREA).rgb,
            "%s dropped on %s: no answer appears on the map" % (name, winner), after)


def compare_with_start(t, start, now, what):
    for label, area in (("map", MAP_AREA), ("name columns", NAMES_AREA)):
        n = now.crop(*area).diff_count(start.crop(*area))
        t.check(n == 0, "%s: %s as at the start (%d pixels differ)" % (what, label, n), now)
    missing = [COUNTRIES[i] for i in range(23) if white_in_band(now, i) == 0]
    t.check(not missing, "%s: all 23 names are in their columns (missing: %s)" % (what, missing), now)


def body(t):
    tables = h.MapTables()
    s = t.open_session()
    prog = t.current = s.start(t.program)
    start = s.settle(prog)
    start.save_png(t.artifacts / "game-start.png")
    no_names = [COUNTRIES[i] for i in range(23) if white_in_band(start, i) < 5]
    t.require(not no_names, "at the start every name shows in white (none seen for %s)" % no_names, start)

    points = {}
    for i, name in enumerate(COUNTRIES):
        points[i], margin = tables.drop_point(name)
        t.require(points[i] is not None and margin >= 2,
                  "a drop point for %s exists in the map tables (%s, margin %d)" % (name, points[i], margin))

    # Bhutan dropped where Bangladesh's later-laid target covers Bhutan's own
    # rectangle: the target laid last wins, so this drop is wrong.
    wrong_point, wrong_winner = tables.lost_point("Bhutan")
    t.require(wrong_point is not None, "the map tables have a point where Bhutan loses the drop")

    # A game cut short by Restart. The full game after it must still need all
    # 23 names: Restart starts the count again.
    for i in (5, 16, 21):
        place(t, prog, tables, i, points[i])
    prog.click(*h.centre(h.RESTART_BUTTON))
    prog.move(*h.PANEL_SPOT)
    h.wait_until(lambda: white_in_band(prog.shot(), 21) > 0, timeout=5)
    compare_with_start(t, start, s.settle(prog), "after Restart")

    # A full game, in an order that mixes the columns.
    order = list(range(16, 23)) + list(range(0, 16))
    for n, i in enumerate(order):
        if n == 5:
            wrong_drop(t, prog, tables, COUNTRIES.index("Bhutan"), wrong_point, wrong_winner)
        if n == len(order) - 1:
            break
        place(t, prog, tables, i, points[i])
        if n == 0:
            # The place a placed name left is empty: pressing there and
            # dropping on the same country again does nothing (and must not
            # count twice towards completing the map).
            before = prog.shot()
            prog.drag_name(i, points[i])
            time.sleep(0.4)
            again = s.settle(prog)
            t.check(again.rgb == before.rgb,
                    "%s: dragging from its emptied place changes nothing" % COUNTRIES[i], again)
        early = s.boxes(prog.window)
        t.check(not early, "no box opens before the map is complete (after %d names: %s)" % (n + 1, early))
        for w, title in early:
            s.answer_box(w, title)

    # The last name completes the map.
    last = order[-1]
    prog.drag_name(last, points[last])
    box = h.wait_until(lambda: s.boxes(prog.window), timeout=10)
    t.require(box, "a box opens after the 23rd name is placed")
    titles = [tt for _, tt in box]
    t.check(titles == ["Veltmora"], "the completion box is titled 'Veltmora' (boxes: %s)" % titles,
            s.x.grab())
    s.x.grab().save_png(t.artifacts / "game-complete.png")
    for w, tt in box:
        t.require(s.answer_box(w, tt), "the box %r closes on Return" % tt)
    after = s.settle(prog)
    compare_with_start(t, start, after, "after the completion box")
    t.check(prog.alive(), "the program goes on after the completion box")

    # Exit ends the program with status 0.
    prog.click(*h.centre(h.EXIT_BUTTON))
    status = prog.wait_exit(10)
    t.check(status == 0, "Exit ends the program with status 0 (status: %s)" % status)


if __name__ == "__main__":
    h.Test("game").run(body)
