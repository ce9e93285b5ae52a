"""Harness for the end-to-end tests: the built quiz on a private X server.

Everything here drives the real program from outside, as a player would: a
private Xvfb (started with -noreset), optionally a private PulseAudio whose
null sink is recorded, the program itself (from the build folder or from a
temporary copy with altered side files), real pointer drags through xdotool,
screenshots and message boxes.

Only the Python standard library and command-line tools are used. Xlib is
reached through ctypes for the few things no tool does well without a window
manager: listing the mapped top-level windows, reading the screen, and
sending WM_DELETE_WINDOW.

Every wait is bounded. Every process started here is ended when the session
ends, and also dies with this process if it is killed outright.
"""

import argparse
import atexit
import ctypes
import ctypes.util
import json
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import wave
import zlib
from array import array
from pathlib import Path

TITLE = "Veltmora Drillix"
CLIENT_W, CLIENT_H = 1047, 665
SCREEN_W, SCREEN_H = 1280, 1024

SOURCE_ROOT = Path(__file__).resolve().parents[2]
# The map as the program knows it (regions, answer places, where each window
# pixel's drop goes), written by the build beside the program; set from
# --program.
MAP_DUMP = None

SIDE_FILES = ["items.txt", "HAND-M.CUR", "x/o.cjs",
              "sounds/correct.wma", "sounds/wrong.wma", "sounds/complete.wma",
              "plugins/libdrillix-sound.so",  # the sound engine, loaded once the window is up
              "drillix-sound-decoder"]  # the program that decodes the sounds for it

# Layout of the window, in window pixels.
COUNTRIES = ["Bangladesh", "Bhutan", "Brunei", "Burma (Myanmar)", "Cambodia", "China", "India",
             "Indonesia", "Japan", "Kazakhstan", "Laos", "Malaysia", "Mongolia", "Nepal",
             "North Korea", "Philippines", "Russia", "Singapore", "South Korea", "Sri Lanka",
             "Taiwan", "Thailand", "Vietnam"]
LABEL_W, LABEL_H = 141, 19
MAP_RIGHT = 711          # last map column
PANEL_LEFT = 712
RESTART_BUTTON = (720, 600, 156, 27)
EXIT_BUTTON = (883, 600, 156, 27)
PANEL_SPOT = (1000, 400)  # plain panel background


def label_rect(i):
    """Window-pixel rectangle (x, y, w, h) of name label i."""
    if i < 13:
        return (726, 80 + 14 * i, LABEL_W, LABEL_H)
    return (884, 80 + 14 * (i - 13), LABEL_W, LABEL_H)


def label_grab_point(i):
    x, y, _, _ = label_rect(i)
    return (x + 20, y + 10)


def label_own_band(i):
    """The rows of label i that no neighbouring label overlaps."""
    x, y, w, _ = label_rect(i)
    return (x, y + 6, w, 8)


