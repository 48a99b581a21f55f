#pragma once

#include "platform/archiving/Archivable.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

struct ClassInfo;

// Reads an archive written by Archiver. Every read is checked against the
// bytes that are left and against the type that was written; any damage
// (truncation, wrong types, unknown classes, impossible lengths, cycles,
// nesting beyond a fixed depth) ends the whole decode with nil.
class LUMISK_PLATFORM_EXPORT Unarchiver {
public:
    // The root object of an archive, or nil (an invalid QVariant) when the
    // data is not one complete, sound archive; the reason goes to *error.
    // An archive of nil also decodes to nil, with an empty error.
    static QVariant unarchiveObject(const QByteArray& data, QString* error = nullptr);
    template <class T>
    static std::shared_ptr<T> unarchiveObjectOfClass(const QByteArray& data,
                                                     QString* error = nullptr) {
        return objectFromVariantAs<T>(unarchiveObject(data, error));
    }
    // A value class root, or nothing when the archive holds something else.
    template <class T>
    static std::optional<T> unarchiveValue(const QByteArray& data, QString* error = nullptr) {
        const QVariant v = unarchiveObject(data, error);
        if (v.metaType() != QMetaType::fromType<T>())
            return std::nullopt;
        return v.value<T>();
    }

    // For initWithCoder and value decoders; each fails the decode when the
    // next value is of another type.
    qint32 decodeInt32();
    qint64 decodeInt64();
    float decodeFloat();
    double decodeDouble();
    bool decodeBool();
    QString decodeString();
    QByteArray decodeData();
    QDateTime decodeDate();
    Point decodePoint();
    Size decodeSize();
    Rect decodeRect();
    // A count written by encodeCount; fails unless that many items of at
    // least minBytesPerItem each can still follow, so loops and allocations
    // stay within what the input holds.
    qint32 decodeCount(int minBytesPerItem = 1);
    QVariant decodeObject();
    // The next object as class T (nullptr for nil); another class fails.
    template <class T> std::shared_ptr<T> decodeObjectOfClass() {
        const QVariant v = decodeObject();
        if (!v.isValid())
            return nullptr;
        auto object = objectFromVariantAs<T>(v);
        if (!object)
            fail(QStringLiteral("Object of an unexpected class"));
        return object;
    }
    // The next value of value class T; nil or another class fails.
    template <class T> T decodeValue() {
        const QVariant v = decodeObject();
        if (v.metaType() != QMetaType::fromType<T>())
            fail(QStringLiteral("Value of an unexpected class"));
        return v.value<T>();
    }

    // The version of a class as written in this archive, -1 when the archive
    // has not named the class (so far).
    qint32 versionForClassName(const QString& name) const;
    // Bytes not read yet.
    qsizetype bytesLeft() const { return _data.size() - _pos; }

    // Gives up on the whole archive: unarchiveObject answers nil.
    [[noreturn]] void fail(const QString& reason);

private:
    explicit Unarchiver(const QByteArray& data);

    quint8 readTag();
    void expectTag(quint8 tag, const char* what);
    const char* readRaw(qsizetype length);
    quint32 readU32();
    template <class T> T readLittleEndian();
    float readFloatBits();
    QString readUtf8();
    std::shared_ptr<const ClassInfo> readClassReference();
    QVariant decodeTagged(quint8 tag);
    QVariant decodeArchivable();
    QVariant decodeValueObject();

    struct ClassEntry {
        std::shared_ptr<const ClassInfo> info;
        qint32 version;
    };
    struct ObjectEntry {
        QVariant value;
        bool done = false;
    };

    QByteArray _data;
    qsizetype _pos = 0;
    std::vector<ClassEntry> _classes;
    std::vector<ObjectEntry> _objects;
};
