#!/usr/bin/python3
"""The quiz on a desktop with a window manager (openbox): Return and Enter on
a focused button, a dark theme, drags that the desktop or Escape breaks off,
and a window larger than the screen."""

import re
import subprocess
import time

import harness as h

JAPAN, CHINA, INDIA, MONGOLIA = 8, 5, 6, 12
MAP_SPOT = (100, 600)  # open sea, where no name is ever shown


def ask(s, *argv):
    return h.run([str(a) for a in argv], env=s.env, check=False).stdout.decode()


def start(t, program, env):
    """Starts the program; the window manager reparents its window, so it is
    found by process and title."""
    s = t.session
    log_path = s.artifacts / ("desktop-run%d.log" % len(s.programs))
    proc = h.spawn([str(program)], env=dict(s.env, **env), cwd=str(s.tmp), stdout=open(log_path, "wb"),
                   stderr=subprocess.STDOUT)
    prog = t.current = h.Program(s, proc, program.parent, log_path)
    s.programs.append(prog)
    ids = h.wait_until(lambda: ask(s, "xdotool", "search", "--all", "--onlyvisible", "--pid", proc.pid,
                                   "--name", "^%s$" % h.TITLE).split(), timeout=20)
    t.require(ids, "the window appears (%s)" % env)
    prog.window = int(ids[0])
    x, y, w, hgt = s.window_geometry(prog.window)
    prog.origin, prog.size = (x, y), (w, hgt)
    return prog


def close(t, prog):
    t.session.x.send_delete_window(prog.window)
    t.check(prog.wait_exit(10) == 0, "a close request ends the program")
    h.stop(prog.proc)


def drop_japan(t, prog):
    before = t.session.settle(prog)
    prog.drag_name(JAPAN, t.point(JAPAN))
    rect = t.tables.answer_rect(JAPAN)
    t.require(h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.crop(*rect).rgb, timeout=5),
              "Japan dropped on Japan shows on the map")
    return t.session.settle(prog)


