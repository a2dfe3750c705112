#include "pictures.h"

#include "forms/core/errors.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <map>

namespace qtport {

QImage decodePictureBytes(const QByteArray &bytes, const std::string &what)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    QImage image;
    if (format == "bmp" || format == "jpeg" || format == "ico")
        image = reader.read();
    if (image.isNull())
        engine::raise(engine::err::InvalidPicture, "Invalid picture (" + what + ")");
    return image;
}

namespace {

// Returned by value (a QImage shares its pixels): the map may grow under a caller.
std::map<std::string, QImage> decoded;

} // namespace

void forgetPicture(const std::string &resource)
{
    decoded.erase(resource);
}

QImage decodePicture(const std::string &resource, const std::string &description)
{
    auto found = decoded.find(resource);
    if (found != decoded.end())
        return found->second;
    const std::string what = description.empty() ? resource : description;
    QFile file(QStringLiteral(":/pictures/") + QString::fromStdString(resource));
    if (!file.open(QIODevice::ReadOnly))
        engine::raise(engine::err::InvalidPicture, "Invalid picture (" + what + ": not found)");
    return decoded.emplace(resource, decodePictureBytes(file.readAll(), what)).first->second;
}

} // namespace qtport
