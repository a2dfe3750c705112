// The engine's global Screen and App objects.
#pragma once

#include "vbtypes.h"

#include <QString>
#include <string>

class QScreen;

namespace engine {

class ScreenObject {
public:
    // The primary screen's full size in twips.
    Single Width() const;
    Single Height() const;
    // 1440 twips to the logical inch: 15 at 96 dots per inch.
    Single TwipsPerPixelX() const;
    Single TwipsPerPixelY() const;

private:
    static QScreen *primary();
};

class AppObject {
public:
    // The folder that holds the running program, in the platform's own notation.
    QString Path() const;
    // The same folder as the file system names it: bytes, whatever their encoding.
    std::string PathBytes() const;
    // Tests run the program logic as if it had been started from another folder.
    void setPathForTesting(const QString &path);
    void setPathBytesForTesting(const std::string &path) { m_pathForTesting = path; }

private:
    std::string m_pathForTesting;
};

inline ScreenObject Screen;
inline AppObject App;

// Twips to whole device-independent pixels and back.
int toPixelsX(double twips);
int toPixelsY(double twips);

// Twips per pixel at a resolution; one outside 24 to 1536 dots per inch, or
// not a number, counts as 96 (15 twips per pixel).
Single twipsPerPixelAt(double dotsPerInch);
// Twips to whole pixels; a result outside the int range raises Overflow.
int pixelsFor(double twips, Single twipsPerPixel);

} // namespace engine
