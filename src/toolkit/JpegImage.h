#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a JPEG picture with libjpeg. A damaged or truncated picture is refused with
// EInvalidOperation (libjpeg's warnings count as errors), never shown half grey.
QImage DecodeJpeg(const QByteArray &data);

// Encodes a picture as a baseline JPEG (used to make the program's own pictures).
QByteArray EncodeJpeg(const QImage &image, int quality);
