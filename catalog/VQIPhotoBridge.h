#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

// The one process-wide bridge to the iPhoto library. This system has no iPhoto:
// there is no album data file to read and no application to send scripts to, so
// the bridge never holds album data. It answers every query as a library without
// data does (no status, no albums, nothing found, empty texts, rating 0, writes
// refused), and runs no timer and no script. Its users take their no-library
// paths from `status`.
class VQIPhotoBridge {
public:
    static VQIPhotoBridge* sharedIPhotoBridge();
    // The library folder, tilde in place: iPhoto's default, as there are no
    // iPhoto preferences to name another.
    static QString iPhotoLibraryPath();

    VQIPhotoBridge(const VQIPhotoBridge&) = delete;
    VQIPhotoBridge& operator=(const VQIPhotoBridge&) = delete;

    // Whether album data is held.
    bool status() const;
    std::optional<QString> version() const;
    // The library folder with the tilde expanded.
    QString archivePath() const;
    std::optional<QVariantMap> images() const;
    QVariantList albums() const;
    std::optional<QVariantMap> albumWithID(int albumID) const;
    std::optional<QVariantList> imagesInAlbumID(int albumID) const;
    std::optional<QVariantMap> imageInfoWithID(int imageID) const;
    std::optional<QVariantMap> imageInfoAtPath(const QString& path) const;
    bool isInLibrary(const QString& path) const;
    QString captionAtPath(const QString& path) const;
    QString commentAtPath(const QString& path) const;
    int ratingAtPath(const QString& path) const;
    bool setCommentAtPath(const QString& comment, const QString& path);
    bool setCaptionAtPath(const QString& caption, const QString& path);

private:
    VQIPhotoBridge() = default;
};