def centre(rect):
    x, y, w, h = rect
    return (x + w // 2, y + h // 2)


def log(*parts):
    line = " ".join(["[%7.2f]" % (time.monotonic() - _T0)] + [str(p) for p in parts])
    print(line, flush=True)
    if _log_file:
        _log_file.write(line + "\n")
        _log_file.flush()


_T0 = time.monotonic()
_log_file = None


class Failed(Exception):
    """A check that cannot be carried on from."""


# ---------------------------------------------------------------------------
# Processes

def _die_with_parent():
    # Children are killed with this process even if it dies by SIGKILL.
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except Exception:
        pass


_children = []


def spawn(argv, **kw):
    kw.setdefault("stdin", subprocess.DEVNULL)
    proc = subprocess.Popen(argv, preexec_fn=_die_with_parent, **kw)
    _children.append(proc)
    return proc


def stop(proc, sig=signal.SIGTERM, timeout=3.0):
    """Ends one child that this harness started; returns its status."""
    if proc is None:
        return None
    if proc.poll() is None:
        try:
            proc.send_signal(sig)
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            try:
                proc.wait(3)
            except subprocess.TimeoutExpired:
                pass
        except ProcessLookupError:
            pass
    return proc.returncode


def _stop_all_children():
    for proc in reversed(_children):
        if proc.poll() is None:
            try:
                proc.kill()
                proc.wait(2)
            except Exception:
                pass


atexit.register(_stop_all_children)


def _terminate(signum, _frame):
    raise SystemExit("stopped by signal %d" % signum)


signal.signal(signal.SIGTERM, _terminate)
signal.signal(signal.SIGHUP, _terminate)


def debian_release():
    """The Debian release this runs on ("12", "13"), or None elsewhere."""
    try:
        fields = dict(l.split("=", 1) for l in Path("/etc/os-release").read_text().splitlines() if "=" in l)
    except OSError:
        return None
    if fields.get("ID") != "debian":
        return None
    return fields.get("VERSION_ID", "").strip('"').split(".")[0] or None


def run(argv, env=None, timeout=20, check=True, cwd=None):
    r = subprocess.run(argv, env=env, timeout=timeout, capture_output=True, preexec_fn=_die_with_parent,
                       cwd=cwd)
    if check and r.returncode != 0:
        raise Failed("%s failed (%d): %s" % (" ".join(map(str, argv)), r.returncode,
                                             r.stderr.decode(errors="replace").strip()))
    return r


def wait_until(predicate, timeout, interval=0.01, what="condition", idle=None):
    """Polls predicate until it returns something true; None on timeout."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            return None
        if idle:
            idle()
        time.sleep(interval)


# ---------------------------------------------------------------------------
# Images

class Image:
    """An RGB picture, 3 bytes a pixel, rows top to bottom."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, bytes(rgb)
        assert len(self.rgb) == width * height * 3

    @staticmethod
    def from_ppm(data):
        m = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not m:
            raise Failed("not a PPM picture")
        w, h, maxval = int(m.group(1)), int(m.group(2)), int(m.group(3))
        body = data[m.end():]
        if maxval > 255:  # two bytes a sample, most significant first
            return Image(w, h, body[0:w * h * 6:2])
        return Image(w, h, body[:w * h * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def crop(self, x, y, w, h):
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        rows = [self.rgb[(r * self.width + x0) * 3:(r * self.width + x1) * 3] for r in range(y0, y1)]
        return Image(max(0, x1 - x0), max(0, y1 - y0), b"".join(rows))

    def pixels(self, step=1):
        for y in range(0, self.height, step):
            for x in range(0, self.width, step):
                yield self.pixel(x, y)

    def count(self, predicate, step=1):
        return sum(1 for p in self.pixels(step) if predicate(p))

    def diff_count(self, other, tolerance=0):
        """Pixels that differ by more than tolerance in some channel."""
        if (self.width, self.height) != (other.width, other.height):
            raise ValueError("pictures of different sizes")
        n = 0
        stride = self.width * 3
        for y in range(self.height):
            a = self.rgb[y * stride:(y + 1) * stride]
            b = other.rgb[y * stride:(y + 1) * stride]
            if a == b:
                continue
            for x in range(self.width):
                i = x * 3
                if (abs(a[i] - b[i]) > tolerance or abs(a[i + 1] - b[i + 1]) > tolerance
                        or abs(a[i + 2] - b[i + 2]) > tolerance):
                    n += 1
        return n

    def distinct_colours(self, step=1):
        return len(set(self.pixels(step)))

    def save_png(self, path):
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        stride = self.width * 3
        raw = b"".join(b"\0" + self.rgb[y * stride:(y + 1) * stride] for y in range(self.height))

        def chunk(kind, data):
            c = kind + data
            return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
        path.write_bytes(png)
        return path


def is_white(p):
    return p[0] > 200 and p[1] > 200 and p[2] > 200


def is_dark(p):
    return p[0] < 90 and p[1] < 90 and p[2] < 90


def is_blue(p):
    """A strong blue like the panel's; the map's pale sea is not."""
    return p[2] > p[0] + 60 and p[2] > p[1] + 40


# ---------------------------------------------------------------------------
# Xlib through ctypes

class _XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("class_", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong),
                ("blue_mask", ctypes.c_ulong)]


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


class XConnection:
    IS_VIEWABLE = 2
    CLIENT_MESSAGE = 33
    Z_PIXMAP = 2

    def __init__(self, display_name, size=(SCREEN_W, SCREEN_H)):
        self.size = size
        name = ctypes.util.find_library("X11") or "libX11.so.6"
        x = self.x = ctypes.CDLL(name)
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                           ctypes.POINTER(_XWindowAttributes)]
        x.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long,
                                         ctypes.c_long, ctypes.c_int, ctypes.c_ulong,
                                         ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
                                         ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                         ctypes.POINTER(ctypes.c_void_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.POINTER(_XEvent)]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
        x.XSetErrorHandler.restype = ctypes.c_void_p
        # A window may vanish between listing it and asking about it: such
        # errors are expected and must not end the test.
        self._handler = _ERROR_HANDLER(lambda _d, _e: 0)
        x.XSetErrorHandler(self._handler)
        self.dpy = x.XOpenDisplay(display_name.encode())
        if not self.dpy:
            raise Failed("cannot open display %s" % display_name)
        self.root = x.XDefaultRootWindow(self.dpy)
        self._atoms = {}

    def atom(self, name):
        if name not in self._atoms:
            self._atoms[name] = self.x.XInternAtom(self.dpy, name.encode(), False)
        return self._atoms[name]

    def close(self):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
            self.dpy = None

    def _property(self, window, name):
        actual_type = ctypes.c_ulong()
        actual_format = ctypes.c_int()
        nitems = ctypes.c_ulong()
        after = ctypes.c_ulong()
        data = ctypes.c_void_p()
        status = self.x.XGetWindowProperty(self.dpy, window, self.atom(name), 0, 4096, False, 0,
                                           ctypes.byref(actual_type), ctypes.byref(actual_format),
                                           ctypes.byref(nitems), ctypes.byref(after), ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        try:
            if actual_format.value != 8:
                return None
            return ctypes.string_at(data.value, nitems.value).decode("utf-8", "replace")
        finally:
            self.x.XFree(data)

    def title(self, window):
        t = self._property(window, "_NET_WM_NAME")
        return t if t is not None else self._property(window, "WM_NAME")

    def viewable_toplevels(self):
        """[(window, title)] of the mapped children of the root, bottom to top."""
        root_ret, parent_ret = ctypes.c_ulong(), ctypes.c_ulong()
        children = ctypes.POINTER(ctypes.c_ulong)()
        n = ctypes.c_uint()
        if not self.x.XQueryTree(self.dpy, self.root, ctypes.byref(root_ret), ctypes.byref(parent_ret),
                                 ctypes.byref(children), ctypes.byref(n)):
            return []
        ids = [children[i] for i in range(n.value)]
        if children:
            self.x.XFree(children)
        out = []
        for w in ids:
            attrs = _XWindowAttributes()
            if not self.x.XGetWindowAttributes(self.dpy, w, ctypes.byref(attrs)):
                continue
            if attrs.map_state == self.IS_VIEWABLE:
                out.append((w, self.title(w) or ""))
        return out

    def send_delete_window(self, window):
        ev = _XEvent()
        ev.xclient.type = self.CLIENT_MESSAGE
        ev.xclient.window = window
        ev.xclient.message_type = self.atom("WM_PROTOCOLS")
        ev.xclient.format = 32
        ev.xclient.data[0] = self.atom("WM_DELETE_WINDOW")
        ev.xclient.data[1] = 0  # CurrentTime
        self.x.XSendEvent(self.dpy, window, False, 0, ctypes.byref(ev))
        self.x.XSync(self.dpy, False)

    def grab(self, x=0, y=0, w=None, h=None):
        """The screen's pixels (no pointer), as an Image."""
        w = self.size[0] if w is None else w
        h = self.size[1] if h is None else h
        img = self.x.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, self.Z_PIXMAP)
        if not img:
            raise Failed("XGetImage failed")
        try:
            im = img.contents
            if im.bits_per_pixel != 32:
                raise Failed("unexpected screen depth %d" % im.bits_per_pixel)
            raw = ctypes.string_at(im.data, im.bytes_per_line * im.height)
            if im.bytes_per_line != im.width * 4:
                raw = b"".join(raw[r * im.bytes_per_line:r * im.bytes_per_line + im.width * 4]
                               for r in range(im.height))
            rgb = bytearray(im.width * im.height * 3)
            rgb[0::3] = raw[2::4]
            rgb[1::3] = raw[1::4]
            rgb[2::3] = raw[0::4]
            return Image(im.width, im.height, rgb)
        finally:
            self.x.XDestroyImage(img)


# ---------------------------------------------------------------------------
# Map tables



class MapTables:
    def __init__(self, path=None):
        path = Path(path or MAP_DUMP)
        try:
            dump = json.loads(path.read_text())
        except (OSError, ValueError) as e:
            raise Failed("cannot read the map dump %s: %s" % (path, e))
        self.regions = [(r["index"], r["tag"], *r["rect"]) for r in dump["regions"]]
        self.answers = [(i, a["country"], *a["rect"]) for i, a in enumerate(dump["answers"])]
        if len(self.regions) != 66 or len(self.answers) != 23:
            raise Failed("the map dump has %d regions and %d answer places"
                         % (len(self.regions), len(self.answers)))
        self._hit_rows = dump["hitMap"]
        self._winner = None

    def answer_rect(self, i):
        """Answer place of country i in window pixels (x, y, w, h)."""
        return tuple(self.answers[i][2:])

    def winner_grid(self):
        """For every map pixel, the index of the region a drop there goes to (255: none),
        as the program's own hit test decides."""
        if self._winner is None:
            grid = []
            for runs in self._hit_rows[:CLIENT_H]:
                row = bytearray(b"\xff" * (MAP_RIGHT + 1))
                for x, length, region in runs:
                    end = min(x + length, MAP_RIGHT + 1)
                    if region >= 0 and x < end:
                        row[x:end] = bytes([region]) * (end - x)
                grid.append(row)
            self._winner = grid
        return self._winner

    def tag_at(self, x, y):
        if not (0 <= x <= MAP_RIGHT and 0 <= y < CLIENT_H):
            return None
        w = self.winner_grid()[y][x]
        return None if w == 255 else self.regions[w][1]

    def _margin(self, x, y, wanted, cap):
        """How far (in pixels, up to cap) around (x, y) every pixel still drops on `wanted`."""
        for r in range(1, cap + 1):
            for dx in range(-r, r + 1):
                for dy in (-r, r):
                    if self.tag_at(x + dx, y + dy) != wanted or self.tag_at(x + dy, y + dx) != wanted:
                        return r - 1
        return cap

    def drop_point(self, country, cap=6):
        """A window pixel where a drop goes to one of country's own targets,
        as far from any other target as can be found (up to cap pixels)."""
        best, best_margin = None, -1
        for _idx, tag, x0, y0, w, h in self.regions:
            if tag != country:
                continue
            for y in range(max(0, y0), min(CLIENT_H, y0 + h), 2):
                for x in range(max(0, x0), min(MAP_RIGHT + 1, x0 + w), 2):
                    if self.tag_at(x, y) != country:
                        continue
                    m = self._margin(x, y, country, cap)
                    if m > best_margin:
                        best, best_margin = (x, y), m
                        if m >= cap:
                            return best, best_margin
        return best, best_margin

    def lost_point(self, country, cap=2):
        """A pixel inside one of country's own rectangles where a rectangle of
        another country, laid later, takes the drop; None if there is none."""
        for _idx, tag, x0, y0, w, h in self.regions:
            if tag != country:
                continue
            for y in range(max(0, y0) + cap, min(CLIENT_H, y0 + h) - cap):
                for x in range(max(0, x0) + cap, min(MAP_RIGHT + 1, x0 + w) - cap):
                    other = self.tag_at(x, y)
                    if other and other != country and self._margin(x, y, other, cap) >= cap:
                        return (x, y), other
        return None, None


# ---------------------------------------------------------------------------
# Sound analysis (sox and the wave module)

def sox_stat(path, start=None, length=None):
    argv = ["sox", str(path), "-n", "remix", "1"]
    if start is not None:
        argv += ["trim", "%.3f" % start, "%.3f" % length]
    argv += ["stat"]
    r = run(argv, timeout=30)
    stats = {}
    for line in r.stderr.decode(errors="replace").splitlines():
        if ":" in line:
            k, v = line.split(":", 1)
            try:
                stats[k.strip()] = float(v.strip())
            except ValueError:
                pass
    return stats


def media_duration(path):
    r = run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
             "default=nw=1:nk=1", str(path)], timeout=30)
    return float(r.stdout.decode().strip())


