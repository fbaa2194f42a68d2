#!/usr/bin/env python3
"""Draws the record navigator's button glyphs as 40 x 20 XPM bitmaps.

Each file holds two 20 x 20 pictures side by side: the enabled one on the left and the disabled
one on the right (the enabled picture's outline engraved in the shadow colour over a highlight
copy one pixel right and down). The bottom-left pixel is silver, the colour the speed button
treats as transparent. Run it from this folder to regenerate the files; the output is committed.
"""
import math

SIZE = 20
PALETTE = {
    '.': 'C0C0C0',  # silver, transparent
    'k': '000000',
    'n': '000080',
    'b': '0000FF',
    'm': '800000',
    'r': 'FF0000',
    'g': '008000',
    'l': '00C000',
    'y': 'FFFF00',
    'w': 'FFFFFF',
    'd': '808080',
    'o': '808000',
    'c': '008080',
}


class Picture:
    def __init__(self):
        self.px = [['.'] * SIZE for _ in range(SIZE)]

    def set(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):  # inclusive
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for dx in range(width):
                for dy in range(width):
                    self.set(x + dx, y + dy, c)

    def tri_left(self, tip, cy=9, half=4, c='n'):
        for i in range(half + 1):
            for y in range(cy - i, cy + i + 1):
                self.set(tip + i, y, c)

    def tri_right(self, tip, cy=9, half=4, c='n'):
        for i in range(half + 1):
            for y in range(cy - i, cy + i + 1):
                self.set(tip - i, y, c)

    def tri_up(self, tip_y, cx=9, half=5, c='n'):
        for i in range(half + 1):
            for x in range(cx - i, cx + i + 1):
                self.set(x, tip_y + i, c)

    def page(self, x0=4, y0=2, x1=15, y1=17):
        self.rect(x0, y0, x1, y1, 'w')
        self.frame(x0, y0, x1, y1, 'k')
        for y in range(y0 + 1, y1 + 2):
            self.set(x1 + 1, y, 'd')
        for x in range(x0 + 1, x1 + 2):
            self.set(x, y1 + 1, 'd')

    def funnel(self, top=2, c='o'):
        # wide mouth narrowing to a spout
        for i in range(6):
            self.rect(3 + i, top + i, 14 - i, top + i, c)
        self.rect(8, top + 6, 9, top + 9, c)
        self.frame(3, top, 14, top, 'k')

    def disabled_copy(self):
        ink = [[self.px[y][x] != '.' and self.px[y][x] not in 'wy' for x in range(SIZE)] for y in range(SIZE)]
        out = Picture()
        for y in range(SIZE):
            for x in range(SIZE):
                if ink[y][x]:
                    out.set(x + 1, y + 1, 'w')
        for y in range(SIZE):
            for x in range(SIZE):
                if ink[y][x]:
                    out.set(x, y, 'd')
        return out


def glyph_first(p):
    p.rect(5, 5, 6, 13, 'n'); p.tri_left(8)

def glyph_priorset(p):
    p.tri_left(4); p.tri_left(10)

def glyph_prior(p):
    p.tri_left(7)

def glyph_next(p):
    p.tri_right(12)

def glyph_nextset(p):
    p.tri_right(9); p.tri_right(15)

def glyph_last(p):
    p.tri_right(11); p.rect(13, 5, 14, 13, 'n')

def glyph_insert(p):
    p.rect(4, 8, 15, 10, 'k'); p.rect(8, 4, 10, 14, 'k')

def glyph_delete(p):
    p.rect(4, 8, 15, 10, 'k')

def glyph_edit(p):
    p.tri_up(5)

def glyph_post(p):
    p.line(4, 9, 7, 12, 'g', 2); p.line(7, 12, 14, 5, 'g', 2)

def glyph_cancel(p):
    p.line(5, 5, 13, 13, 'm', 2); p.line(13, 5, 5, 13, 'm', 2)

def glyph_refresh(p):
    cx, cy, r = 9.5, 9.5, 5.5
    for a in range(40, 330, 4):
        t = math.radians(a)
        p.set(round(cx + r * math.cos(t)), round(cy - r * math.sin(t)), 'g')
        p.set(round(cx + (r - 1) * math.cos(t)), round(cy - (r - 1) * math.sin(t)), 'g')
    # arrow head at the open end (upper right)
    p.rect(12, 2, 16, 2, 'g'); p.rect(13, 3, 16, 3, 'g'); p.rect(14, 4, 16, 4, 'g'); p.rect(15, 5, 16, 6, 'g')

