#!/usr/bin/python3
"""Sound: what a correct drop, a wrong drop and the completed map play,
recorded from a private PulseAudio null sink; a sound file replaced while the
program runs, whose new sound the next drop plays; and a game without its
sounds folder, which is silent but goes on."""

import shutil
import time

import harness as h
from harness import COUNTRIES, log

VOLUME = 0.37
# Below this RMS (first channel, 5 ms windows) a recording counts as silent;
# a null sink with nothing playing gives exactly 0.
LOUD = 0.01
# A sound lasts while it is louder than this fraction of its loudest moment.
SPAN_LEVEL = 0.1


class Clip:
    """A sound file as shipped, decoded by ffmpeg, and measured."""

    def __init__(self, path, tmp):
        self.path = path
        self.duration = h.media_duration(path)
        self.wav = h.decode_to_wav(path, tmp / (path.stem + ".wav"))
        self.span = h.loud_span(self.wav, relative=SPAN_LEVEL)
        start, end = self.span
        self.stats = h.sox_stat(self.wav, start, end - start)
        log("%s: %.3f s by ffprobe, sound %.3f-%.3f s, RMS %.3f, peak %.3f, about %.0f Hz"
            % (path.name, self.duration, start, end, self.stats["RMS     amplitude"],
               self.stats["Maximum amplitude"], self.stats["Rough   frequency"]))


def recorded_drop(t, prog, index, point, wav, clip_length, expect_answer):
    """Records the null sink around one drop; returns the answer check's result."""
    s = t.session
    rect = t.tables.answer_rect(index)
    before = prog.shot().crop(*rect)
    rec = s.record(wav)
    try:
        # The recording runs for a moment before the drop, so the recording
        # starts with the silence floor.
        time.sleep(0.4)
        prog.drag_name(index, point)
        shown = h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.rgb,
                             timeout=3 if expect_answer else 0.3)
        time.sleep(clip_length + 0.8)
    finally:
        s.stop_recording(rec)
    return shown


def measure(t, wav, what):
    whole = h.sox_stat(wav)
    span = h.loud_span(wav, relative=SPAN_LEVEL) if h.loud_span(wav, LOUD) else None
    log("%s: recorded %.2f s, sound at %s, peak %.4f" % (what, whole.get("Length (seconds)", 0), span,
                                                        whole.get("Maximum amplitude", -1)))
    if span is None:
        return None, whole
    start, end = span
    return (span, h.sox_stat(wav, start, end - start)), whole


def check_recording(t, what, wav, clip):
    """Checks that a recording holds clip played at the program's volume;
    returns the pitch heard, or None when nothing was heard."""
    measured, whole = measure(t, wav, what)
    if not t.check(measured is not None, "%s: sound came out (peak %.4f)"
                   % (what, whole.get("Maximum amplitude", -1))):
        return None
    (start, end), stats = measured
    rms = stats["RMS     amplitude"]
    floor = h.sox_stat(wav, 0.0, 0.2)["RMS     amplitude"] if start > 0.25 else None
    t.check(floor is not None and rms > 20 * max(floor, 1e-4),
            "%s: sound RMS %.4f stands well above the silence floor %s before the drop"
            % (what, rms, floor))
    length = end - start
    want = clip.span[1] - clip.span[0]
    t.check(abs(length - want) <= 0.05,
            "%s: %.3f s of sound, as long as %s's sound (%.3f s; the file lasts %.3f s by ffprobe)"
            % (what, length, clip.path.name, want, clip.duration))
    freq, want_freq = stats["Rough   frequency"], clip.stats["Rough   frequency"]
    t.check(abs(freq - want_freq) <= 0.1 * want_freq,
            "%s: pitch about %.0f Hz, like %s (%.0f Hz)" % (what, freq, clip.path.name, want_freq))
    ratio = stats["Maximum amplitude"] / clip.stats["Maximum amplitude"]
    t.check(abs(ratio - VOLUME) <= 0.05,
            "%s: played at %.0f %% of the file's level (expected %.0f %%)"
            % (what, 100 * ratio, 100 * VOLUME))
    return freq


