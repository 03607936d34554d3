# What python3-ezdxf reads from real title-block sheets: for each sheet, its tables (groups of
# cells that share a side), every cell of each table, and the texts that run along the sheet
# inside a cell. A cell is a rectangular face of the sheet's ruling lines, at least `least`
# wide and high. Writes for each sheet a copy moved far from the origin and a copy turned about
# the origin and moved, and prints one record a line:
#   sheet NAME
#   copy KIND FILE DX DY DEGREES      (the copy is the sheet turned by DEGREES, then moved)
#   table T LEFT BOTTOM RIGHT TOP
#   cell T C LEFT TOP RIGHT BOTTOM
#   text T C PLAIN                    (PLAIN: the text's characters, formatting removed)
#   mtext HANDLE xHEX                 (every MTEXT's plain text without its line breaks, as
#                                      hex of its UTF-8 bytes after an x)
# Usage: sheet_cells.py OUTPUT_FOLDER LEAST SHEET...
import math, os, re, sys
import ezdxf
from ezdxf.math import Matrix44

EPS = 1e-6

# ezdxf leaves \U+xxxx escapes in lower case undecoded in the texts of older versions.
def decoded(s):
    return re.sub(r'\\[Uu]\+([0-9A-Fa-f]{4})', lambda m: chr(int(m.group(1), 16)), s)

def segments(msp):
    for e in msp:
        t = e.dxftype()
        if t == 'LINE':
            yield (e.dxf.start.x, e.dxf.start.y), (e.dxf.end.x, e.dxf.end.y)
        elif t == 'LWPOLYLINE':
            pts = [(p[0], p[1]) for p in e.get_points('xy')]
            for a, b in zip(pts, pts[1:]):
                yield a, b
            if e.closed and len(pts) > 2:
                yield pts[-1], pts[0]