def decode_to_wav(path, out):
    run(["ffmpeg", "-v", "error", "-y", "-i", str(path), "-ar", "44100", "-ac", "2", str(out)], timeout=30)
    return out


def loud_span(path, threshold=0.01, relative=None, window=0.005):
    """(start, end) seconds of the part of a WAV file louder than threshold
    (RMS of the first channel over short windows), or None when silent.
    With relative, the threshold is that fraction of the loudest window's RMS
    instead, so that one sound played at two levels gives the same span."""
    with wave.open(str(path), "rb") as w:
        if w.getsampwidth() != 2:
            raise Failed("%s: expected 16-bit samples" % path)
        rate, channels = w.getframerate(), w.getnchannels()
        samples = array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        samples.byteswap()
    first = samples[0::channels]
    n = max(1, int(rate * window))
    energy = [sum(v * v for v in first[i:i + n]) for i in range(0, len(first) - n + 1, n)]
    if not energy:
        return None
    if relative is not None:
        limit = max(energy) * relative * relative
        if max(energy) < (0.001 * 32768) ** 2 * n:
            return None
    else:
        limit = (threshold * 32768) ** 2 * n
    loud = [k for k, e in enumerate(energy) if e > limit]
    if not loud:
        return None
    return loud[0] * n / rate, (loud[-1] + 1) * n / rate


