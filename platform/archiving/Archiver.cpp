#include "platform/archiving/Archiver.h"

#include "platform/archiving/ArchiveFormat.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/foundation/Exception.h"

#include <QtEndian>
#include <cstring>
#include <limits>

using namespace archive_format;

namespace {

const char* const kArchiveFailure = "NSArchiverArchiveInconsistency";

template <class T> void appendLittleEndian(QByteArray& bytes, T value) {
    T le = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
}

} // namespace

Archivable::~Archivable() = default;

QVariant variantFromObject(ArchivableRef object) {
    return object ? QVariant::fromValue(std::move(object)) : QVariant();
}

ArchivableRef objectFromVariant(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<ArchivableRef>() ? value.value<ArchivableRef>()
                                                                    : nullptr;
}

Archiver::Archiver() {
    _bytes.append(kMagic, sizeof kMagic);
    appendLittleEndian<quint32>(_bytes, kVersion);
}

QByteArray Archiver::archivedData(const QVariant& root, QString* error) {
    Archiver archiver;
    try {
        archiver.encodeObject(root);
    } catch (const Exception& e) {
        if (error)
            *error = e.reason();
        qWarning("Archiver: %s", qPrintable(e.reason()));
        return {};
    }
    if (error)
        error->clear();
    return archiver._bytes;
}

void Archiver::fail(const QString& reason) {
    Exception::raise(QString::fromLatin1(kArchiveFailure), reason);
}

void Archiver::writeTag(quint8 tag) {
    _bytes.append(char(tag));
}

void Archiver::writeRaw(const void* bytes, qsizetype length) {
    _bytes.append(static_cast<const char*>(bytes), length);
}

void Archiver::writeU32(quint32 value) {
    appendLittleEndian(_bytes, value);
}

void Archiver::writeLength(qsizetype length) {
    if (length < 0 || quint64(length) >= kNewClass)
        fail(QStringLiteral("Length %1 is too large for an archive").arg(length));
    writeU32(quint32(length));
}

void Archiver::writeUtf8(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    writeLength(utf8.size());
    writeRaw(utf8.constData(), utf8.size());
}

void Archiver::encodeInt32(qint32 value) {
    writeTag(kInt32);
    appendLittleEndian(_bytes, value);
}

void Archiver::encodeInt64(qint64 value) {
    writeTag(kInt64);
    appendLittleEndian(_bytes, value);
}

void Archiver::encodeFloat(float value) {
    writeTag(kFloat);
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendLittleEndian(_bytes, bits);
}

void Archiver::encodeDouble(double value) {
    writeTag(kDouble);
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendLittleEndian(_bytes, bits);
}

void Archiver::encodeBool(bool value) {
    writeTag(kBool);
    _bytes.append(char(value ? 1 : 0));
}

void Archiver::encodeString(const QString& text) {
    writeTag(kString);
    writeUtf8(text);
}

void Archiver::encodeData(const QByteArray& data) {
    writeTag(kData);
    writeLength(data.size());
    writeRaw(data.constData(), data.size());
}

void Archiver::encodeDate(const QDateTime& date) {
    if (!date.isValid())
        fail(QStringLiteral("An invalid date cannot be archived"));
    writeTag(kDate);
    appendLittleEndian<qint64>(_bytes, date.toMSecsSinceEpoch());
}

void Archiver::encodePoint(Point p) {
    writeTag(kPoint);
    for (float f : {p.x, p.y}) {
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        appendLittleEndian(_bytes, bits);
    }
}

void Archiver::encodeSize(Size s) {
    writeTag(kSize);
    for (float f : {s.width, s.height}) {
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        appendLittleEndian(_bytes, bits);
    }
}

void Archiver::encodeRect(const Rect& r) {
    writeTag(kRect);
    for (float f : {r.origin.x, r.origin.y, r.size.width, r.size.height}) {
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        appendLittleEndian(_bytes, bits);
    }
}

void Archiver::encodeCount(qsizetype count) {
    if (count < 0 || count > std::numeric_limits<qint32>::max())
        fail(QStringLiteral("Count %1 is out of range").arg(count));
    encodeInt32(qint32(count));
}

void Archiver::writeClassReference(const QString& name, qint32 version) {
    auto it = _classIndex.constFind(name);
    if (it != _classIndex.constEnd()) {
        writeU32(*it);
        return;
    }
    const quint32 index = quint32(_classIndex.size());
    _classIndex.insert(name, index);
    writeU32(kNewClass);
    writeUtf8(name);
    appendLittleEndian(_bytes, version);
}

void Archiver::writeArchivable(const ArchivableRef& object) {
    auto known = _objectIndex.find(object.get());
    if (known != _objectIndex.end()) {
        if (_inProgress.count(object.get()))
            fail(QStringLiteral("An object refers to itself; cycles cannot be archived"));
        writeTag(kObjectRef);
        writeU32(known->second);
        return;
    }
    const Archivable& instance = *object;
    auto info = ClassRegistry::shared().classOfObject(instance);
    if (!info)
        fail(QStringLiteral("Class %1 is not registered for archiving")
                 .arg(QString::fromLatin1(typeid(instance).name())));
    _objectIndex.emplace(object.get(), _objectCount++);
    _inProgress.insert(object.get());
    writeTag(kObject);
    writeClassReference(info->name, info->version);
    object->encodeWithCoder(*this);
    writeTag(kObjectEnd);
    _inProgress.erase(object.get());
}

void Archiver::encodeObject(const QVariant& value) {
    if (++_depth > kMaxDepth)
        fail(QStringLiteral("Values are nested too deeply to archive"));
    struct DepthGuard {
        int& depth;
        ~DepthGuard() { --depth; }
    } guard{_depth};

    const QMetaType type = value.metaType();
    switch (type.id()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        writeTag(kNil);
        return;
    case QMetaType::Int:
        encodeInt32(value.toInt());
        return;
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        encodeInt32(value.toInt());
        return;
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        encodeInt64(value.toLongLong());
        return;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            fail(QStringLiteral("Unsigned number %1 is too large to archive").arg(u));
        encodeInt64(qint64(u));
        return;
    }
    case QMetaType::Float:
        encodeFloat(value.toFloat());
        return;
    case QMetaType::Double:
        encodeDouble(value.toDouble());
        return;
    case QMetaType::Bool:
        encodeBool(value.toBool());
        return;
    case QMetaType::QString:
        encodeString(value.toString());
        return;
    case QMetaType::QByteArray:
        encodeData(value.toByteArray());
        return;
    case QMetaType::QDateTime:
        encodeDate(value.toDateTime());
        return;
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        writeTag(kArray);
        writeLength(list.size());
        for (const QString& s : list)
            encodeString(s);
        return;
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        writeTag(kArray);
        writeLength(list.size());
        for (const QVariant& v : list)
            encodeObject(v);
        return;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        writeTag(kDictionary);
        writeLength(map.size());
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            writeUtf8(it.key());
            encodeObject(it.value());
        }
        return;
    }
    default:
        break;
    }
    if (type == QMetaType::fromType<ArchivableRef>()) {
        const ArchivableRef object = value.value<ArchivableRef>();
        if (!object)
            writeTag(kNil);
        else
            writeArchivable(object);
        return;
    }
    auto info = ClassRegistry::shared().classOfValue(type);
    if (!info)
        fail(QStringLiteral("Values of type %1 cannot be archived")
                 .arg(QString::fromLatin1(type.name())));
    writeTag(kValueObject);
    writeClassReference(info->name, info->version);
    info->encodeValue(*this, value);
    writeTag(kObjectEnd);
}
