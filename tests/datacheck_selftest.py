#!/usr/bin/python3
"""The data check finds what it must find: runs tools/datacheck.py on a small fixture game folder
(tests/data/datacheck) and compares its findings with the list below. Standard library only."""
import os
import subprocess
import sys

root = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
fixture = os.path.join(root, "tests", "data", "datacheck")
run = subprocess.run([sys.executable, os.path.join(root, "tools", "datacheck.py"), fixture],
                     capture_output=True, text=True)
out = run.stdout
expected = [
    # (line fragment that must be printed, or None; what it shows)
    ("BROKEN XML: data/Settings/Broken.xml", "a Settings file that does not parse"),
    ('MISSING FILE: "Sounds\\Boom.wav" (named by data/Settings/Samples.xml', "a sample file that is missing"),
    ('MISSING FILE: "Fonts_en.xml" (named by data/Settings/Languages.xml', "a fonts file that is missing"),
    ('MISSING SAMPLE: "nope"', "a sample alias the code plays that Samples.xml lacks"),
    ('MISSING LABEL: "absent"', "a label alias the code asks for that the labels file lacks"),
    ('MISSING CURSOR: "arrow"', "a cursor the code selects that Mouse.xml lacks"),
    ('MISSING FILE: "Textures\\Common\\Gone.png" (named by the code at src/game/game_fixture.cpp:15)',
     "a texture path in the code that does not exist"),
    ("note: data/Textures/Pyro/PyroDemo2.pyro does not exist yet", "a family without its data file is skipped"),
    ("note: data/Settings/Episodes.xml does not exist yet", "a table the code names that is not written yet"),
]
unexpected = ['"click"', '"hello"', '"default"', "SQUARE.TGA", "Square.tga", "commented", "in_a_block_comment",
              'MISSING SAMPLE: ""']
failed = False
for fragment, what in expected:
    if fragment not in out:
        print("not reported: %s\n  expected a line with: %s" % (what, fragment))
        failed = True
for fragment in unexpected:
    for line in out.splitlines():
        if fragment in line and not line.startswith("note:"):
            print("reported wrongly: %s" % line)
            failed = True
if run.returncode != 1:
    print("exit code %d, expected 1" % run.returncode)
    failed = True
strict = subprocess.run([sys.executable, os.path.join(root, "tools", "datacheck.py"), "--strict", fixture],
                        capture_output=True, text=True)
if 'MISSING FILE: "Settings\\Episodes.xml" (named by the code at src/game/game_fixture.cpp:16)' not in strict.stdout:
    print("--strict does not report a missing table the code names:\n" + strict.stdout)
    failed = True
if failed:
    print("---- data check output ----\n" + out + run.stderr)
    sys.exit(1)
print("data check self-test: %d findings as expected" % len(expected))
