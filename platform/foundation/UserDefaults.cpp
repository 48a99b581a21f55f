#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QtEndian>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

// ---- keys ------------------------------------------------------------------
// QSettings folds slashes into groups, drops empty keys and removes a key's
// "children" with it; every defaults key must stay one plain, distinct key.

QString settingsKey(const QString& key) {
    QString out;
    out.reserve(key.size() + 1);
    out += u'=';
    for (const QChar c : key) {
        switch (c.unicode()) {
        case '%':
            out += QLatin1String("%25");
            break;
        case '/':
            out += QLatin1String("%2F");
            break;
        case '\\':
            out += QLatin1String("%5C");
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

bool defaultsKey(const QString& settingsKey, QString& key) {
    if (!settingsKey.startsWith(u'='))
        return false;
    key.clear();
    for (qsizetype i = 1; i < settingsKey.size(); ++i) {
        const QChar c = settingsKey[i];
        if (c != u'%') {
            key += c;
            continue;
        }
        const QStringView code = QStringView(settingsKey).mid(i + 1, 2);
        if (code == u"25")
            key += u'%';
        else if (code == u"2F")
            key += u'/';
        else if (code == u"5C")
            key += u'\\';
        else
            return false;
        i += 2;
    }
    return true;
}

// ---- property-list values --------------------------------------------------

constexpr int kMaxDepth = 256;

// Brings a value into the closed set of types the file keeps, so that what a
// process reads back after a restart is what it read before.
bool normalizedValue(const QVariant& value, QVariant& out, int depth = 0) {
    if (depth > kMaxDepth)
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        out = value;
        return true;
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        out = QVariant(value.toInt());
        return true;
    case QMetaType::Long:
        out = QVariant(value.toLongLong());
        return true;
    case QMetaType::ULong:
        out = QVariant(value.toULongLong());
        return true;
    case QMetaType::QString: {
        const QString text = value.toString();
        out = QVariant(text.isNull() ? QStringLiteral("") : text);
        return true;
    }
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        out = QVariant(data.isNull() ? QByteArray("") : data);
        return true;
    }
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        if (!moment.isValid())
            return false;
        out = QVariant(QDateTime::fromMSecsSinceEpoch(moment.toMSecsSinceEpoch(), Qt::UTC));
        return true;
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant& element : value.toList()) {
            QVariant normal;
            if (!normalizedValue(element, normal, depth + 1))
                return false;
            list.append(normal);
        }
        out = QVariant(list);
        return true;
    }
    case QMetaType::QVariantHash:
    case QMetaType::QVariantMap: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it) {
            QVariant normal;
            if (!normalizedValue(it.value(), normal, depth + 1))
                return false;
            map.insert(it.key(), normal);
        }
        out = QVariant(map);
        return true;
    }
    default:
        return false;
    }
}

// ---- file format -----------------------------------------------------------
// "LmskDefs", a big-endian 32-bit version, then the domain as a dictionary.
// A value is a one-byte tag and its payload; texts are UTF-8 and, like data,
// carry a 32-bit length; lists and dictionaries a 32-bit count.

constexpr char kMagic[] = "LmskDefs";
constexpr qsizetype kMagicSize = 8;
constexpr quint32 kVersion = 1;

enum class Tag : quint8 {
    Bool = 'b',
    Int = 'i',
    UInt = 'u',
    LongLong = 'l',
    ULongLong = 'U',
    Float = 'f',
    Double = 'd',
    String = 's',
    Data = 'D',
    Date = 't',
    Array = 'a',
    Dictionary = 'm',
};

class Writer {
public:
    QByteArray bytes;

    void u8(quint8 v) { bytes.append(char(v)); }
    void u32(quint32 v) {
        char b[4];
        qToBigEndian(v, b);
        bytes.append(b, 4);
    }
    void u64(quint64 v) {
        char b[8];
        qToBigEndian(v, b);
        bytes.append(b, 8);
    }
    void data(const QByteArray& d) {
        u32(quint32(d.size()));
        bytes.append(d);
    }
    void text(const QString& s) { data(s.toUtf8()); }
    void tag(Tag t) { u8(quint8(t)); }