def glyph_setbookmark(p):
    p.page(); p.rect(9, 2, 11, 9, 'r'); p.set(10, 9, 'w')

def glyph_gotobookmark(p):
    p.page()
    p.line(7, 6, 7, 12, 'b'); p.line(7, 12, 12, 12, 'b')
    p.tri_right(13, cy=12, half=2, c='b')

def glyph_clearbookmark(p):
    p.page()

def glyph_enterfilter(p):
    p.funnel(top=1)
    p.rect(3, 12, 16, 17, 'w'); p.frame(3, 12, 16, 17, 'k'); p.rect(5, 14, 5, 15, 'k')

def glyph_applyfilter(p):
    p.funnel(top=1); p.line(10, 14, 12, 16, 'g', 2); p.line(12, 16, 17, 11, 'g', 2)

def glyph_cancelfilter(p):
    p.funnel(top=1); p.line(11, 11, 16, 16, 'r', 2); p.line(16, 11, 11, 16, 'r', 2)

def glyph_copyrecord(p):
    for x0, y0 in ((2, 3), (7, 9)):
        p.rect(x0, y0, x0 + 10, y0 + 6, 'w'); p.frame(x0, y0, x0 + 10, y0 + 6, 'n')
        p.rect(x0 + 2, y0 + 2, x0 + 8, y0 + 2, 'c'); p.rect(x0 + 2, y0 + 4, x0 + 6, y0 + 4, 'c')

def glyph_printlist(p):
    p.page()
    for y in range(5, 16, 2):
        p.rect(6, y, 8, y, 'k'); p.rect(10, y, 13, y, 'k')

def glyph_printrecord(p):
    p.page()
    for y in (5, 8, 11, 14):
        p.rect(6, y, 7, y, 'k'); p.rect(9, y - 1, 13, y + 1, 'c')


GLYPHS = [
    ('FIRST', glyph_first), ('PRIORSET', glyph_priorset), ('PRIOR', glyph_prior),
    ('NEXT', glyph_next), ('NEXTSET', glyph_nextset), ('LAST', glyph_last),
    ('INSERT', glyph_insert), ('DELETE', glyph_delete), ('EDIT', glyph_edit),
    ('POST', glyph_post), ('CANCEL', glyph_cancel), ('REFRESH', glyph_refresh),
    ('SETBOOKMARK', glyph_setbookmark), ('GOTOBOOKMARK', glyph_gotobookmark),
    ('CLEARBOOKMARK', glyph_clearbookmark), ('ENTERFILTER', glyph_enterfilter),
    ('APPLYFILTER', glyph_applyfilter), ('CANCELFILTER', glyph_cancelfilter),
    ('COPYRECORD', glyph_copyrecord), ('PRINTLIST', glyph_printlist),
    ('PRINTRECORD', glyph_printrecord),
]


def write_xpm(name, enabled, disabled):
    used = sorted({c for row in enabled.px + disabled.px for c in row} | {'.'})
    ident = 'vornnb_' + name.lower()
    lines = ['/* XPM */', f'static const char *{ident}[] = {{', f'"{SIZE * 2} {SIZE} {len(used)} 1",']
    for c in used:
        lines.append(f'"{c} c #{PALETTE[c]}",')
    rows = [''.join(enabled.px[y]) + ''.join(disabled.px[y]) for y in range(SIZE)]
    lines += [f'"{row}",' for row in rows[:-1]] + [f'"{rows[-1]}"', '};']
    with open(f'VORNNB_{name}.xpm', 'w') as out:
        out.write('\n'.join(lines) + '\n')


def main():
    qrc = ['<RCC>', '    <qresource prefix="/vornnav">']
    for name, draw in GLYPHS:
        picture = Picture()
        draw(picture)
        write_xpm(name, picture, picture.disabled_copy())
        qrc.append(f'        <file alias="VORNNB_{name}">VORNNB_{name}.xpm</file>')
    qrc += ['    </qresource>', '</RCC>']
    with open('vornnav.qrc', 'w') as out:
        out.write('\n'.join(qrc) + '\n')


if __name__ == '__main__':
    main()
