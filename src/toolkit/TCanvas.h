#pragma once

#include "QtColor.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <initializer_list>
#include <span>
#include <vector>

class QPainter;
class QDebug;

// A rectangle as the drawing routines pass it around: left, top, right, bottom. Whether right and
// bottom are inclusive is up to the routine that takes it.
struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    friend bool operator==(const TRect &, const TRect &) = default;
};
QDebug operator<<(QDebug debug, const TRect &rect);
char *toString(const TRect &rect); // for QCOMPARE

// How a line combines its pen colour P with the surface pixel S (bitwise on the colour value).
enum TPenMode : quint8 {
    pmBlack,       // 0
    pmWhite,       // all ones
    pmNop,         // S
    pmNot,         // NOT S
    pmCopy,        // P
    pmNotCopy,     // NOT P
    pmMergePenNot, // P OR NOT S
    pmMaskPenNot,  // P AND NOT S
    pmMergeNotPen, // NOT P OR S
    pmMaskNotPen,  // NOT P AND S
    pmMerge,       // P OR S
    pmNotMerge,    // NOT (P OR S)
    pmMask,        // P AND S
    pmNotMask,     // NOT (P AND S)
    pmXor,         // P XOR S
    pmNotXor,      // NOT (P XOR S)
};

// Dash patterns apply to one-pixel pens only; wider pens are always solid. psInsideFrame draws
// like psSolid here.
enum TPenStyle : quint8 { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// The full description of a font: the face plus the rotation and rendering hints that go with it.
struct TFontDescription
{
    QFont Font;
    int Escapement = 0;  // direction of the text, tenths of a degree counter-clockwise
    int Orientation = 0; // tilt of each glyph, tenths of a degree; follows Escapement here
    quint8 OutPrecision = 0; // 7: outline fonts only
    quint8 Quality = 0;      // 2: proof quality, 3: no antialiasing, 4: antialiased
};

// The drawing surface of the custom widgets: single pixels read and written as plain RGB, a pen
// with width, colour, style and raster operation, lines that leave out their end pixel,
// rectangle frames in the brush colour, and text drawn without background in an optionally
// rotated font. All coordinates are in the painter's logical (widget) pixels.
//
// The canvas works directly on the image that the painter is painting, so that reads see what
// the container and the widgets beneath have already painted. That is the backing store on screen
// and the target image when a container is rendered with QWidget::render or grab. Only the system
// clip of the paint (the region being repainted), the painter's own clip and the optional bounds
// are written. When the painter's device is not an image (a printer, a picture), the canvas draws
// into a scratch image that it puts on the painter when it is destroyed; reads then see only what
// the canvas itself painted, over the fallback colour given at construction.
class TCanvas
{
public:
    // painter must be active and must outlive the canvas. bounds (logical, right/bottom
    // exclusive as QRect) limits every write; a null rect means no extra limit.
    explicit TCanvas(QPainter &painter, const QRect &bounds = QRect(), TColor fallbackBackground = clBtnFace);
    ~TCanvas();
    TCanvas(const TCanvas &) = delete;
    TCanvas &operator=(const TCanvas &) = delete;

    QPainter &Painter() { return m_painter; }
    // The logical pixels that writes can reach, with a margin of one pixel; drawing routines use
    // it to stop loops that could only draw outside.
    QRect ClipBounds() const { return LogicalClipBounds(); }
    // True when reads see the real surface (not the scratch fallback).
    bool ReadsSurface() const { return m_direct; }

    // The colour at (x, y) as a plain $00BBGGRR value; outside the surface it is $FFFFFFFF.
    // Pixels outside the clip are read as they stand on the surface.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // Mixes every pixel x0..x1 (inclusive) of row y with color: per channel
    // ((100 - density) * pixel + density * color) / 100, rounded to nearest with halves to even.
    // color's bytes are used as stored; a system colour is not resolved. density is 0..100.
    void BlendSpan(int y, int x0, int x1, TColor color, int density);

