#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

// JPEG files with EXIF data written by exiv2, and what exiv2 reads back from
// them: an outside writer and reader to hold the catalog's own reader against.

struct ExifTag {
    const char* key;            // exiv2's key, as "Exif.Photo.ExposureTime"
    const char* value;          // exiv2's text form of the value
    const char* type = nullptr; // exiv2's type name ("Short"); null: the tag's own type
};

// Adds the tags (and a JPEG thumbnail when not null) to a written JPEG file, in
// big- or little-endian byte order.
bool writeExifTags(const QString& path, const std::vector<ExifTag>& tags, bool bigEndian,
                   const QImage& thumbnail = QImage());

struct ExifReadBack {
    QString group; // exiv2's group name: "Image", "Photo", "GPSInfo", "Iop", "Thumbnail"
    uint16_t tag;
    uint16_t type;
    uint32_t count;
};

// Every EXIF entry exiv2 reads from the file.
std::vector<ExifReadBack> readExifTags(const QString& path);

// The tags of the seeds and fixtures: text, numbers, rationals, version bytes,
// GPS and interoperability entries.
const std::vector<ExifTag>& sampleExifTags();
