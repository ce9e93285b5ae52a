#!/usr/bin/python3
"""A whole game on Qt's native Wayland platform, under a headless sway: one
wrong drop, every name onto its country, the completion box answered with a
click, and the new game that follows. Drags come from a virtual pointer
client, screenshots from grim.

sway will not run as root: as root, the compositor, the quiz and every tool
that talks to them run as the user nobody, from a copy that user can read.
The test skips (status 77), saying why, where that or a tool is missing."""

import glob
import grp
import json
import os
import pwd
import select
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import harness as h
import test_game as game
from harness import COUNTRIES, log

SKIP = 77
COMPLETION_TITLE = "Veltmora"
POINTER_CLIENT = "DRILLIX_VIRTUAL_POINTER"  # set by the build when it made the client


def skip(reason):
    log("SKIP: " + reason)
    sys.exit(SKIP)


def unprivileged():
    """(command prefix, uid, gid) to run the compositor and its clients
    without root: nothing to add when the test is not root."""
    if os.geteuid() != 0:
        return [], os.getuid(), os.getgid()
    if not shutil.which("setpriv"):
        skip("sway refuses to run as root, and setpriv (Debian: util-linux) is missing to run it as nobody")
    try:
        uid = pwd.getpwnam("nobody").pw_uid
        gid = grp.getgrnam("nogroup").gr_gid
    except KeyError:
        skip("sway refuses to run as root, and there is no user nobody (group nogroup) to run it as")
    prefix = ["setpriv", "--reuid=%d" % uid, "--regid=%d" % gid, "--clear-groups", "--"]
    probe = subprocess.run(prefix + ["true"], capture_output=True)
    if probe.returncode != 0:
        skip("sway refuses to run as root, and this process cannot become nobody: %s"
             % probe.stderr.decode(errors="replace").strip())
    return prefix, uid, gid


def button_centre(box):
    """Centre of the buttons' row in a message box's picture: the last band
    of rows that differ from the box's background."""
    bottom = [box.pixel(x, box.height - 2) for x in range(box.width)]
    background = max(set(bottom), key=bottom.count)
    differs = lambda p: max(abs(a - b) for a, b in zip(p, background)) > 24
    rows = [y for y in range(box.height - 1) if any(differs(box.pixel(x, y)) for x in range(box.width))]
    if not rows:
        return None
    top = rows[-1]
    while top - 1 in rows:
        top -= 1
    columns = [x for x in range(box.width) if any(differs(box.pixel(x, y)) for y in range(top, rows[-1] + 1))]
    return (columns[0] + columns[-1]) // 2, (top + rows[-1]) // 2


class GrimScreen:
    """The compositor's pixels, read the way the X harness reads its server's."""

    def __init__(self, session):
        self.session = session

    def grab(self, x=0, y=0, width=None, height=None):
        width = h.SCREEN_W - x if width is None else width
        height = h.SCREEN_H - y if height is None else height
        r = self.session.run(["grim", "-g", "%d,%d %dx%d" % (x, y, width, height), "-t", "ppm", "-"])
        return h.Image.from_ppm(r.stdout)


class VirtualPointer:
    """The client of the compositor's virtual pointer protocol; each command
    returns once the compositor has handled it.

    A headless output draws the pointer into its pictures, so a click or a
    drag ends with the pointer parked in the corner, away from any window."""

    def __init__(self, session, client):
        self.proc = h.spawn(session.as_user + [str(client), str(h.SCREEN_W), str(h.SCREEN_H)],
                            env=session.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=open(session.artifacts / "wayland-pointer.log", "wb"))

    def send(self, command):
        try:
            self.proc.stdin.write(command.encode() + b"\n")
            self.proc.stdin.flush()
        except BrokenPipeError:
            raise h.Failed("the virtual pointer ended (status %s)" % self.proc.poll())
        if not select.select([self.proc.stdout], [], [], 5)[0]:
            raise h.Failed("the virtual pointer did not answer %r within 5 s" % command)
        answer = self.proc.stdout.readline().decode(errors="replace").strip()
        if answer != "ok":
            raise h.Failed("the virtual pointer answered %r to %r" % (answer, command))

    def move(self, x, y):
        self.send("move %d %d" % (x, y))

    def click(self, x, y):
        self.move(x, y)
        time.sleep(0.05)
        self.send("press")
        self.send("release")
        self.park()

    def drag(self, start, end, steps, pause):
        (x0, y0), (x1, y1) = start, end
        self.move(x0, y0)
        time.sleep(0.03)
        self.send("press")
        time.sleep(0.03)
        for k in range(1, steps + 1):
            self.move(round(x0 + (x1 - x0) * k / steps), round(y0 + (y1 - y0) * k / steps))
            time.sleep(pause)
        time.sleep(0.03)
        self.send("release")
        self.park()

    def park(self):
        self.move(h.SCREEN_W - 1, h.SCREEN_H - 1)

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.close()
            except OSError:
                pass
        h.stop(self.proc)


