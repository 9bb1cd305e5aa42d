#!/usr/bin/env python3
"""Write the strip templates (*.tpl) of Tavrel into this folder.

Every template describes one strip type: the series it is offered for, its
sections (the paper strips laid out on the sheet) and, for each key, the key
box, the key-number box with its font, the key code and the text area.  All
lengths are millimetres relative to the sheet (sections) or to the section
(cells).

Files are written in code page 932 with CR LF after every line and no
byte-order mark.  Run this script after changing a definition below; it
rewrites every template, removes *.tpl files it no longer produces and then
runs check_templates.py over the folder.

Usage: python3 make_templates.py [folder]   (default: the script's folder)
"""

import os
import sys

# Series captions, exactly as the register stores them.
K = "Ｋシリーズ主装置"
MO = "Ｍｏシリーズ主装置"
UR = "ｕＲシリーズ主装置"
UL = "ｕＬシリーズ主装置"
UT = "ｕＴシリーズ主装置"
UV = "ｕＶシリーズ主装置"
DO = "Ｄｏシリーズ主装置"
SIP = "ＳＩＰ対応電話機"

# Sheet sizes (width, height) in mm.
SHEET_POSTCARD = (148.0, 100.0)   # K series
SHEET_A5 = (148.0, 210.0)         # uL, uR, standard Mo
SHEET_A5_LAND = (210.0, 148.0)    # other Mo
SHEET_B5 = (182.0, 257.0)         # uT, uV, Do, SIP

# Cell parts.
NUM_BOX = 3.5        # key-number box, square
NUM_GAP = 0.5        # between key-number box and key box
TEXT_INSET_X = 0.6   # text area inside the key box
TEXT_INSET_Y = 0.7
SECTION_PAD = 1.5    # from the section edge to the first slot
SECTION_GAP = 4.0    # between sections on the sheet

GOTHIC_P = "ＭＳ Ｐゴシック"
GOTHIC = "ＭＳ ゴシック"


def fmt(value):
    """A millimetre value with '.' and at most four decimals, no trailing zeros."""
    text = "%.4f" % round(value, 4)
    text = text.rstrip("0").rstrip(".")
    return "0" if text in ("", "-0") else text


class Cell:
    def __init__(self, key, num, code, text, font=GOTHIC_P, size=6, align=2):
        self.key = key      # (x, y, w, h) relative to the section
        self.num = num
        self.text = text
        self.code = code
        self.font = font
        self.size = size
        self.align = align

    def lines(self):
        out = [fmt(v) for v in self.key] + [fmt(v) for v in self.num]
        out += [self.font, str(self.size), "0", "0", "0", str(self.align), self.code]
        out += [fmt(v) for v in self.text]
        assert len(out) == 19
        return out


class Section:
    def __init__(self, flag, x, y, w, h, cells):
        self.flag, self.x, self.y, self.w, self.h, self.cells = flag, x, y, w, h, cells

    def lines(self):
        out = [str(self.flag), fmt(self.x), fmt(self.y), fmt(self.w), fmt(self.h), str(len(self.cells))]
        for cell in self.cells:
            out += cell.lines()
        return out


def key_cell(sx, sy, kw, kh, code, num="left", font=GOTHIC_P, size=6):
    """One key in a slot whose top-left corner is (sx, sy) in section coordinates.

    num="left": the key-number box sits left of the key box, vertically centred.
    num="top":  the key-number box sits above the key box, at its left edge.
    """
    if num == "left":
        kx, ky = sx + NUM_BOX + NUM_GAP, sy
        nbox = (sx, sy + (kh - NUM_BOX) / 2, NUM_BOX, NUM_BOX)
        align = 3
    else:
        kx, ky = sx, sy + NUM_BOX + NUM_GAP
        nbox = (sx, sy, NUM_BOX, NUM_BOX)
        align = 1
    text = (kx + TEXT_INSET_X, ky + TEXT_INSET_Y, kw - 2 * TEXT_INSET_X, kh - 2 * TEXT_INSET_Y)
    return Cell((kx, ky, kw, kh), nbox, code, text, font=font, size=size, align=align)


def slot_size(kw, kh, num):
    if num == "left":
        return NUM_BOX + NUM_GAP + kw, kh
    return kw, NUM_BOX + NUM_GAP + kh


