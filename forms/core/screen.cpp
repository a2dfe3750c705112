#include "screen.h"

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

int toPixelsX(double twips)
{
    return int(std::lround(twips / Screen.TwipsPerPixelX()));
}

int toPixelsY(double twips)
{
    return int(std::lround(twips / Screen.TwipsPerPixelY()));
}

} // namespace engine
