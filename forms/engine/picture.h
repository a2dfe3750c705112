// Pictures held inside the program: decoded once, on first use, and kept.
#pragma once

#include <QImage>
#include <QString>

namespace engine {

// The decoded picture of a resource (":/pictures/cover.jpg"). A resource that is
// missing or does not decode as a bitmap, JPEG or icon raises "Invalid picture".
QImage decodePicture(const QString &resource, const QString &description = {});

// Decodes picture file bytes; raises "Invalid picture" naming `what` when they do not decode.
QImage decodePictureBytes(const QByteArray &bytes, const QString &what);

} // namespace engine
