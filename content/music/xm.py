"""A small writer of tracker modules in the XM format: instruments built from generated samples,
patterns of note cells, an order list. Pure Python, deterministic bytes (no dates, no names of tools).
"""
import math
import struct

C4_RATE = 8363.0   # sample rate at which note C-4 plays a sample with relative note 0, finetune 0

NOTE_NAMES = {'C': 0, 'C#': 1, 'Db': 1, 'D': 2, 'D#': 3, 'Eb': 3, 'E': 4, 'F': 5, 'F#': 6, 'Gb': 6,
              'G': 7, 'G#': 8, 'Ab': 8, 'A': 9, 'A#': 10, 'Bb': 10, 'B': 11}
NOTE_OFF = 97


def note(name):
    """'C4', 'F#3', 'Bb2' -> XM note number (1 = C-0, 49 = C-4)."""
    pitch, octave = name[:-1], int(name[-1])
    return 1 + octave * 12 + NOTE_NAMES[pitch]


def midi_to_xm(midi):
    """MIDI 60 (middle C) -> XM C-4 (49)."""
    return midi - 11


class Sample:
    """16-bit mono samples in -1..1 recorded at `rate`, whose pitch is `base_note` (XM number)."""

    def __init__(self, data, rate, base_note=49, loop=None, volume=64, panning=128, name=''):
        self.data = data
        self.rate = rate
        self.base_note = base_note
        self.loop = loop              # (start, length) in samples, or None
        self.volume = volume
        self.panning = panning
        self.name = name

    @classmethod
    def pitched(cls, data, rate, pitch_hz, **kw):
        """A sample whose recorded pitch is `pitch_hz` (not necessarily a note)."""
        s = cls(data, rate, **kw)
        s.pitch_hz = pitch_hz
        return s

    pitch_hz = None

    def tuning(self):
        # Playing note `base_note` must sound at `rate`: rate = 8363 * 2^((rel + ft/128 + base - 49)/12).
        if self.pitch_hz:
            # C-4 (261.63 Hz) must play the sample at rate * 261.63 / pitch.
            semis = 12.0 * math.log2(self.rate * 261.6255653 / (self.pitch_hz * C4_RATE))
        else:
            semis = 12.0 * math.log2(self.rate / C4_RATE) + (49 - self.base_note)
        rel = int(math.floor(semis))
        ft = int(round((semis - rel) * 128))
        if ft >= 128:
            rel, ft = rel + 1, ft - 128
        if ft > 127:
            ft = 127
        # finetune is signed: keep it in -128..127 by borrowing a semitone when above 63
        if ft > 63:
            rel, ft = rel + 1, ft - 128
        return rel, ft

    def encode(self):
        out = bytearray()
        prev = 0
        for x in self.data:
            v = int(round(max(-1.0, min(1.0, x)) * 32767))
            d = (v - prev) & 0xFFFF
            out += struct.pack('<H', d)
            prev = v
        return bytes(out)


class Instrument:
    def __init__(self, sample, name='', vol_env=None, vol_sustain=None, vol_loop=None, fadeout=0,
                 vibrato=(0, 0, 0, 0)):
        self.sample = sample
        self.name = name
        self.vol_env = vol_env            # [(tick, volume 0..64)], up to 12 points
        self.vol_sustain = vol_sustain    # index of the sustain point
        self.vol_loop = vol_loop          # (start index, end index)
        self.fadeout = fadeout            # 0..4095, applied after note-off
        self.vibrato = vibrato            # type, sweep, depth, rate


