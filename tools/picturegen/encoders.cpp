#include "encoders.h"

#include "colours.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <vector>

namespace encoders {
namespace {

// Little-endian byte sink for the Windows headers.
class LittleEndian
{
public:
    void u8(int v) { m_bytes.append(char(v & 0xff)); }
    void u16(quint32 v)
    {
        u8(int(v));
        u8(int(v >> 8));
    }
    void u32(quint32 v)
    {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    void raw(const QByteArray &bytes) { m_bytes.append(bytes); }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

constexpr int kInfoHeaderSize = 40;
constexpr int kFileHeaderSize = 14;
constexpr quint32 kPixelsPerMetre = 3780; // 96 dots per inch

void writeInfoHeader(LittleEndian &out, int width, int storedHeight, int bitsPerPixel,
                     quint32 imageBytes, quint32 coloursUsed)
{
    out.u32(kInfoHeaderSize);
    out.u32(quint32(width));
    out.u32(quint32(storedHeight)); // positive: rows bottom-up
    out.u16(1);                     // planes
    out.u16(quint32(bitsPerPixel));
    out.u32(0); // BI_RGB, uncompressed
    out.u32(imageBytes);
    out.u32(kPixelsPerMetre);
    out.u32(kPixelsPerMetre);
    out.u32(coloursUsed);
    out.u32(0); // all colours important
}

void writePalette(LittleEndian &out, const QList<QRgb> &palette)
{
    for (QRgb c : palette) {
        out.u8(qBlue(c));
        out.u8(qGreen(c));
        out.u8(qRed(c));
        out.u8(0);
    }
}

int rowStride(int width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// Weighted distance: the eye is most sensitive to green, least to blue.
int distance(int r, int g, int b, QRgb c)
{
    const int dr = r - qRed(c), dg = g - qGreen(c), db = b - qBlue(c);
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

int nearest(int r, int g, int b, const QList<QRgb> &palette)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < palette.size(); ++i) {
        const int d = distance(r, g, b, palette[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

QByteArray encodeWith(const QImage &image, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(image))
        throw std::runtime_error(QStringLiteral("cannot encode %1: %2")
                                     .arg(QLatin1String(format), writer.errorString())
                                     .toStdString());
    return bytes;
}

} // namespace

QList<QRgb> windowsPalette16()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QList<QRgb> bitmapPalette256()
{
    QList<QRgb> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.append(qRgb(r * 51, g * 51, b * 51));

    // Greys between the steps of the cube, for anti-aliased text and rules.
    for (int v : {17, 34, 68, 85, 119, 136, 170, 187, 214, 221, 232, 238, 246})
        palette.append(qRgb(v, v, v));

    using namespace colours;
    const QColor named[] = {
        orange,  orangeDeep, orangeDark, orangeLight,          orangePale,
        {255, 176, 96},      {255, 208, 160},                  {255, 224, 192},
        {255, 240, 224},     {255, 144, 32},                   navy,
        navyMid, navySoft,   {128, 128, 176},                  {192, 192, 216},
        {224, 224, 236},     skin,                             skinShade,
        sand,    mud,        mudDark,                          sky,
        skyLight, skyPale,   khaki,                            grass,
        field,
    };
    for (const QColor &c : named)
        palette.append(c.rgb());

    // Any slots left over take further light greys, so that no entry repeats.
    for (int v = 250; palette.size() < 256; v -= 8)
        palette.append(qRgb(v, v, v));
    if (palette.size() != 256)
        throw std::logic_error("bitmap palette must have 256 entries");
    return palette;
}

QImage quantise(const QImage &art, const QList<QRgb> &palette, bool dither)
{
    const QImage source = art.convertToFormat(QImage::Format_RGB32);
    const int w = source.width(), h = source.height();
    QImage indexed(w, h, QImage::Format_Indexed8);
    indexed.setColorTable(palette);

    // Errors carried to the current and the next row, in sixteenths.
    std::vector<std::array<int, 3>> here(size_t(w + 2)), next(size_t(w + 2));
    for (int y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), std::array<int, 3>{0, 0, 0});
        const QRgb *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const auto &carried = here[size_t(x + 1)];
            const int r = std::clamp(qRed(in[x]) + carried[0] / 16, 0, 255);
            const int g = std::clamp(qGreen(in[x]) + carried[1] / 16, 0, 255);
            const int b = std::clamp(qBlue(in[x]) + carried[2] / 16, 0, 255);
            const int index = nearest(r, g, b, palette);
            out[x] = uchar(index);
            if (!dither)
                continue;
            const int error[3] = {r - qRed(palette[index]), g - qGreen(palette[index]),
                                  b - qBlue(palette[index])};
            for (int c = 0; c < 3; ++c) {
                here[size_t(x + 2)][c] += error[c] * 7;
                next[size_t(x)][c] += error[c] * 3;
                next[size_t(x + 1)][c] += error[c] * 5;
                next[size_t(x + 2)][c] += error[c] * 1;
            }
        }
        std::swap(here, next);
    }
    return indexed;
}

QByteArray encodeIcon(const QImage &art)
{
    if (art.size() != QSize(32, 32))
        throw std::invalid_argument("the icon must be 32x32 pixels");
    const QImage argb = art.convertToFormat(QImage::Format_ARGB32);
    const QList<QRgb> palette = windowsPalette16();
    const QImage indexed = quantise(argb, palette, false);

    constexpr int size = 32;
    const int xorStride = rowStride(size, 4);  // 16 bytes
    const int andStride = rowStride(size, 1);  // 4 bytes
    const int imageBytes = size * (xorStride + andStride);
    const int resourceBytes = kInfoHeaderSize + 16 * 4 + imageBytes;

    LittleEndian out;
    // Icon directory and its single entry.
    out.u16(0);
    out.u16(1); // type: icon
    out.u16(1); // one image
    out.u8(size);
    out.u8(size);
    out.u8(16); // colours
    out.u8(0);
    out.u16(1);   // planes
    out.u16(4);   // bits a pixel
    out.u32(quint32(resourceBytes));
    out.u32(6 + 16);

    // The image: info header with the height of colour plus mask, palette,
    // colour (XOR) rows, then mask (AND) rows, both bottom-up.
    writeInfoHeader(out, size, size * 2, 4, quint32(imageBytes), 0);
    writePalette(out, palette);
    for (int y = size - 1; y >= 0; --y) {
        const uchar *row = indexed.constScanLine(y);
        const QRgb *alpha = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < size; x += 2) {
            const int hi = qAlpha(alpha[x]) >= 128 ? row[x] : 0;
            const int lo = qAlpha(alpha[x + 1]) >= 128 ? row[x + 1] : 0;
            out.u8((hi << 4) | lo);
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        const QRgb *alpha = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        quint32 bits = 0;
        for (int x = 0; x < size; ++x)
            if (qAlpha(alpha[x]) < 128)
                bits |= 0x80000000u >> x;
        // The mask row is a bit string read from its first byte onward.
        out.u8(int(bits >> 24));
        out.u8(int(bits >> 16));
        out.u8(int(bits >> 8));
        out.u8(int(bits));
    }
    return out.bytes();
}

QByteArray encodeBitmap8(const QImage &art)
{
    const QList<QRgb> palette = bitmapPalette256();
    const QImage indexed = quantise(art, palette, true);
    const int w = indexed.width(), h = indexed.height();
    const int stride = rowStride(w, 8);
    const int pixelOffset = kFileHeaderSize + kInfoHeaderSize + 256 * 4;
    const int fileSize = pixelOffset + stride * h;

    LittleEndian out;
    out.u8('B');
    out.u8('M');
    out.u32(quint32(fileSize));
    out.u32(0); // reserved
    out.u32(quint32(pixelOffset));
    writeInfoHeader(out, w, h, 8, quint32(stride * h), 256);
    writePalette(out, palette);
    const QByteArray padding(stride - w, '\0');
    for (int y = h - 1; y >= 0; --y) {
        out.raw(QByteArray(reinterpret_cast<const char *>(indexed.constScanLine(y)), w));
        out.raw(padding);
    }
    return out.bytes();
}

QByteArray encodeJpeg(const QImage &art, int quality)
{
    QByteArray bytes = encodeWith(art.convertToFormat(QImage::Format_RGB32), "jpeg", quality);
    // libjpeg writes a JFIF 1.01 header: SOI, then APP0 with its length,
    // "JFIF\0" and the major and minor version. Mark it 1.02.
    static const QByteArray jfifStart("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01", 13);
    if (!bytes.startsWith(jfifStart))
        throw std::runtime_error("the JPEG encoder did not write a JFIF header first");
    bytes[12] = 2;
    return bytes;
}

QByteArray encodePng(const QImage &art)
{
    return encodeWith(art.convertToFormat(QImage::Format_ARGB32), "png", -1);
}

} // namespace encoders