def grid_section(flag, x, y, codes, cols=1, kw=24.0, kh=7.0, gap_x=1.5, gap_y=1.2,
                 num="left", font=GOTHIC_P, size=6):
    """A section holding the keys `codes` in `cols` columns, filled column by column."""
    rows = -(-len(codes) // cols)
    slot_w, slot_h = slot_size(kw, kh, num)
    cells = []
    for i, code in enumerate(codes):
        col, row = divmod(i, rows)
        sx = SECTION_PAD + col * (slot_w + gap_x)
        sy = SECTION_PAD + row * (slot_h + gap_y)
        cells.append(key_cell(sx, sy, kw, kh, code, num=num, font=font, size=size))
    w = 2 * SECTION_PAD + cols * slot_w + (cols - 1) * gap_x
    h = 2 * SECTION_PAD + rows * slot_h + (rows - 1) * gap_y
    return Section(flag, x, y, w, h, cells)


# Name plate texts: the entry's values are put in when an entry is made
# (and follow later header edits while the text is left as it was made).
PLATE_EXTENSION = "内線 {内線番号}"
PLATE_DEPARTMENT = "{部署}"
PLATE_USER = "{使用者名}"
PLATE_ALL = "内線 {内線番号}　{部署}　{使用者名}"


def plate_code(text, size=9):
    """Key code of a name plate cell: a preset key with its text."""
    return "000 %02d%s" % (size, text)


def header_section(x, y, w, captioned=False, kh=7.0, single=False):
    """Name plate strip for extension, department and name (key numbers hidden).

    Plain: the three plate fields.  Captioned: each field preceded by a small
    fixed caption key.  Single: one field holding all three values.  On a
    wide strip the three fields share one row; on a narrower one they are
    stacked in a title card at most 66 mm wide.
    """
    gap_x, gap_y = 1.5, 1.2
    if single:
        w = min(w, 66.0)
        inner = w - 2 * SECTION_PAD
        cells = [key_cell(SECTION_PAD, SECTION_PAD, inner - NUM_BOX - NUM_GAP, kh, plate_code(PLATE_ALL, 8))]
        return Section(0, x, y, w, 2 * SECTION_PAD + kh, cells)
    one_row = w >= 133.0
    if not one_row:
        w = min(w, 66.0)
    inner = w - 2 * SECTION_PAD
    captions = ("000 07内線番号", "000 07部署", "000 07氏名")
    fields = (plate_code("{内線番号}" if captioned else PLATE_EXTENSION), plate_code(PLATE_DEPARTMENT),
              plate_code(PLATE_USER))
    cap_slot = NUM_BOX + NUM_GAP + 12.0
    if one_row:
        shares = (0.26, 0.34, 0.40)
        slots = [(SECTION_PAD + sum(shares[:i]) * inner, SECTION_PAD,
                  shares[i] * inner - (gap_x if i < 2 else 0)) for i in range(3)]
    else:
        slots = [(SECTION_PAD, SECTION_PAD + i * (kh + gap_y), inner) for i in range(3)]
    cells = []
    for i, (sx, sy, slot) in enumerate(slots):
        if captioned:
            cells.append(key_cell(sx, sy, cap_slot - NUM_BOX - NUM_GAP, kh, captions[i]))
            sx += cap_slot + 0.8
            slot -= cap_slot + 0.8
        cells.append(key_cell(sx, sy, slot - NUM_BOX - NUM_GAP, kh, fields[i]))
    rows = 1 if one_row else 3
    return Section(0, x, y, w, 2 * SECTION_PAD + rows * kh + (rows - 1) * gap_y, cells)


def flex_codes(first, last, presets=None):
    """Assignable key codes first..last; `presets` maps a key number to a
    preset code (for example 1 -> "-01 10外線１") that replaces it."""
    presets = presets or {}
    return [presets.get(n, "%03d" % n) for n in range(first, last + 1)]


def phone(sheet, flex, fixed, header=None, fixed_cols=1, kw=24.0, kh=7.0, fkw=20.0, fkh=7.0,
          num="left", size=6, font=GOTHIC_P, margin=(8.0, 8.0), fixed_below=False, gap_y=1.2):
    """A telephone strip sheet: a name plate header, flexible-key strips side by
    side (key numbers shown) and a block of fixed keys (numbers hidden).

    flex: list of (codes, columns), one per strip.
    """
    mx, my = margin
    sections = []
    x, y = mx, my
    bottom = y
    for codes, cols in flex:
        sec = grid_section(1, x, y, codes, cols=cols, kw=kw, kh=kh, num=num, size=size, font=font,
                           gap_y=gap_y)
        sections.append(sec)
        x += sec.w + SECTION_GAP
        bottom = max(bottom, y + sec.h)
    if fixed:
        if fixed_below:
            fx, fy = mx, bottom + SECTION_GAP
        else:
            fx, fy = x, y
        sec = grid_section(0, fx, fy, fixed, cols=fixed_cols, kw=fkw, kh=fkh, num=num, size=size,
                           font=font, gap_y=gap_y)
        sections.append(sec)
    if header:
        right = max(s.x + s.w for s in sections)
        head = header_section(mx, my, right - mx, captioned=(header == "captioned"),
                              single=(header == "single"))
        for sec in sections:
            sec.y += head.h + SECTION_GAP
        sections.insert(0, head)
    return sections


# Fixed key blocks.
FIXED_BASIC = ["000 09保留", "000 09転送", "000 08スピーカ", "000 09マイク", "000 09再ダイヤル", "000"]
FIXED_FULL = ["000 09保留", "000 09転送", "000 09会議", "000 09短縮", "000 08スピーカ", "000 09マイク",
              "000 09再ダイヤル", "000 10内線"]
FIXED_CONSOLE = ["000 09保留", "000 09転送", "000 09ナイト", "000 09応答"]
# The 96-key console keeps one cell of its 100 for the name plate.
FIXED_CONSOLE_3 = ["000 09保留", "000 09転送", "000 09応答"]
LINES_2 = {1: "-01 10外線１", 2: "-02 10外線２"}
LINE_INTERCOM = {1: "-01 10内線", 2: "-02 08スピーカ"}


def templates():
    """All strip types: name -> (series line, sections)."""
    t = {}

    # K series: postcard sheet 148 x 100 mm.
    t["Ｋ－１２ボタン電話機"] = (K, phone(
        SHEET_POSTCARD, [(flex_codes(1, 12, LINES_2), 2)], FIXED_BASIC, header="plain",
        kw=24.0, kh=6.6, fkw=20.0, fkh=6.6, margin=(6.0, 5.0), gap_y=1.0))
    t["Ｋ－２４ボタン電話機"] = (K, phone(
        SHEET_POSTCARD, [(flex_codes(1, 24), 3)], FIXED_FULL, header="single", kw=22.0, kh=7.0, fkw=20.0,
        fkh=7.0, margin=(5.0, 8.0), gap_y=1.2))

    # Mo series: standard sets on an A5 portrait sheet, others on A5 landscape.
    t["標準Ｍｏ電話機２４ボタン"] = (MO, phone(
        SHEET_A5, [(flex_codes(1, 12, LINES_2), 1), (flex_codes(13, 24), 1)], FIXED_FULL,
        header="captioned", fixed_cols=2, fixed_below=True, kw=26.0, kh=7.8, fkw=22.0, fkh=7.0,
        margin=(10.0, 10.0)))
    t["標準Ｍｏ電話機１２ボタン"] = (MO, phone(
        SHEET_A5, [(flex_codes(1, 12, LINE_INTERCOM), 1)], FIXED_BASIC, header="plain",
        num="top", size=7, kw=28.0, kh=7.8, fkw=22.0, fkh=7.8, margin=(10.0, 10.0)))
    t["Ｍｏ－３０ボタン多機能電話機"] = (MO, phone(
        SHEET_A5_LAND, [(flex_codes(1, 10, LINES_2), 1), (flex_codes(11, 20), 1),
                        (flex_codes(21, 30), 1)],
        FIXED_FULL, header="captioned", fixed_cols=2, kw=26.0, kh=8.8, fkw=20.0, fkh=8.8,
        margin=(10.0, 10.0)))
    t["Ｍｏ－６０ボタンＤＳＳコンソール"] = (MO, phone(
        SHEET_A5_LAND, [(flex_codes(1 + 12 * i, 12 * (i + 1)), 1) for i in range(5)],
        FIXED_CONSOLE, header="single", kw=24.0, kh=7.0, fkw=20.0, fkh=7.0, margin=(8.0, 10.0),
        fixed_below=True,
        fixed_cols=4,
        gap_y=1.0))

    # uR series: A5 portrait.
    t["ｕＲ－１２ボタン電話機"] = (UR, phone(
        SHEET_A5, [(flex_codes(1, 12, LINES_2), 1)], FIXED_BASIC, header="captioned",
        kw=28.0, kh=9.5, fkw=22.0, fkh=9.5, margin=(10.0, 12.0)))
    t["ｕＲ－２４ボタン電話機"] = (UR, phone(
        SHEET_A5, [(flex_codes(1, 12, LINE_INTERCOM), 1), (flex_codes(13, 24), 1)], FIXED_FULL,
        header="single", num="top", size=7, kw=26.0, kh=9.5, fkw=22.0, fkh=9.5, margin=(8.0, 10.0)))

    # uL series: A5 portrait.
    t["ｕＬ－１８ボタン電話機"] = (UL, phone(
        SHEET_A5, [(flex_codes(1, 18, LINES_2), 2)], FIXED_FULL, header="plain", fixed_cols=1,
        kw=26.0, kh=9.5, fkw=22.0, fkh=9.5, margin=(10.0, 10.0)))
    t["ｕＬ－６ボタン電話機"] = (UL, phone(
        SHEET_A5, [(flex_codes(1, 6, LINES_2), 1)], FIXED_BASIC, header="plain", kw=28.0, kh=9.5, fkw=22.0,
        fkh=9.5, margin=(12.0, 12.0)))
    # Offered for both uL and uR: their sheets are the same size.
    t["ｕＬ・ｕＲ共通３０ボタン電話機"] = (UL + "　" + UR, phone(
        SHEET_A5, [(flex_codes(1, 15, LINES_2), 1), (flex_codes(16, 30), 1)], FIXED_FULL,
        header="captioned", fixed_cols=1, kw=26.0, kh=9.5, fkw=22.0, fkh=9.5,
        margin=(8.0, 8.0)))

    # uT series: JIS B5 portrait.
    t["ｕＴ－２４ボタン電話機"] = (UT, phone(
        SHEET_B5, [(flex_codes(1, 12, LINES_2), 1), (flex_codes(13, 24), 1)], FIXED_FULL,
        header="captioned", fixed_cols=1, kw=30.0, kh=10.5, fkw=24.0, fkh=10.5,
        margin=(12.0, 15.0)))
    # The largest strip: 96 DSS keys and 4 fixed keys, 100 cells in all.
    t["ｕＴ－９６ボタンＤＳＳコンソール"] = (UT, phone(
        SHEET_B5, [(flex_codes(1 + 24 * i, 24 * (i + 1)), 1) for i in range(4)], FIXED_CONSOLE_3,
        header="single", kw=22.0, kh=7.0, fkw=20.0, fkh=7.0, margin=(6.0, 10.0), fixed_cols=4, fixed_below=True,
        gap_y=1.0))

    # uV series: JIS B5 portrait.
    t["ｕＶ－２４ボタン電話機"] = (UV, phone(
        SHEET_B5, [(flex_codes(1, 24, LINES_2), 2)], FIXED_FULL, header="plain", fixed_cols=1,
        num="top", size=7, kw=30.0, kh=10.5, fkw=24.0, fkh=10.5, margin=(12.0, 12.0)))
    t["ｕＶ－１２ボタン電話機"] = (UV, phone(
        SHEET_B5, [(flex_codes(1, 12, LINE_INTERCOM), 1)], FIXED_BASIC, header="captioned",
        kw=30.0, kh=10.5, fkw=24.0, fkh=10.5, margin=(15.0, 15.0)))

    # Do series: JIS B5 portrait.
    t["Ｄｏ－１２ボタン電話機"] = (DO, phone(
        SHEET_B5, [(flex_codes(1, 12, LINES_2), 1)], FIXED_BASIC, header="plain", kw=30.0,
        kh=10.5, fkw=24.0, fkh=10.5, margin=(15.0, 15.0), font=GOTHIC))
    t["Ｄｏ－３０ボタン電話機"] = (DO, phone(
        SHEET_B5, [(flex_codes(1, 15, LINES_2), 1), (flex_codes(16, 30), 1)], FIXED_FULL,
        header="captioned", fixed_cols=2, kw=30.0, kh=10.5, fkw=24.0,
        fkh=10.5, margin=(8.0, 10.0), font=GOTHIC))

    # SIP telephones: JIS B5 portrait.
    t["ＳＩＰ－３０キー多機能電話機"] = (SIP, phone(
        SHEET_B5, [(flex_codes(1, 10, LINES_2), 1), (flex_codes(11, 20), 1),
                   (flex_codes(21, 30), 1)],
        FIXED_FULL, header="captioned", fixed_cols=4, fixed_below=True, num="top", size=7,
        kw=28.0, kh=10.5, fkw=24.0, fkh=8.0, margin=(10.0, 12.0)))
    t["ＳＩＰ－１２キー電話機"] = (SIP, phone(
        SHEET_B5, [(flex_codes(1, 12, LINE_INTERCOM), 1)], FIXED_BASIC, header="plain",
        kw=30.0, kh=10.5, fkw=24.0, fkh=10.5, margin=(15.0, 15.0)))
    return t


def template_lines(series_line, sections):
    out = [series_line, str(len(sections))]
    for sec in sections:
        out += sec.lines()
    return out


def write_template(path, lines):
    data = "".join(line + "\r\n" for line in lines).encode("cp932")
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    folder = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    made = set()
    for name, (series_line, sections) in templates().items():
        file_name = name + ".tpl"
        write_template(os.path.join(folder, file_name), template_lines(series_line, sections))
        made.add(file_name)
    for old in sorted(os.listdir(folder)):
        if old.lower().endswith(".tpl") and old not in made:
            print("removing stale template", old)
            os.remove(os.path.join(folder, old))
    print("wrote %d templates to %s" % (len(made), folder))

    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    sys.dont_write_bytecode = True  # keep __pycache__ out of the source folder
    import check_templates
    return check_templates.main(["check_templates.py", folder])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
