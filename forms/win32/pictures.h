// Pictures held inside the program as RCDATA resources under their file names
// ("COVER.JPG"), decoded by Windows itself (OleLoadPicture reads bitmaps, JPEG
// images and icons), once, on first use, and kept for the program's life.
#pragma once

#include <string>

#include <windows.h>

namespace win32port {

struct Picture {
    HBITMAP bitmap = nullptr; // bitmaps and JPEG images
    HICON icon = nullptr;     // icons
    int width = 0, height = 0; // pixels
};

// Raises "Invalid picture" naming the description when the resource is missing
// or does not decode.
const Picture &decodePicture(const std::string &resource, const std::string &description);

} // namespace win32port
