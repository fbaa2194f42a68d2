#pragma once

#include <QImage>
#include <QString>

// The built-in pictures of the colour button, drawn by the program: "FRCOLOR", "BKCOLOR" and
// "LNCOLOR" (16 x 16 glyphs for text, fill and line colours) and "DROPDOWN" (the 5 x 5 arrow).
// Their background is silver ($C0C0C0), which is also the bottom-left pixel, so a speed button
// shows it as transparent. An unknown name gives a null image.
QImage ColorButtonImage(const QString &name);
