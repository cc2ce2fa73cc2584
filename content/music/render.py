#!/usr/bin/python3
"""Renders a track of a module to a WAV file through libopenmpt, for listening and level checks.
Usage: render.py module.xm start_order seconds out.wav
Prints the orders visited, so that a track's loop can be seen."""
import ctypes
import struct
import sys

lib = ctypes.CDLL('libopenmpt.so.0')
lib.openmpt_module_create_from_memory2.restype = ctypes.c_void_p
for fn in ('openmpt_module_set_repeat_count', 'openmpt_module_get_current_order'):
    getattr(lib, fn).argtypes = [ctypes.c_void_p] + ([ctypes.c_int32] if 'set' in fn else [])
lib.openmpt_module_set_position_order_row.argtypes = [ctypes.c_void_p, ctypes.c_int32, ctypes.c_int32]
lib.openmpt_module_set_position_order_row.restype = ctypes.c_double
lib.openmpt_module_read_interleaved_stereo.argtypes = [ctypes.c_void_p, ctypes.c_int32, ctypes.c_size_t,
                                                       ctypes.POINTER(ctypes.c_int16)]
lib.openmpt_module_read_interleaved_stereo.restype = ctypes.c_size_t


def main():
    path, order, seconds, out = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
    data = open(path, 'rb').read()
    mod = lib.openmpt_module_create_from_memory2(data, len(data), None, None, None, None, None, None, None)
    if not mod:
        sys.exit('not a module: ' + path)
    lib.openmpt_module_set_repeat_count(mod, -1)
    lib.openmpt_module_set_position_order_row(mod, order, 0)
    rate, frames = 44100, int(seconds * 44100)
    buf = (ctypes.c_int16 * (2 * 4410))()
    pcm = bytearray()
    orders = []
    done = 0
    while done < frames:
        o = lib.openmpt_module_get_current_order(mod)
        if not orders or orders[-1] != o:
            orders.append(o)
        n = lib.openmpt_module_read_interleaved_stereo(mod, rate, min(4410, frames - done), buf)
        if n == 0:
            break
        pcm += bytes(buf)[:n * 4]
        done += n
    with open(out, 'wb') as f:
        f.write(b'RIFF' + struct.pack('<I', 36 + len(pcm)) + b'WAVE')
        f.write(b'fmt ' + struct.pack('<IHHIIHH', 16, 1, 2, rate, rate * 4, 4, 16))
        f.write(b'data' + struct.pack('<I', len(pcm)) + bytes(pcm))
    print('orders:', ' '.join(map(str, orders)))


if __name__ == '__main__':
    main()
