#include "catalog/EXIFReader.h"

#include "catalog/FileAttributeInfo.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <set>

namespace {

constexpr uint16_t kTagExifPointer = 0x8769;
constexpr uint16_t kTagGPSPointer = 0x8825;
constexpr uint16_t kTagInteroperabilityPointer = 0xA005;
constexpr uint16_t kTagThumbnailOffset = 0x0201;
constexpr uint16_t kTagThumbnailLength = 0x0202;

constexpr uint8_t kMarkerLead = 0xFF;
constexpr uint8_t kMarkerStartOfImage = 0xD8;
constexpr uint8_t kMarkerAPP0 = 0xE0;
constexpr uint8_t kMarkerAPP1 = 0xE1;

constexpr qsizetype kExifHeaderLength = 6;
constexpr qsizetype kMinimumAPP1Length = 14;
constexpr uint32_t kEntryLength = 12;

// Real files nest at most three deep (IFD0, Exif, Interoperability); deeper
// chains only come from crafted input, and each level is a stack frame.
constexpr int kMaxNesting = 8;

// ---- name table ----------------------------------------------------------

std::mutex gNameTableMutex;
// The table and where it was read from: another resources folder is another table.
QString gNameTablePath;
std::optional<QVariantMap> gNameTable;

// Read once; a missing or damaged table is looked for again next time.
std::optional<QVariantMap> nameTable() {
    const QString path = QDir(Resources::sharePath()).filePath(QLatin1String(kEXIFNameTableName));
    std::lock_guard lock(gNameTableMutex);
    if (!gNameTable || gNameTablePath != path) {
        const QVariant contents = PropertyList::readFromFile(path);
        if (PropertyList::kindOf(contents) != PropertyList::Kind::Dictionary)
            return std::nullopt;
        gNameTable = contents.toMap();
        gNameTablePath = path;
    }
    return gNameTable;
}

QString hexTag(uint16_t tag) {
    return QString::number(tag, 16).toUpper();
}

QString tableName(int index, uint16_t tag, const char* field) {
    const std::optional<QVariantMap> table = nameTable();
    if (!table)
        return QString();
    const QVariant value = table->value(EXIFNameForIFD(index))
                               .toMap()
                               .value(hexTag(tag))
                               .toMap()
                               .value(QLatin1String(field));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

// ---- reading the TIFF block ---------------------------------------------

class TiffBlock {
public:
    TiffBlock(const uint8_t* start, uint64_t limit, EXIFByteOrder order)
        : _start(start), _limit(limit), _order(order) {}

    uint64_t limit() const { return _limit; }
    EXIFByteOrder order() const { return _order; }
    const uint8_t* at(uint64_t offset) const { return _start + offset; }
    // Whether `size` bytes from `offset` lie inside the block; 64-bit sums, so
    // an offset near 2^32 can't wrap round to a small position.
    bool holds(uint64_t offset, uint64_t size) const {
        return offset <= _limit && size <= _limit - offset;
    }
    uint16_t u16(uint64_t offset) const { return read16(_start + offset, _order); }
    uint32_t u32(uint64_t offset) const { return read32(_start + offset, _order); }

    static uint16_t read16(const uint8_t* p, EXIFByteOrder order) {
        return order == EXIFByteOrder::BigEndian ? uint16_t(p[0] << 8 | p[1])
                                                 : uint16_t(p[1] << 8 | p[0]);
    }
    static uint32_t read32(const uint8_t* p, EXIFByteOrder order) {
        return order == EXIFByteOrder::BigEndian
                   ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                   : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

private:
    const uint8_t* _start;
    uint64_t _limit;
    EXIFByteOrder _order;
};

uint32_t componentSize(uint16_t type) {
    switch (type) {
    case kEXIFByte:
    case kEXIFAscii:
    case kEXIFUndefined:
        return 1;
    case kEXIFShort:
        return 2;
    case kEXIFLong:
    case kEXIFSLong:
        return 4;
    case kEXIFRational:
    case kEXIFSRational:
        return 8;
    default:
        return 0;
    }
}

// Groups by name while a dictionary is being built: a group is changed in place,
// not copied out of a QVariant and back for every entry.
using Groups = QMap<QString, QVariantMap>;

void EXIFAddEntry(Groups& dictionary, int index, uint16_t tag, uint16_t type, uint32_t count,
                  const QString& value) {
    QVariantMap entry;
    entry.insert(QLatin1String(kEXIFTagNameKey), EXIFTagName(index, tag));
    entry.insert(QLatin1String(kEXIFFieldNameKey), EXIFFieldName(index, tag));
    entry.insert(QLatin1String(kEXIFDataTypeKey), int(type));
    entry.insert(QLatin1String(kEXIFDataCountKey), qlonglong(count));
    entry.insert(QLatin1String(kEXIFValueKey), value);
    dictionary[EXIFNameForIFD(index)].insert(hexTag(tag), entry);
}

// What one walk has seen: the directories entered, so that a pointer back to
// one of them ends the directory that holds it instead of looping.
struct Walk {
    Groups dictionary;
    std::set<uint32_t> directories;
};

void EXIFReadIFD(Walk& walk, int index, const TiffBlock& block, uint32_t offset, int depth) {
    if (!block.holds(offset, 2))
        return;
    const uint16_t count = block.u16(offset);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = uint64_t(offset) + 2 + uint64_t(i) * kEntryLength;
        if (!block.holds(entry, kEntryLength))
            return;
        const uint16_t tag = block.u16(entry);
        const uint16_t type = block.u16(entry + 2);
        const uint32_t components = block.u32(entry + 4);
        const uint64_t field = entry + 8;

        int child = -1;
        if (tag == kTagExifPointer)
            child = kEXIFIFDExif;
        else if (tag == kTagGPSPointer)
            child = kEXIFIFDGPS;
        else if (tag == kTagInteroperabilityPointer)
            child = kEXIFIFDInteroperability;
        if (child >= 0) {
            const uint32_t target = block.u32(field);
            if (depth >= kMaxNesting || !walk.directories.insert(target).second)
                return;
            EXIFReadIFD(walk, child, block, target, depth + 1);
            continue;
        }
        if (tag == kTagThumbnailOffset || tag == kTagThumbnailLength)
            continue;

        const uint64_t size = uint64_t(componentSize(type)) * components;
        const uint64_t position = size <= 4 ? field : block.u32(field);
        if (!block.holds(position, size))
            return;
        if (type == kEXIFAscii && !std::memchr(block.at(position), 0, size))
            return;
        EXIFAddEntry(
            walk.dictionary, index, tag, type, components,
            EXIFFormatValue(tag, type, components, block.at(position), size, block.order()));
    }
}

// ---- formatting -----------------------------------------------------------

struct Rational {
    int64_t numerator;
    int64_t denominator;
};

// A component reader over the value's bytes; reads past the end answer 0.
class Components {
public:
    Components(const uint8_t* data, uint64_t size, EXIFByteOrder order)
        : _data(data), _size(size), _order(order) {}

    uint8_t byte(uint64_t i) const { return i < _size ? _data[i] : 0; }
    uint16_t u16(uint64_t i) const {
        return fits(i, 2) ? TiffBlock::read16(_data + i * 2, _order) : 0;
    }
    uint32_t u32(uint64_t i) const {
        return fits(i, 4) ? TiffBlock::read32(_data + i * 4, _order) : 0;
    }
    Rational rational(uint64_t i) const {
        if (!fits(i, 8))
            return {0, 0};
        return {TiffBlock::read32(_data + i * 8, _order),
                TiffBlock::read32(_data + i * 8 + 4, _order)};
    }
    Rational srational(uint64_t i) const {
        const Rational r = rational(i);
        return {int32_t(uint32_t(r.numerator)), int32_t(uint32_t(r.denominator))};
    }
    // The text up to the zero byte at or after `from`, or to the end.
    QString text(uint64_t from) const {
        if (from >= _size)
            return QString();
        const uint8_t* begin = _data + from;
        const auto* zero = static_cast<const uint8_t*>(std::memchr(begin, 0, _size - from));
        const qsizetype length = zero ? zero - begin : qsizetype(_size - from);
        return QString::fromUtf8(reinterpret_cast<const char*>(begin), length);
    }
    // Where the first zero byte lies; the size when there is none.
    uint64_t firstZero() const {
        const auto* zero = static_cast<const uint8_t*>(std::memchr(_data, 0, _size));
        return zero ? uint64_t(zero - _data) : _size;
    }
    uint64_t available(uint32_t componentSize) const { return _size / componentSize; }

private:
    bool fits(uint64_t i, uint64_t width) const { return i < _size / width; }

    const uint8_t* _data;
    uint64_t _size;
    EXIFByteOrder _order;
};

struct Named {
    int value;
    const char* text;
};

QString named(int value, std::initializer_list<Named> names) {
    for (const Named& n : names)
        if (n.value == value)
            return QString::fromLatin1(n.text);
    return stringWithFormat(QStringLiteral("%i"), value);
}

bool sameBytes(const Components& c, const char* four) {
    for (int i = 0; i < 4; ++i)
        if (c.byte(i) != uint8_t(four[i]))
            return false;
    return true;
}

// Shows a 32-bit component as C's %i/%d of an int would.
int asInt(int64_t value) {
    return int32_t(uint32_t(value));
}

double quotient(Rational r) {
    return double(r.numerator) / double(r.denominator);
}

float singleQuotient(Rational r) {
    return float(r.numerator) / float(r.denominator);
}

// An integer text of a truncated real that may lie beyond any integer width.
int64_t truncatedClamped(double value, double low, double high) {
    if (std::isnan(value))
        return 0;
    return int64_t(std::trunc(std::clamp(value, low, high)));
}

QString exposureTime(Rational r) {
    if (r.denominator == 0)
        return stringWithFormat(QStringLiteral("%d/%d sec."), asInt(r.numerator), 0);
    const double t = quotient(r);
    // Both parts are below 2^32, so t and 1/t fit 64 bits.
    QString text = stringWithFormat(QStringLiteral("%lld sec."), qlonglong(std::trunc(t)));
    // A zero exposure has no reciprocal.
    if (t < 1 && t > 0)
        text += stringWithFormat(QStringLiteral(" (1/%lld sec.)"), qlonglong(std::trunc(1 / t)));
    return text;
}

QString apexOrZero(Rational r, bool isSigned, const char* unit) {
    return stringWithFormat(QStringLiteral("%d/%d ") + QLatin1String(unit),
                            isSigned ? int(r.numerator) : asInt(r.numerator), 0);
}

QString flashText(int value) {
    return named(value,
                 {{0, "Flash did not fire."},
                  {1, "Flash fired."},
                  {5, "Strobe return light not detected."},
                  {7, "Strobe return light detected."},
                  {9, "Flash fired, compulsory flash mode."},
                  {13, "Flash fired, compulsory flash mode, return light not detected."},
                  {15, "Flash fired, compulsory flash mode, return light detected."},
                  {16, "Flash did not fire, compulsory flash mode."},
                  {24, "Flash did not fire, auto mode."},
                  {25, "Flash fired, auto mode."},
                  {29, "Flash fired, auto mode, return light not detected."},
                  {31, "Flash fired, auto mode, return light detected."},
                  {32, "No flash function."},
                  {65, "Flash fired, red-eye reduction mode."},
                  {69, "Flash fired, red-eye reduction mode, return light not detected."},
                  {71, "Flash fired, red-eye reduction mode, return light detected."},
                  {73, "Flash fired, compulsory flash mode, red-eye reduction mode."},
                  {77, "Flash fired, compulsory flash mode, red-eye reduction mode, return "
                       "light not detected."},
                  {79, "Flash fired, compulsory flash mode, red-eye reduction mode, return "
                       "light detected."},
                  {89, "Flash fired, auto mode, red-eye reduction mode."},
                  {93, "Flash fired, auto mode, return light not detected, red-eye reduction "
                       "mode."},
                  {95, "Flash fired, auto mode, return light detected, red-eye reduction "
                       "mode."}});
}

QString componentsConfiguration(const Components& c) {
    QStringList parts;
    for (int i = 0; i < 4; ++i) {
        static const char* const kNames[] = {"-", "Y", "Cb", "Cr", "R", "G", "B"};
        const uint8_t b = c.byte(i);
        parts << QString::fromLatin1(b < 7 ? kNames[b] : "reserved");
    }
    return parts.join(QLatin1Char(' '));
}

QString copyright(const Components& c) {
    const QString photographer = c.text(0);
    const uint64_t zero = c.firstZero();
    const QString editor = c.text(zero + 1);
    const QString none = QStringLiteral("[None]");
    return (photographer.isEmpty() ? none : photographer) + QStringLiteral(" (Photographer) - ") +
           (editor.isEmpty() ? none : editor) + QStringLiteral(" (Editor)");
}

QString subjectArea(const Components& c, uint32_t count) {
    switch (count) {
    case 2:
        return stringWithFormat(QStringLiteral("(x,y) = (%i,%i)"), int(c.u16(0)), int(c.u16(1)));
    case 3:
        return stringWithFormat(QStringLiteral("Within distance %i of (x,y) = (%i,%i)"),
                                int(c.u16(2)), int(c.u16(0)), int(c.u16(1)));
    case 4:
        return stringWithFormat(
            QStringLiteral("Within rectangle (width %i, height %i) around (x,y) = (%i,%i)"),
            int(c.u16(2)), int(c.u16(3)), int(c.u16(0)), int(c.u16(1)));
    default:
        return stringWithFormat(
            QStringLiteral("Unexpected number of components (%li, expected 2, 3, or 4)."),
            qlonglong(count));
    }
}

// Every tag the table below doesn't name: by its data type.
QString byType(uint16_t type, uint32_t count, const Components& c) {
    QStringList parts;
    switch (type) {
    case kEXIFByte:
        for (uint64_t i = 0; i < std::min<uint64_t>(count, c.available(1)); ++i)
            parts << stringWithFormat(QStringLiteral("0x%02x"), int(c.byte(i)));
        break;
    case kEXIFAscii:
        return c.text(0);
    case kEXIFShort:
        for (uint64_t i = 0; i < std::min<uint64_t>(count, c.available(2)); ++i)
            parts << QString::number(c.u16(i));
        break;
    case kEXIFLong:
    case kEXIFSLong:
        for (uint64_t i = 0; i < std::min<uint64_t>(count, c.available(4)); ++i)
            parts << QString::number(int32_t(c.u32(i)));
        break;
    case kEXIFRational:
    case kEXIFSRational:
        for (uint64_t i = 0; i < std::min<uint64_t>(count, c.available(8)); ++i) {
            const Rational r = c.rational(i);
            parts << stringWithFormat(QStringLiteral("%i/%i"), asInt(r.numerator),
                                      asInt(r.denominator));
        }
        break;
    default:
        return QString(QLatin1String(""));
    }
    return parts.join(QStringLiteral(", "));
}

// The type (and count) a known tag must have; 0 count means any.
struct Expected {
    uint16_t type;
    uint32_t count;
};

std::optional<Expected> expectedFormat(uint16_t tag) {
    switch (tag) {
    case 0x0002:
    case 0x9000:
    case 0x9101:
    case 0xA000:
        return Expected{kEXIFUndefined, 4};
    case 0x0212:
        return Expected{kEXIFShort, 2};
    case 0x8298:
        return Expected{kEXIFAscii, 0};
    case 0x829A:
    case 0x829D:
    case 0x9202:
    case 0x9205:
    case 0x9206:
    case 0x920A:
        return Expected{kEXIFRational, 1};
    case 0x9201:
    case 0x9203:
    case 0x9204:
        return Expected{kEXIFSRational, 1};
    case 0x9214:
        return Expected{kEXIFShort, 0};
    case 0x927C:
    case 0x9286:
    case 0xA301:
        return Expected{kEXIFUndefined, 0};
    case 0xA300:
        return Expected{kEXIFUndefined, 1};
    case 0x0103:
    case 0x0106:
    case 0x0112:
    case 0x011C:
    case 0x0128:
    case 0xA210:
    case 0x0213:
    case 0x8822:
    case 0x9207:
    case 0x9208:
    case 0x9209:
    case 0xA001:
    case 0xA217:
    case 0xA401:
    case 0xA402:
    case 0xA403:
    case 0xA406:
    case 0xA407:
    case 0xA408:
    case 0xA40A:
    case 0xA409:
    case 0xA40C:
        return Expected{kEXIFShort, 1};
    default:
        return std::nullopt;
    }
}

QString knownTag(uint16_t tag, uint32_t count, const Components& c) {
    const int s = c.u16(0);
    switch (tag) {
    case 0x0002:
        return QString::fromLatin1(sameBytes(c, "0100") ? "Interoperability Version 1.0"
                                                        : "Unknown Interoperability Version");
    case 0x0103:
        return named(s, {{1, "Uncompressed"}, {6, "JPEG compression"}});
    case 0x0106:
        return named(s, {{2, "RGB"}, {6, "YCbCr"}});
    case 0x0112:
        return named(s, {{1, "top - left"},
                         {2, "top - right"},
                         {3, "bottom - right"},
                         {4, "bottom - left"},
                         {5, "left - top"},
                         {6, "right - top"},
                         {7, "right - bottom"},
                         {8, "left - bottom"}});
    case 0x011C:
        return named(s, {{1, "chunky format"}, {2, "planar format"}});
    case 0x0128:
    case 0xA210:
        return named(s, {{2, "Inch"}, {3, "Centimeter"}});
    case 0x0212: {
        const int second = c.u16(1);
        if (s == 2 && second == 1)
            return QStringLiteral("YCbCr4:2:2");
        if (s == 2 && second == 2)
            return QStringLiteral("YCbCr4:2:0");
        return stringWithFormat(QStringLiteral("%i, %i"), s, second);
    }
    case 0x0213:
        return named(s, {{1, "centered"}, {2, "co-sited"}});
    case 0x8298:
        return copyright(c);
    case 0x829A:
        return exposureTime(c.rational(0));
    case 0x829D: {
        const Rational r = c.rational(0);
        if (r.denominator == 0)
            return stringWithFormat(QStringLiteral("%d/%d"), asInt(r.numerator), 0);
        return stringWithFormat(QStringLiteral("f/%.01f"), double(singleQuotient(r)));
    }
    case 0x8822:
        return named(s, {{0, "Not defined"},
                         {1, "Manual"},
                         {2, "Normal program"},
                         {3, "Aperture priority"},
                         {4, "Shutter priority"},
                         {5, "Creative program (biased toward depth of field)"},
                         {6, "Action program (biased toward fast shutter speed)"},
                         {7, "Portrait mode (for closeup photos with the background out of focus"},
                         {8, "Landscape mode (for landscape photos with the background in focus"}});
    case 0x9000:
        for (const auto& [bytes, text] : {std::pair{"0110", "Exif Version 1.1"},
                                          {"0200", "Exif Version 2.0"},
                                          {"0210", "Exif Version 2.1"},
                                          {"0220", "Exif Version 2.2"}})
            if (sameBytes(c, bytes))
                return QString::fromLatin1(text);
        return QStringLiteral("Unknown Exif Version");
    case 0x9101:
        return componentsConfiguration(c);
    case 0x9201: {
        const Rational r = c.srational(0);
        if (r.denominator == 0)
            return apexOrZero(r, true, "APEX");
        const float v = singleQuotient(r);
        // 2^v beyond an int's range is shown as the largest int.
        const int64_t reciprocal =
            truncatedClamped(std::pow(2.0, double(v)), 0, std::numeric_limits<int32_t>::max());
        return stringWithFormat(QStringLiteral("%.2f APEX  (1/%i sec.)"), double(v),
                                int(reciprocal));
    }
    case 0x9202:
    case 0x9205: {
        const Rational r = c.rational(0);
        if (r.denominator == 0)
            return apexOrZero(r, false, "APEX");
        const float v = singleQuotient(r);
        return stringWithFormat(QStringLiteral("%.2f APEX  (f/%.01f)"), double(v),
                                std::pow(2.0, double(v) / 2));
    }
    case 0x9203: {
        const Rational r = c.srational(0);
        if (r.denominator == 0)
            return apexOrZero(r, true, "APEX");
        return stringWithFormat(QStringLiteral("%.2f APEX"), double(singleQuotient(r)));
    }
    case 0x9204: {
        const Rational r = c.srational(0);
        if (r.denominator == 0)
            return apexOrZero(r, true, "APEX");
        // The sign of the product, taken in 64 bits so that it cannot wrap.
        const char* sign = r.numerator * r.denominator > 0 ? "+" : "";
        return stringWithFormat(QStringLiteral("%s%.01f APEX"), sign, quotient(r));
    }
    case 0x9206: {
        const Rational r = c.rational(0);
        if (r.denominator == 0)
            return apexOrZero(r, false, "m");
        return stringWithFormat(QStringLiteral("%.2f m"), double(singleQuotient(r)));
    }
    case 0x9207:
        return named(s, {{0, "Unknown"},
                         {1, "Average"},
                         {2, "Center-Weighted Average"},
                         {3, "Spot"},
                         {4, "Multi Spot"},
                         {5, "Pattern"},
                         {6, "Partial"},
                         {255, "Other"}});
    case 0x9208:
        return named(s, {{0, "Unknown"},
                         {1, "Daylight"},
                         {2, "Fluorescent"},
                         {3, "Tungsten (incandescent light)"},
                         {4, "Flash"},
                         {9, "Fine weather"},
                         {10, "Cloudy weather"},
                         {11, "Shade"},
                         {12, "Daylight fluorescent (D 5700 - 7100K"},
                         {13, "Day white fluorescent (N 4600 - 5400K)"},
                         {14, "Cool white fluorescent (W 3900 - 4500K)"},
                         {15, "White fluorescent (WW 3200- 3700K)"},
                         {17, "Standard light A"},
                         {18, "Standard light B"},
                         {19, "Standard light C"},
                         {20, "D55"},
                         {21, "D65"},
                         {22, "D75"},
                         {23, "D50"},
                         {24, "ISO studio tungsten"},
                         {255, "Other"}});
    case 0x9209:
        return flashText(s);
    case 0x920A: {
        const Rational r = c.rational(0);
        if (r.denominator == 0)
            return apexOrZero(r, false, "mm");
        return stringWithFormat(QStringLiteral("%.2f mm"), double(singleQuotient(r)));
    }
    case 0x9214:
        return subjectArea(c, count);
    case 0x927C:
    case 0x9286:
        return stringWithFormat(QStringLiteral("%i bytes unknown data"), int(c.available(1)));
    case 0xA000:
        return QString::fromLatin1(sameBytes(c, "0100") ? "FlashPix Format Version 1.0"
                                                        : "Unknown FlashPix Version");
    case 0xA001:
        return named(s, {{1, "sRGB"}, {65535, "Uncalibrated"}});
    case 0xA217:
        return named(s, {{1, "Not defined"},
                         {2, "One-chip color area sensor"},
                         {3, "Two-chip color area sensor"},
                         {4, "Three-chip color area sensor"},
                         {5, "Color sequential area sensor"},
                         {7, "Trilinear sensor"},
                         {8, "Color sequential linear sensor"}});
    case 0xA300:
        return c.byte(0) == 3 ? QStringLiteral("DSC")
                              : stringWithFormat(QStringLiteral("0x%02x"), int(c.byte(0)));
    case 0xA301:
        return QString::fromLatin1(count == 1 && c.byte(0) == 1 ? "A directly photographed image"
                                                                : "Unknown scene type");
    case 0xA401:
        return named(s, {{0, "Normal process"}, {1, "Custom process"}});
    case 0xA402:
        return named(s, {{0, "Auto exposure"}, {1, "Manual exposure"}, {2, "Auto bracket"}});
    case 0xA403:
        return named(s, {{0, "Auto white balance"}, {1, "Manual white balance"}});
    case 0xA406:
        return named(s, {{0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "Night scene"}});
    case 0xA407:
        return named(s, {{0, "None"},
                         {1, "Low gain up"},
                         {2, "High gain up"},
                         {3, "Low gain down"},
                         {4, "High gain down"}});
    case 0xA408:
    case 0xA40A:
        return named(s, {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}});
    case 0xA409:
        return named(s, {{0, "Normal"}, {1, "Low saturation"}, {2, "High saturation"}});
    case 0xA40C:
        return named(s, {{0, "Unknown"}, {1, "Macro"}, {2, "Close view"}, {3, "Distant view"}});
    default:
        return QString();
    }
}

// The standard text of a date: local date and time with the zone's offset.
QString dateText(const QDateTime& date) {
    const QDateTime local = date.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString codeText(uint32_t code) {
    QByteArray chars;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((code >> shift) & 0xFF);
        if (c == 0)
            break;
        chars.append(c);
    }
    return QLatin1Char('\'') + QString::fromLatin1(chars) + QLatin1Char('\'');
}

QString standardizedPath(const QString& path) {
    return QDir::cleanPath(FileAccess::expandTilde(path));
}

QVariant nilIfEmpty(const Groups& groups) {
    if (groups.isEmpty())
        return QVariant();
    QVariantMap dictionary;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        dictionary.insert(it.key(), it.value());
    return dictionary;
}

} // namespace

