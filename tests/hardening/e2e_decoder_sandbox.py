#!/usr/bin/python3
"""The sound decoder confined while it decodes: with a long WAV file as
correct.wma, a correct drop starts the decoder, whose status in /proc shows
it can gain no privileges and runs under a system call filter. Where the
kernel refuses the filter, the quiz's log says so and the test says which
mode ran."""

import shutil
import time
from pathlib import Path

from e2e_common import h, log, close, start_case
from harness import COUNTRIES

DECODER = "drillix-sound-d"  # the kernel keeps 15 characters of a name


def decoders_of(pid):
    """The decoder processes that pid started."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            stat = (entry / "stat").read_text()
        except OSError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        parent = int(stat[stat.rindex(")") + 2:].split()[1])
        if name == DECODER and parent == pid:
            found.append(int(entry.name))
    return found


def status_of(pid):
    fields = {}
    try:
        for line in Path("/proc/%d/status" % pid).read_text().splitlines():
            key, _, value = line.partition(":")
            fields[key] = value.strip()
    except OSError:
        pass
    return fields


def body(t):
    t.tables = h.MapTables()
    s = t.open_session(sound=True)
    long_wav = s.tmp / "long.wav"
    h.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=300",
           "-ac", "1", "-c:a", "pcm_s16le", str(long_wav)], timeout=120)

    what = "a five-minute WAV as correct.wma"
    prog = start_case(t, what, lambda f: shutil.copy(long_wav, f / "sounds" / "correct.wma"), 0)
    point, _ = t.tables.drop_point("China")
    prog.drag_name(COUNTRIES.index("China"), point)
    # Read until the filter shows: a decoder just started may not have
    # opened its file yet, and so not yet entered its sandbox.
    status = {}
    end = time.monotonic() + 3
    while time.monotonic() < end and status.get("Seccomp") != "2":
        for pid in decoders_of(prog.proc.pid):
            status = status_of(pid) or status
        time.sleep(0.02)
    log("decoder while it decodes: NoNewPrivs %s, Seccomp %s"
        % (status.get("NoNewPrivs", "?"), status.get("Seccomp", "?")))
    t.check("Seccomp" in status, "%s: the decoder runs while the long sound plays" % what)
    complaint = [line for line in Path(prog.log_path).read_text(errors="replace").splitlines()
                 if "without a sandbox" in line]
    if status.get("Seccomp") == "2":
        log("mode: the decoder ran under its system call filter")
        t.check(status.get("NoNewPrivs") == "1", "%s: the decoder can gain no privileges" % what)
        t.check(not complaint, "%s: no complaint about a missing sandbox in the log" % what)
    else:
        log("mode: this kernel or container refused the filter; the decoder ran unconfined")
        t.check(len(complaint) == 1, "%s: the log says once that decoding runs without a sandbox (%s)"
                % (what, complaint))
    close(t, prog, what)


if __name__ == "__main__":
    h.Test("hardening-decoder-sandbox").run(body)
