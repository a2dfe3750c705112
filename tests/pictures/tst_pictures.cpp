// The committed pictures in setup/pictures, read by the GTK port's decoder:
// each decodes to the size its form expects, icons with a transparent ground.
// Their file formats are checked from the bytes too: baseline JPEG and 8-bit
// bitmaps, as the Windows picture loader needs them.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include "forms/gtk/pictures.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes readPicture(const std::string &name)
{
    std::ifstream file(PICTURES_DIR "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

unsigned le16(const Bytes &b, std::size_t at) { return b[at] | b[at + 1] << 8; }
unsigned be16(const Bytes &b, std::size_t at) { return b[at] << 8 | b[at + 1]; }

// The first start-of-frame marker of a JPEG file and its number of components.
std::pair<int, int> jpegFrame(const Bytes &b)
{
    for (std::size_t at = 2; at + 9 < b.size() && b[at] == 0xff; at += 2 + be16(b, at + 2)) {
        const int marker = b[at + 1];
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
            return {marker, b[at + 9]};
    }
    return {0, 0};
}

} // namespace

TEST_CASE("every picture decodes to its size, from a file in the format it must have")
{
    const struct {
        const char *name;
        int width, height;
    } rows[] = {{"setup.ico", 32, 32},   {"backdrop.bmp", 640, 480}, {"cover.jpg", 252, 308},
                {"welcome.jpg", 800, 600}, {"reader.bmp", 100, 108}, {"range.jpg", 800, 600}};
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const Bytes b = readPicture(row.name);
        REQUIRE(b.size() > 64);
        const gtkport::Picture picture = gtkport::decodePictureBytes(b.data(), b.size());
        REQUIRE(picture.surface);
        CHECK(std::pair{picture.width, picture.height} == std::pair{row.width, row.height});
        const std::string name = row.name;
        if (name.ends_with(".ico")) {
            // One 16-colour image, transparent at the ground's corner, opaque in the middle.
            CHECK(std::vector{le16(b, 4), unsigned(b[8]), le16(b, 12)} == std::vector{1u, 16u, 4u});
            const auto *top = reinterpret_cast<const std::uint32_t *>(cairo_image_surface_get_data(picture.surface));
            const int stride = cairo_image_surface_get_stride(picture.surface) / 4;
            CHECK((top[0] >> 24) == 0);
            CHECK((top[16 * stride + 16] >> 24) == 255);
        } else if (name.ends_with(".bmp")) {
            // 8 bits a pixel, uncompressed, rows bottom-up (a positive height).
            CHECK(std::vector{unsigned(b[0]), le16(b, 28), le16(b, 30), le16(b, 24)} == std::vector{'B' + 0u, 8u, 0u, 0u});
            CHECK(!picture.hasAlpha);
        } else {
            CHECK(jpegFrame(b) == std::pair{0xc0, 3}); // baseline, in colour
            CHECK(!picture.hasAlpha);
        }
        cairo_surface_destroy(picture.surface);
    }
    // The desktop entry's icon: a 32 x 32 PNG with an alpha channel.
    const Bytes png = readPicture("trenchmoor-setup.png");
    REQUIRE(png.size() > 26);
    CHECK(std::vector{be16(png, 18), be16(png, 22), unsigned(png[25])} == std::vector{32u, 32u, 6u});
}

TEST_CASE("damaged bytes decode to no picture")
{
    const Bytes jpeg = readPicture("cover.jpg");
    const std::string gif = "GIF89a.....";
    for (const Bytes &bytes : {Bytes(jpeg.begin(), jpeg.begin() + 20), Bytes(gif.begin(), gif.end()),
                               Bytes{0, 0, 1, 0, 1, 0}, Bytes{}})
        CHECK(gtkport::decodePictureBytes(bytes.data(), bytes.size()).surface == nullptr);
}
