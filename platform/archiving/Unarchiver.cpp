#include "platform/archiving/Unarchiver.h"

#include "platform/archiving/ArchiveFormat.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/foundation/Exception.h"

#include <QSet>
#include <QStringDecoder>
#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace archive_format;

namespace {

const char* const kInconsistentArchive = "NSInconsistentArchiveException";

// Nesting of values and objects on this thread, across all unarchivers, so
// that archives decoded from data inside an object's decoding count too.
thread_local int tDepth = 0;

struct DepthGuard {
    explicit DepthGuard(Unarchiver& u) {
        if (++tDepth > kMaxDepth) {
            --tDepth;
            u.fail(QStringLiteral("Values are nested too deeply"));
        }
    }
    ~DepthGuard() { --tDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

const char* tagName(quint8 tag) {
    switch (tag) {
    case kNil:
        return "nil";
    case kInt32:
        return "32-bit integer";
    case kInt64:
        return "64-bit integer";
    case kFloat:
        return "float";
    case kDouble:
        return "double";
    case kBool:
        return "flag";
    case kString:
        return "text";
    case kData:
        return "data";
    case kDate:
        return "date";
    case kArray:
        return "array";
    case kDictionary:
        return "dictionary";
    case kPoint:
        return "point";
    case kSize:
        return "size";
    case kRect:
        return "rectangle";
    case kObject:
        return "object";
    case kObjectRef:
        return "object reference";
    case kValueObject:
        return "value";
    case kObjectEnd:
        return "end of object";
    default:
        return "unknown tag";
    }
}

} // namespace

Unarchiver::Unarchiver(const QByteArray& data) : _data(data) {}

QVariant Unarchiver::unarchiveObject(const QByteArray& data, QString* error) {
    Unarchiver u(data);
    try {
        if (data.size() < kHeaderSize || std::memcmp(data.constData(), kMagic, sizeof kMagic) != 0)
            u.fail(QStringLiteral("Not an archive"));
        u._pos = sizeof kMagic;
        const quint32 version = u.readU32();
        if (version != kVersion)
            u.fail(QStringLiteral("Archive format %1 is not supported").arg(version));
        QVariant root = u.decodeObject();
        if (u.bytesLeft() != 0)
            u.fail(QStringLiteral("%1 bytes follow the root object").arg(u.bytesLeft()));
        if (error)
            error->clear();
        return root;
    } catch (const Exception& e) {
        if (error)
            *error = e.reason();
        return {};
    }
}

void Unarchiver::fail(const QString& reason) {
    Exception::raise(QString::fromLatin1(kInconsistentArchive),
                     QStringLiteral("%1 (at byte %2)").arg(reason).arg(_pos));
}

const char* Unarchiver::readRaw(qsizetype length) {
    if (length < 0 || length > bytesLeft())
        fail(QStringLiteral("Archive ends early"));
    const char* p = _data.constData() + _pos;
    _pos += length;
    return p;
}

template <class T> T Unarchiver::readLittleEndian() {
    T value;
    std::memcpy(&value, readRaw(sizeof value), sizeof value);
    return qFromLittleEndian(value);
}

quint32 Unarchiver::readU32() {
    return readLittleEndian<quint32>();
}

float Unarchiver::readFloatBits() {
    const quint32 bits = readU32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

quint8 Unarchiver::readTag() {
    return quint8(*readRaw(1));
}

void Unarchiver::expectTag(quint8 tag, const char* what) {
    const qsizetype at = _pos;
    const quint8 found = readTag();
    if (found != tag) {
        _pos = at;
        fail(QStringLiteral("Expected %1, found %2")
                 .arg(QLatin1String(what), QLatin1String(tagName(found))));
    }
}

QString Unarchiver::readUtf8() {
    const quint32 length = readU32();
    const char* bytes = readRaw(qsizetype(length));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes, length));
    if (decoder.hasError())
        fail(QStringLiteral("Text is not valid UTF-8"));
    return text;
}

qint32 Unarchiver::decodeInt32() {
    expectTag(kInt32, "32-bit integer");
    return readLittleEndian<qint32>();
}

qint64 Unarchiver::decodeInt64() {
    expectTag(kInt64, "64-bit integer");
    return readLittleEndian<qint64>();
}

float Unarchiver::decodeFloat() {
    expectTag(kFloat, "float");
    return readFloatBits();
}

double Unarchiver::decodeDouble() {
    expectTag(kDouble, "double");
    const quint64 bits = readLittleEndian<quint64>();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

bool Unarchiver::decodeBool() {
    expectTag(kBool, "flag");
    const quint8 b = quint8(*readRaw(1));
    if (b > 1)
        fail(QStringLiteral("Flag byte %1 is neither 0 nor 1").arg(b));
    return b == 1;
}

QString Unarchiver::decodeString() {
    expectTag(kString, "text");
    return readUtf8();
}

QByteArray Unarchiver::decodeData() {
    expectTag(kData, "data");
    const quint32 length = readU32();
    const char* bytes = readRaw(qsizetype(length));
    return QByteArray(bytes, qsizetype(length));
}

QDateTime Unarchiver::decodeDate() {
    expectTag(kDate, "date");
    const qint64 ms = readLittleEndian<qint64>();
    // QDateTime covers about 292 million years either side of 1970.
    constexpr qint64 kLimit = qint64(1) << 62;
    QDateTime date;
    if (ms > -kLimit && ms < kLimit)
        date = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    if (!date.isValid())
        fail(QStringLiteral("Date out of range"));
    return date;
}

Point Unarchiver::decodePoint() {
    expectTag(kPoint, "point");
    Point p;
    p.x = readFloatBits();
    p.y = readFloatBits();
    return p;
}

Size Unarchiver::decodeSize() {
    expectTag(kSize, "size");
    Size s;
    s.width = readFloatBits();
    s.height = readFloatBits();
    return s;
}

Rect Unarchiver::decodeRect() {
    expectTag(kRect, "rectangle");
    Rect r;
    r.origin.x = readFloatBits();
    r.origin.y = readFloatBits();
    r.size.width = readFloatBits();
    r.size.height = readFloatBits();
    return r;
}

qint32 Unarchiver::decodeCount(int minBytesPerItem) {
    const qint32 count = decodeInt32();
    if (count < 0 || qint64(count) * std::max(minBytesPerItem, 1) > bytesLeft())
        fail(QStringLiteral("Count %1 exceeds what the archive holds").arg(count));
    return count;
}

qint32 Unarchiver::versionForClassName(const QString& name) const {
    for (const ClassEntry& entry : _classes)
        if (entry.info->name == name)
            return entry.version;
    return -1;
}

std::shared_ptr<const ClassInfo> Unarchiver::readClassReference() {
    const quint32 ref = readU32();
    if (ref != kNewClass) {
        if (ref >= _classes.size())
            fail(QStringLiteral("Reference to class %1 that the archive has not named").arg(ref));
        return _classes[ref].info;
    }
    const QString name = readUtf8();
    const qint32 version = readLittleEndian<qint32>();
    for (const ClassEntry& entry : _classes)
        if (entry.info->name == name)
            fail(QStringLiteral("Class %1 is named twice").arg(name));
    auto info = ClassRegistry::shared().classNamed(name);
    if (!info)
        fail(QStringLiteral("Unknown class %1").arg(name));
    _classes.push_back({info, version});
    return info;
}

QVariant Unarchiver::decodeObject() {
    DepthGuard depth(*this);
    return decodeTagged(readTag());
}

QVariant Unarchiver::decodeArchivable() {
    auto info = readClassReference();
    if (info->isValueClass())
        fail(QStringLiteral("%1 is a value, not an object").arg(info->name));
    const qsizetype index = qsizetype(_objects.size());
    _objects.push_back({});
    ArchivableRef object = info->factory();
    const bool ok = object->initWithCoder(*this);
    expectTag(kObjectEnd, "end of object");
    QVariant value = ok ? variantFromObject(std::move(object)) : QVariant();
    _objects[index] = {value, true};
    return value;
}

QVariant Unarchiver::decodeValueObject() {
    auto info = readClassReference();
    if (!info->isValueClass())
        fail(QStringLiteral("%1 is an object, not a value").arg(info->name));
    QVariant value = info->decodeValue(*this);
    expectTag(kObjectEnd, "end of value");
    return value;
}

QVariant Unarchiver::decodeTagged(quint8 tag) {
    --_pos; // the typed readers check the tag themselves
    switch (tag) {
    case kNil:
        ++_pos;
        return {};
    case kInt32:
        return decodeInt32();
    case kInt64:
        return decodeInt64();
    case kFloat:
        return decodeFloat();
    case kDouble:
        return decodeDouble();
    case kBool:
        return decodeBool();
    case kString:
        return decodeString();
    case kData:
        return decodeData();
    case kDate:
        return decodeDate();
    case kArray: {
        ++_pos;
        const quint32 count = readU32();
        if (count > quint64(bytesLeft())) // every element takes at least its tag byte
            fail(QStringLiteral("Array of %1 elements exceeds the archive").arg(count));
        QVariantList list;
        list.reserve(qsizetype(std::min<quint32>(count, 4096)));
        for (quint32 i = 0; i < count; ++i)
            list.append(decodeObject());
        return list;
    }
    case kDictionary: {
        ++_pos;
        const quint32 count = readU32();
        if (count > quint64(bytesLeft()) / 5) // key length word and value tag
            fail(QStringLiteral("Dictionary of %1 entries exceeds the archive").arg(count));
        QVariantMap map;
        for (quint32 i = 0; i < count; ++i) {
            QString key = readUtf8();
            if (map.contains(key))
                fail(QStringLiteral("Dictionary key %1 appears twice").arg(key));
            map.insert(key, decodeObject());
        }
        return map;
    }
    case kObject:
        ++_pos;
        return decodeArchivable();
    case kObjectRef: {
        ++_pos;
        const quint32 index = readU32();
        if (index >= _objects.size())
            fail(QStringLiteral("Reference to object %1 that the archive has not written")
                     .arg(index));
        if (!_objects[index].done)
            fail(QStringLiteral("Object %1 refers to itself").arg(index));
        return _objects[index].value;
    }
    case kValueObject:
        ++_pos;
        return decodeValueObject();
    default:
        ++_pos;
        fail(QStringLiteral("Unexpected %1 (0x%2)")
                 .arg(QLatin1String(tagName(tag)))
                 .arg(tag, 2, 16, QLatin1Char('0')));
    }
}
