#!/usr/bin/python3
"""Damaged, missing and huge sound files, and no sound server at all, with
the real program and a private PulseAudio whose output is recorded. Sounds
never give a box: trouble means silence, and the game plays on. A ten-minute
sound is cut off at once by the next drop. A sound server that never answers
does not hold the program's end. Sound files swapped swap their sounds.
Standard error that nobody reads does not end the program."""

import os
import random
import shutil
import socket
import subprocess
import threading
import time

from e2e_common import h, log, close, remove, start_case, write
from harness import COUNTRIES

LOUD = 0.01


def drop_and_record(t, prog, name, target, wav, listen, show_within=2):
    """Drags name onto target's drop point while recording; returns whether
    an answer appeared on the map within show_within seconds (a right drop's
    shows in a few hundredths)."""
    s = t.session
    i = COUNTRIES.index(name)
    point, _ = t.tables.drop_point(target)
    rect = t.tables.answer_rect(COUNTRIES.index(target))
    before = prog.shot().crop(*rect)
    rec = s.record(wav)
    try:
        time.sleep(0.4)
        prog.drag_name(i, point)
        shown = h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.rgb, timeout=show_within)
        time.sleep(listen)
    finally:
        s.stop_recording(rec)
    return bool(shown)


def loud(wav):
    return h.loud_span(wav, LOUD) is not None


def plays_on(t, prog, what):
    """A further correct drop still shows its answer, and no box opened."""
    s = t.session
    shown = drop_and_record(t, prog, "India", "India", t.artifacts / "hardening-sound-last.wav", 0.3)
    t.check(shown, "%s: the game plays on (India placed)" % what)
    boxes = s.boxes(prog.window)
    t.check(not boxes, "%s: no box at any time (%s)" % (what, boxes))
    s.answer_unexpected_boxes(prog.window)


def silent_and_sound(t, what, alter, wrong_loud, correct_loud=True):
    """A program whose sounds alter() changed: a wrong drop (wrong.wma), then a
    correct one (correct.wma), each recorded."""
    prog = start_case(t, what, alter, 0)
    tag = what.split(":")[0].replace(" ", "-")
    rec_wrong = t.artifacts / ("hardening-sound-%s-wrong.wav" % tag)
    rec_correct = t.artifacts / ("hardening-sound-%s-correct.wav" % tag)
    # A sound starts within milliseconds of its drop: half a second tells.
    shown = drop_and_record(t, prog, "Nepal", "China", rec_wrong, 0.5, show_within=0.5)
    t.check(not shown, "%s: a wrong drop shows no answer" % what)
    t.check(loud(rec_wrong) == wrong_loud, "%s: the wrong drop is %s" % (what, "heard" if wrong_loud else "silent"))
    shown = drop_and_record(t, prog, "China", "China", rec_correct, 0.5)
    t.check(shown, "%s: a correct drop shows its answer" % what)
    t.check(loud(rec_correct) == correct_loud,
            "%s: the correct drop is %s" % (what, "heard" if correct_loud else "silent"))
    plays_on(t, prog, what)
    close(t, prog, what)


def ten_minutes(t, long_wma):
    what = "a ten-minute correct.wma"
    prog = start_case(t, what, lambda f: shutil.copy(long_wma, f / "sounds" / "correct.wma"), 0)
    s = t.session
    wav = t.artifacts / "hardening-sound-ten-minutes.wav"
    wrong_len = h.media_duration(t.program.parent / "sounds" / "wrong.wma")
    rec = s.record(wav)
    try:
        time.sleep(0.4)
        china_point, _ = t.tables.drop_point("China")
        t0 = time.monotonic()
        prog.drag_name(COUNTRIES.index("China"), china_point)
        time.sleep(2.0)
        t1 = time.monotonic()
        prog.drag_name(COUNTRIES.index("Nepal"), china_point)  # wrong: plays wrong.wma
        time.sleep(wrong_len + 2.0)
    finally:
        s.stop_recording(rec)
    # Seconds into the recording: 0.4 s of silence, the long tone from the
    # first drop, the wrong sound from the second, then nothing.
    long_start = 0.4 + 0.5
    during = h.sox_stat(wav, long_start, 1.0)["RMS     amplitude"]
    after_start = 0.4 + (t1 - t0) + wrong_len + 0.6
    after = h.sox_stat(wav, after_start, 1.0)["RMS     amplitude"]
    log("ten-minute sound: RMS %.4f while it plays, %.4f after the next drop's sound" % (during, after))
    t.check(during > LOUD, "%s: the long sound plays after the correct drop (RMS %.4f)" % (what, during))
    t.check(after < 0.001, "%s: the next drop cut it off: silence once the wrong sound is over (RMS %.4f)"
            % (what, after))
    plays_on(t, prog, what)
    close(t, prog, what)


def swapped_sounds(t, work):
    """correct.wma and wrong.wma swapped: the wrong drop sounds like the file
    now named wrong.wma: samples shipped for a sound serve only its own bytes."""
    what = "correct.wma and wrong.wma swapped"
    sounds = t.program.parent / "sounds"
    heard, other = (pitch(h.decode_to_wav(sounds / (n + ".wma"), work / ("pitch-" + n + ".wav"))) for n in ("correct", "wrong"))

    def swap(folder):
        (folder / "sounds" / "wrong.wma").write_bytes((sounds / "correct.wma").read_bytes())
        (folder / "sounds" / "correct.wma").write_bytes((sounds / "wrong.wma").read_bytes())

    prog = start_case(t, what, swap, 0)
    wav = t.artifacts / "hardening-sound-swapped.wav"
    drop_and_record(t, prog, "Nepal", "China", wav, 1.0, show_within=0.5)
    freq = pitch(wav) if loud(wav) else 0
    t.check(abs(freq - heard) < abs(freq - other),
            "%s: the wrong drop sounds like the file named wrong.wma (%.0f Hz; it %.0f Hz, the other %.0f Hz)"
            % (what, freq, heard, other))
    close(t, prog, what)


