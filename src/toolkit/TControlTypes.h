#pragma once

#include "QtColor.h"

#include <QObject>
#include <QRect>
#include <functional>

class QPainter;
class QWidget;

// Enumerations shared by the toolkit's standard controls and the widgets built on them. They live in
// one meta-object namespace so that the layout loader can set them by name ("taCenter") and several
// widget families can use the same type; a class brings the values into its own scope with
// `using enum`, so derived widgets write them unqualified and callers write `TLabel::taCenter` or
// `Tk::taCenter`.
namespace Tk {
Q_NAMESPACE

// Horizontal placement of a caption.
enum TAlignment : quint8 { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)

// Vertical placement of a label's text.
enum TTextLayout : quint8 { tlTop, tlCenter, tlBottom };
Q_ENUM_NS(TTextLayout)

// Style of a panel's inner or outer bevel; bvSpace keeps the room of a bevel in the panel's colour.
enum TBevelCut : quint8 { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)

// A windowed control's border: none, or the window system's one (a line, or a sunken client edge).
enum TBorderStyle : quint8 { bsNone, bsSingle };
Q_ENUM_NS(TBorderStyle)

// Border of a static text.
enum TStaticBorderStyle : quint8 { sbsNone, sbsSingle, sbsSunken };
Q_ENUM_NS(TStaticBorderStyle)

// Where a speed button's glyph stands relative to its caption.
enum TButtonLayout : quint8 { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

// What a speed button shows: up, pressed by the mouse, disabled, or held down (`Down`). It is also
// the index of the glyph image used for that look.
enum TButtonState : quint8 { bsUp, bsDisabled, bsDown, bsExclusive };
Q_ENUM_NS(TButtonState)

} // namespace Tk

// Events: single assignable handlers, Sender first.
using TNotifyEvent = std::function<void(QObject *Sender)>;
using TMouseEvent = std::function<void(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                       int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject *Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;

// Paints Width one-pixel frames inside Rect, each inset by one from the last: top and left lines in
// TopLeft, right and bottom lines in BottomRight (the top-right and bottom-left corner pixels end in
// BottomRight). Rect comes back inset by Width on every side.
void Frame3D(QPainter &painter, QRect &rect, const QColor &topLeft, const QColor &bottomRight, int width);

// The colour a control with ParentColor takes from its container: the container's published Color
// when it has one, otherwise the colour its background is painted in.
TColor ParentColorOf(const QWidget *parent);