    bool value(const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::Bool:
            tag(Tag::Bool);
            u8(v.toBool() ? 1 : 0);
            return true;
        case QMetaType::Int:
            tag(Tag::Int);
            u32(quint32(v.toInt()));
            return true;
        case QMetaType::UInt:
            tag(Tag::UInt);
            u32(v.toUInt());
            return true;
        case QMetaType::LongLong:
            tag(Tag::LongLong);
            u64(quint64(v.toLongLong()));
            return true;
        case QMetaType::ULongLong:
            tag(Tag::ULongLong);
            u64(v.toULongLong());
            return true;
        case QMetaType::Float:
            tag(Tag::Float);
            u32(std::bit_cast<quint32>(v.toFloat()));
            return true;
        case QMetaType::Double:
            tag(Tag::Double);
            u64(std::bit_cast<quint64>(v.toDouble()));
            return true;
        case QMetaType::QString:
            tag(Tag::String);
            text(v.toString());
            return true;
        case QMetaType::QByteArray:
            tag(Tag::Data);
            data(v.toByteArray());
            return true;
        case QMetaType::QDateTime:
            tag(Tag::Date);
            u64(quint64(v.toDateTime().toMSecsSinceEpoch()));
            return true;
        case QMetaType::QVariantList: {
            const QVariantList list = v.toList();
            tag(Tag::Array);
            u32(quint32(list.size()));
            for (const QVariant& element : list) {
                if (!value(element))
                    return false;
            }
            return true;
        }
        case QMetaType::QVariantMap: {
            const QVariantMap map = v.toMap();
            tag(Tag::Dictionary);
            u32(quint32(map.size()));
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                text(it.key());
                if (!value(it.value()))
                    return false;
            }
            return true;
        }
        default:
            return false;
        }
    }
};

// Every read checks what is left, so a damaged file can neither run past its
// end nor make a count ask for more memory than the file could fill.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : _p(bytes.constData()), _left(bytes.size()) {}

    bool atEnd() const { return _left == 0; }

    bool raw(qsizetype n, const char*& out) {
        if (n < 0 || n > _left)
            return false;
        out = _p;
        _p += n;
        _left -= n;
        return true;
    }
    bool u8(quint8& v) {
        const char* b;
        if (!raw(1, b))
            return false;
        v = quint8(*b);
        return true;
    }
    bool u32(quint32& v) {
        const char* b;
        if (!raw(4, b))
            return false;
        v = qFromBigEndian<quint32>(b);
        return true;
    }
    bool u64(quint64& v) {
        const char* b;
        if (!raw(8, b))
            return false;
        v = qFromBigEndian<quint64>(b);
        return true;
    }
    bool data(QByteArray& d) {
        quint32 n;
        const char* b;
        if (!u32(n) || !raw(qsizetype(n), b))
            return false;
        d = n == 0 ? QByteArray("") : QByteArray(b, qsizetype(n));
        return true;
    }
    bool text(QString& s) {
        QByteArray utf8;
        if (!data(utf8))
            return false;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        s = decoder(utf8);
        if (decoder.hasError())
            return false;
        if (s.isNull())
            s = QStringLiteral("");
        return true;
    }
    // A count of elements each taking at least minSize bytes.
    bool count(quint32& n, qsizetype minSize) { return u32(n) && qsizetype(n) <= _left / minSize; }

    bool dictionary(QVariantMap& map, int depth) {
        quint32 n;
        if (!count(n, 5))
            return false;
        for (quint32 i = 0; i < n; ++i) {
            QString key;
            QVariant v;
            if (!text(key) || !value(v, depth + 1))
                return false;
            map.insert(key, v);
        }
        return true;
    }

    bool value(QVariant& v, int depth) {
        quint8 t;
        if (depth > kMaxDepth || !u8(t))
            return false;
        quint32 w;
        quint64 q;
        switch (Tag(t)) {
        case Tag::Bool: {
            quint8 b;
            if (!u8(b) || b > 1)
                return false;
            v = QVariant(b == 1);
            return true;
        }
        case Tag::Int:
            if (!u32(w))
                return false;
            v = QVariant(qint32(w));
            return true;
        case Tag::UInt:
            if (!u32(w))
                return false;
            v = QVariant(w);
            return true;
        case Tag::LongLong:
            if (!u64(q))
                return false;
            v = QVariant(qint64(q));
            return true;
        case Tag::ULongLong:
            if (!u64(q))
                return false;
            v = QVariant(q);
            return true;
        case Tag::Float:
            if (!u32(w))
                return false;
            v = QVariant(std::bit_cast<float>(w));
            return true;
        case Tag::Double:
            if (!u64(q))
                return false;
            v = QVariant(std::bit_cast<double>(q));
            return true;
        case Tag::String: {
            QString s;
            if (!text(s))
                return false;
            v = QVariant(s);
            return true;
        }
        case Tag::Data: {
            QByteArray d;
            if (!data(d))
                return false;
            v = QVariant(d);
            return true;
        }
        case Tag::Date: {
            if (!u64(q))
                return false;
            const QDateTime moment = QDateTime::fromMSecsSinceEpoch(qint64(q), Qt::UTC);
            if (!moment.isValid())
                return false;
            v = QVariant(moment);
            return true;
        }
        case Tag::Array: {
            // No reserve: the count is only a promise until the elements are read.
            quint32 n;
            if (!count(n, 2))
                return false;
            QVariantList list;
            for (quint32 i = 0; i < n; ++i) {
                QVariant element;
                if (!value(element, depth + 1))
                    return false;
                list.append(element);
            }
            v = QVariant(list);
            return true;
        }
        case Tag::Dictionary: {
            QVariantMap map;
            if (!dictionary(map, depth))
                return false;
            v = QVariant(map);
            return true;
        }
        }
        return false;
    }

