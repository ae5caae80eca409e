#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes pages.pdf and locked.pdf beside this script: three pages, each a
# black box whose place the tests know, drawn with no font.
import os

HERE = os.path.dirname(os.path.abspath(__file__))
# (page width, height in points; box left, top, width, height from the top left)
PAGES = [((595, 842), (100, 150, 300, 400)),
         ((842, 595), (400, 100, 200, 300)),
         ((595, 842), (50, 50, 495, 742))]


def pdf(objects, trailer_extra=b""):
    out = b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R%s >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, trailer_extra, xref)
    return out


def document():
    kids = " ".join("%d 0 R" % (3 + 2 * i) for i in range(len(PAGES)))
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [%s] /Count %d >>" % (kids.encode(), len(PAGES))]
    for i, ((w, h), (x, y, bw, bh)) in enumerate(PAGES):
        stream = b"0 g %d %d %d %d re f" % (x, h - y - bh, bw, bh)
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R >>" % (w, h, 4 + 2 * i))
        objects.append(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream")
    return objects


objects = document()
with open(os.path.join(HERE, "pages.pdf"), "wb") as f:
    f.write(pdf(objects))
# A standard security handler whose check value matches no password, not even the empty one.
encrypt = b"<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + b"A" * 64 + b"> /U <" + b"7" * 64 + b"> >>"
with open(os.path.join(HERE, "locked.pdf"), "wb") as f:
    f.write(pdf(objects + [encrypt], b" /Encrypt %d 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> <0123456789ABCDEF0123456789ABCDEF>]" % (len(objects) + 1)))
