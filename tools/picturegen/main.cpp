// Draws the launcher's pictures and writes them, in the formats the forms
// carry, into the folder named on the command line.

#include "artwork.h"
#include "drawing.h"
#include "encoders.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <functional>

namespace {

struct Output
{
    const char *name;
    std::function<QByteArray()> make;
};

void save(const QDir &folder, const Output &output)
{
    const QByteArray bytes = output.make();
    QFile file(folder.filePath(QLatin1String(output.name)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error(
            QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()).toStdString());
    std::printf("%-24s %8lld bytes\n", output.name, static_cast<long long>(bytes.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: picturegen <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "picturegen: cannot create %s\n", argv[1]);
        return 1;
    }

    constexpr int jpegQuality = 88;
    const Output outputs[] = {
        {"setup.ico", [] { return encoders::encodeIcon(artwork::setupIcon()); }},
        {"trenchmoor-setup.png", [] { return encoders::encodePng(artwork::setupIcon()); }},
        {"backdrop.bmp", [] { return encoders::encodeBitmap8(artwork::welcomeBackdrop()); }},
        {"reader.bmp", [] { return encoders::encodeBitmap8(artwork::readerArtwork()); }},
        {"cover.jpg", [] { return encoders::encodeJpeg(artwork::gameCover(), jpegQuality); }},
        {"welcome.jpg", [] { return encoders::encodeJpeg(artwork::welcomeScreen(), jpegQuality); }},
        {"range.jpg", [] { return encoders::encodeJpeg(artwork::productRange(), jpegQuality); }},
    };

    try {
        drawing::loadFonts();
        for (const Output &output : outputs)
            save(folder, output);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "picturegen: %s\n", e.what());
        return 1;
    }
    return 0;
}