class Pattern:
    def __init__(self, rows, channels):
        self.rows = rows
        self.channels = channels
        self.cells = {}   # (row, channel) -> [note, instrument, volume, effect, param]

    def set(self, row, channel, note=0, instrument=0, volume=0, effect=0, param=0):
        if not (0 <= row < self.rows and 0 <= channel < self.channels):
            raise ValueError('cell outside the pattern: %d %d' % (row, channel))
        cell = self.cells.get((row, channel), [0, 0, 0, 0, 0])
        if note:
            cell[0] = note
        if instrument:
            cell[1] = instrument
        if volume:
            cell[2] = volume
        if effect or param:
            cell[3], cell[4] = effect, param
        self.cells[(row, channel)] = cell

    def encode(self):
        out = bytearray()
        for r in range(self.rows):
            for c in range(self.channels):
                cell = self.cells.get((r, c))
                if not cell or not any(cell):
                    out.append(0x80)
                    continue
                flags = 0x80
                body = bytearray()
                for bit, value in enumerate(cell):
                    if value:
                        flags |= 1 << bit
                        body.append(value)
                out.append(flags)
                out += body
        return bytes(out)


def vol(v):
    """Volume column value for a volume 0..64."""
    return 0x10 + max(0, min(64, int(v)))


class Module:
    def __init__(self, name, channels, speed=6, bpm=125):
        self.name = name
        self.channels = channels
        self.speed = speed
        self.bpm = bpm
        self.instruments = []
        self.patterns = []
        self.orders = []
        self.restart = 0

    def add_instrument(self, inst):
        self.instruments.append(inst)
        return len(self.instruments)   # 1-based number used in cells

    def add_pattern(self, pattern):
        self.patterns.append(pattern)
        return len(self.patterns) - 1

    def bytes(self):
        out = bytearray()
        out += b'Extended Module: '
        out += self.name.encode('ascii')[:20].ljust(20, b' ')
        out += b'\x1a'
        out += b'Zerafine music'.ljust(20, b' ')
        out += struct.pack('<H', 0x0104)
        orders = bytes(self.orders).ljust(256, b'\0')
        out += struct.pack('<IHHHHHHHH', 276, len(self.orders), self.restart, self.channels,
                           len(self.patterns), len(self.instruments), 1, self.speed, self.bpm)
        out += orders
        for p in self.patterns:
            data = p.encode()
            out += struct.pack('<IBHH', 9, 0, p.rows, len(data))
            out += data
        for inst in self.instruments:
            out += self._instrument(inst)
        return bytes(out)

    @staticmethod
    def _instrument(inst):
        s = inst.sample
        head = bytearray()
        head += inst.name.encode('ascii')[:22].ljust(22, b'\0')
        head += struct.pack('<BH', 0, 1)
        head += struct.pack('<I', 40)
        head += bytes(96)                     # every note uses sample 0
        env = inst.vol_env or []
        pts = bytearray()
        for tick, v in env[:12]:
            pts += struct.pack('<HH', tick, v)
        head += bytes(pts).ljust(48, b'\0')
        head += bytes(48)                     # no panning envelope
        env_type = 0
        if env:
            env_type |= 1
            if inst.vol_sustain is not None:
                env_type |= 2
            if inst.vol_loop is not None:
                env_type |= 4
        loop = inst.vol_loop or (0, 0)
        head += struct.pack('<BBBBBBBBBB', len(env[:12]), 0, inst.vol_sustain or 0, loop[0], loop[1],
                            0, 0, 0, env_type, 0)
        head += struct.pack('<BBBB', *inst.vibrato)
        head += struct.pack('<HH', inst.fadeout, 0)
        head += bytes(20)
        data = s.encode()
        rel, ft = s.tuning()
        if s.loop:
            lstart, llen, ltype = s.loop[0] * 2, s.loop[1] * 2, 1
        else:
            lstart, llen, ltype = 0, 0, 0
        smp = struct.pack('<IIIBbBBbB', len(data), lstart, llen, s.volume, ft, ltype | 0x10, s.panning, rel, 0)
        smp += s.name.encode('ascii')[:22].ljust(22, b'\0')
        size = 4 + len(head)
        return struct.pack('<I', size) + bytes(head) + smp + data
