#include "placement.h"

#include <algorithm>

namespace placement {

using engine::CLng;
using engine::CSng;

FitFactors fitFactors(Single screenWidth, Single screenHeight, Single designWidth, Single designHeight)
{
    return {CSng(double(screenWidth) / designWidth), CSng(double(screenHeight) / designHeight)};
}

Single scaled(Single size, Single factor)
{
    return CSng(double(size) * factor);
}

DialogPosition dialogPosition(const DialogPlacementInput &in)
{
    const double marginX = 10.0 * in.twipsPerPixelX;
    const double marginY = 10.0 * in.twipsPerPixelY;

    Long left = CLng(2.0 * in.coverLeft + in.coverWidth);
    if (left + double(in.dialogWidth) + marginX > in.screenWidth)
        left = CLng(in.screenWidth - marginX - in.dialogWidth);

    // Rounded when centred, and again when moved down a quarter screen.
    Long top = CLng((double(in.screenHeight) - in.dialogHeight) / 2.0);
    top = CLng(in.screenHeight / 4.0 + top);
    if (top + double(in.dialogHeight) + marginY > in.screenHeight)
        top = CLng(in.screenHeight - marginY - in.dialogHeight);

    // A dialog larger than the screen opens at its left or top edge.
    return {std::max<Long>(left, 0), std::max<Long>(top, 0)};
}

Single centredOver(Long origin, Single outer, Single inner)
{
    return CSng(origin + (double(outer) - inner) / 2.0);
}

Single insideEdge(Single screenSize, Single controlSize, int pixels, Single twipsPerPixel)
{
    return CSng(double(screenSize) - controlSize - pixels * double(twipsPerPixel));
}

std::string installerPath(const std::string &folder, const std::string &file)
{
#ifdef _WIN32
    const char separator = '\\';
    const bool ends = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
#else
    // A backslash is an ordinary character of a POSIX file name.
    const char separator = '/';
    const bool ends = !folder.empty() && folder.back() == '/';
#endif
    if (ends)
        return folder + file;
    return folder + separator + file;
}

} // namespace placement