QString EXIFNameForIFD(int index) {
    switch (index) {
    case kEXIFIFD0:
    case kEXIFIFDGPS:
        return QStringLiteral("0");
    case kEXIFIFD1:
        return QStringLiteral("1");
    case kEXIFIFDExif:
        return QStringLiteral("EXIF");
    case kEXIFIFDInteroperability:
        return QStringLiteral("Interoperability");
    case kEXIFIFDFile:
        return QStringLiteral("File");
    default:
        return stringWithFormat(QStringLiteral("Unknown name for IFD '%X'"), index);
    }
}

QString EXIFTagName(int index, uint16_t tag) {
    const QString name = tableName(index, tag, kEXIFTagNameKey);
    return name.isNull() ? stringWithFormat(QStringLiteral("Unknown name for tag '%X'"), int(tag))
                         : name;
}

QString EXIFFieldName(int index, uint16_t tag) {
    const QString name = tableName(index, tag, kEXIFFieldNameKey);
    return name.isNull()
               ? stringWithFormat(QStringLiteral("UnknownFieldName for tag '%X'"), int(tag))
               : name;
}

QString EXIFFormatValue(uint16_t tag, uint16_t type, uint32_t count, const uint8_t* data,
                        uint64_t size, EXIFByteOrder order) {
    const Components components(data, data ? size : 0, order);
    const std::optional<Expected> expected = expectedFormat(tag);
    if (!expected)
        return byType(type, count, components);
    if (type != expected->type) {
        qWarning("Invalid format '%d', expected '%d'.", int(type), int(expected->type));
        return QString(QLatin1String(""));
    }
    if (expected->count != 0 && count != expected->count) {
        qWarning("Invalid number of components (%i, expected %i).", int(count),
                 int(expected->count));
        return QString(QLatin1String(""));
    }
    return knownTag(tag, count, components);
}

