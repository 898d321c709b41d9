#!/usr/bin/env python3
"""Writes the seed inputs of the two driver fuzz targets (custom_property and
session) into corpus/. The encodings follow the decoding of fuzz_input.h,
fuzz_camera.cpp and session_fuzzer.cpp: little-endian words read front to
back, a byte to pick from each table. Run it again after changing either."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

SENSORS = ["ES2216", "S5K4AA", "OV9650", "MI1320", "S5K3BA",
           "OV7670", "MI2020", "OV9655", "MO4000", "MI0360"]
SIZES = [(160, 120), (176, 144), (320, 240), (352, 288), (640, 480),
         (800, 600), (1280, 800), (1280, 960), (1280, 1024), (1600, 1200)]
FORMATS = [1, 2, 3]
GET_IDS = [32, 50, 52, 54, 55, 57, 60, 61, 62, 64, 66]
SET_IDS = [31, 33, 51, 52, 53, 54, 57, 60, 61, 62, 63, 64, 66]
ITEMS = [1, 2, 3, 4, 5, 6, 7, 8, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30,
         32, 33, 34, 35, 36, 37, 38, 39, 40, 91, 92, 93, 94, 99, 100, 0, 9, 41]
OPS = ["init", "start", "state", "frames", "property", "rotate", "clock", "stop", "exit"]
KIND_MAX = 1600


def u8(v):
    return struct.pack("<B", v & 0xFF)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def sensor(name):
    return u8(1) + u8(SENSORS.index(name))


def range_value(value, low, high):
    # Range(low, high) takes low + word % span.
    assert low <= value <= high
    return u32(value - low)


def size(width, height):
    if (width, height) in SIZES:
        return u8(1) + u8(SIZES.index((width, height)))
    return u8(0) + range_value(width, 0, KIND_MAX) + range_value(height, 0, KIND_MAX)


def pick_format(code):
    return u8(1) + u8(FORMATS.index(code)) if code in FORMATS else u8(0) + u32(code)


def record(value, item):
    if item in ITEMS:
        return u32(value) + u8(1) + u8(ITEMS.index(item))
    return u32(value) + u8(0) + u32(item)


def gamma(count):
    points = b"".join(u32(i * 8) for i in range(32))
    curve = bytes(min(255, i // 2) for i in range(512))
    return u8(1) + range_value(count, 0, 32) + points + curve


def prop(set_, pid, value=0, item=0, points=0):
    ids = SET_IDS if set_ else GET_IDS
    out = u8(1 if set_ else 0) + u8(1) + u8(ids.index(pid))
    if pid == 64:
        return out + gamma(points)
    if pid == 57 and not set_:
        return out
    return out + record(value, item)


# ---- session ----
def op(name):
    return u8(OPS.index(name))


def init(name, high_speed=True):
    return op("init") + sensor(name) + (u8(1) if high_speed else u8(0) + u32(0))


def start(fmt, width, height):
    return op("start") + pick_format(fmt) + size(width, height)


def run_state():
    return op("state") + u8(1)


def frames(count, values=None, output=None, scene=7):
    out = op("frames") + range_value(count, 1, 8) + u8(1)  # the stream's format
    out += u8(1) if output is None else u8(0) + size(*output)
    if values is None:
        out += u8(0)
    else:
        out += u8(1) + b"".join(u32(v) for v in values)
    return out + u8(scene)


def session_prop(set_, pid, value=0, item=0, points=0):
    return op("property") + prop(set_, pid, value, item, points)


def rotate(h, v):
    return op("rotate") + u32(h) + u32(v)


def clock(delta):
    return op("clock") + range_value(delta, 0, 20000000)


def exit_():
    return op("exit")


def session_seeds():
    seeds = {}
    for name in SENSORS:
        fmt = FORMATS[SENSORS.index(name) % 3]
        width, height = (320, 240) if name == "MI1320" else (640, 480)
        seeds["stream_" + name.lower()] = (
            init(name) + start(fmt, width, height) + run_state() + frames(8) +
            frames(8, values=[60, 40, 70, 50, 55, 50, 30, 80, 50]) + exit_())
    seeds["zoom_face_snapshot"] = (
        init("OV9650") + start(2, 320, 240) + frames(4) + session_prop(True, 60, value=3) + frames(2) +
        session_prop(True, 61, value=1) + frames(3, scene=40) + session_prop(True, 57) + frames(2) +
        session_prop(False, 57) + session_prop(True, 33, value=0, item=100) + rotate(1, 1) + exit_())
    seeds["restart_and_properties"] = (
        init("S5K4AA") + start(1, 320, 240) + run_state() + session_prop(True, 33, value=1, item=38) +
        frames(8) + session_prop(True, 64, points=5) + session_prop(False, 64) +
        session_prop(True, 31, item=93) + session_prop(False, 32) + clock(5000000) + frames(4) + exit_())
    seeds["mi1320_large_i420"] = (
        init("MI1320") + start(3, 1280, 1024) + session_prop(True, 33, value=2, item=40) +
        frames(5, output=(160, 120)) + exit_())
    seeds["odd_sizes_and_reinit"] = (
        init("OV7670", high_speed=False) + start(2, 161, 121) + frames(6, output=(161, 121)) + exit_() +
        init("MO4000") + start(7, 0, 0) + frames(6, output=(33, 1)) + op("stop") + exit_())
    return seeds


# ---- custom_property ----
def property_seed(name, fmt, width, height, requests):
    head = sensor(name) + range_value(1, 0, 1) + range_value(fmt, 0, 4)
    head += range_value(width, 0, 1600) + range_value(height, 0, 1200)
    return head + b"".join(requests)


def property_seeds():
    everything = [prop(True, 31, item=item) + prop(False, 32) for item in ITEMS]
    everything += [prop(True, 33, value=1, item=item) for item in ITEMS]
    everything += [prop(False, pid) for pid in GET_IDS if pid != 64]
    registers = [prop(True, 51, value=0x0123), prop(False, 52), prop(True, 52, value=0x80, item=0x12),
                 prop(True, 53, value=0x1F0), prop(False, 54), prop(True, 54, value=0xBEEF, item=0x0123)]
    gammas = [prop(True, 64, points=32), prop(False, 64), prop(True, 64, points=0), prop(False, 64)]
    return {
        "settings_ov9650": property_seed("OV9650", 2, 640, 480, everything[:40]),
        "settings_s5k4aa": property_seed("S5K4AA", 1, 1600, 1200, everything[40:]),
        "registers_mi1320": property_seed("MI1320", 2, 1280, 1024, registers),
        "registers_mi0360": property_seed("MI0360", 3, 320, 240, registers),
        "gamma_es2216": property_seed("ES2216", 1, 640, 480, gammas),
    }


def write(directory, seeds):
    path = os.path.join(HERE, "corpus", directory)
    os.makedirs(path, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("session", session_seeds())
    write("custom_property", property_seeds())
