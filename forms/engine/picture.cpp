#include "picture.h"

#include "errors.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImageReader>

namespace engine {

QImage decodePictureBytes(const QByteArray &bytes, const QString &what)
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
        raise(err::InvalidPicture, QStringLiteral("Invalid picture (%1)").arg(what));
    return image;
}

QImage decodePicture(const QString &resource, const QString &description)
{
    // Handed out by value (QImage shares its pixels): entries move when the
    // cache grows, so no reference into it may leave.
    static QHash<QString, QImage> decoded;
    auto found = decoded.constFind(resource);
    if (found != decoded.constEnd())
        return *found;
    const QString what = description.isEmpty() ? resource : description;
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        raise(err::InvalidPicture, QStringLiteral("Invalid picture (%1: not found)").arg(what));
    const QImage image = decodePictureBytes(file.readAll(), what);
    decoded.insert(resource, image);
    return image;
}

} // namespace engine
