#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>

class QIODevice;

// The EXIF dictionary of a photo: texts keyed by group ("0" for IFD0 and GPS,
// "1", "EXIF", "Interoperability", "File"), then by the tag in upper-case
// hexadecimal without leading zeros ("829A", "112"); each entry a dictionary
// with "TagName", "FieldName", "DataType", "DataCount" and "exifValue". A
// dictionary exists only once it holds an entry, so "nil" (an invalid QVariant)
// stands for "no entries at all".
//
// JPEG files are read here byte by byte, never through an image library: only
// APP0 segments may come before the first APP1, which must be Exif. Every
// offset, count and size of the TIFF block is checked against the block before
// it is read; a value that doesn't fit stops the walk of its directory.

inline constexpr char kEXIFTagNameKey[] = "TagName";
inline constexpr char kEXIFFieldNameKey[] = "FieldName";
inline constexpr char kEXIFDataTypeKey[] = "DataType";
inline constexpr char kEXIFDataCountKey[] = "DataCount";
inline constexpr char kEXIFValueKey[] = "exifValue";
inline constexpr char kEXIFNameTableName[] = "Exif.plist";

enum class EXIFByteOrder { LittleEndian, BigEndian };

// Directory indexes of the walk; `EXIFNameForIFD` names their groups.
enum EXIFIFDIndex {
    kEXIFIFD0 = 0,
    kEXIFIFD1 = 1,
    kEXIFIFDExif = 2,
    kEXIFIFDGPS = 3,
    kEXIFIFDInteroperability = 4,
    kEXIFIFDFile = 5,
};

// TIFF data types.
enum EXIFDataType : uint16_t {
    kEXIFByte = 1,
    kEXIFAscii = 2,
    kEXIFShort = 3,
    kEXIFLong = 4,
    kEXIFRational = 5,
    kEXIFSByte = 6,
    kEXIFUndefined = 7,
    kEXIFSShort = 8,
    kEXIFSLong = 9,
    kEXIFSRational = 10,
    kEXIFFloat = 11,
    kEXIFDouble = 12,
};

// The EXIF groups of a JPEG file plus the "File" group of its attributes; nil
// when neither gives an entry (or the path is empty).
QVariant EXIFDictionaryForFile(const QString& path);

// The "exifValue" stored under a key "<group>-<tag>" (EXIF-829A); a null text
// when the key has not exactly two parts or nothing is stored there.
QString EXIFValueForKey(const QString& key, const QVariantMap& dictionary);

// The groups of the first APP1 segment of a JPEG file or stream; nil when
// there are none.
QVariant EXIFReadJPEGFile(const QString& path);
QVariant EXIFReadJPEGStream(QIODevice& stream);

// The groups of one APP1 payload (starting at "Exif\0\0"); nil for anything
// that isn't a well-formed Exif block.
QVariant EXIFParseAPP1(const uint8_t* bytes, qsizetype length);

// The text of one value. `data` holds `size` bytes, at least the components
// that `count` says for types of a fixed size.
QString EXIFFormatValue(uint16_t tag, uint16_t type, uint32_t count, const uint8_t* data,
                        uint64_t size, EXIFByteOrder order);

QString EXIFNameForIFD(int index);
// Names from the shipped table, or the fallback texts when it has none.
QString EXIFTagName(int index, uint16_t tag);
QString EXIFFieldName(int index, uint16_t tag);
