#!/usr/bin/env python3
"""Makes the sample game's voices, effects, music and the sound of its animation (plain Python;
voices need espeak-ng, the one Ogg voice needs oggenc).

The sounds are not committed: `make run` runs this before building the game, and it returns at
once when its last run made them with this same file. What it writes (voices/, effects/,
music/ and anim/TRAIN/train.wav beside this file) is what `tolven-tool build-game` packs:
    python3 samples/demo/make_sounds.py [--force]

The game plays on without whatever could not be made here (no espeak-ng: no voices): the engine
is quiet about missing sounds.
"""
import array
import hashlib
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
STAMP = os.path.join(HERE, ".sounds-made")
ANIMATION_SOUND = os.path.join(HERE, "anim", "TRAIN", "train.wav")
RATE = 22050

# Voices: the entry name, the espeak-ng voice, its pitch, and the line in kana (espeak-ng reads
# kanji as foreign letters). Each matches a line of the story; the one in Ogg marks the entry
# that build-game puts into the Ogg archive.
VOICES = [
    ("NAT001", "ja+m3", 45, "おい。まだ かえって なかったのか。", "wav"),
    ("AKI001", "ja+f3", 60, "あ、ふたりとも まだ いたんだ。せんせいに あいさつ してきた とこ。", "wav"),
    ("FUY001", "ja+m7", 30, "あの とけいはな、わざと ごふん おくらせて あるんだ。", "wav"),
    ("AKI002", "ja+f3", 62, "ばか。それ、さいごの ごふんで いう？", "ogg"),
    ("AKI003", "ja+f3", 58, "うん。また あした、じゃなくて。また、ね。", "wav"),
]


def clip(value):
    return max(-32768, min(32767, int(value)))


def write_wav(path, channels, samples):
    """samples: interleaved floats in -32768..32767."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = array.array("h", (clip(s) for s in samples))
    if sys.byteorder != "little":
        data.byteswap()
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(data.tobytes())


def noise(rng, count):
    return [rng.uniform(-1.0, 1.0) for _ in range(count)]


def lowpass(signal, cutoff):
    """One-pole low-pass: a soft, dull noise from a bright one."""
    a = 1.0 - math.exp(-2.0 * math.pi * cutoff / RATE)
    out = []
    y = 0.0
    for x in signal:
        y += a * (x - y)
        out.append(y)
    return out


def bell(freq, seconds, partials=((1.0, 1.0), (2.76, 0.45), (5.4, 0.2), (8.9, 0.08))):
    count = int(seconds * RATE)
    out = [0.0] * count
    for ratio, level in partials:
        step = 2.0 * math.pi * freq * ratio / RATE
        decay = math.exp(-(1.5 + ratio) / RATE)
        amp = level
        for i in range(count):
            out[i] += amp * math.sin(step * i)
            amp *= decay
    return out


def add(into, sound, at, gain):
    for i, value in enumerate(sound):
        if at + i < len(into):
            into[at + i] += value * gain


# Effects, mono.

def chime():
    """The school chime at the end of the day: two bell strokes."""
    out = [0.0] * int(3.0 * RATE)
    add(out, bell(659.3, 2.2), 0, 9000)
    add(out, bell(523.3, 2.2), int(0.75 * RATE), 9000)
    return out


def door(rng):
    """A classroom door sliding along its rail and knocking shut."""
    slide = lowpass(noise(rng, int(0.5 * RATE)), 1800)
    out = [0.0] * int(0.9 * RATE)
    for i, value in enumerate(slide):
        rattle = 0.6 + 0.4 * math.sin(2 * math.pi * 31 * i / RATE)
        swell = min(1.0, i / (0.1 * RATE))
        out[i] += value * rattle * swell * 30000
    thud_at = int(0.5 * RATE)
    knock = lowpass(noise(rng, int(0.05 * RATE)), 2500)
    for i in range(int(0.4 * RATE)):
        decay = math.exp(-i / (0.05 * RATE))
        value = 14000 * math.sin(2 * math.pi * 95 * i / RATE) * decay
        if i < len(knock):
            value += knock[i] * 40000 * decay
        out[thud_at + i] += value
    return out


def steps(rng):
    """Running footsteps on a station platform."""
    out = [0.0] * int(1.8 * RATE)
    for n in range(5):
        at = int((0.05 + n * 0.33) * RATE)
        burst = lowpass(noise(rng, int(0.09 * RATE)), 900 + 150 * (n % 2))
        for i, value in enumerate(burst):
            out[at + i] += value * 60000 * math.exp(-i / (0.018 * RATE))
    return out


def bridge(rng):
    """A train crossing an iron bridge: a rumble that swells and fades, with wheel clacks."""
    seconds = 5.0
    count = int(seconds * RATE)
    rumble = lowpass(lowpass(noise(rng, count), 300), 300)
    out = [0.0] * count
    for i in range(count):
        t = i / count
        out[i] = rumble[i] * 90000 * math.sin(math.pi * t) ** 2
    clack = lowpass(noise(rng, int(0.03 * RATE)), 3000)
    at = 0.4
    while at < seconds - 0.3:
        level = math.sin(math.pi * at / seconds) ** 2
        for offset in (0.0, 0.11):
            start = int((at + offset) * RATE)
            for i, value in enumerate(clack):
                out[start + i] += value * 26000 * level * math.exp(-i / (0.006 * RATE))
        at += 0.42
    return out


def train_arriving(rng):
    """The last train running in: a rumble that grows, wheel clacks, and the brakes' squeal."""
    seconds = 1.2
    count = int(seconds * RATE)
    rumble = lowpass(lowpass(noise(rng, count), 250), 250)
    out = [0.0] * count
    for i in range(count):
        t = i / RATE
        out[i] = rumble[i] * 110000 * min(1.0, t / 0.6) * min(1.0, (seconds - t) / 0.15)
        if t > 0.7:
            out[i] += 2500 * math.sin(2 * math.pi * 2350 * t) * min(1.0, (t - 0.7) / 0.2)
    clack = lowpass(noise(rng, int(0.03 * RATE)), 3000)
    for at in (0.15, 0.26, 0.5, 0.61, 0.85, 0.96):
        start = int(at * RATE)
        for i, value in enumerate(clack):
            out[start + i] += value * 24000 * math.exp(-i / (0.006 * RATE))
    return out


