#include "screen.h"

#include "errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <limits>
#include <unistd.h>

namespace engine {

QScreen *ScreenObject::primary()
{
    QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::primaryScreen()
        : nullptr;
    if (!screen)
        raise(err::NoDisplay, QStringLiteral("No screen is available"));
    return screen;
}

Single ScreenObject::Width() const
{
    return CSng(primary()->geometry().width() * double(TwipsPerPixelX()));
}

Single ScreenObject::Height() const
{
    return CSng(primary()->geometry().height() * double(TwipsPerPixelY()));
}

Single ScreenObject::TwipsPerPixelX() const
{
    return twipsPerPixelAt(primary()->logicalDotsPerInchX());
}

Single ScreenObject::TwipsPerPixelY() const
{
    return twipsPerPixelAt(primary()->logicalDotsPerInchY());
}

std::string AppObject::PathBytes() const
{
    if (!m_pathForTesting.empty())
        return m_pathForTesting;
    // The bytes the kernel knows the program by: no round trip through a
    // text encoding, which would lose a folder name that is not UTF-8.
    std::string exe(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", exe.data(), exe.size());
        if (length < 0)
            break;
        if (std::size_t(length) < exe.size()) {
            exe.resize(std::size_t(length));
            const std::size_t slash = exe.rfind('/');
            if (slash == std::string::npos)
                break;
            return slash == 0 ? std::string("/") : exe.substr(0, slash);
        }
        exe.resize(exe.size() * 2);
    }
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

QString AppObject::Path() const
{
    return QFile::decodeName(QByteArray::fromStdString(PathBytes()));
}

void AppObject::setPathForTesting(const QString &path)
{
    m_pathForTesting = QFile::encodeName(path).toStdString();
}

Single twipsPerPixelAt(double dotsPerInch)
{
    // A resolution no screen has (a broken or hostile Xft.dpi) counts as 96.
    if (!(dotsPerInch >= 24 && dotsPerInch <= 1536))
        dotsPerInch = 96;
    return CSng(1440.0 / dotsPerInch);
}

int pixelsFor(double twips, Single twipsPerPixel)
{
    const double pixels = std::round(twips / twipsPerPixel);
    if (!std::isfinite(pixels) || pixels < std::numeric_limits<int>::min() || pixels > std::numeric_limits<int>::max())
        raise(err::Overflow, QStringLiteral("Overflow"));
    return int(pixels);
}

int toPixelsX(double twips)
{
    return pixelsFor(twips, Screen.TwipsPerPixelX());
}

int toPixelsY(double twips)
{
    return pixelsFor(twips, Screen.TwipsPerPixelY());
}

} // namespace engine