# ---------------------------------------------------------------------------
# The session: X server, sound server, program

class Program:
    """One run of the quiz."""

    def __init__(self, session, proc, folder, log_path):
        self.session, self.proc, self.folder, self.log_path = session, proc, folder, log_path
        self.window = None
        self.origin = None  # screen position of the client area's top-left corner
        self.size = (CLIENT_W, CLIENT_H)  # the client area in screen pixels
        self.boxes_seen = []  # (title, when) of every box answered while starting

    # Coordinates

    def screen(self, x, y):
        return (self.origin[0] + x, self.origin[1] + y)

    # Pictures

    def shot(self):
        """The client area, without the pointer."""
        return self.session.x.grab(self.origin[0], self.origin[1], *self.size)

    def shot_with_pointer(self):
        """The client area with the pointer drawn in, by ffmpeg's x11grab."""
        full = self.session.screenshot_with_pointer()
        return full.crop(self.origin[0], self.origin[1], *self.size)

    # Input

    def move(self, x, y):
        sx, sy = self.screen(x, y)
        self.session.xdotool("mousemove", sx, sy)

    def click(self, x, y):
        sx, sy = self.screen(x, y)
        self.session.xdotool("mousemove", sx, sy, "sleep", "0.05", "click", "1")

    def drag(self, start, end, steps=6, pause=0.02):
        """A real drag: press at start, several moves, release at end."""
        (x0, y0), (x1, y1) = self.screen(*start), self.screen(*end)
        cmd = ["mousemove", x0, y0, "sleep", "0.03", "mousedown", "1", "sleep", "0.03"]
        for k in range(1, steps + 1):
            cmd += ["mousemove", round(x0 + (x1 - x0) * k / steps), round(y0 + (y1 - y0) * k / steps),
                    "sleep", str(pause)]
        cmd += ["mousemove", x1, y1, "sleep", "0.03", "mouseup", "1"]
        self.session.xdotool(*cmd)

    def drag_name(self, i, target):
        self.drag(label_grab_point(i), target)

    # Life

    def alive(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def log_tail(self, lines=20):
        try:
            text = Path(self.log_path).read_text(errors="replace").splitlines()
        except OSError:
            return ""
        return "\n".join(text[-lines:])


class Session:
    """A private X server (and optionally a private sound server) for one test."""

    def __init__(self, name, artifacts, sound=False, screen=(SCREEN_W, SCREEN_H), env=None):
        """screen: the virtual screen's size; env: extra environment for the
        program (QT_SCALE_FACTOR, say)."""
        self.name = name
        self.screen_size = screen
        self.extra_env = dict(env or {})
        self.artifacts = Path(artifacts)
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.tmp = Path(tempfile.mkdtemp(prefix="drillix-e2e-%s." % name))
        self.want_sound = sound
        self.xvfb = self.pulse = self.silence = None
        self.x = None
        self.display = None
        self.programs = []
        self._runs = 0

    # Set-up and tear-down

    def __enter__(self):
        try:
            self._start_x()
            self.env = self._environment()
            if self.want_sound:
                self._start_pulse()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        for prog in self.programs:
            if prog.alive():
                log("stopping the program (pid %d)" % prog.proc.pid)
            stop(prog.proc)
        self.programs = []
        stop(self.silence)
        stop(self.pulse)
        if self.x:
            self.x.close()
            self.x = None
        stop(self.xvfb)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def _start_x(self):
        r, w = os.pipe()
        try:
            self.xvfb = spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % self.screen_size,
                               "-nolisten", "tcp", "-noreset"], pass_fds=(w,),
                              stdout=subprocess.DEVNULL, stderr=open(self.tmp / "xvfb.log", "wb"))
            os.close(w)
            w = None
            number = b""
            end = time.monotonic() + 15
            while not number.endswith(b"\n"):
                left = end - time.monotonic()
                if left <= 0 or not select.select([r], [], [], left)[0]:
                    raise Failed("Xvfb did not report its display within 15 s")
                chunk = os.read(r, 16)
                if not chunk:
                    raise Failed("Xvfb ended: %s" % (self.tmp / "xvfb.log").read_text(errors="replace"))
                number += chunk
        finally:
            os.close(r)
            if w is not None:
                os.close(w)
        self.display = ":" + number.decode().strip()
        self.x = XConnection(self.display, self.screen_size)
        log("Xvfb on display %s" % self.display)

    def _environment(self):
        home = self.tmp / "home"
        runtime = self.tmp / "runtime"
        stub = self.tmp / "bin"
        # Side files found in the user's or the system's data folders would
        # change what a test sees: both are empty folders of the test's own.
        data_home = self.tmp / "data-home"
        data_dirs = self.tmp / "data-dirs"
        for d in (home, runtime, stub, data_home, data_dirs):
            d.mkdir(mode=0o700)
        # The program may, once in a while, hand its web site to the desktop's
        # URL opener. A stand-in notes it instead of starting a browser.
        self.opener_log = self.tmp / "url-opener.log"
        opener = stub / "xdg-open"
        opener.write_text('#!/bin/sh\necho "$@" >> "%s"\nexit 0\n' % self.opener_log)
        opener.chmod(0o755)
        client_conf = self.tmp / "pulse-client.conf"
        client_conf.write_text("autospawn = no\n")
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "PULSE_", "WAYLAND", "XDG_", "DBUS_"))}
        env.update(DISPLAY=self.display, HOME=str(home), XDG_RUNTIME_DIR=str(runtime),
                   PATH="%s:%s" % (stub, os.environ.get("PATH", "/usr/bin:/bin")),
                   QT_QPA_PLATFORM="xcb", LANG="C.UTF-8", PULSE_CLIENTCONFIG=str(client_conf),
                   PULSE_SERVER="unix:" + str(self.tmp / "pulse-socket"),
                   XDG_DATA_HOME=str(data_home), XDG_DATA_DIRS=str(data_dirs))
        env.pop("SESSION_MANAGER", None)
        env.update(self.extra_env)
        return env

    def _start_pulse(self):
        socket = self.tmp / "pulse-socket"
        self.pulse = spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                            "--use-pid-file=no", "--disable-shm=yes",
                            "--load=module-native-protocol-unix auth-anonymous=1 socket=%s" % socket,
                            "--load=module-null-sink sink_name=S rate=44100 channels=2"],
                           env=self.env, stdout=subprocess.DEVNULL,
                           stderr=open(self.tmp / "pulseaudio.log", "wb"))
        ok = wait_until(lambda: self.pulse.poll() is None and run(["pactl", "info"], env=self.env, timeout=5,
                                                                   check=False).returncode == 0,
                        timeout=10, interval=0.05)
        if not ok:
            raise Failed("PulseAudio did not answer within 10 s: %s"
                         % (self.tmp / "pulseaudio.log").read_text(errors="replace")[-2000:])
        # An idle null sink runs ahead of real time and loses short clips:
        # keep a silent stream playing the whole time.
        self.silence = spawn(["pacat", "--latency-msec=20", "--device=S"], env=self.env,
                             stdin=open("/dev/zero", "rb"), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        time.sleep(2.5)
        if self.silence.poll() is not None:
            raise Failed("the silent stream ended at once")
        log("PulseAudio with null sink S ready")

    # Tools

    def xdotool(self, *args, timeout=20):
        return run(["xdotool"] + [str(a) for a in args], env=self.env, timeout=timeout)

    def screenshot_with_pointer(self):
        r = run(["ffmpeg", "-v", "error", "-f", "x11grab", "-draw_mouse", "1", "-video_size",
                 "%dx%d" % self.screen_size, "-i", self.display, "-frames:v", "1",
                 "-f", "image2pipe", "-vcodec", "ppm", "-"], env=self.env, timeout=30)
        return Image.from_ppm(r.stdout)

    def window_geometry(self, window):
        """(x, y, width, height) of a window, as xwininfo reports it."""
        out = run(["xwininfo", "-id", str(window)], env=self.env).stdout.decode()
        get = lambda key: int(re.search(key + r":\s*(-?\d+)", out).group(1))
        return (get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height"))

    def boxes(self, main=None):
        """Mapped top-level windows other than the main window that have a title."""
        return [(w, t) for w, t in self.x.viewable_toplevels() if t and w != main and t != TITLE]

    def answer_box(self, window, title):
        """Presses Return in a message box until it goes; True if it went."""
        for attempt in range(3):
            self.xdotool("windowfocus", window, "sleep", "0.01", "key", "Return")
            gone = wait_until(lambda: window not in [w for w, _ in self.x.viewable_toplevels()],
                              timeout=3)
            if gone:
                return True
            log("box %r still open after Return (attempt %d)" % (title, attempt + 1))
        return False

    def answer_unexpected_boxes(self, main=None, expected=()):
        """Answers every box that is open and not expected; returns their titles."""
        answered = []
        for w, t in self.boxes(main):
            if t in expected:
                continue
            log("UNEXPECTED message box %r: answering it with Return" % t)
            self.answer_box(w, t)
            answered.append(t)
        return answered

    def url_opener_calls(self):
        try:
            return self.opener_log.read_text().splitlines()
        except OSError:
            return []

    # Programs

    def copy_program(self, program, alter=None):
        """A temporary folder holding the program and its side files; alter(folder)
        may then change the copies."""
        self._runs += 1
        folder = self.tmp / ("copy%d" % self._runs)
        folder.mkdir()
        program = Path(program)
        shutil.copy2(program, folder / program.name)
        for f in SIDE_FILES:
            src = program.parent / f
            if src.exists():
                (folder / f).parent.mkdir(parents=True, exist_ok=True)
                shutil.copy2(src, folder / f)
        if alter:
            alter(folder)
        return folder / program.name

    def start(self, program, window_timeout=20, expect_boxes=None):
        """Starts the program and waits for its window (by exact title, polled
        every 10 ms), answering every box that opens before it with Return.

        expect_boxes: None (boxes are unexpected; they are answered and named
        in the log) or a title whose boxes are expected.
        Returns the Program; its boxes_seen lists every box answered."""
        self._runs += 1
        log_path = self.artifacts / ("%s-run%d.log" % (self.name, self._runs))
        before = len(self.url_opener_calls())
        proc = spawn([str(program)], env=self.env, cwd=str(self.tmp), stdout=open(log_path, "wb"),
                     stderr=subprocess.STDOUT)
        prog = Program(self, proc, Path(program).parent, log_path)
        self.programs.append(prog)
        t0 = time.monotonic()
        end = t0 + window_timeout
        while True:
            tops = self.x.viewable_toplevels()
            mains = [w for w, t in tops if t == TITLE]
            if mains:
                prog.window = mains[0]
                break
            # Every box found here is new: the ones before were answered and
            # seen to close.
            for w, t in tops:
                if t:
                    if t != expect_boxes:
                        log("UNEXPECTED message box %r before the window: answering it" % t)
                    else:
                        log("message box %r before the window: answering it" % t)
                    prog.boxes_seen.append(t)
                    if not self.answer_box(w, t):
                        raise Failed("the box %r did not close on Return" % t)
            if not prog.alive():
                raise Failed("the program ended (status %s) before its window appeared; log:\n%s"
                             % (proc.returncode, prog.log_tail()))
            if time.monotonic() > end:
                raise Failed("the window %r did not appear within %d s" % (TITLE, window_timeout))
            time.sleep(0.01)
        log("window 0x%x appeared %.2f s after start" % (prog.window, time.monotonic() - t0))
        x, y, w, h = self.window_geometry(prog.window)
        prog.origin = (x, y)
        prog.size = (w, h)
        if len(self.url_opener_calls()) > before:
            log("note: this start handed the web site to the URL opener: %s" % self.url_opener_calls()[-1])
        # Let the first paint finish: the window is ready once two grabs agree.
        self.settle(prog)
        return prog

    def settle(self, prog, timeout=5.0, quiet=0.15):
        """Waits until the window's picture stops changing for `quiet` seconds."""
        last = prog.shot()
        since = time.monotonic()
        end = since + timeout
        while time.monotonic() < end:
            time.sleep(0.03)
            now = prog.shot()
            if now.rgb != last.rgb:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return now
        return last

    def record(self, path):
        """Starts recording the null sink's monitor into a WAV file."""
        return spawn(["parecord", "--latency-msec=20", "--device=S.monitor", "--file-format=wav",
                      str(path)], env=self.env, stdout=subprocess.DEVNULL,
                     stderr=open(str(path) + ".log", "wb"))

    def stop_recording(self, proc):
        stop(proc, signal.SIGINT, timeout=5)


# ---------------------------------------------------------------------------
# Test runner

class Test:
    """Collects failed checks; a test carries on after a failed check where it
    makes sense, and reports them all at the end."""

    def __init__(self, name):
        self.name = name
        p = argparse.ArgumentParser(description="End-to-end test: " + name)
        p.add_argument("--program", required=True, help="the built veltmora-drillix")
        p.add_argument("--artifacts", help="folder for screenshots and logs")
        self.args = p.parse_args()
        self.program = Path(self.args.program).resolve()
        global MAP_DUMP
        MAP_DUMP = self.program.parent / "map.json"
        self.artifacts = Path(self.args.artifacts or self.program.parent / "tests" / "e2e" / "artifacts")
        self.artifacts.mkdir(parents=True, exist_ok=True)
        global _log_file
        _log_file = open(self.artifacts / ("%s.log" % name), "w")
        self.failures = []
        self.session = None
        self.current = None  # the Program whose screen a failure is saved from

    def check(self, condition, message, picture=None):
        if condition:
            log("ok: " + message)
            return True
        log("FAILED: " + message)
        self.failures.append(message)
        self._save_failure(picture)
        return False

    def require(self, condition, message, picture=None):
        if not self.check(condition, message, picture):
            raise Failed(message)

    def _save_failure(self, picture=None):
        path = self.artifacts / ("%s-failure%d.png" % (self.name, len(self.failures)))
        try:
            if picture is None and self.current and self.current.alive() and self.current.origin:
                picture = self.session.x.grab()
            if picture is not None:
                picture.save_png(path)
                log("   screenshot saved: %s" % path)
        except Exception as e:  # a failed screenshot must not hide the failure itself
            log("   (no screenshot: %s)" % e)

    def run(self, body):
        """Runs body(test) and exits with 0 when every check passed."""
        log("%s: program %s" % (self.name, self.program))
        if not self.program.exists():
            print("FAIL %s: program %s not found" % (self.name, self.program))
            sys.exit(2)
        try:
            body(self)
        except Failed as e:
            if str(e) not in self.failures:
                self.failures.append(str(e))
                log("FAILED: %s" % e)
                self._save_failure()
        except Exception:
            self.failures.append("harness error:\n" + traceback.format_exc())
            log(self.failures[-1])
            self._save_failure()
        finally:
            if self.session:
                self.session.close()
            _stop_all_children()
        if self.failures:
            log("FAIL %s: %d check(s) failed:" % (self.name, len(self.failures)))
            for f in self.failures:
                log("  - " + f)
            sys.exit(1)
        log("PASS %s" % self.name)
        sys.exit(0)

    def open_session(self, sound=False, **options):
        self.session = Session(self.name, self.artifacts, sound=sound, **options).__enter__()
        return self.session