def body(t):
    t.tables = tables = h.MapTables()
    s = t.open_session(sound=True)
    work = s.tmp / "sound"
    work.mkdir()
    sounds = t.program.parent / "sounds"
    correct = Clip(sounds / "correct.wma", work)
    wrong = Clip(sounds / "wrong.wma", work)
    complete = Clip(sounds / "complete.wma", work)
    t.require(correct.stats["Rough   frequency"] > wrong.stats["Rough   frequency"],
              "the shipped correct.wma is higher-pitched than wrong.wma, as this test assumes")

    prog = t.current = s.start(t.program)
    china = COUNTRIES.index("China")
    nepal = COUNTRIES.index("Nepal")
    china_point, _ = tables.drop_point("China")
    nepal_point, _ = tables.drop_point("Nepal")

    # A correct drop.
    rec_correct = t.artifacts / "sound-correct.wav"
    shown = recorded_drop(t, prog, china, china_point, rec_correct, correct.duration, True)
    t.check(shown, "China dropped on China: the answer appears")
    # A wrong drop: Nepal onto China.
    rec_wrong = t.artifacts / "sound-wrong.wav"
    shown = recorded_drop(t, prog, nepal, china_point, rec_wrong, wrong.duration, False)
    t.check(not shown, "Nepal dropped on China: no answer appears")

    results = {}
    for what, wav, clip in (("correct drop", rec_correct, correct), ("wrong drop", rec_wrong, wrong)):
        results[what] = check_recording(t, what, wav, clip)
    if results["correct drop"] and results["wrong drop"]:
        t.check(results["correct drop"] > results["wrong drop"],
                "the correct drop's sound is higher-pitched than the wrong drop's (%.0f Hz > %.0f Hz)"
                % (results["correct drop"], results["wrong drop"]))

    # The rest of the names; the last one completes the map.
    rest = [i for i in range(23) if i != china]
    for i in rest[:-1]:
        point, _ = tables.drop_point(COUNTRIES[i])
        rect = tables.answer_rect(i)
        before = prog.shot().crop(*rect)
        prog.drag_name(i, point)
        t.require(h.wait_until(lambda: prog.shot().crop(*rect).rgb != before.rgb, timeout=5),
                  "%s dropped on %s: the answer appears" % (COUNTRIES[i], COUNTRIES[i]))
    last = rest[-1]
    time.sleep(correct.duration + 0.2)  # the last correct drop's sound ends first
    rec_complete = t.artifacts / "sound-complete.wav"
    rec = s.record(rec_complete)
    try:
        time.sleep(0.4)
        prog.drag_name(last, tables.drop_point(COUNTRIES[last])[0])
        box = h.wait_until(lambda: s.boxes(prog.window), timeout=10)
        time.sleep(complete.duration + 0.8)
    finally:
        s.stop_recording(rec)
    t.require(box, "a box opens when the map is complete")
    t.check([title for _, title in box] == ["Veltmora"], "the completion box is titled 'Veltmora' (%s)" % box)
    freq = check_recording(t, "completed map", rec_complete, complete)
    if freq and results["correct drop"]:
        t.check(abs(freq - results["correct drop"]) > 0.1 * results["correct drop"],
                "the completed map sounds different from a correct drop (%.0f Hz, %.0f Hz)"
                % (freq, results["correct drop"]))
    for w, title in box:
        t.require(s.answer_box(w, title), "the box %r closes on Return" % title)

    # Exit while a sound is playing: the program still ends cleanly.
    prog.drag_name(china, nepal_point)
    time.sleep(0.1)
    prog.click(*h.centre(h.EXIT_BUTTON))
    status = prog.wait_exit(10)
    t.check(status == 0, "Exit while the wrong drop's sound plays ends the program with status 0 (%s)" % status)

    # A sound file replaced while the program runs: the next drop plays the
    # new one.
    copy = s.copy_program(t.program)
    prog = t.current = s.start(copy)
    recorded_drop(t, prog, nepal, china_point, t.artifacts / "sound-before-replace.wav", wrong.duration, False)
    h.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=1500:duration=0.6",
           "-ac", "2", "-c:a", "wmav2", str(work / "replacement.wma")], timeout=60)
    replacement = Clip(work / "replacement.wma", work)
    shutil.copy(replacement.path, copy.parent / "sounds" / "wrong.wma")
    rec_replaced = t.artifacts / "sound-replaced.wav"
    recorded_drop(t, prog, nepal, china_point, rec_replaced, replacement.duration, False)
    freq = check_recording(t, "wrong drop after wrong.wma was replaced", rec_replaced, replacement)
    if freq and results["wrong drop"]:
        t.check(abs(freq - results["wrong drop"]) > 0.2 * results["wrong drop"],
                "the replaced wrong.wma sounds different from the shipped one (%.0f Hz, %.0f Hz)"
                % (freq, results["wrong drop"]))
    prog.click(*h.centre(h.EXIT_BUTTON))
    t.check(prog.wait_exit(10) == 0, "after the replaced sound: Exit ends the program with status 0")

    # Without the sounds folder: silence, and the game goes on.
    copy = s.copy_program(t.program,
                          alter=lambda folder: shutil.rmtree(folder / "sounds", ignore_errors=True))
    prog = t.current = s.start(copy)
    rec_none = t.artifacts / "sound-none.wav"
    shown = recorded_drop(t, prog, china, china_point, rec_none, 0.5, True)
    t.check(shown, "without sounds: China dropped on China still shows its answer")
    measured, whole = measure(t, rec_none, "correct drop without sounds")
    t.check(measured is None and whole.get("Maximum amplitude", 1) < 0.002,
            "without sounds: the correct drop is silent (peak %.4f)" % whole.get("Maximum amplitude", -1))
    rec_none_wrong = t.artifacts / "sound-none-wrong.wav"
    recorded_drop(t, prog, nepal, china_point, rec_none_wrong, 0.5, False)
    measured, whole = measure(t, rec_none_wrong, "wrong drop without sounds")
    t.check(measured is None, "without sounds: the wrong drop is silent (peak %.4f)"
            % whole.get("Maximum amplitude", -1))
    nepal_rect = tables.answer_rect(nepal)
    before = prog.shot().crop(*nepal_rect)
    prog.drag_name(nepal, nepal_point)
    t.check(h.wait_until(lambda: prog.shot().crop(*nepal_rect).rgb != before.rgb, timeout=5),
            "without sounds: the game goes on (Nepal placed after a wrong drop)")
    boxes = s.boxes(prog.window)
    t.check(not boxes, "without sounds: no box opens (%s)" % boxes)
    for w, title in boxes:
        s.answer_box(w, title)
    prog.click(*h.centre(h.EXIT_BUTTON))
    t.check(prog.wait_exit(10) == 0, "without sounds: Exit ends the program with status 0")


if __name__ == "__main__":
    h.Test("sound").run(body)
