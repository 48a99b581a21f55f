// Typed operations over the catalog's numbered attributes.
#include "catalog/EXIFReader.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQIPhotoBridge.h"

#include "platform/foundation/LocalizedStrings.h"
#include "utilities/NumberText.h"

#include <QBuffer>
#include <QImageWriter>
#include <QVariantMap>
#include <array>
#include <cstring>

namespace {

constexpr char kRotateKey[] = "ROTATE";
constexpr char kSaturateKey[] = "SATURATE";
constexpr char kBrightenKey[] = "BRIGHTEN";
constexpr char kContrastKey[] = "CONTRAST";
constexpr char kSharpenKey[] = "SHARPEN";
constexpr char kNoneKey[] = "NONE";
constexpr char kIPhotoPrefix[] = "iPhoto";
constexpr char kIPhotoCaptionCode[] = "IP001";
constexpr char kIPhotoRatingCode[] = "IP002";
constexpr char kIPhotoCommentCode[] = "IP003";
constexpr char kTemplatePrefix[] = "Template";
constexpr float kSmallestCropSide = 3;

template <size_t N> std::array<float, N> floatsFromData(const QByteArray& data) {
    std::array<float, N> values{};
    if (data.size() == qsizetype(sizeof values))
        std::memcpy(values.data(), data.constData(), sizeof values);
    return values;
}

template <size_t N> QByteArray dataFromFloats(const std::array<float, N>& values) {
    return QByteArray(reinterpret_cast<const char*>(values.data()), sizeof values);
}

QString localized(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// Whether the value is a number equal to the neutral one.
bool isNeutral(const QVariant& value, double neutral) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && number == neutral;
}

} // namespace

bool VQFileCatalog::fileImageLoadedAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrImageLoaded, index).toBool();
}

Image VQFileCatalog::getFileImageAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrImage, index).value<Image>();
}

QByteArray VQFileCatalog::selectionTIFFData() {
    const QList<int> selected = getSelectedIndices();
    return selected.isEmpty() ? QByteArray() : fullSizeTIFFDataAtIndex(selected.first());
}

QByteArray VQFileCatalog::fullSizeTIFFDataAtIndex(int index) {
    if (index < 0 || index >= fileCount())
        return {};
    const bool screen = deliverScreenResolution();
    setDeliverScreenResolution(false);
    const Image image = getFileAttributeAtIndex(kCatalogAttrFullImage, index).value<Image>();
    setDeliverScreenResolution(screen);
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) ||
        !QImageWriter(&buffer, "tiff").write(image.toQImage()))
        return {};
    return bytes;
}

Image VQFileCatalog::getFileDirectImageAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrFullImage, index).value<Image>();
}

QVariant VQFileCatalog::getFileImageDataSizeAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrFileSize, index);
}

Size VQFileCatalog::getFileImageSizeAtIndex(int index) {
    const QVariant text = getFileAttributeAtIndex(kCatalogAttrImageSize, index);
    return text.isValid() ? sizeFromString(text.toString()) : kZeroSize;
}

QString VQFileCatalog::getFileNameAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrName, index).toString();
}

QString VQFileCatalog::getFilePathAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
}

QString VQFileCatalog::getFileLocationAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrLocation, index).toString();
}

QVariant VQFileCatalog::getSerialNumberAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrSerialNumber, index);
}

QString VQFileCatalog::getTransformSummaryAtIndex(int index) {
    const QVariant rotation = getFileAttributeAtIndex(kCatalogAttrRotation, index);
    const QVariant sharpness = getFileAttributeAtIndex(kCatalogAttrSharpness, index);
    const QVariant contrast = getFileAttributeAtIndex(kCatalogAttrContrast, index);
    const QVariant saturation = getFileAttributeAtIndex(kCatalogAttrSaturation, index);
    const QVariant brightness = getFileAttributeAtIndex(kCatalogAttrBrightness, index);
    QStringList parts;
    if (!isNeutral(rotation, 0))
        parts.append(UTLocalizeDecimalString(QString::asprintf(
            "%s: %1.1f", qUtf8Printable(localized(kRotateKey)), double(rotation.toFloat()))));
    const auto percent = [&](const char* key, const QVariant& value) {
        if (!isNeutral(value, 1.0))
            parts.append(UTLocalizeDecimalString(
                QString::asprintf("%s: %1.1f%%", qUtf8Printable(localized(key)),
                                  double((value.toFloat() - 1.0f) * 100.0f))));
    };
    percent(kSaturateKey, saturation);
    percent(kBrightenKey, brightness);
    percent(kContrastKey, contrast);
    if (!isNeutral(sharpness, 0))
        parts.append(QString::asprintf("%s: %d", qUtf8Printable(localized(kSharpenKey)),
                                       int(sharpness.toFloat())));
    return parts.isEmpty() ? localized(kNoneKey) : parts.join(QStringLiteral(", "));
}

bool VQFileCatalog::getFileSelectionStateAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrSelected, index).toBool();
}

