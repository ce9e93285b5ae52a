#!/usr/bin/python3
"""What the program touches on the machine, seen by strace under Xvfb.

1. A short game (right and wrong drops, the hand pointer over a button,
   Restart, Exit) under `strace -ff -e trace=file,process`: the program must
   write no file, start no other program, and read nothing outside its
   installation folder, the fonts, the libraries and the usual system
   configuration. Every path it touched is listed by kind. The random
   numbers are fixed at a value whose draw leaves the web site closed.
2. A start whose start-up draw opens the web site (the random numbers fixed
   by fixedrandom.c at the value drawfinder names): the URL opener must be
   started directly with the address as its one argument, never through a
   shell.
"""

import argparse
import os
import re
import shutil
import sys
import time
from collections import defaultdict
from pathlib import Path

from e2e_common import h, log, close, start_case

HERE = Path(__file__).resolve().parent

# Syscalls that change the file system whatever their flags.
WRITING = {"mkdir", "mkdirat", "unlink", "unlinkat", "rmdir", "rename", "renameat", "renameat2", "link",
           "linkat", "symlink", "symlinkat", "chmod", "fchmodat", "chown", "lchown", "fchownat", "truncate",
           "utime", "utimes", "utimensat", "futimesat", "creat", "mknod", "mknodat", "setxattr", "lsetxattr",
           "removexattr", "lremovexattr"}
WRITE_FLAGS = ("O_WRONLY", "O_RDWR", "O_CREAT", "O_TRUNC", "O_APPEND")
CALL = re.compile(r'^(\w+)\((.*)\)\s+=\s+(-?\d+|\?|0x[0-9a-f]+)(?:\s+(\w+))?')
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')


def sanitizer_files():
    """Suppression files named in the sanitizers' settings, which a sanitizer
    build reads at start-up."""
    files = []
    for var in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
        files += re.findall(r"suppressions=([^:]+)", os.environ.get(var, ""))
    return tuple(files) or ("/nonexistent-sanitizer-file",)


def classify(path, install, home, tmp):
    p = os.path.normpath(path) if path.startswith("/") else path
    kinds = [
        ("installation folder", (str(install),)),
        ("fonts", ("/usr/share/fonts", "/etc/fonts", "/var/cache/fontconfig", "/usr/local/share/fonts",
                   "/usr/share/fontconfig", str(home / ".fonts"), str(home / ".local/share/fonts"),
                   str(home / ".cache/fontconfig"), str(home / ".config/fontconfig"))),
        ("libraries and Qt plug-ins", ("/lib", "/usr/lib", "/lib64", "/usr/lib64", "/etc/ld.so",
                                       "/usr/local/lib", "/usr/lib/x86_64-linux-gnu/qt6")),
        ("system configuration and data", ("/etc/", "/usr/share/X11", "/usr/share/locale", "/usr/share/zoneinfo",
                                           "/usr/share/icons", "/usr/share/mime", "/usr/share/qt6",
                                           "/usr/share/alsa", "/usr/share/pixmaps", "/usr/share/themes",
                                           "/usr/share/glib-2.0", "/usr/share/drirc.d", "/usr/share/libdrm",
                                           "/usr/share/glvnd", "/usr/share/egl", "/usr/share/vulkan",
                                           "/usr/share/fonts")),
        ("the user's own settings (looked for, read only)", (str(home),)),
        ("session runtime folder", (os.environ.get("XDG_RUNTIME_DIR", "/nonexistent"), str(tmp / "runtime"))),
        ("kernel views (/proc, /sys, /selinux)", ("/proc", "/sys", "/selinux")),
        ("sound server client configuration", (os.environ.get("PULSE_CLIENTCONFIG", "/nonexistent"),
                                               str(tmp / "pulse-client.conf"))),
        ("devices", ("/dev/",)),
        ("X server socket", ("/tmp/.X11-unix", "/tmp/.ICE-unix")),
        ("the URL opener stand-in", (str(tmp / "bin"),)),
        ("the test's fixed random numbers (preloaded)", (str(tmp / "fixedrandom.so"),)),
        ("the test's empty data folders (side files looked for)", (str(tmp / "data-home"), str(tmp / "data-dirs"))),
        ("sanitizer settings (sanitizer builds only)", sanitizer_files()),
    ]
    for kind, prefixes in kinds:
        for prefix in prefixes:
            if p == prefix.rstrip("/") or p.startswith(prefix.rstrip("/") + "/") or (prefix.endswith("/") is False and p.startswith(prefix)):
                return kind
    if p in ("/", "/usr", "/usr/share", "/etc", "/tmp", "/usr/local", "/usr/local/share", "/var", "/var/cache",
             str(tmp)):
        return "looking up folders on the way"
    if p == "":
        return "an open file, by descriptor (empty path)"
    if not p.startswith("/"):
        return "relative path"
    return None


