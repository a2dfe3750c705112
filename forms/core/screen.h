// The engine's global Screen and App objects.
#pragma once

#include "values.h"

#include <string>

namespace engine {

class ScreenObject {
public:
    // The primary screen's full size in twips.
    Single Width() const;
    Single Height() const;
    // 1440 twips to the logical inch: 15 at 96 dots per inch. A resolution the
    // system reports outside 24 to 1536 dots per inch counts as 96.
    Single TwipsPerPixelX() const;
    Single TwipsPerPixelY() const;
};

class AppObject {
public:
    // The folder that holds the running program, in the system's own notation.
    std::string Path() const;
    // The program's title, in messages the engine shows.
    const std::string &Title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    // Tests run the program logic as if it had been started from another folder.
    void setPathForTesting(const std::string &path) { m_pathForTesting = path; }

private:
    std::string m_title = "Forms engine";
    std::string m_pathForTesting;
};

inline ScreenObject Screen;
inline AppObject App;

// Twips to whole pixels of the screen; halves away from zero.
int toPixelsX(double twips);
int toPixelsY(double twips);

// Twips per pixel at a resolution; one outside 24 to 1536 dots per inch, or
// not a number, counts as 96 (15 twips per pixel).
Single twipsPerPixelAt(double dotsPerInch);
// Twips to whole pixels; a result outside the int range raises Overflow.
int pixelsFor(double twips, Single twipsPerPixel);

} // namespace engine
