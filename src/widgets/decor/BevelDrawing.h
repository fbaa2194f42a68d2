#pragma once

#include "TCanvas.h"
#include "QtColor.h"

// The drawing routines of the bevel frames. They need no widget: they draw on a canvas with its
// pen (colour, width, raster operation), brush and font, so tests and benchmarks can run them on
// a bare image. Rectangles are (left, top, right, bottom); each routine says whether right and
// bottom are inclusive and whether it changes the caller's rectangle.

// density % of a and the rest of b, channel by channel on the bytes as stored: a system colour is
// not resolved (clBtnFace counts as red 15, green 0, blue 0). Halves round to even.
TColor MixColors(TColor a, TColor b, int density);

// True when the top row of rect (left .. right - 1) is not of one colour: a packed value differing
// from the first pixel's by more than 2.
bool BackgroundVaries(const TCanvas &canvas, const TRect &rect);

// width rings, light top-left in top and dark bottom-right in bottom, inside rect (right and
// bottom exclusive); rect comes back shrunk by width on every side.
void DrawBevelRings(TCanvas &canvas, TRect &rect, TColor top, TColor bottom, int width);

// width rings of an octagon whose corners are cut by chamfer pixels; rect comes back with right
// and bottom lowered by one.
void DrawChamferedRings(TCanvas &canvas, TRect &rect, TColor top, TColor bottom, int width, int chamfer);

// Every pixel of rect (inclusive) drawn exactly once with the pen as set, along the longer side.
void FillBand(TCanvas &canvas, const TRect &rect);

// Mixes every pixel of rect (inclusive) with colour at density %.
void BlendRect(TCanvas &canvas, const TRect &rect, TColor color, int density);

// Mixes a rectangular ring width pixels wide; rect comes back with right and bottom lowered by one.
void BlendRectRing(TCanvas &canvas, TRect &rect, TColor color, int width, int density);

// Mixes an octagonal ring (width >= 1, corners cut by chamfer); rect comes back with right and
// bottom lowered by one.
void BlendChamferedRing(TCanvas &canvas, TRect &rect, TColor color, int density, int width, int chamfer);

// Makes the canvas font a copy of itself turned counter-clockwise by angle degrees.
void SetRotatedFont(TCanvas &canvas, int angle);
