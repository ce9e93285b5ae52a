#!/usr/bin/python3
"""Appearance: the hand pointer over the buttons, the skin on the buttons,
and the start-up error boxes for a damaged skin or cursor file."""

import random
import shutil
import struct
import time

import harness as h
from harness import log

POINTER_BOX = 48  # pixels around the pointer compared in crops


def hand_cursor(path):
    """The hand as shipped: (hot spot, {(x, y): (r, g, b)} of its opaque pixels)."""
    data = path.read_bytes()
    if len(data) < 14 or data[:4] != b"\0\0\2\0":
        raise h.Failed("the shipped %s is not a cursor file" % path)
    hot = struct.unpack("<HH", data[10:14])
    raw = h.run(["convert", str(path) + "[0]", "-depth", "8", "rgba:-"], timeout=20).stdout
    size = int((len(raw) // 4) ** 0.5)
    if size == 0 or size * size * 4 != len(raw):
        raise h.Failed("the shipped %s could not be read as a square picture" % path)
    opaque = {}
    for i in range(size * size):
        r, g, b, a = raw[i * 4:i * 4 + 4]
        if a == 255:
            opaque[(i % size, i // size)] = (r, g, b)
    return hot, opaque


def hand_match(shot, point, hand):
    """Fraction of the hand's opaque pixels that the screenshot shows where
    the hand would be drawn with its hot spot at point."""
    (hx, hy), opaque = hand
    good = 0
    for (x, y), colour in opaque.items():
        p = shot.pixel(point[0] - hx + x, point[1] - hy + y)
        if all(abs(p[k] - colour[k]) <= 40 for k in range(3)):
            good += 1
    return good / len(opaque)


def pointer_at(t, prog, point, what):
    """Moves the pointer to point (with a last small step, so the program
    sees the pointer arrive) and returns (screenshot with pointer, the
    pointer's own pixels as a set of offsets from point)."""
    prog.move(point[0] - 4, point[1] - 4)
    prog.move(*point)
    time.sleep(0.3)
    with_pointer = prog.shot_with_pointer()
    without = prog.shot()
    half = POINTER_BOX // 2
    a = with_pointer.crop(point[0] - half, point[1] - half, POINTER_BOX, POINTER_BOX)
    b = without.crop(point[0] - half, point[1] - half, POINTER_BOX, POINTER_BOX)
    a.save_png(t.artifacts / ("pointer-%s.png" % what))
    mask = {(x - half, y - half) for y in range(a.height) for x in range(a.width) if a.pixel(x, y) != b.pixel(x, y)}
    return with_pointer, mask


def buttons(prog):
    shot = prog.shot()
    return shot, [shot.crop(*h.RESTART_BUTTON), shot.crop(*h.EXIT_BUTTON)]


def close(t, prog, what):
    t.session.x.send_delete_window(prog.window)
    t.check(prog.wait_exit(10) == 0, "%s: the program ends with status 0 on a close request" % what)


def damage(relative, seed, size=4096):
    """An alteration of a program copy: the side file becomes binary garbage."""
    def alter(folder):
        path = folder / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(random.Random(seed).randbytes(size))
    return alter


def remove(relative):
    return lambda folder: shutil.rmtree(folder / relative, ignore_errors=True)


def start_damaged(t, what, alter):
    s = t.session
    copy = s.copy_program(t.program, alter=alter)
    prog = t.current = s.start(copy, expect_boxes="Application Error")
    t.check(prog.boxes_seen == ["Application Error"],
            "%s: exactly one box titled 'Application Error' before the window (boxes: %s)"
            % (what, prog.boxes_seen))
    t.check(prog.alive() and prog.window is not None, "%s: the window shows after the box" % what)
    time.sleep(0.5)
    later = s.boxes(prog.window)
    t.check(not later, "%s: no further box once the window shows (%s)" % (what, later))
    s.answer_unexpected_boxes(prog.window)
    close(t, prog, what)


def body(t):
    s = t.open_session()
    hand = hand_cursor(t.program.parent / "HAND-M.CUR")
    log("hand cursor: hot spot %s, %d opaque pixels" % (hand[0], len(hand[1])))

    # Shipped files: the pointer.
    prog = t.current = s.start(t.program)
    t.check(not prog.boxes_seen, "shipped files: no box at start-up (%s)" % prog.boxes_seen)
    on_button = h.centre(h.RESTART_BUTTON)
    shot, hand_mask = pointer_at(t, prog, on_button, "button")
    score = hand_match(shot, on_button, hand)
    t.check(score > 0.95, "over the Restart button the pointer is the shipped hand (%.0f %% of its pixels)"
            % (100 * score), shot)
    shot, arrow_mask = pointer_at(t, prog, h.PANEL_SPOT, "panel")
    score = hand_match(shot, h.PANEL_SPOT, hand)
    t.check(score < 0.7 and arrow_mask, "over the panel the pointer is no longer the hand (%.0f %% alike)"
            % (100 * score), shot)
    differ = len(hand_mask ^ arrow_mask)
    t.check(hand_mask and differ > 40,
            "the pointer's pixels over the button and over the panel differ (%d pixels)" % differ, shot)
    # From the Exit button straight onto the map: the hand stays.
    prog.move(*h.centre(h.EXIT_BUTTON))
    time.sleep(0.2)
    map_spot = (600, 600)
    prog.move(map_spot[0] + 40, map_spot[1])
    shot, map_mask = pointer_at(t, prog, map_spot, "map")
    score = hand_match(shot, map_spot, hand)
    t.check(score > 0.95, "moved from a button onto the map, the pointer is still the hand (%.0f %%)"
            % (100 * score), shot)

    # Shipped skin against none: the buttons look different.
    prog.move(*h.PANEL_SPOT)
    s.settle(prog)
    shot, skinned = buttons(prog)
    close(t, prog, "shipped files")

    copy = s.copy_program(t.program, alter=remove("x"))
    prog = t.current = s.start(copy)
    t.check(not prog.boxes_seen, "without the skin: no box at start-up (%s)" % prog.boxes_seen)
    prog.move(*h.PANEL_SPOT)
    plain_shot, plain = buttons(prog)
    plain_shot.save_png(t.artifacts / "appearance-no-skin.png")
    for name, a, b in zip(("Restart", "Exit"), skinned, plain):
        n = a.diff_count(b, tolerance=16)
        t.check(n > 0.3 * a.width * a.height,
                "the %s button looks different with the shipped skin and without it (%d of %d pixels)"
                % (name, n, a.width * a.height), plain_shot)
    rest = (0, 0, h.RESTART_BUTTON[0] - 4, h.CLIENT_H)
    t.check(shot.crop(*rest).rgb == plain_shot.crop(*rest).rgb,
            "without the skin the map and names look the same as with it", plain_shot)
    close(t, prog, "without the skin")

    # Damaged side files: one error box each, then the window.
    start_damaged(t, "damaged skin", damage("x/o.cjs", seed=1))
    start_damaged(t, "damaged cursor", damage("HAND-M.CUR", seed=2))


if __name__ == "__main__":
    h.Test("appearance").run(body)
