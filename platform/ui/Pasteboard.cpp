#include "platform/ui/Pasteboard.h"

#include "platform/foundation/PropertyList.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QMimeData>
#include <QUrl>

namespace {

constexpr char kOwnTypePrefix[] = "application/x-lumisk.pasteboard.";
constexpr char kTiffMimeType[] = "image/tiff";

QString str(const char* text) {
    return QString::fromLatin1(text);
}

bool allLocalFiles(const QList<QUrl>& urls) {
    if (urls.isEmpty())
        return false;
    for (const QUrl& url : urls)
        if (!url.isLocalFile())
            return false;
    return true;
}

} // namespace

Pasteboard::Pasteboard(const QMimeData* data) : _data(data) {}

QString Pasteboard::mimeTypeForType(const QString& type) {
    if (type == str(FilenamesPboardType) || type == str(URLPboardType))
        return str("text/uri-list");
    if (type == str(TIFFPboardType))
        return str(kTiffMimeType);
    return str(kOwnTypePrefix) + type;
}

QStringList Pasteboard::types() const {
    QStringList types;
    if (!_data)
        return types;
    if (!_data->urls().isEmpty()) {
        if (allLocalFiles(_data->urls()))
            types.append(str(FilenamesPboardType));
        types.append(str(URLPboardType));
    }
    if (_data->hasFormat(str(kTiffMimeType)) || _data->hasImage())
        types.append(str(TIFFPboardType));
    const QString prefix = str(kOwnTypePrefix);
    for (const QString& format : _data->formats())
        if (format.startsWith(prefix))
            types.append(format.mid(prefix.size()));
    return types;
}

bool Pasteboard::hasType(const QString& type) const {
    return types().contains(type);
}

QString Pasteboard::availableTypeFromArray(const QStringList& wanted) const {
    const QStringList offered = types();
    for (const QString& type : wanted)
        if (offered.contains(type))
            return type;
    return {};
}

QVariant Pasteboard::propertyListForType(const QString& type) const {
    if (!hasType(type))
        return {};
    if (type == str(FilenamesPboardType)) {
        QVariantList paths;
        for (const QUrl& url : _data->urls())
            paths.append(url.toLocalFile());
        return paths;
    }
    if (type == str(URLPboardType))
        return QVariantList{_data->urls().constFirst().toString(QUrl::FullyEncoded),
                            QString(QLatin1String(""))};
    if (type == str(TIFFPboardType))
        return {};
    return PropertyList::fromXml(_data->data(mimeTypeForType(type)));
}

QByteArray Pasteboard::dataForType(const QString& type) const {
    if (!hasType(type))
        return {};
    if (type == str(TIFFPboardType)) {
        if (_data->hasFormat(str(kTiffMimeType)))
            return _data->data(str(kTiffMimeType));
        const QImage image = qvariant_cast<QImage>(_data->imageData());
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (image.isNull() || !buffer.open(QIODevice::WriteOnly) ||
            !QImageWriter(&buffer, "tiff").write(image))
            return {};
        return bytes;
    }
    return _data->data(mimeTypeForType(type));
}

bool Pasteboard::setPropertyListForType(QMimeData& data, const QVariant& propertyList,
                                        const QString& type) {
    if (type == str(FilenamesPboardType)) {
        QList<QUrl> urls;
        for (const QVariant& path : propertyList.toList())
            urls.append(QUrl::fromLocalFile(path.toString()));
        data.setUrls(urls);
        return !urls.isEmpty();
    }
    if (type == str(URLPboardType)) {
        const QVariantList entries = propertyList.toList();
        if (entries.isEmpty())
            return false;
        const QUrl url(entries.constFirst().toString());
        if (!url.isValid())
            return false;
        data.setUrls({url});
        return true;
    }
    if (type == str(TIFFPboardType))
        return false;
    const QByteArray bytes = PropertyList::toXml(propertyList);
    if (bytes.isEmpty())
        return false;
    data.setData(mimeTypeForType(type), bytes);
    return true;
}

void Pasteboard::setDataForType(QMimeData& data, const QByteArray& bytes, const QString& type) {
    data.setData(mimeTypeForType(type), bytes);
}
