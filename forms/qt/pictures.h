// Pictures held inside the program as Qt resources: decoded once, on first use,
// and kept until forgotten.
#pragma once

#include <QImage>
#include <string>

namespace qtport {

// The decoded picture of a resource ("cover.jpg" is ":/pictures/cover.jpg"). A
// resource that is missing or does not decode as a bitmap, JPEG or icon raises
// "Invalid picture".
QImage decodePicture(const std::string &resource, const std::string &description = {});

// Lets the kept picture of a resource go (its pixels are freed once no QImage
// holds them); the next decodePicture decodes it again.
void forgetPicture(const std::string &resource);

// Decodes picture file bytes; raises "Invalid picture" naming `what` when they do not decode.
QImage decodePictureBytes(const QByteArray &bytes, const std::string &what);

} // namespace qtport
