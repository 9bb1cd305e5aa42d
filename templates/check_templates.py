#!/usr/bin/env python3
"""Check every strip template (*.tpl) in a folder; exit with status 1 and a
list of faults when any is found.

Checked per file: code page 932 without byte-order mark, CR LF after every
line, the line structure (series line, section count, 6-line section headers,
19-line cell records, nothing left over), number formats, key codes, the
limits of 100 sections and 100 cells, and the geometry: sections inside the
sheet of every series the template is offered for, key boxes, key-number
boxes and text areas inside their section, text areas inside their key box,
no overlapping sections or keys, preset texts that fit their text area, and
room in every key's text area for two lines at the default size (one line
for title fields and DSS console keys) in the detail view and the overview.
Checked over the set: every series has at least two strip types, and the
special cases the program must handle (two series on one line, standard and
other Mo types, hidden and shown key numbers, short and negative preset key
codes, a strip near the cell limit) are present.

Usage: python3 check_templates.py [folder]   (default: the script's folder)
"""

import os
import re
import shutil
import subprocess
import sys
from decimal import Decimal, ROUND_DOWN, ROUND_HALF_EVEN, ROUND_HALF_UP

SERIES = [
    "Ｋシリーズ主装置", "Ｍｏシリーズ主装置", "ｕＲシリーズ主装置", "ｕＬシリーズ主装置",
    "ｕＴシリーズ主装置", "ｕＶシリーズ主装置", "Ｄｏシリーズ主装置", "ＳＩＰ対応電話機",
]
SHEETS = {1: (148, 210), 2: (148, 210), 3: (148, 210), 4: (210, 148), 5: (148, 100), 6: (182, 257)}
MAX_SECTIONS = 100
MAX_CELLS = 100
BAD_NAME_CHARS = set('/\\:*?"<>|.') | {chr(c) for c in range(32)}

# Image sizes of the six layouts in ten-thousandths of a pixel, as the
# program's sheet geometry has them: detail width and height, overview width
# and height.
IMAGES = {1: (6505000, 7934000, 6880000, 6260000), 2: (6505000, 7934000, 6880000, 6260000),
          3: (6505000, 7934000, 5133000, 6260000), 4: (8000000, 4855000, 8000000, 4855000),
          5: (8000000, 5405000, 8000000, 5405000), 6: (8000000, 9710000, 6880000, 6260000)}
# Every assignable key gets this size when an entry is made from a template.
DEFAULT_TEXT_SIZE = 9
# A DSS console labels each of its many keys with one name: its keys need
# room for one line only. Every other telephone's keys hold two lines (an
# extension and a name, say) at the default size in both views.
ONE_LINE_TYPES = {"ｕＴ－９６ボタンＤＳＳコンソール", "Ｍｏ－６０ボタンＤＳＳコンソール"}
FOUR_PLACES = Decimal("0.0001")
# Name plate placeholders in preset texts, with the longest values a plate
# is made to hold: the text must fit once they are put in.
PLACEHOLDERS = {"{内線番号}": "12345", "{部署}": "営業部第一課", "{使用者名}": "山田　太郎"}

DECIMAL_RE = re.compile(r"^-?\d+(\.\d{1,4})?$")
INT_RE = re.compile(r"^-?\d+$")
MM_PER_POINT = Decimal("0.3528")


def select_layout(series_caption, strip_type):
    if "ｕＬシリーズ" in series_caption:
        return 1
    if "ｕＲシリーズ" in series_caption:
        return 2
    if "Ｍｏシリーズ" in series_caption:
        return 3 if "標準Ｍｏ" in strip_type else 4
    if "Ｋシリーズ" in series_caption:
        return 5
    return 6