def press_name(s, prog, i, to):
    """Presses on name label i and moves it to `to`, the button held."""
    (x0, y0), (x1, y1) = prog.screen(*h.label_grab_point(i)), prog.screen(*to)
    s.xdotool("mousemove", x0, y0, "sleep", "0.03", "mousedown", "1", "sleep", "0.03",
              "mousemove", (x0 + x1) // 2, (y0 + y1) // 2, "sleep", "0.03", "mousemove", x1, y1, "sleep", "0.1")


def judged(t, before, after, i):
    """Whether name i left its column or showed on the map."""
    return any(after.crop(*r).rgb != before.crop(*r).rgb for r in (t.tables.answer_rect(i), h.label_own_band(i)))


def pointer_at(prog, spot):
    """The pointer drawn at spot, arriving from the panel (which sets the default pointer)."""
    for p in (h.PANEL_SPOT, spot, (spot[0] + 1, spot[1])):
        prog.move(*p)
    time.sleep(0.3)
    return prog.shot_with_pointer().crop(spot[0] - 23, spot[1] - 24, 48, 48)


def body(t):
    plugins = h.Path(h.run(["qtpaths6", "--query", "QT_INSTALL_PLUGINS"], check=False).stdout.decode().strip())
    t.require((plugins / "platformthemes" / "libqgtk3.so").exists(),
              "Qt's GTK platform theme is installed (without it no run is dark)")
    s = t.open_session()
    h.spawn(["openbox", "--sm-disable"], env=s.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t.require(h.wait_until(lambda: "window id" in ask(s, "xprop", "-root", "_NET_SUPPORTING_WM_CHECK"), timeout=10),
              "openbox manages the screen")
    t.tables = h.MapTables()
    t.point = lambda i: t.tables.drop_point(h.COUNTRIES[i], cap=0)[0]
    # Without the skin the buttons are drawn by Qt's style.
    bare = s.copy_program(t.program, alter=lambda folder: (folder / "x" / "o.cjs").unlink())

    # Qt's GTK theme already lets Return press buttons: this run has none.
    prog = start(t, bare, {})
    drop_japan(t, prog)
    # Focus starts on the window itself; Tab leads to Restart, then to Exit.
    s.xdotool("key", "Tab", "sleep", "0.1", "key", "Return", "sleep", "0.3")
    t.check(s.settle(prog).crop(*h.label_own_band(JAPAN)).count(h.is_white) > 5,
            "Return on the focused Restart button starts a new game (Japan is back in its column)")
    s.xdotool("key", "Tab", "sleep", "0.1", "key", "KP_Enter")
    t.check(prog.wait_exit(5) == 0, "Enter on the focused Exit button ends the program")
    h.stop(prog.proc)

    shots = {}
    for theme in ("Adwaita", "Adwaita:dark"):
        prog = start(t, bare, {"QT_QPA_PLATFORMTHEME": "gtk3", "GTK_THEME": theme})
        shots[theme] = drop_japan(t, prog)
        if theme == "Adwaita":
            close(t, prog)
    for what, rect in (("Japan's answer label", t.tables.answer_rect(JAPAN)),
                       ("the Restart button", h.RESTART_BUTTON), ("the Exit button", h.EXIT_BUTTON)):
        n = shots["Adwaita:dark"].crop(*rect).diff_count(shots["Adwaita"].crop(*rect))
        t.check(n == 0, "%s under the dark theme is drawn as under the light one (%d pixels differ)" % (what, n),
                shots["Adwaita:dark"])

    # The dark run goes on. Each case drags a name of its own, so that a name
    # wrongly judged in one cannot hide a fault in the next.
    arrow = pointer_at(prog, MAP_SPOT)
    leave_and_return = [
        ("minimised", CHINA, ["windowminimize", prog.window], []),
        ("on a workspace left", INDIA, ["set_desktop", 1], ["set_desktop", 0]),
    ]
    for what, name, leave, back in leave_and_return:
        before = prog.shot()
        press_name(s, prog, name, t.point(name))
        s.xdotool(*leave)
        h.wait_until(lambda: "IsViewable" not in ask(s, "xwininfo", "-id", prog.window), timeout=5)
        s.xdotool("mousemove", 5, 5, "sleep", "0.05", "mouseup", "1", "sleep", "0.1", *back)
        s.xdotool("windowactivate", prog.window)
        # Openbox animates the way back: wait until the window is in place.
        t.require(h.wait_until(lambda: "IsViewable" in ask(s, "xwininfo", "-id", prog.window)
                               and s.window_geometry(prog.window)[:2] == prog.origin, timeout=5),
                  "the window %s is back in place" % what)
        s.settle(prog)
        pointer = pointer_at(prog, MAP_SPOT)
        t.check(pointer.rgb == arrow.rgb, "window %s during a drag: the pointer is the arrow once back" % what,
                pointer)
        prog.click(*t.point(name))
        time.sleep(0.2)
        after = s.settle(prog)
        t.check(not judged(t, before, after, name),
                "window %s during a drag: the next plain click on the map judges nothing" % what, after)

    before = prog.shot()
    press_name(s, prog, MONGOLIA, t.point(MONGOLIA))
    s.xdotool("key", "Escape", "sleep", "0.1", "mouseup", "1", "sleep", "0.2")
    after = s.settle(prog)
    t.check(not judged(t, before, after, MONGOLIA), "Escape ends a drag: the release on Mongolia judges nothing",
            after)
    close(t, prog)

    # Larger than the screen: the frame, title bar and all, starts at the
    # top-left of the available area instead of hanging off the screen.
    prog = start(t, t.program, {"QT_SCALE_FACTOR": "1.6"})
    extents = re.findall(r"\d+", ask(s, "xprop", "-id", prog.window, "_NET_FRAME_EXTENTS").partition("=")[2])
    left, top = (int(extents[0]), int(extents[2])) if len(extents) == 4 else (0, 0)
    frame = (prog.origin[0] - left, prog.origin[1] - top)
    t.check(prog.size[1] > h.SCREEN_H and frame == (0, 0),
            "a %dx%d window on a %dx%d screen has its frame at the top-left (at %d,%d)"
            % (prog.size + (h.SCREEN_W, h.SCREEN_H) + frame))
    close(t, prog)


if __name__ == "__main__":
    h.Test("desktop").run(body)
