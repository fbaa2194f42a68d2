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

// Decodes pictures now, on the calling thread (one that prepares a window ahead), for the next
// DecodePicture, DecodePng or DecodeJpeg of the same data, on any thread, to take at once. Data
// that cannot be decoded is left for that later call to report.
void DecodePicturesAhead(const QList<QByteArray> &pictures);
// The picture decoded ahead from exactly this data, taken out of the store; a null image when
// there is none.
QImage TakePictureDecodedAhead(const QByteArray &data);