QVariant EXIFParseAPP1(const uint8_t* bytes, qsizetype length) {
    if (!bytes || length < kMinimumAPP1Length)
        return QVariant();
    if (std::memcmp(bytes, "Exif\0\0", kExifHeaderLength) != 0)
        return QVariant();
    const uint8_t* tiff = bytes + kExifHeaderLength;
    EXIFByteOrder order;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        order = EXIFByteOrder::LittleEndian;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        order = EXIFByteOrder::BigEndian;
    else
        return QVariant();
    const TiffBlock block(tiff, uint64_t(length - kExifHeaderLength), order);
    if (block.u16(2) != 42)
        return QVariant();
    const uint32_t ifd0 = block.u32(4);

    Walk walk;
    walk.directories.insert(ifd0);
    EXIFReadIFD(walk, kEXIFIFD0, block, ifd0, 0);

    if (!block.holds(ifd0, 2))
        return nilIfEmpty(walk.dictionary);
    const uint64_t next = uint64_t(ifd0) + 2 + uint64_t(block.u16(ifd0)) * kEntryLength;
    // A directory cut short by the end of the block has no next offset to follow.
    if (!block.holds(next, 4))
        return nilIfEmpty(walk.dictionary);
    const uint32_t ifd1 = block.u32(next);
    if (ifd1 != 0) {
        if (ifd1 > block.limit())
            return QVariant();
        walk.directories.insert(ifd1);
        EXIFReadIFD(walk, kEXIFIFD1, block, ifd1, 0);
    }
    return nilIfEmpty(walk.dictionary);
}

