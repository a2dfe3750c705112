// Writers for the three file formats the forms carry. Every writer is
// deterministic: the same image gives the same bytes.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

namespace encoders {

// The 16 colours of the standard Windows palette, in their usual order.
QList<QRgb> windowsPalette16();

// A fixed 256-colour palette: a 6x6x6 colour cube followed by greys and the
// named colours of the artwork.
QList<QRgb> bitmapPalette256();

// Maps every pixel to its nearest palette entry. With dither, the rounding
// error is spread to the neighbours (Floyd-Steinberg), which keeps gradients
// smooth; areas painted exactly in a palette colour stay flat either way.
QImage quantise(const QImage &art, const QList<QRgb> &palette, bool dither);

// Windows icon file with one 32x32 image, 4 bits a pixel, 16-colour palette
// and a 1-bit AND mask. Pixels with alpha below half are transparent.
QByteArray encodeIcon(const QImage &art);

// Windows bitmap: 14-byte file header, 40-byte info header, 8 bits a pixel,
// 256-colour palette, uncompressed, rows bottom-up.
QByteArray encodeBitmap8(const QImage &art);

// Baseline JFIF 1.02 JPEG with three components (YCbCr).
QByteArray encodeJpeg(const QImage &art, int quality);

// PNG with alpha, for desktop environments.
QByteArray encodePng(const QImage &art);

} // namespace encoders