def view_text_room(layout):
    """For the detail view and the overview of a layout: (px per mm down the
    sheet, line height in px of a default-size line), with the program's
    four-place arithmetic: truncated scale, the overview's reduced point
    size (p - 3) * W2 / W1 + 3, and points * 96 / 72 rounded."""
    sheet_w, sheet_h = SHEETS[layout]
    detail_w, detail_h, over_w, over_h = IMAGES[layout]
    rooms = []
    for image_h, size in ((detail_h, DEFAULT_TEXT_SIZE),
                          (over_h, (DEFAULT_TEXT_SIZE - 3) * (over_w // 10000) // (detail_w // 10000) + 3)):
        sy = (Decimal(image_h) / 10000 / Decimal(sheet_h)).quantize(FOUR_PLACES, rounding=ROUND_DOWN)
        line = int((Decimal(size) * 96 / 72).quantize(Decimal(1), rounding=ROUND_HALF_UP))
        rooms.append((sy, line))
    return rooms


def text_area_pixels(height_mm, sy):
    """Text area height in whole pixels: the product rounded to four places, truncated."""
    return int((height_mm * sy).quantize(FOUR_PLACES, rounding=ROUND_HALF_EVEN))


def text_width_mm(text, points):
    """Conservative width: a full-width character is one em, a half-width one half."""
    em = Decimal(points) * MM_PER_POINT
    width = Decimal(0)
    for ch in text:
        half = ord(ch) < 0x80 or 0xFF61 <= ord(ch) <= 0xFF9F
        width += em / 2 if half else em
    return width


class Fault(Exception):
    pass


class Reader:
    def __init__(self, lines, faults, name):
        self.lines, self.pos, self.faults, self.name = lines, 0, faults, name

    def next(self):
        if self.pos >= len(self.lines):
            raise Fault("%s: file ends at line %d, more lines expected" % (self.name, self.pos + 1))
        self.pos += 1
        return self.lines[self.pos - 1]

    def integer(self, what):
        text = self.next()
        if not INT_RE.match(text):
            raise Fault("%s line %d: %s %r is not an integer" % (self.name, self.pos, what, text))
        return int(text)

    def decimal(self, what):
        text = self.next()
        if not DECIMAL_RE.match(text):
            raise Fault("%s line %d: %s %r is not a decimal with at most 4 places"
                        % (self.name, self.pos, what, text))
        return Decimal(text)

    def rect(self, what):
        return tuple(self.decimal("%s %s" % (what, part)) for part in ("x", "y", "width", "height"))


def inside(inner, outer):
    """inner (x, y, w, h) lies within outer (x, y, w, h)."""
    ix, iy, iw, ih = inner
    ox, oy, ow, oh = outer
    return iw > 0 and ih > 0 and ix >= ox and iy >= oy and ix + iw <= ox + ow and iy + ih <= oy + oh


def overlap(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def gap_between(a, b):
    """Largest clearance between two rectangles along x or y (negative when they overlap)."""
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    gx = max(bx - (ax + aw), ax - (bx + bw))
    gy = max(by - (ay + ah), ay - (by + bh))
    return max(gx, gy)


def read_bytes(path, name, faults):
    with open(path, "rb") as f:
        data = f.read()
    for bom in (b"\xef\xbb\xbf", b"\xff\xfe", b"\xfe\xff"):
        if data.startswith(bom):
            faults.append("%s: begins with a byte-order mark" % name)
    if not data.endswith(b"\r\n"):
        faults.append("%s: last line not ended by CR LF" % name)
    pieces = data.split(b"\r\n")
    if pieces and pieces[-1] == b"":
        pieces.pop()
    for i, piece in enumerate(pieces):
        if b"\r" in piece or b"\n" in piece:
            faults.append("%s line %d: bare CR or LF" % (name, i + 1))
    try:
        text_lines = [p.decode("cp932") for p in pieces]
    except UnicodeDecodeError as e:
        raise Fault("%s: not valid code page 932: %s" % (name, e))
    if "".join(l + "\r\n" for l in text_lines).encode("cp932") != data:
        faults.append("%s: does not round-trip through code page 932" % name)
    iconv = shutil.which("iconv")
    if iconv:
        result = subprocess.run([iconv, "-f", "CP932", "-t", "UTF-8", path], capture_output=True)
        if result.returncode != 0 or result.stdout.decode("utf-8", "replace") != \
                "".join(l + "\r\n" for l in text_lines):
            faults.append("%s: iconv CP932 reads it differently from Python" % name)
    return text_lines


def check_key_code(code, where, faults, info):
    """Returns (key number, preset size or None, preset text or None)."""
    if len(code) < 3 or not INT_RE.match(code[0:3]):
        faults.append("%s: key code %r does not start with a 3-character number" % (where, code))
        return 0, None, None
    number = int(code[0:3])
    if number >= 1:
        if code != "%03d" % number:
            faults.append("%s: assignable key code %r must be exactly three digits" % (where, code))
        return number, None, None
    if len(code) < 5:
        info["short_preset"] = True
        size = 9
    elif re.match(r"^\d\d$", code[4:6]):
        size = int(code[4:6])
    else:
        faults.append("%s: preset key code %r has no two-digit size" % (where, code))
        size = 9
    if not 4 <= size <= 72:
        faults.append("%s: preset size %d out of 4..72" % (where, size))
    if len(code) > 3 and code[3] != " ":
        faults.append("%s: preset key code %r should have a space as 4th character" % (where, code))
    return abs(number), size, code[6:]


def check_file(folder, file_name, faults, summary, info):
    name = file_name
    stem = file_name[:-4]
    if not file_name.endswith(".tpl"):
        faults.append("%s: extension must be .tpl" % name)
    if not stem or any(ch in BAD_NAME_CHARS for ch in stem):
        faults.append("%s: strip type name has an unsuitable character" % name)
    try:
        stem.encode("cp932")
    except UnicodeEncodeError:
        faults.append("%s: strip type name not encodable in code page 932" % name)

    lines = read_bytes(os.path.join(folder, file_name), name, faults)
    r = Reader(lines, faults, name)
    series_line = r.next()
    series = [i for i, caption in enumerate(SERIES) if caption in series_line]
    if not series:
        faults.append("%s: series line names no series" % name)
    layouts = sorted({select_layout(SERIES[i], stem) for i in series})
    sheets = [SHEETS[layout] for layout in layouts]
    sheet_w = min((w for w, _ in sheets), default=0)
    sheet_h = min((h for _, h in sheets), default=0)
    sheet = (Decimal(0), Decimal(0), Decimal(sheet_w), Decimal(sheet_h))

    section_count = r.integer("section count")
    if not 0 <= section_count <= MAX_SECTIONS:
        faults.append("%s: %d sections, limit %d" % (name, section_count, MAX_SECTIONS))
    total = 0
    section_rects = []
    for s in range(section_count):
        flag = r.integer("key-number flag")
        rect = r.rect("section")
        where_s = "%s section %d" % (name, s)
        if not inside(rect, sheet):
            faults.append("%s: %s outside the %sx%s mm sheet" % (where_s, rect, sheet_w, sheet_h))
        for j, other in enumerate(section_rects):
            if overlap(rect, other):
                faults.append("%s overlaps section %d" % (where_s, j))
        section_rects.append(rect)
        local = (Decimal(0), Decimal(0), rect[2], rect[3])
        count = r.integer("cell count")
        if count < 0:
            raise Fault("%s: negative cell count" % where_s)
        total += count
        info["flags"].add(flag != 0)
        keys, nums = [], []
        for c in range(count):
            where = "%s cell %d (line %d)" % (where_s, c, r.pos + 1)
            key = r.rect("key box")
            num = r.rect("key-number box")
            font = r.next()
            size = r.integer("key-number size")
            colour = r.integer("key-number colour")
            bold = r.integer("key-number bold")
            italic = r.integer("key-number italic")
            align = r.integer("key-number alignment")
            code = r.next()
            text = r.rect("text area")
            if not font.strip():
                faults.append("%s: empty key-number font" % where)
            if not 4 <= size <= 72:
                faults.append("%s: key-number size %d" % (where, size))
            if not 0 <= colour <= 16777215:
                faults.append("%s: colour %d" % (where, colour))
            if bold not in (0, 1) or italic not in (0, 1) or align not in (1, 2, 3):
                faults.append("%s: bold/italic/alignment out of range" % where)
            for label, box in (("key box", key), ("key-number box", num), ("text area", text)):
                if not inside(box, local):
                    faults.append("%s: %s %s outside its section" % (where, label, box))
            if not inside(text, key):
                faults.append("%s: text area outside its key box" % where)
            if not (Decimal(10) <= key[2] <= 70 and Decimal(5) <= key[3] <= 11):
                faults.append("%s: unusual key box size %s x %s" % (where, key[2], key[3]))
            if text[3] < 4:
                faults.append("%s: text area %s mm high, a 9-point line needs 4" % (where, text[3]))
            if not (3 <= num[2] <= 4 and 3 <= num[3] <= 4):
                faults.append("%s: key-number box %s x %s not about 3-4 mm" % (where, num[2], num[3]))
            if Decimal(size) * MM_PER_POINT > num[3]:
                faults.append("%s: key-number font too tall for its box" % where)
            number, preset_size, preset_text = check_key_code(code, where, faults, info)
            if number >= 1 and preset_size is None:
                # The keys hold two lines at the default size in both views;
                # the title fields (no key numbers) and a console's keys one.
                wanted = 1 if flag == 0 or stem in ONE_LINE_TYPES else 2
                for layout in layouts:
                    for view, (sy, line) in zip(("detail view", "overview"), view_text_room(layout)):
                        room = text_area_pixels(text[3], sy)
                        if room < wanted * line:
                            faults.append("%s: %d default-size line(s) need %d px, the text area gives %d px in "
                                          "the %s of layout %d" % (where, wanted, wanted * line, room, view, layout))
            if code.startswith("-") and number >= 1 and flag != 0:
                info["negative_shown"] = True
            if preset_size is not None:
                height = Decimal(preset_size) * MM_PER_POINT
                if height > text[3]:
                    faults.append("%s: %d-point preset text too tall" % (where, preset_size))
                shown = preset_text or ""
                for placeholder, value in PLACEHOLDERS.items():
                    shown = shown.replace(placeholder, value)
                if "{" in shown or "}" in shown:
                    faults.append("%s: preset text %r has an unknown placeholder" % (where, preset_text))
                if shown != (preset_text or ""):
                    info["plates"].add(stem)
                if shown and text_width_mm(shown, preset_size) > text[2]:
                    faults.append("%s: preset text %r does not fit %s mm" % (where, shown, text[2]))
            for j, other in enumerate(keys):
                if gap_between(key, other) < Decimal("0.5"):
                    faults.append("%s: key box too close to cell %d" % (where, j))
            for j, other in enumerate(keys + nums):
                if overlap(num, other) and other is not key:
                    faults.append("%s: key-number box overlaps another box" % where)
                    break
            if any(overlap(key, other) for other in nums):
                faults.append("%s: key box covers another key-number box" % where)
            keys.append(key)
            nums.append(num)
    if total > MAX_CELLS:
        faults.append("%s: %d cells, limit %d" % (name, total, MAX_CELLS))
    if r.pos != len(lines):
        faults.append("%s: %d lines after the last cell" % (name, len(lines) - r.pos))
    summary.append((stem, [SERIES[i] for i in series], section_count, total))


def main(argv):
    folder = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    faults, summary = [], []
    info = {"flags": set(), "short_preset": False, "negative_shown": False, "plates": set()}
    files = sorted(f for f in os.listdir(folder) if f.lower().endswith(".tpl"))
    for file_name in files:
        try:
            check_file(folder, file_name, faults, summary, info)
        except Fault as e:
            faults.append(str(e))

    per_series = {caption: [] for caption in SERIES}
    for stem, series, _, _ in summary:
        for caption in series:
            per_series[caption].append(stem)
    for caption, stems in per_series.items():
        if len(stems) < 2:
            faults.append("series %s has %d strip types, at least 2 wanted" % (caption, len(stems)))
    mo = per_series["Ｍｏシリーズ主装置"]
    if not any("標準Ｍｏ" in s for s in mo) or all("標準Ｍｏ" in s for s in mo):
        faults.append("Mo series needs standard (標準Ｍｏ) and other strip types")
    if not any(len(series) >= 2 for _, series, _, _ in summary):
        faults.append("no template is offered for two series")
    if info["flags"] != {False, True}:
        faults.append("key numbers must be shown in some sections and hidden in others")
    if not info["short_preset"]:
        faults.append("no preset key code shorter than five characters")
    if not info["negative_shown"]:
        faults.append("no negative preset key code in a section showing key numbers")
    for stem, _, _, _ in summary:
        if stem not in info["plates"]:
            faults.append("%s: no name plate (a preset text with {内線番号}, {部署} or {使用者名})" % stem)
    if not any(96 <= cells <= 100 for _, _, _, cells in summary):
        faults.append("no strip type with 96 to 100 cells")

    for stem, series, sections, cells in summary:
        print("%-34s %2d sections %3d cells  %s" % (stem, sections, cells, ", ".join(series)))
    if faults:
        print("\n%d FAULTS:" % len(faults), file=sys.stderr)
        for fault in faults:
            print("  " + fault, file=sys.stderr)
        return 1
    print("%d templates OK" % len(files))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
