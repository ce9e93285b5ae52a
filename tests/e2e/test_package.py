#!/usr/bin/python3
"""The Debian package: built with cpack from the build tree, checked by
lintian and the desktop validators, unpacked into a scratch root, and one
full game played with the program from there, started through its link on
PATH."""

import subprocess
import tempfile
from pathlib import Path

import harness as h
import test_game as game
from harness import COUNTRIES, log


def body(t):
    build = t.program.parent
    out = Path(tempfile.mkdtemp(prefix="drillix-package."))
    try:
        r = h.run(["cpack", "-G", "DEB", "-B", str(out)], timeout=300, check=False, cwd=str(build))
        pass_log = r.stdout.decode(errors="replace")
        t.require(r.returncode == 0, "cpack builds the package:\n" + pass_log[-2000:])
    except subprocess.TimeoutExpired:
        t.require(False, "cpack finished within 300 s")
    debs = sorted(out.glob("*.deb"))
    t.require(len(debs) == 1, "one .deb was made (%s)" % [d.name for d in debs])
    deb = debs[0]
    log("package: %s (%d bytes)" % (deb, deb.stat().st_size))

    release = h.debian_release()
    if release:
        version = h.run(["dpkg-deb", "-f", str(deb), "Version"]).stdout.decode().strip()
        t.check(version.endswith("+deb" + release), "the version %s names Debian %s" % (version, release))
    depends = h.run(["dpkg-deb", "-f", str(deb), "Depends"]).stdout.decode().strip()
    log("Depends: " + depends)
    for need in ("fonts-liberation", "libqt6widgets6", "libpulse0", "libavcodec"):
        t.check(need in depends, "the package depends on %s" % need)
    recommends = h.run(["dpkg-deb", "-f", str(deb), "Recommends"]).stdout.decode().strip()
    t.check("qt6-wayland" in recommends, "the package recommends qt6-wayland (%s)" % recommends)

    lint = h.run(["lintian", "--no-tag-display-limit", str(deb)], timeout=300, check=False)
    report = [l for l in lint.stdout.decode(errors="replace").splitlines() if l[:2] in ("E:", "W:")]
    for line in report:
        log("lintian: " + line)
    errors = [l for l in report if l.startswith("E:")]
    t.check(not errors, "lintian reports no errors (%s)" % errors)

    root = out / "root"
    h.run(["dpkg-deb", "-x", str(deb), str(root)])
    desktop = root / "usr/share/applications/veltmora-drillix.desktop"
    metainfo = root / "usr/share/metainfo/org.veltmora.drillix.metainfo.xml"
    r = h.run(["desktop-file-validate", str(desktop)], check=False)
    t.check(r.returncode == 0 and not r.stdout.strip(),
            "desktop-file-validate passes: %s" % r.stdout.decode(errors="replace"))
    r = h.run(["appstreamcli", "validate", "--no-net", str(metainfo)], check=False)
    t.check(r.returncode == 0, "appstreamcli validate passes: %s" % r.stdout.decode(errors="replace"))
    for size in ("32x32", "48x48", "128x128", "256x256"):
        t.check((root / ("usr/share/icons/hicolor/%s/apps/veltmora-drillix.png" % size)).is_file(),
                "the %s icon is installed" % size)

    launcher = root / "usr/bin/veltmora-drillix"
    t.require(launcher.is_symlink(), "the launcher on PATH is a link into the program's folder")

    tables = h.MapTables()
    s = t.open_session()
    prog = t.current = s.start(launcher)
    start = s.settle(prog)
    missing = [COUNTRIES[i] for i in range(23) if game.white_in_band(start, i) < 5]
    t.require(not missing, "the unpacked program found its names file (missing: %s)" % missing, start)
    for i, name in enumerate(COUNTRIES[:-1]):
        point, _ = tables.drop_point(name)
        game.place(t, prog, tables, i, point)
    point, _ = tables.drop_point(COUNTRIES[-1])
    prog.drag_name(len(COUNTRIES) - 1, point)
    box = h.wait_until(lambda: s.boxes(prog.window), timeout=10)
    t.require(box, "the completion box opens after the 23rd name")
    t.check([tt for _, tt in box] == ["Veltmora"], "the completion box is titled 'Veltmora'")
    for w, tt in box:
        s.answer_box(w, tt)
    game.compare_with_start(t, start, s.settle(prog), "after the completion box")
    prog.click(*h.centre(h.EXIT_BUTTON))
    t.check(prog.wait_exit(10) == 0, "Exit ends the unpacked program with status 0")
    h.run(["rm", "-rf", str(out)])


if __name__ == "__main__":
    h.Test("package").run(body)
