#!/usr/bin/env python3
"""Writes MANUAL.PDF, the field manual on the demo disc.

The file is committed; run this again after changing the text:

    python3 disc/make-manual.py disc/MANUAL.PDF

The output depends on nothing but this script (no dates, no random ids), so
running it twice gives the same bytes. Pages are the size of a disc booklet
(120 mm square) and use the standard Helvetica fonts, which every reader has.
"""

import sys

SIDE = 340  # 120 mm in points
MARGIN = 28
TAB = 80  # second column of a two-column line

# Text is WinAnsi; write anything outside ASCII as an octal escape.
EM_DASH = "\\227"

PAGES = [
    [
        ("F2", 18, "Trenchmoor " + EM_DASH + " Field Manual"),
        ("F1", 9, "Keep this manual with the disc."),
        None,
        ("F2", 11, "Installing"),
        ("F1", 9, "Put the disc in the drive. The setup program starts"),
        ("F1", 9, "by itself; if it does not, open the disc and start"),
        ("F1", 9, "trenchmoor-setup. It offers a reader for this manual,"),
        ("F1", 9, "then installs the game."),
        None,
        ("F2", 11, "Your first sortie"),
        ("F1", 9, "Choose a sector on the map and send a patrol out."),
        ("F1", 9, "Patrols report back at dusk; read their reports"),
        ("F1", 9, "before you commit the company."),
    ],
    [
        ("F2", 11, "Orders"),
        ("F1", 9, "Left button", "select a unit"),
        ("F1", 9, "Right button", "move or attack"),
        ("F1", 9, "Space", "pause and give orders"),
        ("F1", 9, "F5 / F9", "save / load"),
        None,
        ("F2", 11, "Weather"),
        ("F1", 9, "Rain floods the low trenches and slows every unit."),
        ("F1", 9, "Dig drains before the autumn turns."),
    ],
]


def page_stream(lines, number):
    out = []
    # A thin frame and a rule under the heading, drawn in dark green.
    out.append("0.16 0.29 0.18 RG 0.8 w")
    out.append(f"{MARGIN / 2} {MARGIN / 2} {SIDE - MARGIN} {SIDE - MARGIN} re S")
    y = SIDE - MARGIN - 14
    out.append("BT")
    out.append(f"{MARGIN} {y} Td")
    previous = None  # size of the line above
    for line in lines:
        if line is None:
            out.append("0 -8 Td")
            continue
        font, size, text, *column = line
        if previous is not None:
            out.append(f"0 -{max(size, previous) + 4} Td")
        out.append(f"/{font} {size} Tf ({text}) Tj")
        if column:
            out.append(f"{TAB} 0 Td ({column[0]}) Tj -{TAB} 0 Td")
        previous = size
    out.append("ET")
    if number == 1:
        rule_y = y - 8  # under the title, above the line that follows it
        out.append(f"{MARGIN} {rule_y} m {SIDE - MARGIN} {rule_y} l S")
    out.append(f"BT /F1 8 Tf {SIDE / 2 - 2} {MARGIN / 2 + 6} Td ({number}) Tj ET")
    return "\n".join(out) + "\n"


def build():
    objects = []  # bodies, object number = index + 1

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    pages = add(None)
    regular = add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    bold = add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>")
    kids = []
    for number, lines in enumerate(PAGES, start=1):
        stream = page_stream(lines, number).encode("ascii")
        content = add(f"<< /Length {len(stream)} >>\nstream\n".encode("ascii") + stream + b"endstream")
        kids.append(add(
            f"<< /Type /Page /Parent {pages} 0 R /MediaBox [0 0 {SIDE} {SIDE}] "
            f"/Resources << /Font << /F1 {regular} 0 R /F2 {bold} 0 R >> >> "
            f"/Contents {content} 0 R >>"))
    objects[catalog - 1] = f"<< /Type /Catalog /Pages {pages} 0 R >>"
    objects[pages - 1] = (f"<< /Type /Pages /Kids [{' '.join(f'{k} 0 R' for k in kids)}] "
                          f"/Count {len(kids)} >>")
    # Title in PDFDocEncoding, where the em dash is 0x84.
    info = add("<< /Title (Trenchmoor \\204 Field Manual) /Author (Trenchmoor) >>")

    pdf = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(pdf))
        if isinstance(body, str):
            body = body.encode("ascii")
        pdf += f"{number} 0 obj\n".encode("ascii") + body + b"\nendobj\n"
    xref = len(pdf)
    # Each xref entry is exactly 20 bytes: 10 + 1 + 5 + 1 + 1 + 2.
    pdf += f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode("ascii")
    for offset in offsets:
        pdf += f"{offset:010d} 00000 n \n".encode("ascii")
    pdf += (f"trailer\n<< /Size {len(objects) + 1} /Root {catalog} 0 R /Info {info} 0 R >>\n"
            f"startxref\n{xref}\n%%EOF\n").encode("ascii")
    return bytes(pdf)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-manual.py OUTPUT.PDF")
    with open(sys.argv[1], "wb") as f:
        f.write(build())


if __name__ == "__main__":
    main()