class WaylandProgram(h.Program):
    """The quiz on the compositor: pictures through grim, input through the virtual pointer."""

    def move(self, x, y):
        self.session.pointer.move(*self.screen(x, y))

    def click(self, x, y):
        self.session.pointer.click(*self.screen(x, y))

    def drag(self, start, end, steps=6, pause=0.02):
        self.session.pointer.drag(self.screen(*start), self.screen(*end), steps, pause)


class WaylandSession:
    """A private headless sway with a virtual pointer, and the quizzes started on it."""

    settle = h.Session.settle
    answer_unexpected_boxes = h.Session.answer_unexpected_boxes

    def __init__(self, name, artifacts, pointer_client):
        self.name = name
        self.artifacts = Path(artifacts)
        self.as_user, uid, gid = unprivileged()
        self.tmp = Path(tempfile.mkdtemp(prefix="drillix-e2e-%s." % name))
        self.tmp.chmod(0o755)
        self.programs = []
        self.sway = self.pointer = None
        self.x = GrimScreen(self)
        try:
            home, runtime = self.tmp / "home", self.tmp / "runtime"
            for d in (home, runtime):
                d.mkdir(mode=0o700)
                os.chown(d, uid, gid)
            self.install = self.tmp / "install"
            self.install.mkdir(mode=0o755)
            self.client = self.install / Path(pointer_client).name
            shutil.copy2(pointer_client, self.client)
            # A stand-in URL opener, should a start hand the web site to the desktop.
            opener = self.install / "xdg-open"
            opener.write_text("#!/bin/sh\nexit 0\n")
            opener.chmod(0o755)
            no_autospawn = self.tmp / "pulse-client.conf"
            no_autospawn.write_text("autospawn = no\n")
            env = {k: v for k, v in os.environ.items()
                   if not k.startswith(("QT_", "PULSE_", "WAYLAND", "XDG_", "DBUS_", "WLR_", "SWAY"))}
            env.pop("DISPLAY", None)
            env.pop("SESSION_MANAGER", None)
            # No sound server: the quiz plays silently.
            env.update(HOME=str(home), XDG_RUNTIME_DIR=str(runtime), LANG="C.UTF-8",
                       PATH="%s:%s" % (self.install, os.environ.get("PATH", "/usr/bin:/bin")),
                       PULSE_CLIENTCONFIG=str(no_autospawn), PULSE_SERVER="unix:" + str(self.tmp / "no-sound"),
                       # No installed side files reach the test.
                       XDG_DATA_DIRS=str(self.tmp / "no-data"))
            self.env = env
            self._start_compositor(runtime)
            self.pointer = VirtualPointer(self, self.client)
            self.pointer.park()
        except BaseException:
            self.close()
            raise

    def _start_compositor(self, runtime):
        config = self.tmp / "sway.conf"
        # Without frames a window keeps its place: sway otherwise moves it
        # down once it has settled on drawing a title bar for it.
        config.write_text("output HEADLESS-1 resolution %dx%d position 0 0\nxwayland disable\n"
                          "default_border none\ndefault_floating_border none\n" % (h.SCREEN_W, h.SCREEN_H))
        sway_log = self.artifacts / "wayland-sway.log"
        self.sway = h.spawn(self.as_user + ["sway", "-c", str(config)],
                            env=dict(self.env, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                                     WLR_RENDERER="pixman"),
                            stdout=subprocess.DEVNULL, stderr=open(sway_log, "wb"))

        def sockets():
            display = [p for p in runtime.glob("wayland-*") if not p.name.endswith(".lock")]
            ipc = list(runtime.glob("sway-ipc.*.sock"))
            return display and ipc and (display[0].name, ipc[0])

        found = h.wait_until(lambda: self.sway.poll() is not None or sockets(), timeout=10, interval=0.02)
        if self.sway.poll() is not None or not found:
            raise h.Failed("sway did not start within 10 s (status %s): %s"
                           % (self.sway.poll(), sway_log.read_text(errors="replace")[-2000:]))
        display, ipc = found
        self.env.update(WAYLAND_DISPLAY=display, SWAYSOCK=str(ipc))
        log("sway on %s" % display)

    def close(self):
        for prog in self.programs:
            h.stop(prog.proc)
        self.programs = []
        if self.pointer:
            self.pointer.close()
        h.stop(self.sway)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def run(self, argv, timeout=20):
        return h.run(self.as_user + argv, env=self.env, timeout=timeout)

    def windows(self):
        """{id: (title, client origin on the output, client size)} of every window."""
        out = {}

        def walk(node):
            if node.get("pid"):
                rect, client = node["rect"], node["window_rect"]
                out[node["id"]] = (node.get("name") or "", (rect["x"] + client["x"], rect["y"] + client["y"]),
                                   (client["width"], client["height"]))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(json.loads(self.run(["swaymsg", "-t", "get_tree"]).stdout))
        return out

    def boxes(self, main=None):
        return [(w, title) for w, (title, _, _) in self.windows().items()
                if title and w != main and title != h.TITLE]

    def answer_box(self, window, title):
        """Clicks the box's button until the box goes; True if it went."""
        for attempt in range(3):
            found = self.windows().get(window)
            if not found:
                return True
            _, (x, y), size = found
            button = button_centre(self.x.grab(x, y, *size))
            if button:
                self.pointer.click(x + button[0], y + button[1])
            if h.wait_until(lambda: window not in self.windows(), timeout=3):
                return True
            log("box %r still open after a click on %s (attempt %d)" % (title, button, attempt + 1))
        return False

    def start(self, program, window_timeout=20):
        """Starts a copy of the program that the unprivileged user can read,
        and waits for its window, answering any box that opens before it."""
        folder = self.install / "quiz"
        for name in [program.name] + h.SIDE_FILES:
            if (program.parent / name).exists():
                (folder / name).parent.mkdir(parents=True, exist_ok=True)
                shutil.copy2(program.parent / name, folder / name)
        for path in [folder, *folder.rglob("*")]:
            path.chmod(path.stat().st_mode | 0o444 | (0o111 if path.is_dir() else 0))
        log_path = self.artifacts / ("%s-run%d.log" % (self.name, len(self.programs) + 1))
        proc = h.spawn(self.as_user + [str(folder / program.name)],
                       env=dict(self.env, QT_QPA_PLATFORM="wayland"), cwd=self.env["HOME"],
                       stdout=open(log_path, "wb"), stderr=subprocess.STDOUT)
        prog = WaylandProgram(self, proc, folder, log_path)
        self.programs.append(prog)
        end = time.monotonic() + window_timeout
        while True:
            windows = self.windows()
            mains = [(w, origin, size) for w, (title, origin, size) in windows.items() if title == h.TITLE]
            if mains:
                prog.window, prog.origin, prog.size = mains[0]
                break
            for w, (title, _, _) in windows.items():
                if title:
                    log("UNEXPECTED box %r before the window: answering it" % title)
                    prog.boxes_seen.append(title)
                    self.answer_box(w, title)
            if not prog.alive():
                raise h.Failed("the program ended (status %s) before its window appeared; log:\n%s"
                               % (proc.returncode, prog.log_tail()))
            if time.monotonic() > end:
                raise h.Failed("the window %r did not appear within %d s" % (h.TITLE, window_timeout))
            time.sleep(0.02)
        # The window is ready once its place holds while its picture settles.
        for _ in range(10):
            self.settle(prog)
            _, origin, size = self.windows().get(prog.window, (None, prog.origin, prog.size))
            if (origin, size) == (prog.origin, prog.size):
                break
            prog.origin, prog.size = origin, size
        log("window %d at %s, %dx%d" % (prog.window, prog.origin, *prog.size))
        return prog


