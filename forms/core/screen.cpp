#include "screen.h"

#include "errors.h"
#include "port.h"

#include <cmath>

namespace engine {

Single twipsPerPixelAt(double dotsPerInch)
{
    if (!std::isfinite(dotsPerInch) || dotsPerInch < 24 || dotsPerInch > 1536)
        dotsPerInch = 96;
    return CSng(1440.0 / dotsPerInch);
}

Single ScreenObject::Width() const
{
    return CSng(port().screen().width * double(TwipsPerPixelX()));
}

Single ScreenObject::Height() const
{
    return CSng(port().screen().height * double(TwipsPerPixelY()));
}

Single ScreenObject::TwipsPerPixelX() const
{
    return twipsPerPixelAt(port().screen().dpiX);
}

Single ScreenObject::TwipsPerPixelY() const
{
    return twipsPerPixelAt(port().screen().dpiY);
}

std::string AppObject::Path() const
{
    if (!m_pathForTesting.empty())
        return m_pathForTesting;
    return port().programFolder();
}

int pixelsFor(double twips, Single twipsPerPixel)
{
    const double pixels = std::round(twips / twipsPerPixel);
    if (!std::isfinite(pixels) || pixels < -2147483648.0 || pixels > 2147483647.0)
        raise(err::Overflow, "Overflow");
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