def read_traces(prefix):
    """(pid, syscall, args, result, error) for every call in strace -ff output files."""
    calls = []
    for f in sorted(Path(prefix).parent.glob(Path(prefix).name + ".*")):
        pid = int(f.suffix[1:])
        for line in f.read_text(errors="replace").splitlines():
            m = CALL.match(line)
            if m:
                calls.append((pid, m.group(1), m.group(2), m.group(3), m.group(4) or ""))
    return calls


def path_args(name, args):
    strings = STRING.findall(args)
    if not strings:
        return []
    if name in ("rename", "renameat", "renameat2", "link", "linkat", "symlink", "symlinkat"):
        return strings[:2]
    return strings[:1]


def traced_wrapper(folder, program, log_prefix, trace):
    wrapper = folder / "traced"
    wrapper.write_text('#!/bin/sh\nexec strace -qq -ff -e trace=%s -e signal=none -s 256 -o "%s" -- "%s"\n'
                       % (trace, log_prefix, program))
    wrapper.chmod(0o755)
    return wrapper


def short_game(t, prog):
    tables = h.MapTables()
    for name, target in (("China", "China"), ("Nepal", "China"), ("Japan", "Japan"), ("India", "India")):
        point, _ = tables.drop_point(target)
        prog.drag_name(h.COUNTRIES.index(name), point)
        time.sleep(0.4)
    prog.move(*h.centre(h.EXIT_BUTTON))
    time.sleep(0.3)
    prog.click(*h.centre(h.RESTART_BUTTON))
    time.sleep(0.5)
    prog.click(*h.centre(h.EXIT_BUTTON))
    status = prog.wait_exit(10)
    t.check(status == 0, "short game: Exit ends the program with status 0 (status %s)" % status)


def desktop_like(env):
    """A session bus address, as every desktop session has one; without it
    libdbus (under Qt) would try to start a bus with dbus-launch. Nothing
    listens there, as in the other end-to-end tests."""
    env = dict(env, DBUS_SESSION_BUS_ADDRESS="unix:path=%s" % (Path(env["XDG_RUNTIME_DIR"]) / "no-bus"))
    # For a sanitizer build (others ignore it): LeakSanitizer cannot work
    # under ptrace.
    env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
    return env


def fixed_random(t, value=None):
    """The environment in which every draw of Qt's random generators gives
    value, through fixedrandom.c preloaded (none: Qt's own draws)."""
    s = t.session
    shim = s.tmp / "fixedrandom.so"
    if not shim.exists():
        h.run(["cc", "-shared", "-fPIC", "-O2", "-o", str(shim), str(HERE / "fixedrandom.c"), "-ldl"], timeout=60)
    env = dict(desktop_like(s.env), LD_PRELOAD=str(shim))
    if value is not None:
        env["DRILLIX_FIXED_RANDOM"] = str(value)
    # For a sanitizer build: the shim is preloaded ahead of ASan's runtime.
    env["ASAN_OPTIONS"] += ":verify_asan_link_order=0"
    return env


def draw_finder(t, drawfinder, *args):
    return h.run([str(drawfinder)] + list(args), env=fixed_random(t), timeout=120).stdout.decode()