def body(t):
    client = os.environ.get(POINTER_CLIENT)
    if not client or not Path(client).is_file():
        skip("the virtual pointer client was not built: it needs wayland-scanner and the wayland-client "
             "development files (Debian: libwayland-bin, libwayland-dev)")
    for tool, package in (("sway", "sway"), ("swaymsg", "sway"), ("grim", "grim")):
        if not shutil.which(tool):
            skip("%s is not installed (Debian: %s)" % (tool, package))
    if not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so"):
        skip("Qt's Wayland platform plugin is not installed (Debian: qt6-wayland)")

    tables = h.MapTables()
    points = [tables.drop_point(name)[0] for name in COUNTRIES]
    lacking = [name for name, point in zip(COUNTRIES, points) if point is None]
    t.require(not lacking, "the map tables have a drop point for every country (none for %s)" % lacking)

    s = t.session = WaylandSession(t.name, t.artifacts, client)
    prog = t.current = s.start(t.program)
    start = s.settle(prog)
    start.save_png(t.artifacts / "wayland-start.png")
    missing = [COUNTRIES[i] for i in range(23) if game.white_in_band(start, i) < 5]
    t.require(not missing, "at the start every name shows in white in its column (none seen for %s)" % missing,
              start)

    china = COUNTRIES.index("China")
    game.wrong_drop(t, prog, tables, china, points[COUNTRIES.index("India")], "India")
    for i in range(len(COUNTRIES) - 1):
        game.place(t, prog, tables, i, points[i])

    last = len(COUNTRIES) - 1
    prog.drag_name(last, points[last])
    box = h.wait_until(lambda: s.boxes(prog.window), timeout=10)
    t.require(box, "a box opens after the 23rd name is placed")
    s.x.grab().save_png(t.artifacts / "wayland-complete.png")
    t.check([title for _, title in box] == [COMPLETION_TITLE],
            "the completion box is titled %r (boxes: %s)" % (COMPLETION_TITLE, box))
    for w, title in box:
        t.require(s.answer_box(w, title), "the box %r closes when its button is clicked" % title)
    game.compare_with_start(t, start, s.settle(prog), "the new game after the completion box")

    prog.click(*h.centre(h.EXIT_BUTTON))
    status = prog.wait_exit(10)
    t.check(status == 0, "Exit ends the program with status 0 (status: %s)" % status)


if __name__ == "__main__":
    h.Test("wayland").run(body)
