#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a PNG picture with libpng, into ARGB32 (alpha kept, not premultiplied). Damaged data
// is refused with EInvalidOperation.
QImage DecodePng(const QByteArray &data);

// Decodes stored picture data of any format the program meets. PNG and JPEG, told by their first
// bytes, go straight to their libraries; anything else goes through Qt's image readers, which
// load their format plugins first. Unreadable data is refused with EInvalidOperation.
QImage DecodePicture(const QByteArray &data);