def departure_bell():
    """The platform's departure bell: a small electric bell struck many times a second."""
    count = int(2.4 * RATE)
    out = [0.0] * count
    for i in range(count):
        t = i / RATE
        strike = (t * 24) % 1.0
        ring = math.exp(-strike * 5)
        body = math.sin(2 * math.pi * 1180 * t) + 0.5 * math.sin(2 * math.pi * 2950 * t)
        fade = min(1.0, (2.4 - t) / 0.3)
        out[i] = 7000 * ring * body * fade
    return out


def river_loop(rng):
    """The river at night: murmuring water that loops without a seam (four seconds)."""
    count = 4 * RATE
    water = lowpass(noise(rng, count + RATE), 700)
    # The tail second is cross-faded into the head, so the last sample leads into the first.
    out = []
    for i in range(count):
        value = water[i + RATE] if i >= RATE else (
            water[i + RATE] * (i / RATE) + water[i + count] * (1 - i / RATE))
        swell = 0.75 + 0.25 * math.sin(2 * math.pi * i / count)
        out.append(value * 40000 * swell)
    return out


# Music, stereo, made of notes on a beat grid.

NOTE = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}


def freq(name):
    """'A4' -> 440 Hz; a '#' or 'b' after the letter moves it a semitone."""
    semis = NOTE[name[0]]
    rest = name[1:]
    if rest[0] == "#":
        semis, rest = semis + 1, rest[1:]
    elif rest[0] == "b":
        semis, rest = semis - 1, rest[1:]
    return 440.0 * 2 ** ((semis + 12 * (int(rest) - 4)) / 12)


def wavetable(harmonics, size=4096):
    table = [0.0] * size
    for number, level in harmonics:
        for i in range(size):
            table[i] += level * math.sin(2 * math.pi * number * i / size)
    return table


PIANO = wavetable(((1, 1.0), (2, 0.35), (3, 0.12), (4, 0.05)))
PAD = wavetable(((1, 1.0), (2, 0.2), (3, 0.08)))
BASS = wavetable(((1, 1.0), (2, 0.25)))


