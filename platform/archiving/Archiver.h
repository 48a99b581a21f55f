#pragma once

#include "platform/archiving/Archivable.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <unordered_map>
#include <unordered_set>

// Writes a sequential, keyless archive: values in the order they are encoded,
// read back by Unarchiver in the same order. Objects are written by class
// name and class version followed by what their encoder writes; an object
// referenced twice is written once.
//
// Property-list values (QVariant): nil, int, qlonglong (and the unsigned kinds
// that fit), float, double, bool, QString, QByteArray, QDateTime, QVariantList,
// QStringList, QVariantMap, plus registered value classes and ArchivableRef.
// Integer, real and boolean numbers stay apart.
class LUMISK_PLATFORM_EXPORT Archiver {
public:
    // The archive of one root object; a null QByteArray when something in the
    // graph cannot be archived (the reason goes to *error).
    static QByteArray archivedData(const QVariant& root, QString* error = nullptr);
    static QByteArray archivedData(const ArchivableRef& root, QString* error = nullptr) {
        return archivedData(variantFromObject(root), error);
    }
    template <class T> static QByteArray archivedValue(const T& value, QString* error = nullptr) {
        return archivedData(QVariant::fromValue(value), error);
    }

    // For encodeWithCoder and value encoders.
    void encodeInt32(qint32 value);
    void encodeInt64(qint64 value);
    void encodeFloat(float value);
    void encodeDouble(double value);
    void encodeBool(bool value);
    void encodeString(const QString& text); // a null text is written as empty
    void encodeData(const QByteArray& data);
    void encodeDate(const QDateTime& date); // an invalid date fails the archive
    void encodePoint(Point p);
    void encodeSize(Size s);
    void encodeRect(const Rect& r);
    // A count that the decoder reads with decodeCount before a loop.
    void encodeCount(qsizetype count);
    void encodeObject(const QVariant& value);
    void encodeObject(const ArchivableRef& object) { encodeObject(variantFromObject(object)); }
    template <class T> void encodeValue(const T& value) {
        encodeObject(QVariant::fromValue(value));
    }

    // Gives up on the whole archive (archivedData answers null).
    [[noreturn]] void fail(const QString& reason);

private:
    Archiver();

    void writeTag(quint8 tag);
    void writeRaw(const void* bytes, qsizetype length);
    void writeU32(quint32 value);
    void writeLength(qsizetype length);
    void writeUtf8(const QString& text);
    void writeClassReference(const QString& name, qint32 version);
    void writeArchivable(const ArchivableRef& object);

    QByteArray _bytes;
    int _depth = 0;
    QHash<QString, quint32> _classIndex;
    std::unordered_map<const Archivable*, quint32> _objectIndex;
    std::unordered_set<const Archivable*> _inProgress;
    quint32 _objectCount = 0;
};