def file_access(t, drawfinder):
    s = t.session
    quiet = int(draw_finder(t, drawfinder, "--quiet"))
    copy = s.copy_program(t.program)
    install = copy.parent
    trace = s.tmp / "trace"
    trace.mkdir()
    wrapper = traced_wrapper(install, copy, trace / "file", "file,process")
    saved = s.env
    s.env = fixed_random(t, quiet)
    try:
        prog = start_case(t, "under strace", None, 0, program=wrapper)
        short_game(t, prog)
    finally:
        s.env = saved
    calls = read_traces(trace / "file")
    t.require(calls, "strace recorded the program's calls")

    touched = defaultdict(set)
    unknown = set()
    writes = []
    refused = []
    execs = []
    for pid, name, args, result, err in calls:
        if name == "execve":
            execs.append((pid, args, result))
        paths = path_args(name, args)
        writing = name in WRITING or (name in ("open", "openat", "openat2") and any(f in args for f in WRITE_FLAGS))
        for p in paths:
            if name in ("execve",) and p == str(copy):
                kind = "installation folder"
            else:
                kind = classify(p, install, s.tmp / "home", s.tmp)
            if writing and not (p.startswith("/dev/") and kind == "devices"):
                # A write that failed changed nothing: listed, not counted.
                (refused if result == "-1" else writes).append("%s(%s) = %s %s" % (name, args[:160], result, err))
            if kind is None and result == "-1" and err == "ENOENT" and not writing:
                # Qt and the X libraries look for paths that a system may
                # have (/.flatpak-info, old icon folders): nothing is read.
                kind = "paths looked for that do not exist"
            if kind is None:
                unknown.add(p)
            else:
                touched[kind].add((p, "ok" if result not in ("-1",) else err))

    log("the program touched, by kind (path count, found/missing):")
    for kind in sorted(touched):
        paths = touched[kind]
        found = sum(1 for _, e in paths if e == "ok")
        log("  %-50s %4d paths (%d there, %d looked for and absent)" % (kind, len(paths), found, len(paths) - found))
        for p, e in sorted(paths)[:6]:
            log("      %s%s" % (p, "" if e == "ok" else "  [" + e + "]"))
        if len(paths) > 6:
            log("      ...")
    for r in refused:
        log("  a change tried and refused by the system (nothing changed): %s" % r)
    t.check(not writes, "the program writes no file, folder or attribute (%d writes: %s)"
            % (len(writes), writes[:10]))
    t.check(not unknown, "the program reads nothing outside its folder, fonts, libraries, system configuration "
            "and the user's own settings (unexpected: %s)" % sorted(unknown)[:20])
    # The sound decoder, installed beside the program, is the program's own.
    own = (str(copy), str(copy.parent / "drillix-sound-decoder"))
    started = [a for pid, a, r in execs
               if not a.startswith('"%s"' % wrapper) and a.split(",")[0].strip('"') not in own]
    t.check(not started, "the program starts no other program during a game (%s)" % started)
    inside = touched.get("installation folder", set())
    log("installation folder paths: %s" % sorted(p for p, _ in inside))


def forced_draw(t, drawfinder):
    s = t.session
    found = draw_finder(t, drawfinder).split()
    value, url = int(found[0]), found[1]
    log("the start-up draw opens the web site %s with the random numbers fixed at %d" % (url, value))

    copy = s.copy_program(t.program)
    trace = s.tmp / "trace-draw"
    trace.mkdir()
    wrapper = traced_wrapper(copy.parent, copy, trace / "proc", "process")
    saved = s.env
    s.env = fixed_random(t, value)
    try:
        before = len(s.url_opener_calls())
        prog = start_case(t, "forced web-site draw", None, 0, program=wrapper)
        h.wait_until(lambda: len(s.url_opener_calls()) > before, timeout=5)
        close(t, prog, "forced web-site draw")
    finally:
        s.env = saved
    calls = s.url_opener_calls()[before:]
    t.check(calls == [url], "the URL opener was started once, with the address (%s)" % calls)

    execs = [(pid, args, result) for pid, name, args, result, err in read_traces(trace / "proc") if name == "execve"]
    for pid, args, result in execs:
        log("  execve in %d: %s = %s" % (pid, args[:200], result))
    opener = [a for _, a, r in execs if r == "0" and re.match(r'"[^"]*/xdg-open", \[', a)]
    argv = STRING.findall(re.search(r"\[(.*?)\]", opener[0]).group(1)) if len(opener) == 1 else None
    t.check(argv is not None and len(argv) == 2 and argv[0].endswith("xdg-open") and argv[1] == url,
            "the opener was executed directly, its argv the opener and the address alone (%s)" % argv)
    shells = [a for _, a, r in execs if re.match(r'"[^"]*/(sh|bash|dash|zsh)"', a) or '"-c"' in a]
    t.check(not shells, "no shell was executed to start it (%s)" % shells)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--drawfinder", required=True)
    args, rest = p.parse_known_args()
    sys.argv = [sys.argv[0]] + rest
    if not shutil.which("strace"):
        print("SKIP: strace is not installed (Debian: strace)")
        sys.exit(77)

    def body(t):
        t.open_session()
        file_access(t, Path(args.drawfinder))
        forced_draw(t, Path(args.drawfinder))

    h.Test("hardening-file-access").run(body)


if __name__ == "__main__":
    main()
