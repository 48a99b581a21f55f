#include "platform/ui/Pasteboard.h"

#include "platform/foundation/PropertyList.h"

#include <QBuffer>
#include <QDrag>
#include <QImage>
#include <QImageWriter>
#include <QUrl>
#include <mutex>
#include <utility>

namespace {

constexpr char kOwnTypePrefix[] = "application/x-lumisk.pasteboard.";
constexpr char kTiffMimeType[] = "image/tiff";
constexpr char kPdfMimeType[] = "application/pdf";
constexpr char kTextMimeType[] = "text/plain";
constexpr char kUtf8TextMimeType[] = "text/plain;charset=utf-8";

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QList<QUrl> localFiles(const QList<QUrl>& urls) {
    QList<QUrl> files;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            files.append(url);
    return files;
}

QList<QUrl> otherURLs(const QList<QUrl>& urls) {
    QList<QUrl> others;
    for (const QUrl& url : urls)
        if (!url.isLocalFile())
            others.append(url);
    return others;
}

std::mutex gObserverMutex;
DragSession::Observer gObserver;

} // namespace

Pasteboard::Pasteboard(const QMimeData* data) : _data(data) {}

QString Pasteboard::mimeTypeForType(const QString& type) {
    if (type == str(FilenamesPboardType) || type == str(URLPboardType))
        return str("text/uri-list");
    if (type == str(TIFFPboardType))
        return str(kTiffMimeType);
    if (type == str(PDFPboardType))
        return str(kPdfMimeType);
    if (type == str(StringPboardType))
        return str(kTextMimeType);
    return str(kOwnTypePrefix) + type;
}

QStringList Pasteboard::types() const {
    QStringList types;
    if (!_data)
        return types;
    const QList<QUrl> urls = _data->urls();
    if (!localFiles(urls).isEmpty())
        types.append(str(FilenamesPboardType));
    if (!otherURLs(urls).isEmpty())
        types.append(str(URLPboardType));
    if (_data->hasFormat(str(kTiffMimeType)) || _data->hasImage())
        types.append(str(TIFFPboardType));
    if (_data->hasFormat(str(kPdfMimeType)))
        types.append(str(PDFPboardType));
    // Only text of its own: Qt would also offer a URI list as text.
    if (_data->hasFormat(str(kTextMimeType)) || _data->hasFormat(str(kUtf8TextMimeType)))
        types.append(str(StringPboardType));
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
        for (const QUrl& url : localFiles(_data->urls()))
            paths.append(url.toLocalFile());
        return paths;
    }
    if (type == str(URLPboardType))
        return QVariantList{otherURLs(_data->urls()).constFirst().toString(QUrl::FullyEncoded),
                            QString(QLatin1String(""))};
    if (type == str(TIFFPboardType))
        return {};
    if (type == str(StringPboardType))
        return _data->text();
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
    // File names and the URL share the URI list: each replaces only its own part.
    if (type == str(FilenamesPboardType)) {
        QList<QUrl> urls;
        for (const QVariant& path : propertyList.toList())
            urls.append(QUrl::fromLocalFile(path.toString()));
        if (urls.isEmpty())
            return false;
        data.setUrls(urls + otherURLs(data.urls()));
        return true;
    }
    if (type == str(URLPboardType)) {
        const QVariantList entries = propertyList.toList();
        if (entries.isEmpty())
            return false;
        const QUrl url(entries.constFirst().toString());
        if (!url.isValid() || url.isLocalFile())
            return false;
        data.setUrls(localFiles(data.urls()) + QList<QUrl>{url});
        return true;
    }
    if (type == str(TIFFPboardType))
        return false;
    if (type == str(StringPboardType)) {
        data.setText(propertyList.toString());
        return true;
    }
    const QByteArray bytes = PropertyList::toXml(propertyList);
    if (bytes.isEmpty())
        return false;
    data.setData(mimeTypeForType(type), bytes);
    return true;
}

void Pasteboard::setDataForType(QMimeData& data, const QByteArray& bytes, const QString& type) {
    data.setData(mimeTypeForType(type), bytes);
}

// ---------------------------------------------------------------------------

PasteboardData::PasteboardData(QObject* source) : _source(source) {}

PasteboardData::~PasteboardData() = default;

void PasteboardData::declareType(const QString& type, Provider provider) {
    const QString mimeType = Pasteboard::mimeTypeForType(type);
    _providers.insert(mimeType, std::move(provider));
    if (!_declared.contains(mimeType))
        _declared.append(mimeType);
}

bool PasteboardData::isTypeMade(const QString& type) const {
    const QString mimeType = Pasteboard::mimeTypeForType(type);
    return !_providers.contains(mimeType) && QMimeData::hasFormat(mimeType);
}

PasteboardData* PasteboardData::clone() const {
    auto* copy = new PasteboardData(_source);
    for (const QString& format : QMimeData::formats())
        copy->setData(format, QMimeData::data(format));
    copy->_providers = _providers;
    copy->_declared = _declared;
    copy->_kept = _kept;
    return copy;
}

QStringList PasteboardData::formats() const {
    QStringList all = _declared;
    for (const QString& format : QMimeData::formats())
        if (!all.contains(format))
            all.append(format);
    return all;
}

bool PasteboardData::hasFormat(const QString& mimeType) const {
    return _providers.contains(mimeType) || QMimeData::hasFormat(mimeType);
}

QVariant PasteboardData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (_providers.contains(mimeType)) {
        // Made once and kept. Qt asks through a const call, yet keeping what was
        // made is the whole point of the object, so the data is stored here.
        const Provider provider = _providers.take(mimeType);
        const_cast<PasteboardData*>(this)->setData(mimeType, provider ? provider() : QByteArray());
    }
    return QMimeData::retrieveData(mimeType, type);
}

namespace DragSession {

Qt::DropAction runDrag(QDrag& drag, Qt::DropActions supported, Qt::DropAction defaultAction) {
    Observer observer;
    {
        std::lock_guard lock(gObserverMutex);
        observer = gObserver;
    }
    if (observer)
        if (const auto* data = qobject_cast<const PasteboardData*>(drag.mimeData()))
            observer(*data);
    return drag.exec(supported, defaultAction);
}

Observer setObserver(Observer observer) {
    std::lock_guard lock(gObserverMutex);
    return std::exchange(gObserver, std::move(observer));
}

ScopedObserver::ScopedObserver(Observer observer) : _previous(setObserver(std::move(observer))) {}

ScopedObserver::~ScopedObserver() {
    setObserver(std::move(_previous));
}

} // namespace DragSession
