#!/usr/bin/python3
"""Checks the game folder data/ against itself and against the code.

Usage: /usr/bin/python3 tools/datacheck.py [--strict] <repository root>

1. Every XML file of data/ parses (the Settings tables, levels, animations, fonts, the particle library).
2. Every attribute value in those files that names a data file (a path ending in one of FILE_EXTENSIONS)
   exists. A path is looked up as the game looks up loose files: backslashes become '/', and when the exact
   name is missing each component is matched without regard to case. It is tried from the game folder, then
   from "Settings" (where the tables name their sibling tables), then from the naming file's own folder.
3. Every name that the code passes as a string literal to one of the calls in NAME_CALLS (sample and music
   aliases, text labels, cursors, particle emitters) is declared in the data file of its family; and every
   string literal in the code that is a backslash path of a data file (such as "Textures\\Common\\Square.tga")
   exists. A family whose data file does not exist yet is skipped with a note.

Every problem is printed on its own line with what is missing and who names it; the exit code is 1 when there
is any problem, else 0. Standard library only.

While the game's tables are still being written, a Settings table that the code names but that does not exist
yet is a note, like a family without its data file; with --strict it is a problem.
"""

import os
import re
import sys
import xml.etree.ElementTree as ET

# Attribute values ending in one of these name a file of the game folder.
FILE_EXTENSIONS = (".png", ".tga", ".jpg", ".jpeg", ".bmp", ".dds", ".wav", ".ogg", ".xm", ".mod", ".it",
                   ".s3m", ".xml", ".pyro")

# Calls in the code whose first string literal names something declared in data/.
# (family, regular expression with one group: the name)
NAME_CALLS = [
    ("sample", r'\b(?:PlaySample|LoadSample|FreeSample|QueueSound)\s*\(\s*"([^"\\]*)"'),
    ("sample", r'\bSetSounds\s*\(\s*"([^"\\]*)"'),
    ("music", r'\b(?:PlayMusic|LoadMusic|FreeMusic|StopMusic|SetMusicVolume)\s*\(\s*"([^"\\]*)"'),
    ("music", r'\bMusicTrack\s*[({]\s*"([^"\\]*)"'),
    ("label", r'\b(?:GetLabel|SetLabel)\s*\(\s*"([^"\\]*)"'),
    ("cursor", r'\b(?:SelectCursor|SetCursor)\s*\(\s*"([^"\\]*)"'),
    ("emitter", r'\bAddEmitter\s*\(\s*"([^"\\]*)"'),
    ("label", r'\bFloatingLabel\s*\(\s*"([^"\\]*)"'),
]

# A string literal of the code that is a path inside the game folder: at least one backslash-separated folder.
CODE_PATH = re.compile(r'^(?:[A-Za-z0-9_ .\-]+\\)+[A-Za-z0-9_ .\-()]+$')

# Where each family's names are declared.
SAMPLES_FILE = "Settings/Samples.xml"
MUSIC_FILE = "Settings/Music.xml"
LANGUAGES_FILE = "Settings/Languages.xml"
MOUSE_FILE = "Settings/Mouse.xml"
PYRO_FILE = "Textures/Pyro/PyroDemo2.pyro"


class HostPaths:
    """Loose-file lookup: '\\' is a separator, and a missing component is matched without regard to case."""

    def __init__(self):
        self._listing = {}

    def _entries(self, folder):
        if folder not in self._listing:
            try:
                self._listing[folder] = os.listdir(folder)
            except OSError:
                self._listing[folder] = []
        return self._listing[folder]

    def resolve(self, base, rel):
        """The real path of rel under base, or None."""
        parts = [p for p in rel.replace("\\", "/").split("/") if p not in ("", ".")]
        if not parts or rel.startswith("/"):
            return None
        cur = base
        for part in parts:
            if part == "..":
                return None  # data never climbs out of the game folder
            exact = os.path.join(cur, part)
            if os.path.exists(exact):
                cur = exact
                continue
            low = part.lower()
            match = sorted(e for e in self._entries(cur) if e.lower() == low)
            if not match:
                return None
            cur = os.path.join(cur, match[0])
        return cur