QVariant EXIFReadJPEGStream(QIODevice& stream) {
    for (;;) {
        char marker;
        if (!stream.getChar(&marker))
            return QVariant();
        switch (uint8_t(marker)) {
        case kMarkerLead:
        case kMarkerStartOfImage:
            continue;
        case kMarkerAPP0:
        case kMarkerAPP1: {
            uchar length[2];
            if (stream.read(reinterpret_cast<char*>(length), 2) != 2)
                return QVariant();
            const int segment = length[0] << 8 | length[1];
            // The length counts its own two bytes; less is no segment at all.
            if (segment < 2)
                return QVariant();
            const qsizetype payload = segment - 2;
            if (uint8_t(marker) == kMarkerAPP0) {
                if (stream.skip(payload) != payload)
                    return QVariant();
                continue;
            }
            const QByteArray bytes = stream.read(payload);
            if (bytes.size() != payload)
                return QVariant();
            return EXIFParseAPP1(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
        }
        default:
            return QVariant();
        }
    }
}

QVariant EXIFReadJPEGFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QVariant();
    return EXIFReadJPEGStream(file);
}

QVariant EXIFDictionaryForFile(const QString& path) {
    if (path.isEmpty())
        return QVariant();
    const QString standardized = standardizedPath(path);
    const QVariant jpeg = EXIFReadJPEGFile(standardized);
    const std::shared_ptr<FileAttributeInfo> info =
        LocalFileAttributeInfo::fileAttributesInfoWithPath(standardized);
    if (!info)
        return jpeg;

    Groups dictionary;
    const QVariantMap groups = jpeg.toMap();
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        dictionary.insert(it.key(), it.value().toMap());
    const auto add = [&dictionary](uint16_t tag, const QString& value) {
        EXIFAddEntry(dictionary, kEXIFIFDFile, tag, kEXIFAscii, 1, value);
    };
    const QString fullPath = info->fileFullPath();
    add(0xF001, info->fileFullName());
    add(0xF002, info->fileDisplayName());
    add(0xF003, QFileInfo(fullPath).suffix());
    add(0xF004, codeText(info->fileHFSType()));
    add(0xF005, codeText(info->fileHFSCreator()));
    add(0xF006, info->fileKind());
    add(0xF007, fullPath);
    if (const QDateTime modified = info->fileModificationDate(); modified.isValid())
        add(0xF008, dateText(modified));
    if (const QDateTime created = info->fileCreationDate(); created.isValid())
        add(0xF009, dateText(created));
    add(0xF00A, host().fileSizeString(int64_t(info->fileSize())));
    add(0xF00B, info->finderComment());
    return nilIfEmpty(dictionary);
}

QString EXIFValueForKey(const QString& key, const QVariantMap& dictionary) {
    const QStringList parts = key.split(QLatin1Char('-'));
    if (parts.size() != 2)
        return QString();
    const QVariant value = dictionary.value(parts[0]).toMap().value(parts[1]).toMap().value(
        QLatin1String(kEXIFValueKey));
    if (value.typeId() != QMetaType::QString)
        return QString();
    // Never null, so that an empty stored value differs from a missing one.
    const QString text = value.toString();
    return text.isNull() ? QString(QLatin1String("")) : text;
}
