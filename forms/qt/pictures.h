// Pictures held inside the program as Qt resources: decoded once, on first use,
// and kept until forgotten.
#pragma once

#include <QImage>
#include <future>
#include <string>

namespace qtport {

// The decoded picture of a resource ("cover.jpg" is ":/pictures/cover.jpg"). A
// resource that is missing or does not decode as a bitmap, JPEG or icon raises
// "Invalid picture".
QImage decodePicture(const std::string &resource, const std::string &description = {});

// A picture whose decoding has been started ahead of its use.
struct PictureAhead {
    std::shared_future<QImage> image; // a null image if the pixels do not decode
    bool opaque = false;              // no transparent pixels, by its header
};

// Starts decoding the picture of a resource on Qt's thread pool and returns at
// once; decodePicture then waits for it. A resource that is missing, or whose
// header is not that of a bitmap or JPEG, is decoded at once as decodePicture
// does: "Invalid picture" is raised here, not later.
PictureAhead decodePictureAhead(const std::string &resource, const std::string &description = {});

// Lets the kept picture of a resource go (its pixels are freed once no QImage
// holds them); the next decodePicture decodes it again.
void forgetPicture(const std::string &resource);

// Decodes picture file bytes; raises "Invalid picture" naming `what` when they do not decode.
QImage decodePictureBytes(const QByteArray &bytes, const std::string &what);

} // namespace qtport
