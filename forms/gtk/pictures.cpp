#include "pictures.h"

#include "forms/core/errors.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include <gio/gio.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_FAILURE_USERMSG
#if __has_include(<stb/stb_image.h>)
#include <stb/stb_image.h>
#else
#include <stb_image.h>
#endif

namespace gtkport {

namespace {

std::uint32_t le32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint16_t le16(const unsigned char *p) { return std::uint16_t(p[0] | p[1] << 8); }

// Straight RGBA rows to a premultiplied ARGB32 surface.
Picture fromRgba(const unsigned char *rgba, int width, int height)
{
    Picture picture;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return picture;
    }
    cairo_surface_flush(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    bool alpha = false;
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<std::uint32_t *>(data + std::size_t(y) * stride);
        const unsigned char *p = rgba + std::size_t(y) * width * 4;
        for (int x = 0; x < width; ++x, p += 4) {
            const unsigned a = p[3];
            if (a == 255) {
                row[x] = 0xff000000u | p[0] << 16 | p[1] << 8 | p[2];
                continue;
            }
            alpha = true;
            row[x] = a << 24 | (p[0] * a / 255) << 16 | (p[1] * a / 255) << 8 | (p[2] * a / 255);
        }
    }
    cairo_surface_mark_dirty(surface);
    picture.surface = surface;
    picture.width = width;
    picture.height = height;
    picture.hasAlpha = alpha;
    return picture;
}

// A Windows icon file: the first image of its directory, a bitmap of 1, 4, 8,
// 24 or 32 bits a pixel stored bottom-up at twice its height, then its 1-bit
// transparency mask.
Picture decodeIcon(const unsigned char *bytes, std::size_t size)
{
    if (size < 6 + 16 || le16(bytes) != 0 || le16(bytes + 2) != 1 || le16(bytes + 4) == 0)
        return {};
    const unsigned char *entry = bytes + 6;
    const std::uint32_t length = le32(entry + 8), offset = le32(entry + 12);
    if (offset > size || length > size - offset || length < 40)
        return {};
    const unsigned char *info = bytes + offset;
    const std::uint32_t headerSize = le32(info);
    const std::int32_t width = std::int32_t(le32(info + 4)), doubled = std::int32_t(le32(info + 8));
    const int bits = le16(info + 14);
    if (headerSize < 40 || headerSize > length || le32(info + 16) != 0 || width <= 0 || width > 256 ||
        doubled <= 0 || doubled > 512 || doubled % 2)
        return {};
    const int height = doubled / 2;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return {};
    std::uint32_t colours = bits <= 8 ? le32(info + 32) : 0;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits)))
        colours = 1u << bits;
    const unsigned char *palette = info + headerSize;
    const unsigned char *pixels = palette + colours * 4;
    const std::size_t rowBytes = ((std::size_t(width) * bits + 31) / 32) * 4;
    const std::size_t maskRow = ((std::size_t(width) + 31) / 32) * 4;
    const unsigned char *mask = pixels + rowBytes * height;
    if (std::size_t(mask + maskRow * height - info) > length)
        return {};
    std::vector<unsigned char> rgba(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const unsigned char *row = pixels + rowBytes * (height - 1 - y);
        const unsigned char *maskBits = mask + maskRow * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            unsigned char *out = &rgba[(std::size_t(y) * width + x) * 4];
            unsigned char b = 0, g = 0, r = 0, a = 255;
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const unsigned index = (row[x / perByte] >> ((perByte - 1 - x % perByte) * bits)) & ((1u << bits) - 1);
                if (index < colours) {
                    b = palette[index * 4];
                    g = palette[index * 4 + 1];
                    r = palette[index * 4 + 2];
                }
            } else {
                const unsigned char *p = row + std::size_t(x) * (bits / 8);
                b = p[0];
                g = p[1];
                r = p[2];
                if (bits == 32)
                    a = p[3];
            }
            if (bits != 32 && (maskBits[x / 8] >> (7 - x % 8) & 1))
                a = 0;
            out[0] = r;
            out[1] = g;
            out[2] = b;
            out[3] = a;
        }
    }
    return fromRgba(rgba.data(), width, height);
}

[[noreturn]] void invalid(const std::string &what, const std::string &why = {})
{
    engine::raise(engine::err::InvalidPicture, "Invalid picture (" + what + (why.empty() ? "" : ": " + why) + ")");
}

} // namespace

Picture decodePictureBytes(const unsigned char *bytes, std::size_t size)
{
    if (size >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0)
        return decodeIcon(bytes, size);
    if (size > 0x7fffffff)
        return {};
    int width = 0, height = 0, components = 0;
    unsigned char *rgba = stbi_load_from_memory(bytes, int(size), &width, &height, &components, 4);
    if (!rgba)
        return {};
    Picture picture = fromRgba(rgba, width, height);
    stbi_image_free(rgba);
    return picture;
}

const Picture &decodePicture(const std::string &resource, const std::string &description)
{
    // Kept for the program's life: never destroyed, so that the surfaces stay
    // owned to the end (a map destroyed at exit would drop them unfreed).
    static auto &decoded = *new std::map<std::string, Picture>;
    auto found = decoded.find(resource);
    if (found != decoded.end())
        return found->second;
    const std::string what = description.empty() ? resource : description;
    GBytes *bytes = g_resources_lookup_data(("/trenchmoor/pictures/" + resource).c_str(),
                                            G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    if (!bytes)
        invalid(what, "not found");
    gsize size = 0;
    const auto *data = static_cast<const unsigned char *>(g_bytes_get_data(bytes, &size));
    Picture picture = decodePictureBytes(data, size);
    g_bytes_unref(bytes);
    if (!picture.surface)
        invalid(what);
    return decoded.emplace(resource, picture).first->second;
}

GdkPixbuf *pixbufOf(const Picture &picture)
{
    GdkPixbuf *pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, picture.width, picture.height);
    if (!pixbuf)
        return nullptr;
    cairo_surface_flush(picture.surface);
    const unsigned char *data = cairo_image_surface_get_data(picture.surface);
    const int stride = cairo_image_surface_get_stride(picture.surface);
    unsigned char *out = gdk_pixbuf_get_pixels(pixbuf);
    const int outStride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < picture.height; ++y) {
        const auto *row = reinterpret_cast<const std::uint32_t *>(data + std::size_t(y) * stride);
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t p = row[x];
            const unsigned a = p >> 24;
            unsigned char *o = out + std::size_t(y) * outStride + x * 4;
            o[0] = a ? ((p >> 16 & 255) * 255 + a / 2) / a : 0;
            o[1] = a ? ((p >> 8 & 255) * 255 + a / 2) / a : 0;
            o[2] = a ? ((p & 255) * 255 + a / 2) / a : 0;
            o[3] = a;
        }
    }
    return pixbuf;
}

} // namespace gtkport