def render_note(buffer, channel, table, hz, start, seconds, level, attack, decay):
    """Adds a note into one channel of an interleaved stereo buffer of floats."""
    size = len(table)
    step = hz * size / RATE
    count = int(seconds * RATE)
    attack_n = max(1, int(attack * RATE))
    falloff = math.exp(-1.0 / (decay * RATE))
    release_n = int(0.08 * RATE)
    phase = 0.0
    env = 1.0
    at = start * 2 + channel
    end = len(buffer)
    for i in range(count):
        if at >= end:
            break
        gain = env
        if i < attack_n:
            gain *= i / attack_n
        if i > count - release_n:
            gain *= (count - i) / release_n
        buffer[at] += table[int(phase) % size] * gain * level
        phase += step
        env *= falloff
        at += 2


def song(bpm, bars, intro_bars, chords, melody, name):
    """chords: one per bar (three note names and a bass); melody: (beat, note, beats) tuples
    counted from the first bar after the intro. The piece loops back to the end of its intro;
    notes that ring past the end are folded onto the loop start so the seam is not heard."""
    beat = 60.0 / bpm
    total_bars = intro_bars + bars
    frames = int(round(total_bars * 4 * beat * RATE))
    tail = int(3 * RATE)
    buffer = [0.0] * ((frames + tail) * 2)
    for bar in range(total_bars):
        tones, bass = chords[bar % len(chords)] if bar >= intro_bars else chords[0]
        start = int(bar * 4 * beat * RATE)
        for n, tone in enumerate(tones):
            for channel, detune in ((0, 0.998), (1, 1.002)):
                render_note(buffer, channel, PAD, freq(tone) * detune, start, 4 * beat, 1400,
                            0.6, 6.0)
        for hit in (0, 2):
            for channel in (0, 1):
                render_note(buffer, channel, BASS, freq(bass), start + int(hit * beat * RATE),
                            2 * beat, 3200, 0.01, 1.2)
    offset = intro_bars * 4 * beat
    for at_beat, tone, length in melody:
        start = int((offset + at_beat * beat) * RATE)
        for channel, level in ((0, 5200), (1, 3800)):
            render_note(buffer, channel, PIANO, freq(tone), start, length * beat + 0.6, level,
                        0.005, 0.9)
    loop_frame = int(round(intro_bars * 4 * beat * RATE))
    for i in range(tail * 2):
        buffer[loop_frame * 2 + i] += buffer[frames * 2 + i]
    del buffer[frames * 2:]
    write_wav(os.path.join(HERE, "music", name + ".wav"), 2, buffer)
    with open(os.path.join(HERE, "music", name + ".loop"), "w") as out:
        out.write("%.6f\n" % (loop_frame / RATE))


def music():
    # M01, the town in the afternoon: F major, unhurried.
    chords1 = [(("F3", "A3", "C4"), "F2"), (("C3", "E3", "G3"), "C2"),
               (("D3", "F3", "A3"), "D2"), (("Bb2", "D3", "F3"), "Bb1"),
               (("F3", "A3", "C4"), "F2"), (("G3", "Bb3", "D4"), "G2"),
               (("Bb2", "D3", "F3"), "Bb1"), (("C3", "E3", "G3"), "C2")]
    tune1 = [(0, "A4", 1), (1, "C5", 1), (2, "F5", 1.5), (3.5, "E5", 0.5),
             (4, "E5", 1), (5, "D5", 1), (6, "C5", 2),
             (8, "D5", 1), (9, "F5", 1), (10, "A5", 1.5), (11.5, "G5", 0.5),
             (12, "F5", 1), (13, "D5", 1), (14, "F5", 2),
             (16, "C5", 1), (17, "A4", 1), (18, "C5", 1), (19, "F5", 1),
             (20, "G5", 1.5), (21.5, "F5", 0.5), (22, "D5", 2),
             (24, "D5", 1), (25, "F5", 1), (26, "E5", 1), (27, "D5", 1),
             (28, "C5", 2), (30, "E5", 1), (31, "G5", 1)]
    song(84, 8, 1, chords1, tune1, "M01")
    # M02, the last night at the station: A minor, slower.
    chords2 = [(("A2", "C3", "E3"), "A1"), (("F2", "A2", "C3"), "F1"),
               (("C3", "E3", "G3"), "C2"), (("G2", "B2", "D3"), "G1"),
               (("A2", "C3", "E3"), "A1"), (("D3", "F3", "A3"), "D2"),
               (("F2", "A2", "C3"), "F1"), (("E2", "G#2", "B2"), "E1")]
    tune2 = [(0, "E5", 2), (2, "C5", 1), (3, "B4", 1),
             (4, "A4", 2), (6, "C5", 2),
             (8, "G5", 1.5), (9.5, "E5", 0.5), (10, "D5", 2),
             (12, "B4", 3), (15, "D5", 1),
             (16, "E5", 1), (17, "A5", 2), (19, "G5", 1),
             (20, "F5", 2), (22, "E5", 1), (23, "D5", 1),
             (24, "C5", 2), (26, "A4", 1), (27, "C5", 1),
             (28, "B4", 3), (31, "E5", 1)]
    song(74, 8, 1, chords2, tune2, "M02")


