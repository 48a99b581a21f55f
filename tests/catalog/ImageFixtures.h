#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// Small image files for the importer tests, made on the spot.

inline const QColor kTopLeft(255, 0, 0);
inline const QColor kTopRight(0, 255, 0);
inline const QColor kBottomLeft(0, 0, 255);
inline const QColor kBottomRight(255, 255, 0);

// A picture whose four quadrants have the four colours above.
QImage quadrantImage(int width, int height);
QImage solidImage(int width, int height, const QColor& color);

// Writes the picture in the format ("jpeg", "png", "tiff") and answers the path.
QString writeImage(const QString& path, const QImage& image, const char* format);

// Adds EXIF data to a written file: the camera make and, when not null, a JPEG thumbnail.
bool addExif(const QString& path, const QString& make, const QImage& thumbnail = QImage());
// Embeds an ICC profile in a written file.
bool embedProfile(const QString& path, const QByteArray& profile);

// The ICC profile of Adobe RGB (1998), whose primaries differ from sRGB's.
QByteArray adobeRGBProfile();
// An RGB ICC profile with wider primaries than Adobe RGB's (those of BT.2020).
QByteArray wideGamutProfile();
// An RGB ICC profile with sRGB's primaries over a plain gamma, with the
// description in the 'desc' tag, or in the multilingual 'dscm' tag only.
QByteArray gammaProfile(double gamma, const char* description,
                        bool multilingualDescription = false);
// A valid ICC profile of a grey colour space.
QByteArray grayProfile();

// Whether every channel of the pixel is within the tolerance of the colour.
bool near(QRgb pixel, const QColor& color, int tolerance = 8);

// What exiv2, as an independent reader, finds in a written file. A TIFF file's
// own structure is listed with the EXIF data; `hasExif` means an EXIF block
// proper (the EXIF directory, a thumbnail's or a camera's tags).
struct MetadataReadBack {
    bool readable = false;
    QByteArray profile;
    bool hasExif = false;
    QString make;
    QSize thumbnail;
};
MetadataReadBack readMetadataBack(const QString& path);
