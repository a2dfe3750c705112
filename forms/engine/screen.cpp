#include "screen.h"

#include "errors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <limits>

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

QString AppObject::Path() const
{
    if (!m_pathForTesting.isEmpty())
        return m_pathForTesting;
    return QCoreApplication::applicationDirPath();
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