def voices():
    espeak = shutil.which("espeak-ng")
    oggenc = shutil.which("oggenc")
    if not espeak:
        print("make_sounds: espeak-ng is missing; the sample plays without voices")
        return
    folder = os.path.join(HERE, "voices")
    os.makedirs(folder, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        for name, voice, pitch, line, kind in VOICES:
            if kind == "ogg" and not oggenc:
                print("make_sounds: oggenc is missing; %s is left out" % name)
                continue
            wav = os.path.join(scratch if kind == "ogg" else folder, name + ".wav")
            subprocess.run([espeak, "-v", voice, "-p", str(pitch), "-s", "150", "-w", wav, line],
                           check=True)
            if kind == "ogg":
                subprocess.run([oggenc, "-Q", "-q", "3", "-o",
                                os.path.join(folder, name + ".ogg"), wav], check=True)


def system_sound(notes):
    """The engine's own small sounds (answers, the log, the menu): short soft bell notes."""
    out = [0.0] * int((0.09 * len(notes) + 0.35) * RATE)
    for i, hz in enumerate(notes):
        add(out, bell(hz, 0.35), int(0.09 * i * RATE), 5000)
    return out


# The system sounds the engine asks for by name: an answer picked, the answers shown, a game
# saved and loaded, the settings, the text log, the save editor.
SYSTEM_SOUNDS = {
    "SSE01": (880.0,),
    "SSE02": (659.3, 880.0),
    "SSE05": (523.3, 784.0),
    "SSE06": (784.0, 523.3),
    "SSE07": (698.5,),
    "SSE09": (587.3, 740.0),
    "SSE11": (622.3,),
}


def effects():
    rng = random.Random(2001)
    folder = os.path.join(HERE, "effects")
    write_wav(os.path.join(folder, "CHIME.wav"), 1, chime())
    write_wav(os.path.join(folder, "DOOR.wav"), 1, door(rng))
    write_wav(os.path.join(folder, "STEPS.wav"), 1, steps(rng))
    write_wav(os.path.join(folder, "BRIDGE.wav"), 1, bridge(rng))
    write_wav(os.path.join(folder, "DEPART.wav"), 1, departure_bell())
    write_wav(os.path.join(folder, "loop", "RIVER.wav"), 1, river_loop(rng))
    for name, notes in SYSTEM_SOUNDS.items():
        write_wav(os.path.join(folder, name + ".wav"), 1, system_sound(notes))
    # The animation's own sound sits beside its frames, where build-game takes it from.
    write_wav(ANIMATION_SOUND, 1, train_arriving(rng))


def fingerprint():
    """This file and which voice tools are there: what the made sounds depend on."""
    digest = hashlib.sha256()
    with open(os.path.abspath(__file__), "rb") as source:
        digest.update(source.read())
    for tool in ("espeak-ng", "oggenc"):
        digest.update(b"1" if shutil.which(tool) else b"0")
    return digest.hexdigest()


def main():
    stamp = fingerprint()
    if "--force" not in sys.argv and os.path.exists(STAMP):
        with open(STAMP) as made:
            if made.read().strip() == stamp:
                return
    for folder in ("voices", "effects", "music"):
        shutil.rmtree(os.path.join(HERE, folder), ignore_errors=True)
    if os.path.exists(ANIMATION_SOUND):
        os.remove(ANIMATION_SOUND)
    effects()
    music()
    voices()
    with open(STAMP, "w") as made:
        made.write(stamp + "\n")


if __name__ == "__main__":
    main()
