// Pictures held inside the program as GResources under their file names
// (/trenchmoor/pictures/cover.jpg), decoded by the program itself: JPEG and
// bitmaps by stb_image, icons by hand. Never through gdk-pixbuf's loader
// modules, which distributions package apart. Decoded once, on first use, and
// kept for the program's life.
#pragma once

#include <string>

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

namespace gtkport {

struct Picture {
    cairo_surface_t *surface = nullptr; // ARGB32, premultiplied
    int width = 0, height = 0;          // pixels
    bool hasAlpha = false;
};

// Raises "Invalid picture" naming the description when the resource is missing
// or does not decode.
const Picture &decodePicture(const std::string &resource, const std::string &description);

// Decodes picture file bytes (bitmap, JPEG or icon) into a new surface, or
// returns a picture without one.
Picture decodePictureBytes(const unsigned char *bytes, std::size_t size);

// The picture as a pixbuf, for window icons; the caller owns it.
GdkPixbuf *pixbufOf(const Picture &picture);

} // namespace gtkport
