// Checks the committed pictures from their bytes: each must be exactly the
// file format, bit depth, row order and pixel size that the forms expect, and
// must decode to that size.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QTest>

namespace {

enum class Kind { Icon, Bitmap, Jpeg, Png };

QByteArray readPicture(const QString &name)
{
    QFile file(QStringLiteral(PICTURES_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

quint32 le16(const QByteArray &b, int at)
{
    return quint8(b[at]) | quint32(quint8(b[at + 1])) << 8;
}

quint32 le32(const QByteArray &b, int at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

qint32 le32signed(const QByteArray &b, int at)
{
    return qint32(le32(b, at));
}

quint32 be16(const QByteArray &b, int at)
{
    return quint32(quint8(b[at])) << 8 | quint8(b[at + 1]);
}

struct Segment
{
    int marker;  // second byte of the marker, 0xE0 for APP0
    int offset;  // first byte after the length field
    int length;  // bytes after the length field
};

// The marker segments of a JPEG file from SOI up to the first scan.
QList<Segment> jpegSegments(const QByteArray &b)
{
    QList<Segment> segments;
    int at = 2;
    while (at + 4 <= b.size()) {
        if (quint8(b[at]) != 0xff)
            return {}; // not at a marker: the file is damaged
        while (at < b.size() && quint8(b[at]) == 0xff)
            ++at; // fill bytes
        const int marker = quint8(b[at]);
        ++at;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue; // markers without a length
        const int length = int(be16(b, at)) - 2;
        if (length < 0 || at + 2 + length > b.size())
            return {};
        segments.append({marker, at + 2, length});
        if (marker == 0xda)
            break; // start of scan: entropy-coded data follows
        at += 2 + length;
    }
    return segments;
}

bool isStartOfFrame(int marker)
{
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8
        && marker != 0xcc;
}

// The 40-byte info header shared by bitmaps and icon images, at offset at.
void checkInfoHeader(const QByteArray &b, int at, int width, int storedHeight, int bitsPerPixel)
{
    QCOMPARE(le32(b, at), 40u);
    QCOMPARE(le32signed(b, at + 4), width);
    QCOMPARE(le32signed(b, at + 8), storedHeight); // positive: rows bottom-up
    QCOMPARE(le16(b, at + 12), 1u);                // planes
    QCOMPARE(int(le16(b, at + 14)), bitsPerPixel);
    QCOMPARE(le32(b, at + 16), 0u); // BI_RGB, uncompressed
    const quint32 coloursUsed = le32(b, at + 32);
    QVERIFY2(coloursUsed == 0 || coloursUsed == 1u << bitsPerPixel,
             "the palette must hold the full 2^bits entries");
}

void checkIcon(const QByteArray &b, int width, int height)
{
    constexpr int directory = 6, entry = 16, info = 40, palette = 16 * 4;
    const int xorBytes = height * ((width * 4 + 31) / 32) * 4;
    const int andBytes = height * ((width + 31) / 32) * 4;
    QCOMPARE(le16(b, 0), 0u);
    QCOMPARE(le16(b, 2), 1u); // icon, not cursor
    QCOMPARE(le16(b, 4), 1u); // one image

    QCOMPARE(int(quint8(b[6])), width);
    QCOMPARE(int(quint8(b[7])), height);
    QCOMPARE(int(quint8(b[8])), 16); // colours
    QCOMPARE(le16(b, 10), 1u);       // planes
    QCOMPARE(le16(b, 12), 4u);       // bits a pixel
    const int imageBytes = info + palette + xorBytes + andBytes;
    QCOMPARE(int(le32(b, 14)), imageBytes);
    QCOMPARE(int(le32(b, 18)), directory + entry);
    QCOMPARE(b.size(), directory + entry + imageBytes);

    // The image's height counts the colour rows and the mask rows.
    checkInfoHeader(b, directory + entry, width, height * 2, 4);
    if (QTest::currentTestFailed())
        return;

    // Transparent ground: the mask must mark some pixels, but not all.
    const QByteArray mask = b.right(andBytes);
    QVERIFY2(mask.count('\0') != mask.size(), "the mask makes no pixel transparent");
    QVERIFY2(mask.count('\xff') != mask.size(), "the mask makes every pixel transparent");
}

void checkBitmap(const QByteArray &b, int width, int height)
{
    constexpr int fileHeader = 14, info = 40, palette = 256 * 4;
    const int stride = (width + 3) / 4 * 4;
    QCOMPARE(b.left(2), QByteArray("BM"));
    QCOMPARE(int(le32(b, 2)), b.size());
    QCOMPARE(le32(b, 6), 0u); // reserved
    QCOMPARE(int(le32(b, 10)), fileHeader + info + palette);
    checkInfoHeader(b, fileHeader, width, height, 8);
    if (QTest::currentTestFailed())
        return;
    const quint32 imageBytes = le32(b, fileHeader + 20);
    QVERIFY(imageBytes == 0 || int(imageBytes) == stride * height);
    QCOMPARE(b.size(), fileHeader + info + palette + stride * height);
}

void checkJpeg(const QByteArray &b, int width, int height)
{
    QCOMPARE(be16(b, 0), 0xffd8u); // SOI
    QCOMPARE(be16(b, b.size() - 2), 0xffd9u); // EOI
    const QList<Segment> segments = jpegSegments(b);
    QVERIFY2(!segments.isEmpty(), "the marker segments cannot be walked");
    QCOMPARE(segments.last().marker, 0xda); // reaches a scan

    const Segment &app0 = segments.first();
    QCOMPARE(app0.marker, 0xe0);
    QVERIFY(app0.length >= 9);
    QCOMPARE(b.mid(app0.offset, 5), QByteArray("JFIF\0", 5));
    QCOMPARE(int(quint8(b[app0.offset + 5])), 1); // version 1.02
    QCOMPARE(int(quint8(b[app0.offset + 6])), 2);

    QList<int> frames;
    for (const Segment &s : segments)
        if (isStartOfFrame(s.marker))
            frames.append(s.marker);
    QCOMPARE(frames, QList<int>{0xc0}); // one baseline frame; no progressive SOF2

    for (const Segment &s : segments) {
        if (s.marker != 0xc0)
            continue;
        QCOMPARE(int(quint8(b[s.offset])), 8); // precision
        QCOMPARE(int(be16(b, s.offset + 1)), height);
        QCOMPARE(int(be16(b, s.offset + 3)), width);
        QCOMPARE(int(quint8(b[s.offset + 5])), 3); // Y, Cb, Cr
        QCOMPARE(s.length, 6 + 3 * 3);
    }
}

void checkPng(const QByteArray &b, int width, int height)
{
    QCOMPARE(b.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    QCOMPARE(b.mid(12, 4), QByteArray("IHDR"));
    const auto be32 = [&](int at) { return be16(b, at) << 16 | be16(b, at + 2); };
    QCOMPARE(int(be32(16)), width);
    QCOMPARE(int(be32(20)), height);
    QCOMPARE(int(quint8(b[25])), 6); // colour type: RGB with alpha
}

} // namespace

class tst_Pictures : public QObject
{
    Q_OBJECT

private slots:
    void fileFormat_data();
    void fileFormat();
    void decodes_data() { fileFormat_data(); }
    void decodes();
};

void tst_Pictures::fileFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bytes"); // exact file size; 0 where it may vary

    QTest::newRow("setup icon") << "setup.ico" << Kind::Icon << QSize(32, 32) << 766;
    QTest::newRow("welcome backdrop") << "backdrop.bmp" << Kind::Bitmap << QSize(640, 480) << 308278;
    QTest::newRow("reader artwork") << "reader.bmp" << Kind::Bitmap << QSize(100, 108) << 11878;
    QTest::newRow("game cover") << "cover.jpg" << Kind::Jpeg << QSize(252, 308) << 0;
    QTest::newRow("welcome background") << "welcome.jpg" << Kind::Jpeg << QSize(800, 600) << 0;
    QTest::newRow("product range") << "range.jpg" << Kind::Jpeg << QSize(800, 600) << 0;
    QTest::newRow("desktop icon") << "trenchmoor-setup.png" << Kind::Png << QSize(32, 32) << 0;
}

void tst_Pictures::fileFormat()
{
    QFETCH(QString, name);
    QFETCH(Kind, kind);
    QFETCH(QSize, size);
    QFETCH(int, bytes);

    const QByteArray b = readPicture(name);
    QVERIFY2(b.size() > 64, qPrintable(name + QStringLiteral(" is missing or truncated")));
    if (bytes)
        QCOMPARE(b.size(), bytes);

    switch (kind) {
    case Kind::Icon:
        checkIcon(b, size.width(), size.height());
        break;
    case Kind::Bitmap:
        checkBitmap(b, size.width(), size.height());
        break;
    case Kind::Jpeg:
        checkJpeg(b, size.width(), size.height());
        break;
    case Kind::Png:
        checkPng(b, size.width(), size.height());
        break;
    }
}

void tst_Pictures::decodes()
{
    QFETCH(QString, name);
    QFETCH(Kind, kind);
    QFETCH(QSize, size);

    const QByteArray b = readPicture(name);
    QImage image;
    QVERIFY2(image.loadFromData(b), qPrintable(name + QStringLiteral(" does not decode")));
    QCOMPARE(image.size(), size);

    if (kind == Kind::Jpeg)
        QVERIFY(!image.isGrayscale());
    if (kind == Kind::Icon || kind == Kind::Png) {
        // Transparent at the corner of the ground, opaque in the middle of the art.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
    }
}

QTEST_MAIN(tst_Pictures)

#include "tst_pictures.moc"