private:
    const char* _p;
    qsizetype _left;
};

bool decodeDomain(const QByteArray& bytes, QSettings::SettingsMap& map) {
    if (bytes.isEmpty())
        return true;
    Reader in(bytes);
    const char* magic;
    quint32 version;
    QVariantMap domain;
    if (!in.raw(kMagicSize, magic) || QByteArrayView(magic, kMagicSize) != kMagic ||
        !in.u32(version) || version != kVersion || !in.dictionary(domain, 0) || !in.atEnd())
        return false;
    for (auto it = domain.cbegin(); it != domain.cend(); ++it)
        map.insert(settingsKey(it.key()), it.value());
    return true;
}

bool encodeDomain(const QSettings::SettingsMap& map, QByteArray& bytes) {
    Writer out;
    out.bytes.append(kMagic, kMagicSize);
    out.u32(kVersion);
    out.u32(quint32(map.size()));
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        QString key;
        if (!defaultsKey(it.key(), key))
            return false;
        out.text(key);
        if (!out.value(it.value()))
            return false;
    }
    bytes = out.bytes;
    return true;
}

// The unreadable file is copied beside itself before the store goes on without
// it (the next write replaces it). The copy's name carries a digest of the
// contents, so the same damage is set aside and reported only once.
void setAsideUnreadable(const QString& path, const QByteArray& bytes) {
    const QString copyPath =
        path + QStringLiteral(".unreadable-") +
        QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(12));
    if (QFile::exists(copyPath))
        return;
    QSaveFile copy(copyPath);
    if (copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size() && copy.commit())
        qWarning("Defaults file %s is unreadable; set aside as %s, going on without it",
                 qPrintable(path), qPrintable(copyPath));
    else
        qWarning("Defaults file %s is unreadable and could not be set aside as %s",
                 qPrintable(path), qPrintable(copyPath));
}

bool readDomain(QIODevice& device, QSettings::SettingsMap& map) {
    const QByteArray bytes = device.readAll();
    if (decodeDomain(bytes, map))
        return true;
    map.clear();
    if (const auto* file = qobject_cast<QFile*>(&device))
        setAsideUnreadable(file->fileName(), bytes);
    return false;
}

bool writeDomain(QIODevice& device, const QSettings::SettingsMap& map) {
    QByteArray bytes;
    return encodeDomain(map, bytes) && device.write(bytes) == bytes.size();
}

QSettings::Format defaultsFormat() {
    static const QSettings::Format format = QSettings::registerFormat(
        QStringLiteral("defaults"), readDomain, writeDomain, Qt::CaseSensitive);
    return format;
}

// QSettings flushes itself from a posted event on its own thread; that flush
// must take the store's lock like every other access.
class LockedSettings : public QSettings {
public:
    LockedSettings(const QString& path, std::mutex& mutex)
        : QSettings(path, defaultsFormat()), _mutex(mutex) {}

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::UpdateRequest)
            return QSettings::event(e);
        std::lock_guard lock(_mutex);
        return QSettings::event(e);
    }

