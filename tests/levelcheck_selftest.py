#!/usr/bin/python3
"""The level check finds what it must find: writes a few small levels, sound and faulty, runs zf-levelcheck on
them with the game's data and compares its verdicts with the table below. Standard library only.

Usage: levelcheck_selftest.py <zf-levelcheck> <data folder>"""
import os
import subprocess
import sys
import tempfile

tool, data = sys.argv[1], os.path.abspath(sys.argv[2])

KEYS = dict(field_width=7, field_height=7, field_pos_x=274, field_pos_y=194, allow_ball_types=4, allow_bonus_types=0,
            bonus_probability=0, forced_match_probability=30, ordinary_locked_probability=0,
            double_locked_probability=0, ordinary_boxed_probability=0, double_boxed_probability=0)
TIME = '<State min="0" max="240" pos="240" delta="-1" delay="1000"/>'


def level(keys=None, drop=(), layers=1, state=TIME, width=7, height=7):
    k = dict(KEYS, field_width=width, field_height=height, **(keys or {}))
    for d in drop:
        del k[d]
    cells = []
    for y in range(height):
        for x in range(width):
            groups = "".join('<Group tile="%d"/>' % t for t in [1, 5, 9][:layers + 1])
            # one tile layer on the middle cells only, so that a run is short
            if layers and not (2 <= x <= 4 and 2 <= y <= 4):
                groups = '<Group tile="1"/>'
            cells.append('<Cell x="%d" y="%d" active="1">%s</Cell>' % (x, y, groups))
    config = " ".join('%s="%d"' % kv for kv in k.items())
    return '<Level><Config %s/><Field>%s</Field>%s</Level>' % (config, "".join(cells), state)


CASES = [
    # (file, level text, verdict, a fragment of the report)
    ("good.xml", level(), "ok", "10/10 won"),
    ("bonus.xml", level(keys=dict(allow_ball_types=5, allow_bonus_types=3, bonus_probability=30), layers=0,
                        state='<State moves="5"/>'), "ok", "10/10 won"),
    ("plain_bonus.xml", level(layers=0, state='<State moves="5"/>'), "FAIL", "over before its first move"),
    ("missing_key.xml", level(drop=["forced_match_probability"]), "FAIL",
     "the level key forced_match_probability is not given"),
    ("lock_odds.xml", level(keys=dict(ordinary_locked_probability=60, double_locked_probability=40)), "FAIL",
     "the lock odds add up to 100 or more"),
    ("percent.xml", level(keys=dict(bonus_probability=140)), "FAIL", "bonus_probability is 140, not a percentage"),
    ("bonus_types.xml", level(keys=dict(allow_bonus_types=5)), "FAIL", "allow_bonus_types is not between"),
    ("no_tiles.xml", level(layers=0), "FAIL", "no tile layer to break"),
    ("clock_up.xml", level(state='<State min="0" max="240" pos="0" delta="1" delay="1000"/>'), "FAIL",
     "the time bar does not count down"),
    ("no_state.xml", level(state=""), "FAIL", "the level has no State"),
    ("too_short.xml", level(layers=2, state='<State min="0" max="2" pos="2" delta="-1" delay="1000"/>'), "FAIL",
     "the automatic player won 0 of 10 runs (the time ran out)"),
    ("two_cells.xml", level(width=2, height=1), "FAIL", "no move at the start"),
]

failed = False
with tempfile.TemporaryDirectory() as tmp:
    paths = []
    for name, text, _, _ in CASES:
        path = os.path.join(tmp, name)
        with open(path, "w") as f:
            f.write(text)
        paths.append(path)
    env = dict(os.environ, XDG_DATA_HOME=os.path.join(tmp, "home"))
    run = subprocess.run([tool, "--data", data] + paths, capture_output=True, text=True, env=env)
    out = run.stdout
    # The report of each level: its verdict line and the indented problem lines under it.
    reports = {}
    current = None
    for line in out.splitlines():
        if line.startswith("ok") or line.startswith("FAIL"):
            current = next((n for n, _, _, _ in CASES if ("\\" + n) in line or ("/" + n) in line), None)
            if current:
                reports[current] = line + "\n"
        elif line.startswith(" ") and current:
            reports[current] += line + "\n"
    for name, _, verdict, fragment in CASES:
        report = reports.get(name, "")
        if not report.startswith(verdict) or fragment not in report:
            print("%s: expected %s with '%s', got:\n%s" % (name, verdict, fragment, report or "(nothing)"))
            failed = True
    if run.returncode != 1:
        print("exit code %d, expected 1" % run.returncode)
        failed = True
if failed:
    print(out)
    sys.exit(1)
print("level check self-test: %d cases reported as expected" % len(CASES))
