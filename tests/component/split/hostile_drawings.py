# Writes small drawings built to stall a drawing host, each beside the plain drawing it extends:
#   plain.dxf       two A3 frames with their drawing numbers;
#   fan-out.dxf     + a block chain 8 levels deep, 10 references a level, referenced 20 times
#                   in the first frame (10^8 entities when expanded, each time), up to just
#                   below the frame's top edge, across the edge of the split's first strip;
#   deep.dxf        + a chain 17 levels deep, 3 references a level, referenced once in the
#                   first frame, scaled so that it spans many strips of the split (the first
#                   one included);
#   long-type.dxf   + an entity whose type name is 12 MB long, between the frames and as high
#                   as they are (every strip of the split meets it);
#   layer-zero.dxf  the plain drawing whose layer "0" has lost its name (group code 2).
# Usage: python3 hostile_drawings.py OUTDIR

import sys
import ezdxf

out = sys.argv[1]


def plain():
    doc = ezdxf.new('R2010')
    msp = doc.modelspace()
    for k, x in enumerate((0, 500)):
        msp.add_lwpolyline([(x, 0), (x + 420, 0), (x + 420, 297), (x, 297)], close=True)
        msp.add_line((x + 240, 0), (x + 240, 40))
        msp.add_text('A100-B200-0%d' % (k + 1), dxfattribs={'height': 3.5}).set_placement(
            (x + 380, 5))
    return doc


# Blocks PREFIX0 (a line) to PREFIXdepth, each holding `per_level` references to the one below
# `step` apart and a line of its own.
def chain(doc, prefix, depth, per_level, step):
    leaf = doc.blocks.new(prefix + '0')
    leaf.add_line((0, 0), (10, 10))
    for level in range(1, depth + 1):
        block = doc.blocks.new(prefix + str(level))
        for i in range(per_level):
            block.add_blockref(prefix + str(level - 1), (i * step, 0))
        block.add_line((0, 0), (10, 0))
    return prefix + str(depth)


plain().saveas(out + '/plain.dxf')

doc = plain()
top = chain(doc, 'FAN', 8, 10, 0.5)
for j in range(20):
    doc.modelspace().add_blockref(top, (50 + 5 * j, 285))
doc.saveas(out + '/fan-out.dxf')

doc = plain()
top = chain(doc, 'DEEP', 17, 3, 0.25)
doc.modelspace().add_blockref(top, (60, 175), dxfattribs={'xscale': 12, 'yscale': 12})
doc.saveas(out + '/deep.dxf')

# ezdxf writes only the entity types it knows: the long type goes in by text.
plain().saveas(out + '/long-type.dxf')
with open(out + '/long-type.dxf', encoding='utf-8') as f:
    text = f.read()
at = text.index('\n  0\nENDSEC\n', text.index('\nENTITIES\n'))
odd = ('\n  0\n' + '%%c' * 4_000_000 + '\n  5\nFFF0\n  8\n0\n 10\n460.0\n 20\n0.0\n 30\n0.0'
       '\n 11\n460.0\n 21\n297.0\n 31\n0.0')
with open(out + '/long-type.dxf', 'w', encoding='utf-8') as f:
    f.write(text[:at] + odd + text[at:])

plain().saveas(out + '/layer-zero.dxf')
with open(out + '/layer-zero.dxf', encoding='utf-8') as f:
    text = f.read()
entry = text.index('\n  0\nLAYER\n', text.index('\n  2\nLAYER\n'))
name = text.index('\n  2\n0\n', entry)
with open(out + '/layer-zero.dxf', 'w', encoding='utf-8') as f:
    f.write(text[:name] + text[name + len('\n  2\n0'):])