private:
    std::mutex& _mutex;
};

// ---- conversions -----------------------------------------------------------

qsizetype skipSpace(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    return i;
}

// The leading integer of a text, saturated at the limits; 0 when there is none.
qint64 leadingInteger(const QString& s) {
    qsizetype i = skipSpace(s);
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        negative = s[i++] == u'-';
    constexpr quint64 limit = quint64(std::numeric_limits<qint64>::max()) + 1;
    quint64 magnitude = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        const quint64 digit = s[i].unicode() - '0';
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (negative)
        return magnitude == limit ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
    return magnitude >= limit ? std::numeric_limits<qint64>::max() : qint64(magnitude);
}

// The leading decimal number of a text ("1.5e3x" -> 1500); 0 when there is none.
double leadingDouble(const QString& s) {
    qsizetype i = skipSpace(s);
    std::string number;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        if (s[i] == u'-')
            number += '-';
        ++i;
    }
    auto digits = [&] {
        qsizetype n = 0;
        for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++n)
            number += char(s[i].unicode());
        return n;
    };
    // Rough decimal magnitude, to tell overflow from underflow.
    qsizetype magnitude = 0;
    const qsizetype whole = digits();
    qsizetype fraction = 0;
    if (i < s.size() && s[i] == u'.') {
        number += '.';
        ++i;
        fraction = digits();
    }
    if (whole + fraction == 0)
        return 0.0;
    const auto firstNonZero = number.find_first_of("123456789");
    const auto point = number.find('.');
    if (firstNonZero != std::string::npos) {
        const auto end = point == std::string::npos ? number.size() : point;
        magnitude =
            firstNonZero < end ? qsizetype(end - firstNonZero) : -qsizetype(firstNonZero - end);
    }
    if (i + 1 < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (s[j] == u'-' || s[j] == u'+')
            exponent += char(s[j++].unicode());
        qint64 e = 0;
        const qsizetype start = j;
        for (; j < s.size() && s[j] >= u'0' && s[j] <= u'9'; ++j) {
            exponent += char(s[j].unicode());
            e = std::min<qint64>(e * 10 + (s[j].unicode() - '0'), 1'000'000);
        }
        if (j > start) {
            number += exponent;
            magnitude += exponent[1] == '-' ? -e : e;
        }
    }
    double result = 0.0;
    const std::errc error =
        std::from_chars(number.data(), number.data() + number.size(), result).ec;
    if (error == std::errc::result_out_of_range) {
        const bool negative = number.front() == '-';
        result = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -result : result;
    }
    return error == std::errc() ? result : 0.0;
}

qint64 integerFromDouble(double d) {
    if (std::isnan(d))
        return 0;
    if (d >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (d <= -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return qint64(d);
}

qint64 integerValue(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::ULongLong:
        return qint64(std::min<quint64>(v.toULongLong(), std::numeric_limits<qint64>::max()));
    case QMetaType::Float:
    case QMetaType::Double:
        return integerFromDouble(v.toDouble());
    case QMetaType::QString:
        return leadingInteger(v.toString());
    default:
        return 0;
    }
}

double doubleValue(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? 1.0 : 0.0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::QString:
        return leadingDouble(v.toString());
    default:
        return 0.0;
    }
}

bool boolValue(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return integerValue(v) != 0;
    case QMetaType::Float:
    case QMetaType::Double:
        return v.toDouble() != 0.0;
    case QMetaType::QString: {
        const QString s = v.toString();
        if (s.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 ||
            s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("NO"), Qt::CaseInsensitive) == 0 ||
            s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        return leadingInteger(s) != 0;
    }
    default:
        return false;
    }
}

void flushStandardUserDefaults() {
    UserDefaults::standardUserDefaults().synchronize();
}

} // namespace

// ---- the store ---------------------------------------------------------------

struct UserDefaults::Private {
    QString path;
    mutable std::mutex mutex;
    std::unique_ptr<LockedSettings> settings;
    QVariantMap registration;

    // QSettings keeps the first error it met for good. A fresh instance over
    // the same file shares the pending changes and retries them at once, and
    // its status tells how that attempt went.
    void renewSettings() {
        auto fresh = std::make_unique<LockedSettings>(path, mutex);
        if (fresh->thread() != settings->thread())
            fresh->moveToThread(settings->thread());
        settings.swap(fresh);
        // The old one may be waiting for the lock in its own thread's flush.
        if (fresh->thread() == QThread::currentThread())
            fresh.reset();
        else
            fresh.release()->deleteLater();
    }
};

