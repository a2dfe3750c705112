#include "screen.h"

#include "errors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

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
    return CSng(1440.0 / primary()->logicalDotsPerInchX());
}

Single ScreenObject::TwipsPerPixelY() const
{
    return CSng(1440.0 / primary()->logicalDotsPerInchY());
}

QString AppObject::Path() const
{
    if (!m_pathForTesting.isEmpty())
        return m_pathForTesting;
    return QCoreApplication::applicationDirPath();
}

int toPixelsX(double twips)
{
    return int(std::lround(twips / Screen.TwipsPerPixelX()));
}

int toPixelsY(double twips)
{
    return int(std::lround(twips / Screen.TwipsPerPixelY()));
}

} // namespace engine