def faces(msp, least):
    H, V = [], []
    for a, b in segments(msp):
        dx, dy = b[0] - a[0], b[1] - a[1]
        if math.hypot(dx, dy) < EPS:
            continue
        if abs(dy) < EPS:
            H.append(((a[1] + b[1]) / 2, min(a[0], b[0]), max(a[0], b[0])))
        elif abs(dx) < EPS:
            V.append(((a[0] + b[0]) / 2, min(a[1], b[1]), max(a[1], b[1])))
    def distinct(values):
        out = []
        for v in sorted(values):
            if not out or v - out[-1] > EPS:
                out.append(v)
        return out
    xs = distinct(v[0] for v in V)
    ys = distinct(h[0] for h in H)
    def walled(lines, at, lo, hi):
        return any(abs(c - at) <= EPS and s <= lo + EPS and e >= hi - EPS for c, s, e in lines)
    nx, ny = len(xs) - 1, len(ys) - 1
    parent = list(range(max(nx * ny, 0)))
    def find(i):
        while parent[i] != i:
            parent[i] = parent[parent[i]]
            i = parent[i]
        return i
    open_boxes = []
    for i in range(nx):
        for j in range(ny):
            k = i * ny + j
            if i + 1 < nx and not walled(V, xs[i + 1], ys[j], ys[j + 1]):
                parent[find(k)] = find(k + ny)
            if j + 1 < ny and not walled(H, ys[j + 1], xs[i], xs[i + 1]):
                parent[find(k)] = find(k + 1)
            if ((i == 0 and not walled(V, xs[0], ys[j], ys[j + 1])) or
                    (i == nx - 1 and not walled(V, xs[nx], ys[j], ys[j + 1])) or
                    (j == 0 and not walled(H, ys[0], xs[i], xs[i + 1])) or
                    (j == ny - 1 and not walled(H, ys[ny], xs[i], xs[i + 1]))):
                open_boxes.append(k)
    outside = {find(k) for k in open_boxes}
    groups = {}
    for k in range(nx * ny):
        groups.setdefault(find(k), []).append(k)
    out = []
    for root, ks in groups.items():
        if root in outside:
            continue
        I = [k // ny for k in ks]
        J = [k % ny for k in ks]
        if (max(I) - min(I) + 1) * (max(J) - min(J) + 1) != len(ks):
            continue  # not a rectangle
        l, r, b, t = xs[min(I)], xs[max(I) + 1], ys[min(J)], ys[max(J) + 1]
        if r - l >= least - EPS and t - b >= least - EPS:
            out.append((l, t, r, b))
    return sorted(out, key=lambda c: (-c[1], c[0]))

def share_side(a, b):
    la, ta, ra, ba = a
    lb, tb, rb, bb = b
    def overlap(p0, p1, q0, q1):
        return min(p1, q1) - max(p0, q0) > EPS
    vertical = (abs(ra - lb) < EPS or abs(rb - la) < EPS) and overlap(ba, ta, bb, tb)
    horizontal = (abs(ta - bb) < EPS or abs(tb - ba) < EPS) and overlap(la, ra, lb, rb)
    return vertical or horizontal

def tables(cells):
    left = list(range(len(cells)))
    groups = []
    while left:
        group = [left.pop(0)]
        k = 0
        while k < len(group):
            near = [c for c in left if share_side(cells[group[k]], cells[c])]
            for c in near:
                left.remove(c)
            group.extend(near)
            k += 1
        groups.append(sorted(group))
    return groups

# The special characters %%c, %%d and %%p stay as written: the plain text of a multi-line text
# keeps them (ezdxf would give the characters they stand for).
def plain(e):
    if e.dxftype() == 'MTEXT':
        e.text = decoded(e.text).replace('%%', '\ue000')
        return e.plain_text(split=False, fast=False).replace('\ue000', '%%')
    return decoded(e.dxf.text)

def upright(e):
    if e.dxftype() == 'MTEXT':
        if e.dxf.hasattr('text_direction'):
            d = e.dxf.text_direction
            return abs(d.y) < EPS and d.x > 0
        return abs(e.dxf.get('rotation', 0.0)) < EPS
    return abs(e.dxf.get('rotation', 0.0)) < EPS

# A point inside the text's first line, near the corner or side where it is attached.
def probe(e):
    h = e.dxf.char_height if e.dxftype() == 'MTEXT' else e.dxf.height
    x, y = e.dxf.insert.x, e.dxf.insert.y
    if e.dxftype() != 'MTEXT':
        return x + h / 2, y + h / 2
    a = e.dxf.get('attachment_point', 1)
    column, row = (a - 1) % 3, (a - 1) // 3
    x += (h / 2, 0, -h / 2)[column]
    y += (-h / 2, 0, h / 2)[row]
    return x, y

def copy(src, folder, name, kind, dx, dy, degrees):
    doc = ezdxf.readfile(src)
    m = Matrix44.chain(Matrix44.z_rotate(math.radians(degrees)), Matrix44.translate(dx, dy, 0))
    for e in doc.modelspace():
        e.transform(m)
    path = os.path.join(folder, '%s-%s.dxf' % (name, kind))
    doc.saveas(path)
    print('copy', kind, path, repr(dx), repr(dy), repr(degrees))

def main():
    folder, least = sys.argv[1], float(sys.argv[2])
    for src in sys.argv[3:]:
        name = os.path.splitext(os.path.basename(src))[0]
        doc = ezdxf.readfile(src)
        msp = doc.modelspace()
        print('sheet', name)
        copy(src, folder, name, 'moved', 1e6, 1e6, 0.0)
        copy(src, folder, name, 'turned', 1e6, -5e5, 30.0)
        for e in msp.query('MTEXT'):
            print('mtext', e.dxf.handle, 'x' + plain(e).replace('\n', '').encode('utf-8').hex())
        cells = faces(msp, least)
        texts = [(probe(e), plain(e)) for e in msp.query('TEXT MTEXT') if upright(e)]
        for t, group in enumerate(tables(cells)):
            box = [min(cells[c][0] for c in group), min(cells[c][3] for c in group),
                   max(cells[c][2] for c in group), max(cells[c][1] for c in group)]
            print('table', t, *map(repr, box))
            for n, c in enumerate(group):
                l, top, r, b = cells[c]
                print('cell', t, n, *map(repr, cells[c]))
                for (px, py), s in texts:
                    if l < px < r and b < py < top and s.strip():
                        print('text', t, n, s.replace('\n', ' '))

main()