UserDefaults& UserDefaults::standardUserDefaults() {
    static UserDefaults shared(standardFilePath());
    static const bool flushAtQuit = [] {
        // Its automatic flushes run on the main thread, whoever asked first.
        if (auto* app = QCoreApplication::instance()) {
            std::lock_guard lock(shared.d->mutex);
            if (shared.d->settings->thread() != app->thread())
                shared.d->settings->moveToThread(app->thread());
        }
        qAddPostRoutine(flushStandardUserDefaults);
        return true;
    }();
    (void)flushAtQuit;
    return shared;
}

QString UserDefaults::standardFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Lumisk/Lumisk.defaults");
}

UserDefaults::UserDefaults(const QString& filePath) : d(std::make_unique<Private>()) {
    d->path = filePath;
    // The settings include the mail password, scrambled only: readable by the
    // owner alone. Rewrites keep the permissions of the file they replace.
    if (!QFileInfo::exists(filePath) && QDir().mkpath(QFileInfo(filePath).absolutePath())) {
        QFile file(filePath);
        (void)file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    d->settings = std::make_unique<LockedSettings>(filePath, d->mutex);
}

UserDefaults::~UserDefaults() {
    std::lock_guard lock(d->mutex);
    d->settings->sync();
    d->settings.reset();
}

QString UserDefaults::filePath() const {
    return d->path;
}

QVariant UserDefaults::objectForKey(const QString& key) const {
    std::lock_guard lock(d->mutex);
    const QVariant stored = d->settings->value(settingsKey(key));
    return stored.isValid() ? stored : d->registration.value(key);
}

bool UserDefaults::setObjectForKey(const QVariant& value, const QString& key) {
    if (!value.isValid()) {
        removeObjectForKey(key);
        return true;
    }
    QVariant normal;
    if (!normalizedValue(value, normal)) {
        qWarning("Defaults: not storing a %s under \"%s\": not a property-list value",
                 value.typeName(), qPrintable(key));
        return false;
    }
    std::lock_guard lock(d->mutex);
    d->settings->setValue(settingsKey(key), normal);
    return true;
}

void UserDefaults::removeObjectForKey(const QString& key) {
    const QString stored = settingsKey(key);
    std::lock_guard lock(d->mutex);
    if (d->settings->contains(stored))
        d->settings->remove(stored);
}

qint64 UserDefaults::integerForKey(const QString& key) const {
    return integerValue(objectForKey(key));
}

void UserDefaults::setIntegerForKey(qint64 value, const QString& key) {
    setObjectForKey(QVariant(value), key);
}

bool UserDefaults::boolForKey(const QString& key) const {
    return boolValue(objectForKey(key));
}

void UserDefaults::setBoolForKey(bool value, const QString& key) {
    setObjectForKey(QVariant(value), key);
}

float UserDefaults::floatForKey(const QString& key) const {
    return float(doubleValue(objectForKey(key)));
}

void UserDefaults::setFloatForKey(float value, const QString& key) {
    setObjectForKey(QVariant(value), key);
}

double UserDefaults::doubleForKey(const QString& key) const {
    return doubleValue(objectForKey(key));
}

QString UserDefaults::stringForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

QByteArray UserDefaults::dataForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

QVariantList UserDefaults::arrayForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantList ? v.toList() : QVariantList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

void UserDefaults::registerDefaults(const QVariantMap& registrationDictionary) {
    QVariantMap accepted;
    for (auto it = registrationDictionary.cbegin(); it != registrationDictionary.cend(); ++it) {
        QVariant normal;
        if (normalizedValue(it.value(), normal))
            accepted.insert(it.key(), normal);
        else
            qWarning("Defaults: not registering a %s under \"%s\": not a property-list value",
                     it.value().typeName(), qPrintable(it.key()));
    }
    std::lock_guard lock(d->mutex);
    d->registration.insert(accepted);
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(d->mutex);
    if (d->settings->status() == QSettings::NoError)
        d->settings->sync();
    else
        d->renewSettings(); // whose first sync is this attempt
    return d->settings->status() == QSettings::NoError;
}