class Checker:
    def __init__(self, root, strict=False):
        self.strict = strict
        self.root = os.path.abspath(root)
        self.data = os.path.join(self.root, "data")
        self.src = os.path.join(self.root, "src")
        self.paths = HostPaths()
        self.problems = []
        self.notes = []
        self.docs = {}  # data-relative path -> parsed root element

    def problem(self, text):
        self.problems.append(text)

    def note(self, text):
        self.notes.append(text)

    def rel(self, path):
        return os.path.relpath(path, self.root)

    # -- 1. every XML file parses ------------------------------------------------------------------------

    def load_xml(self):
        for folder, dirs, files in os.walk(self.data):
            dirs.sort()
            for name in sorted(files):
                low = name.lower()
                if not (low.endswith(".xml") or low.endswith(".pyro")):
                    continue
                path = os.path.join(folder, name)
                try:
                    self.docs[os.path.relpath(path, self.data)] = ET.parse(path).getroot()
                except ET.ParseError as e:
                    if low.endswith(".pyro"):
                        self.note("%s is not XML (%s); its file names and emitters are not checked"
                                  % (self.rel(path), e))
                    else:
                        self.problem("BROKEN XML: %s: %s" % (self.rel(path), e))

    # -- 2. every file named by data exists ---------------------------------------------------------------

    def find(self, name, naming_file):
        """Resolves a data path named in naming_file (data-relative)."""
        bases = [self.data, os.path.join(self.data, "Settings"),
                 os.path.dirname(os.path.join(self.data, naming_file))]
        for base in bases:
            hit = self.paths.resolve(base, name)
            if hit and os.path.isfile(hit):
                return hit
        return None

    def check_named_files(self):
        for rel, root in sorted(self.docs.items()):
            for el in root.iter():
                for attr, value in sorted(el.attrib.items()):
                    v = value.strip()
                    if not v or not v.lower().endswith(FILE_EXTENSIONS):
                        continue
                    if self.find(v, rel) is None:
                        self.problem('MISSING FILE: "%s" (named by data/%s, <%s %s=...>)'
                                     % (v, rel.replace(os.sep, "/"), el.tag, attr))

    # -- 3. names and paths the code uses ------------------------------------------------------------------

    def code_files(self):
        out = []
        for folder, dirs, files in os.walk(self.src):
            dirs.sort()
            for name in sorted(files):
                if name.endswith((".cpp", ".h", ".hpp", ".cc")):
                    out.append(os.path.join(folder, name))
        return out

    @staticmethod
    def strip_comments(text):
        """The source with its comments blanked out; string and character literals kept."""
        out = []
        i, n = 0, len(text)
        while i < n:
            c = text[i]
            if c == '/' and i + 1 < n and text[i + 1] == '/':
                j = text.find("\n", i)
                i = n if j < 0 else j
            elif c == '/' and i + 1 < n and text[i + 1] == '*':
                j = text.find("*/", i + 2)
                i = n if j < 0 else j + 2
                out.append(" ")
            elif c in ('"', "'"):
                if c == '"' and i > 0 and text[i - 1] == 'R':  # raw strings: copy to the closing delimiter
                    m = re.match(r'R"([^(\s]*)\(', text[i - 1:])
                    if m:
                        end = text.find(")" + m.group(1) + '"', i)
                        end = n if end < 0 else end + len(m.group(1)) + 2
                        out.append(text[i:end])
                        i = end
                        continue
                j = i + 1
                while j < n and text[j] != c and text[j] != "\n":
                    j += 2 if text[j] == "\\" else 1
                out.append(text[i:j + 1])
                i = j + 1
            else:
                out.append(c)
                i += 1
        return "".join(out)

    def scan_code(self):
        """{family: {name: [where]}} and [(path literal, where)]."""
        uses = {}
        paths = []
        literal = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
        for path in self.code_files():
            try:
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = self.strip_comments(f.read())
            except OSError as e:
                self.problem("UNREADABLE SOURCE: %s: %s" % (self.rel(path), e))
                continue
            for family, pattern in NAME_CALLS:
                for m in re.finditer(pattern, text):
                    line = text.count("\n", 0, m.start()) + 1
                    uses.setdefault(family, {}).setdefault(m.group(1), []).append("%s:%d" % (self.rel(path), line))
            for m in literal.finditer(text):
                value = m.group(1).replace("\\\\", "\\")
                if "\\" in value and CODE_PATH.match(value) and value.lower().endswith(FILE_EXTENSIONS):
                    line = text.count("\n", 0, m.start()) + 1
                    paths.append((value, "%s:%d" % (self.rel(path), line)))
        return uses, paths

    def doc(self, rel):
        hit = self.paths.resolve(self.data, rel)
        if hit is None:
            return None
        return self.docs.get(os.path.relpath(hit, self.data))

    @staticmethod
    def attr_values(root, tag, attr):
        return {el.get(attr) for el in root.iter(tag) if el.get(attr) is not None}

    def declared(self):
        """{family: (set of names, where they come from)} for the families whose data exist."""
        out = {}
        samples = self.doc(SAMPLES_FILE)
        if samples is not None:
            out["sample"] = [(self.attr_values(samples, "Sample", "alias"), "data/" + SAMPLES_FILE)]
        music = self.doc(MUSIC_FILE)
        if music is not None:
            out["music"] = [(self.attr_values(music, "File", "alias"), "data/" + MUSIC_FILE)]
        mouse = self.doc(MOUSE_FILE)
        if mouse is not None:
            out["cursor"] = [(self.attr_values(mouse, "Cursor", "name"), "data/" + MOUSE_FILE)]
        langs = self.doc(LANGUAGES_FILE)
        if langs is not None:
            sets = []
            for lang in langs.iter("Language"):
                labels_file = (lang.get("labels_file") or "").strip()
                name = lang.get("name", "?")
                if not labels_file:
                    self.problem('MISSING LABELS FILE: language "%s" names no labels_file (data/%s)'
                                 % (name, LANGUAGES_FILE))
                    continue
                rel = "Settings/" + labels_file.replace("\\", "/")
                labels = self.doc(rel)
                if labels is None:
                    continue  # reported as a missing or broken file already
                sets.append((self.attr_values(labels, "label", "alias"), "data/" + rel))
            out["label"] = sets
        pyro = self.doc(PYRO_FILE)
        if pyro is not None:
            names = set()
            for el in pyro.iter():
                if "emitter" in el.tag.lower():
                    for key in ("name", "alias", "id"):
                        if el.get(key):
                            names.add(el.get(key))
                            break
            out["emitter"] = [(names, "data/" + PYRO_FILE)]
        return out

    def check_code_names(self):
        if not os.path.isdir(self.src):
            self.note("no src/ folder: names used by the code are not checked")
            return
        uses, paths = self.scan_code()
        declared = self.declared()
        files = {"sample": SAMPLES_FILE, "music": MUSIC_FILE, "label": LANGUAGES_FILE, "cursor": MOUSE_FILE,
                 "emitter": PYRO_FILE}
        for family in sorted(uses):
            if family not in declared:
                self.note("data/%s does not exist yet: %d %s name(s) used by the code are not checked"
                          % (files[family], len(uses[family]), family))
                continue
            for name, where in sorted(uses[family].items()):
                if name == "":
                    continue  # an empty alias is the callers' "nothing" and is never looked up
                for names, source in declared[family]:
                    if name not in names:
                        self.problem('MISSING %s: "%s" (used at %s; not in %s)'
                                     % (family.upper(), name, ", ".join(where[:3]), source))
        self.check_data_emitters(declared.get("emitter"))
        for value, where in paths:
            if self.paths.resolve(self.data, value) is not None:
                continue
            text = '"%s" (named by the code at %s)' % (value, where)
            if not self.strict and value.lower().startswith("settings\\"):
                self.note("data/%s does not exist yet: %s" % (value.replace("\\", "/"), text))
            else:
                self.problem("MISSING FILE: " + text)

    def check_data_emitters(self, declared):
        """The particle emitters that settings name: an object state's explosion (expl_alias), a
        bonus's particles (a pyro attribute, or a pyro element's alias)."""
        if not declared:
            return
        names, source = declared[0]
        for rel, doc in sorted(self.docs.items()):
            if not rel.replace(os.sep, "/").lower().startswith("settings/"):
                continue
            for el in doc.iter():
                used = [el.get("expl_alias"), el.get("pyro")]
                if el.tag.lower() == "pyro":
                    used.append(el.get("alias"))
                for name in used:
                    if name and name not in names:
                        self.problem('MISSING EMITTER: "%s" (named by data/%s; not in %s)' % (name, rel, source))

    def run(self):
        if not os.path.isdir(self.data):
            self.problem("MISSING FOLDER: %s" % self.rel(self.data))
            return
        self.load_xml()
        if not any(k.replace(os.sep, "/").lower().startswith("settings/") for k in self.docs):
            self.note("no XML file in data/Settings yet")
        self.check_named_files()
        self.check_code_names()


def main(argv):
    args = argv[1:]
    strict = "--strict" in args
    args = [a for a in args if a != "--strict"]
    if len(args) != 1:
        sys.stderr.write("usage: datacheck.py [--strict] <repository root>\n")
        return 2
    c = Checker(args[0], strict)
    c.run()
    for n in c.notes:
        print("note: " + n)
    for p in c.problems:
        print(p)
    print("data check: %d XML file(s) read, %d problem(s)" % (len(c.docs), len(c.problems)))
    return 1 if c.problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
