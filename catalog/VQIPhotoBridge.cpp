#include "catalog/VQIPhotoBridge.h"

#include "platform/foundation/FileAccess.h"

namespace {

constexpr char kDefaultLibraryPath[] = "~/Pictures/iPhoto Library";

} // namespace

VQIPhotoBridge* VQIPhotoBridge::sharedIPhotoBridge() {
    static VQIPhotoBridge bridge;
    return &bridge;
}

QString VQIPhotoBridge::iPhotoLibraryPath() {
    return QString::fromLatin1(kDefaultLibraryPath);
}

bool VQIPhotoBridge::status() const {
    return false;
}

std::optional<QString> VQIPhotoBridge::version() const {
    return std::nullopt;
}

QString VQIPhotoBridge::archivePath() const {
    return FileAccess::expandTilde(iPhotoLibraryPath());
}

std::optional<QVariantMap> VQIPhotoBridge::images() const {
    return std::nullopt;
}

QVariantList VQIPhotoBridge::albums() const {
    return {};
}

std::optional<QVariantMap> VQIPhotoBridge::albumWithID(int) const {
    return std::nullopt;
}

std::optional<QVariantList> VQIPhotoBridge::imagesInAlbumID(int) const {
    return std::nullopt;
}

std::optional<QVariantMap> VQIPhotoBridge::imageInfoWithID(int) const {
    return std::nullopt;
}

std::optional<QVariantMap> VQIPhotoBridge::imageInfoAtPath(const QString&) const {
    return std::nullopt;
}

bool VQIPhotoBridge::isInLibrary(const QString& path) const {
    return imageInfoAtPath(path).has_value();
}

QString VQIPhotoBridge::captionAtPath(const QString&) const {
    return QStringLiteral("");
}

QString VQIPhotoBridge::commentAtPath(const QString&) const {
    return QStringLiteral("");
}

int VQIPhotoBridge::ratingAtPath(const QString&) const {
    return 0;
}

bool VQIPhotoBridge::setCommentAtPath(const QString&, const QString&) {
    return false;
}

bool VQIPhotoBridge::setCaptionAtPath(const QString&, const QString&) {
    return false;
}