def pitch(wav):
    """The rough pitch of the loud part of a recording."""
    start, end = h.loud_span(wav, relative=0.1)
    return h.sox_stat(wav, start, end - start)["Rough   frequency"]


def unread_stderr(t):
    """Standard error a pipe whose reader has gone, and no sound server: the
    sound engine's warning fails quietly instead of ending the program. Run
    offscreen, with no session bus, whose library would ignore SIGPIPE for it."""
    what = "standard error nobody reads"
    env = {k: t.session.env[k] for k in ("PATH", "HOME", "LANG")}
    env.update(QT_QPA_PLATFORM="offscreen", PULSE_SERVER="unix:/nonexistent/drillix-pulse")
    read_end, write_end = os.pipe()
    os.close(read_end)
    prog = h.spawn([str(t.program)], env=env, stdout=subprocess.DEVNULL, stderr=write_end)
    os.close(write_end)
    time.sleep(2.0)  # the sound engine is up and has found no server
    status = prog.poll()
    t.check(status is None, "%s: the program is still running after its warning (status %s)" % (what, status))
    h.stop(prog)


class HungSoundServer:
    """A sound server socket that accepts connections and never answers."""

    def __init__(self, path):
        self.listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.listener.bind(str(path))
        self.listener.listen(16)
        self.held = []
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                self.held.append(self.listener.accept()[0])
            except OSError:
                return

    def close(self):
        self.listener.close()
        for connection in self.held:
            connection.close()


def hung_server(t):
    """With a sound server that never answers, drops stay instant and the
    program ends at once, by Exit or by the close box."""
    s = t.session
    server = HungSoundServer(s.tmp / "pulse-socket")
    try:
        for how in ("Exit", "the close box"):
            what = "hung sound server, %s" % how
            prog = start_case(t, what, None, 0, program=t.program)
            time.sleep(0.5)  # the sound engine is up and waiting on the server
            point, _ = t.tables.drop_point("China")
            rect = t.tables.answer_rect(COUNTRIES.index("China"))
            before = prog.shot().crop(*rect)
            prog.drag_name(COUNTRIES.index("China"), point)
            t.check(h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.rgb, timeout=2),
                    "%s: the correct drop shows its answer" % what)
            asked = time.monotonic()  # the click itself takes about 50 ms of this
            if how == "Exit":
                prog.click(*h.centre(h.EXIT_BUTTON))
            else:
                s.x.send_delete_window(prog.window)
            status = prog.wait_exit(10)
            took = time.monotonic() - asked
            log("%s: the program ended %.3f s after it was asked to (status %s)" % (what, took, status))
            t.check(status == 0 and took <= 1.0,
                    "%s: the program ends within 1 s, with status 0 (%.3f s, status %s)" % (what, took, status))
            t.check(len(server.held) > 0, "%s: the program did connect to the server (%d connections)"
                    % (what, len(server.held)))
    finally:
        server.close()
        os.unlink(s.tmp / "pulse-socket")


def body(t):
    t.tables = h.MapTables()

    # No sound server at all: the game plays on silently.
    s = t.open_session(sound=False)
    what = "no sound server"
    prog = start_case(t, what, None, 0, program=t.program)
    for name, target in (("Nepal", "China"), ("China", "China"), ("Japan", "Japan")):
        point, _ = t.tables.drop_point(target)
        prog.drag_name(COUNTRIES.index(name), point)
        time.sleep(0.3)
    shot = s.settle(prog)
    t.check(prog.alive(), "%s: the program is still running after three drops" % what, shot)
    t.check(shot.crop(*t.tables.answer_rect(COUNTRIES.index("Japan"))).count(h.is_dark) > 8,
            "%s: the answers still appear" % what, shot)
    t.check(not s.boxes(prog.window), "%s: no box" % what)
    close(t, prog, what)
    unread_stderr(t)
    hung_server(t)
    s.close()

    s = t.open_session(sound=True)
    work = s.tmp / "made"
    work.mkdir()
    wav = work / "wrong.wav"
    h.decode_to_wav(t.program.parent / "sounds" / "wrong.wma", wav)
    long_wma = work / "long.wma"
    h.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=600",
           "-ac", "1", "-c:a", "wmav2", "-b:a", "32k", str(long_wma)], timeout=120)
    log("made a %.0f s, %d kB WMA file" % (h.media_duration(long_wma), long_wma.stat().st_size // 1024))

    silent_and_sound(t, "sounds folder missing", lambda f: remove(f, "sounds"), False, False)
    silent_and_sound(t, "wrong.wma missing", lambda f: remove(f, "sounds/wrong.wma"), False)
    silent_and_sound(t, "wrong.wma empty", lambda f: write(f, "sounds/wrong.wma", b""), False)
    silent_and_sound(t, "wrong.wma is a FIFO",
                     lambda f: (remove(f, "sounds/wrong.wma"), os.mkfifo(f / "sounds" / "wrong.wma")), False)
    silent_and_sound(t, "wrong.wma garbage",
                     lambda f: write(f, "sounds/wrong.wma", random.Random(3).randbytes(20000)), False)
    silent_and_sound(t, "wrong.wma is a WAV file (plays)", lambda f: shutil.copy(wav, f / "sounds" / "wrong.wma"), True)
    ten_minutes(t, long_wma)

    swapped_sounds(t, work)


if __name__ == "__main__":
    h.Test("hardening-sounds").run(body)
