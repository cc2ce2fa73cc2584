#!/usr/bin/python3
"""Writes the sound test fixtures: small WAV samples, a damaged WAV, a three-track module, and the
two sound tables. Run from anywhere: /usr/bin/python3 tests/data/sound/make_fixtures.py"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', '..', 'content', 'music'))
import xm  # noqa: E402


def wav(path, samples, rate):
    data = b''.join(struct.pack('<h', int(round(max(-1, min(1, s)) * 32767))) for s in samples)
    with open(path, 'wb') as f:
        f.write(b'RIFF' + struct.pack('<I', 36 + len(data)) + b'WAVE')
        f.write(b'fmt ' + struct.pack('<IHHIIHH', 16, 1, 1, rate, rate * 2, 2, 16))
        f.write(b'data' + struct.pack('<I', len(data)) + data)


def tone(freq, seconds, rate, level=0.8):
    n = int(seconds * rate)
    fade = int(0.005 * rate)
    out = []
    for i in range(n):
        g = min(1.0, i / fade, (n - 1 - i) / fade) if fade else 1.0
        out.append(level * g * math.sin(2 * math.pi * freq * i / rate))
    return out


def main():
    snd = os.path.join(HERE, 'Sounds')
    wav(os.path.join(snd, 'beep.wav'), tone(1000, 0.25, 22050), 22050)
    wav(os.path.join(snd, 'long.wav'), tone(1000, 3.0, 22050), 22050)
    wav(os.path.join(snd, 'stream.wav'), tone(330, 1.0, 22050, 0.5), 22050)
    with open(os.path.join(snd, 'broken.wav'), 'wb') as f:
        f.write(b'RIFF\x10\x00\x00\x00WAVEfmt \xff\xff\xff\x7fjunkjunk')

    # Three tracks at orders 0, 2 and 4, two patterns each, fast rows. Track 1 loops through a
    # position jump at its end; tracks 0 and 2 have none.
    m = xm.Module('fixture', channels=2, speed=1, bpm=255)
    rate = 22050
    body = [0.5 * math.sin(2 * math.pi * 220 * i / rate) for i in range(rate // 2)]
    inst = m.add_instrument(xm.Instrument(xm.Sample(body, rate, base_note=xm.note('A3'), loop=(0, len(body)))))
    for order in range(6):
        p = xm.Pattern(16, 2)
        p.set(0, 0, note=xm.note('A3'), instrument=inst, volume=xm.vol(64))
        if order == 3:
            p.set(15, 1, effect=0x0B, param=2)    # back to order 2
        m.add_pattern(p)
    m.orders = [0, 1, 2, 3, 4, 5]
    with open(os.path.join(HERE, 'Music', 'tracks.xm'), 'wb') as f:
        f.write(m.bytes())


if __name__ == '__main__':
    os.makedirs(os.path.join(HERE, 'Music'), exist_ok=True)
    main()
