#include "pictures.h"

#include "forms/core/errors.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QThreadPool>
#include <map>
#include <memory>

namespace qtport {

namespace {

bool decodable(const QByteArray &format)
{
    return format == "bmp" || format == "jpeg" || format == "ico";
}

// A null image where the bytes are not a picture of those formats.
QImage decoded(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return decodable(reader.format()) ? reader.read() : QImage();
}

std::shared_future<QImage> ready(QImage image)
{
    std::promise<QImage> promise;
    promise.set_value(std::move(image));
    return promise.get_future().share();
}

struct Kept {
    std::shared_future<QImage> image;
    std::string what;
};

// Returned by value (a QImage shares its pixels): the map may grow under a caller.
std::map<std::string, Kept> kept;

QByteArray resourceBytes(const std::string &resource, const std::string &what)
{
    QFile file(QStringLiteral(":/pictures/") + QString::fromStdString(resource));
    if (!file.open(QIODevice::ReadOnly))
        engine::raise(engine::err::InvalidPicture, "Invalid picture (" + what + ": not found)");
    return file.readAll();
}

} // namespace

QImage decodePictureBytes(const QByteArray &bytes, const std::string &what)
{
    QImage image = decoded(bytes);
    if (image.isNull())
        engine::raise(engine::err::InvalidPicture, "Invalid picture (" + what + ")");
    return image;
}

void forgetPicture(const std::string &resource)
{
    kept.erase(resource);
}

QImage decodePicture(const std::string &resource, const std::string &description)
{
    const std::string what = description.empty() ? resource : description;
    auto found = kept.find(resource);
    if (found != kept.end()) {
        QImage image = found->second.image.get();
        if (!image.isNull())
            return image;
        // Its header promised a picture that its pixels are not.
        const std::string named = found->second.what;
        kept.erase(found);
        engine::raise(engine::err::InvalidPicture, "Invalid picture (" + named + ")");
    }
    QImage image = decodePictureBytes(resourceBytes(resource, what), what);
    kept.emplace(resource, Kept{ready(image), what});
    return image;
}

PictureAhead decodePictureAhead(const std::string &resource, const std::string &description)
{
    const std::string what = description.empty() ? resource : description;
    auto found = kept.find(resource);
    if (found == kept.end()) {
        QByteArray bytes = resourceBytes(resource, what);
        QByteArray format;
        QSize size;
        QImage::Format pixels = QImage::Format_Invalid;
        {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader header(&buffer);
            header.setDecideFormatFromContent(true);
            format = header.format();
            size = header.size();
            pixels = header.imageFormat();
        }
        if (!(format == "bmp" || format == "jpeg") || !size.isValid()) {
            // Decoded here, where what is wrong with it is raised.
            kept.emplace(resource, Kept{ready(decodePictureBytes(bytes, what)), what});
            return decodePictureAhead(resource, description);
        }
        auto promise = std::make_shared<std::promise<QImage>>();
        kept.emplace(resource, Kept{promise->get_future().share(), what});
        QThreadPool::globalInstance()->start([promise, bytes = std::move(bytes)] {
            try {
                promise->set_value(decoded(bytes));
            } catch (...) {
                promise->set_exception(std::current_exception()); // out of memory: raised where it is waited for
            }
        });
        return {kept.at(resource).image, pixels != QImage::Format_Invalid && !QImage(1, 1, pixels).hasAlphaChannel()};
    }
    const std::shared_future<QImage> image = found->second.image;
    const bool known = image.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    return {image, known && !image.get().isNull() && !image.get().hasAlphaChannel()};
}

} // namespace qtport