    TColor PenColor() const { return m_penColor; }
    void SetPenColor(TColor color) { m_penColor = color; }
    int PenWidth() const { return m_penWidth; }
    void SetPenWidth(int width) { m_penWidth = qMax(1, width); }
    TPenStyle PenStyle() const { return m_penStyle; }
    void SetPenStyle(TPenStyle style) { m_penStyle = style; }
    TPenMode PenMode() const { return m_penMode; }
    void SetPenMode(TPenMode mode) { m_penMode = mode; }
    TColor BrushColor() const { return m_brushColor; }
    void SetBrushColor(TColor color) { m_brushColor = color; }

    QPoint PenPos() const { return m_penPos; }
    void MoveTo(int x, int y) { m_penPos = QPoint(x, y); }
    // A line from the pen position to (x, y) without its end pixel; the pen position moves there.
    void LineTo(int x, int y);
    // Lines through consecutive points; only the last point is not drawn. The pen position
    // is not used and not changed.
    void Polyline(std::span<const QPoint> points);
    void Polyline(std::initializer_list<QPoint> points) { Polyline(std::span<const QPoint>(points.begin(), points.size())); }
    // A one-pixel outline just inside rect (right and bottom exclusive) in the brush colour.
    void FrameRect(const TRect &rect);
    // Fills rect (right and bottom exclusive) with the brush colour.
    void FillRect(const TRect &rect);

    QFont Font() const { return m_font.Font; }
    void SetFont(const QFont &font);
    TFontDescription FontDescription() const { return m_font; }
    void SetFontDescription(const TFontDescription &description);
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color) { m_fontColor = color; }

    // Size of text in the current font, unrotated.
    int TextWidth(const QString &text) const;
    int TextHeight(const QString &text) const;
    // Draws text without background with its reference point (the top-left corner of the text,
    // turned with the font's escapement) at (x, y), clipped to clip (right/bottom exclusive).
    void TextRect(const TRect &clip, int x, int y, const QString &text);
    void TextOut(int x, int y, const QString &text);

private:
    enum class Layout : quint8 { Plain32, Premultiplied32, Other };
    // Applies op to the device pixels of the logical rectangle x0..x1 by y0..y1 (inclusive)
    // that lie in the clip, each exactly once.
    template <typename PixelOp>
    void ForEachDevicePixel(int x0, int y0, int x1, int y1, PixelOp op);
    // The same over whole runs of a row: rowOp(line, first, last) for 32-bit surfaces, pixelOp for
    // the others.
    template <typename RowOp, typename PixelOp>
    void ForEachDeviceRun(int x0, int y0, int x1, int y1, RowOp rowOp, PixelOp pixelOp);
    void ApplyRop(int x0, int y0, int x1, int y1, TPenMode mode, QRgb pen);
    void DrawLine(QPoint from, QPoint to);
    QRect LogicalClipBounds() const;
    void DrawText(const TRect *clip, int x, int y, const QString &text);

    QPainter &m_painter;
    bool m_direct = false;
    QImage *m_image = nullptr; // the painter's image (direct mode)
    QImage m_scratch;          // fallback surface, logical pixels
    QImage *m_surface = nullptr; // the one written: m_image or &m_scratch
    uchar *m_bits = nullptr;
    qsizetype m_bytesPerLine = 0;
    int m_width = 0;
    int m_height = 0;
    Layout m_layout = Layout::Other;
    QPoint m_origin;           // device position of logical (0, 0)
    int m_scale = 1;           // device pixels per logical pixel
    std::vector<QRect> m_clipRects; // device pixels that may be written
    QRect m_clipBounds;
    QRgb m_fallbackBackground = 0;

    TColor m_penColor = clBlack;
    int m_penWidth = 1;
    TPenStyle m_penStyle = psSolid;
    TPenMode m_penMode = pmCopy;
    TColor m_brushColor = clWhite;
    QPoint m_penPos;
    TFontDescription m_font;
    TColor m_fontColor = clWindowText;
};