void VQFileCatalog::setFileSelectionStateAtIndexTo(int index, bool flag) {
    setFileAttributeAtIndexToValue(kCatalogAttrSelected, index, flag);
}

Rect VQFileCatalog::getFileImageCropAtIndex(int index) {
    const auto v =
        floatsFromData<4>(getFileAttributeAtIndex(kCatalogAttrCrop, index).toByteArray());
    return Rect(v[0], v[1], v[2], v[3]);
}

void VQFileCatalog::setFileImageCropAtIndexTo(int index, Rect r) {
    const auto store = [&](const Rect& crop) {
        setFileAttributeAtIndexToValue(
            kCatalogAttrCrop, index,
            dataFromFloats<4>({crop.origin.x, crop.origin.y, crop.size.width, crop.size.height}));
    };
    if (r == kZeroRect) {
        store(r);
        return;
    }
    if (r.size.width <= kSmallestCropSide || r.size.height <= kSmallestCropSide)
        return;
    const Size s = getFileImageSizeAtIndex(index);
    r.size.width = std::min(r.size.width, s.width);
    r.size.height = std::min(r.size.height, s.height);
    if (r.size == s) {
        store(kZeroRect);
        return;
    }
    if (r.origin.x < 0)
        r.origin.x = 0;
    if (r.origin.y < 0)
        r.origin.y = 0;
    if (r.origin.x + r.size.width >= s.width)
        r.origin.x -= r.origin.x + r.size.width - s.width;
    if (r.origin.y + r.size.height >= s.height)
        r.origin.y -= r.origin.y + r.size.height - s.height;
    store(r);
}

Point VQFileCatalog::getFileImageOffsetAtIndex(int index) {
    const auto v =
        floatsFromData<2>(getFileAttributeAtIndex(kCatalogAttrOffset, index).toByteArray());
    return Point{v[0], v[1]};
}

void VQFileCatalog::setFileImageOffsetAtIndexTo(int index, Point offset) {
    setFileAttributeAtIndexToValue(kCatalogAttrOffset, index,
                                   dataFromFloats<2>({offset.x, offset.y}));
}

QVariantList VQFileCatalog::getFileImageRedEyeAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrRedEye, index).toList();
}

void VQFileCatalog::setFileImageRedEyeAtIndexTo(int index, const QVariantList& spots) {
    setFileAttributeAtIndexToValue(kCatalogAttrRedEye, index, spots);
}

QVariantList VQFileCatalog::getFileImageCaptionsAtIndex(int index) {
    return getFileAttributeAtIndex(kCatalogAttrCaptions, index).toList();
}

void VQFileCatalog::setFileImageCaptionsAtIndexTo(int index, const QVariantList& captions) {
    setFileAttributeAtIndexToValue(kCatalogAttrCaptions, index, captions);
}

bool VQFileCatalog::adjustSelectionSharpnessContrastSaturationBrightness(float sharpness,
                                                                         float contrast,
                                                                         float saturation,
                                                                         float brightness) {
    const QList<int> selected = getSelectedIndices();
    if (selected.isEmpty())
        return false;
    const std::pair<int, float> wanted[] = {{kCatalogAttrSharpness, sharpness},
                                            {kCatalogAttrContrast, contrast},
                                            {kCatalogAttrSaturation, saturation},
                                            {kCatalogAttrBrightness, brightness}};
    bool changed = false;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        for (const auto& [attribute, value] : wanted) {
            if (getFileAttributeAtIndex(attribute, *it).toFloat() == value)
                continue;
            setFileAttributeAtIndexToValue(attribute, *it, value);
            changed = true;
        }
    }
    return changed;
}

QString VQFileCatalog::getEXIFValueForTagAtIndex(const QString& tag, int index) {
    const QString empty = QStringLiteral("");
    if (tag.startsWith(QLatin1String(kIPhotoPrefix))) {
        const QString path = getFilePathAtIndex(index);
        const QStringList pieces = tag.split(QLatin1Char('-'));
        if (path.isEmpty() || pieces.size() < 2)
            return empty;
        const VQIPhotoBridge* library = VQIPhotoBridge::sharedIPhotoBridge();
        if (pieces[1] == QLatin1String(kIPhotoCaptionCode))
            return library->captionAtPath(path);
        if (pieces[1] == QLatin1String(kIPhotoRatingCode))
            return localizedString(
                QStringLiteral("STAR_RATING_%1").arg(library->ratingAtPath(path)));
        if (pieces[1] == QLatin1String(kIPhotoCommentCode))
            return library->commentAtPath(path);
        return empty;
    }
    if (tag.startsWith(QLatin1String(kTemplatePrefix))) {
        // The document's page and master template facts: the document's layout
        // is not reached from here yet, so every such field is empty, as one with
        // an unknown code is.
        return empty;
    }
    const QVariantMap exif = getFileAttributeAtIndex(kCatalogAttrEXIF, index).toMap();
    if (exif.isEmpty())
        return empty;
    const QString value = EXIFValueForKey(tag, exif);
    return value.isNull() ? empty : value;
}
