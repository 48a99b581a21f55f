#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/PropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>
#include <utility>

namespace {

// A sync holds the lock for one read and one write of a small file; a lock
// held longer belongs to a process that is stuck, and waiting on does no good.
constexpr int kLockTimeoutMs = 10000;

// QLockFile's own wait sleeps 100 ms and longer between tries, while a sync
// holds the lock for a few milliseconds.
bool takeLock(QLockFile& lock) {
    const QDeadlineTimer deadline(kLockTimeoutMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

// ---- values ------------------------------------------------------------------

// Brings a value into the kinds the property-list reader gives back, so that
// what a process reads after a restart is what it read before.
bool normalizedValue(const QVariant& value, QVariant& out, int depth = 0) {
    if (depth > PropertyList::kMaxDepth)
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool:
        out = QVariant(value.toBool());
        return true;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        out = QVariant(value.toLongLong());
        return true;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        const quint64 n = value.toULongLong();
        out = n > quint64(std::numeric_limits<qint64>::max()) ? QVariant(n) : QVariant(qint64(n));
        return true;
    }
    case QMetaType::Float:
    case QMetaType::Double:
        out = QVariant(value.toDouble());
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
        const qint64 ms = moment.toMSecsSinceEpoch();
        const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
        out = QVariant(QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()));
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

// A value the file can hold under `key`, or false with the reason. The writer
// itself decides, so that no stored value can ever make the file unwritable.
bool storableValue(const QString& key, const QVariant& value, QVariant& out, QString& reason) {
    if (!normalizedValue(value, out)) {
        reason = QStringLiteral("a %1 is not a property-list value")
                     .arg(QLatin1String(value.isValid() ? value.typeName() : "(none)"));
        return false;
    }
    return !PropertyList::toXml(QVariantMap{{key, out}}, &reason).isEmpty();
}

// ---- the file ----------------------------------------------------------------

struct DiskDomain {
    enum State { Missing, Read, Damaged, Unreadable };
    State state = Missing;
    QVariantMap domain;
    QString reason;
};

DiskDomain readDomain(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (!info.isFile() || !info.isReadable())
        return {DiskDomain::Unreadable, {}, QStringLiteral("not a readable file")};
    // The placeholder of a first write that failed: nothing to lose.
    if (info.size() == 0)
        return {DiskDomain::Read, {}, {}};
    QString reason;
    const QVariant root = PropertyList::readFromFile(path, &reason);
    if (!root.isValid())
        return {DiskDomain::Damaged, {}, reason};
    if (root.typeId() != QMetaType::QVariantMap)
        return {DiskDomain::Damaged, {}, QStringLiteral("the property list is not a dictionary")};
    return {DiskDomain::Read, root.toMap(), {}};
}

QString setAsideStamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
}

// Renames a damaged file to a name that says so, beside it, and answers that
// name (null when it cannot be renamed). The copy holds the scrambled mail password:
// owner-only, whatever the original allowed.
QString setAside(const QString& path, const QString& reason) {
    const QString stem = path + QStringLiteral(".damaged-") + setAsideStamp();
    QString copy = stem;
    for (int n = 2; QFileInfo(copy).exists() || QFileInfo(copy).isSymLink(); ++n)
        copy = stem + u'-' + QString::number(n);
    if (!QFile::rename(path, copy))
        return {};
    if (!QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        qWarning("Could not make %s readable by its owner only", qPrintable(copy));
    qWarning("Defaults file %s is damaged (%s); set aside as %s, going on without it",
             qPrintable(path), qPrintable(reason), qPrintable(copy));
    return copy;
}

// The settings include the mail password, scrambled only: a new file is made
// readable by the owner alone, and rewrites keep the permissions of the file
// they replace.
bool writeDomain(const QString& path, const QVariantMap& domain, QString& error) {
    // Never write what the next read would have to set aside.
    if (!PropertyList::fromXml(PropertyList::toXml(QVariant(domain)), &error).isValid()) {
        error = QStringLiteral("not written, the text would not read back: ") + error;
        return false;
    }
    if (!QFileInfo::exists(path)) {
        QFile placeholder(path);
        (void)placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    return PropertyList::writeToFile(QVariant(domain), path, &error);
}

// ---- conversions -------------------------------------------------------------

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
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::ULongLong:
        return qint64(std::min<quint64>(v.toULongLong(), std::numeric_limits<qint64>::max()));
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
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
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
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return integerValue(v) != 0;
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
    // What the file held at the last sync, with this store's changes over it.
    QVariantMap values;
    // Keys set or removed here since the last sync that wrote the file.
    QSet<QString> changed;
    QVariantMap registration;
    QString setAsideCopy;
    QString lastProblem;
    bool syncScheduled = false;

    // Logs a problem once, not at every automatic retry.
    bool fail(const QString& problem) {
        if (problem != lastProblem)
            qWarning("Defaults file %s: %s", qPrintable(path), qPrintable(problem));
        lastProblem = problem;
        return false;
    }

    // With the mutex held.
    bool synchronize() {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return fail(QStringLiteral("its folder cannot be made"));
        QLockFile lock(path + QStringLiteral(".lock"));
        if (!takeLock(lock))
            return fail(
                QStringLiteral("cannot take the lock file (error %1)").arg(int(lock.error())));
        DiskDomain disk = readDomain(path);
        if (disk.state == DiskDomain::Damaged) {
            const QString copy = setAside(path, disk.reason);
            if (copy.isNull())
                return fail(QStringLiteral("damaged (%1) and cannot be set aside, so not written")
                                .arg(disk.reason));
            setAsideCopy = copy;
            disk = {};
        }
        if (disk.state == DiskDomain::Unreadable)
            return fail(disk.reason);
        QVariantMap merged = disk.domain;
        for (const QString& key : std::as_const(changed)) {
            const auto it = values.constFind(key);
            if (it != values.cend())
                merged.insert(key, it.value());
            else
                merged.remove(key);
        }
        values = merged;
        if (!changed.isEmpty()) {
            QString error;
            if (!writeDomain(path, merged, error))
                return fail(error);
            changed.clear();
        }
        lastProblem.clear();
        return true;
    }

    // With the mutex held. One sync per pass of the event loop, however many
    // changes it made.
    void scheduleSynchronize(const std::shared_ptr<Private>& self) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || syncScheduled)
            return;
        syncScheduled = true;
        QMetaObject::invokeMethod(
            app,
            [weak = std::weak_ptr<Private>(self)] {
                if (const std::shared_ptr<Private> store = weak.lock()) {
                    std::lock_guard lock(store->mutex);
                    store->syncScheduled = false;
                    store->synchronize();
                }
            },
            Qt::QueuedConnection);
    }
};

UserDefaults& UserDefaults::standardUserDefaults() {
    // The shared store synchronizes once more when statics are destroyed at
    // exit. Qt's own statics that a sync uses (the calendar behind date texts,
    // time zones) must outlive it: made before it, they are destroyed after it.
    static const bool ready = [] {
        const QVariantMap sample{{QString(), QDateTime::currentDateTime()}};
        (void)PropertyList::fromXml(PropertyList::toXml(QVariant(sample)));
        (void)setAsideStamp();
        return true;
    }();
    (void)ready;
    static UserDefaults shared(standardFilePath());
    static const bool flushAtQuit = [] {
        if (QCoreApplication::instance())
            qAddPostRoutine(flushStandardUserDefaults);
        return true;
    }();
    (void)flushAtQuit;
    return shared;
}

QString UserDefaults::standardFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Lumisk/Lumisk.plist");
}

UserDefaults::UserDefaults(const QString& filePath) : d(std::make_shared<Private>()) {
    d->path = filePath;
    std::lock_guard lock(d->mutex);
    d->synchronize();
}

UserDefaults::~UserDefaults() {
    std::lock_guard lock(d->mutex);
    if (!d->changed.isEmpty())
        d->synchronize();
}

QString UserDefaults::filePath() const {
    return d->path;
}

QVariant UserDefaults::objectForKey(const QString& key) const {
    std::lock_guard lock(d->mutex);
    const auto it = d->values.constFind(key);
    return it != d->values.cend() ? it.value() : d->registration.value(key);
}

bool UserDefaults::setObjectForKey(const QVariant& value, const QString& key) {
    if (!value.isValid()) {
        removeObjectForKey(key);
        return true;
    }
    QVariant normal;
    QString reason;
    if (!storableValue(key, value, normal, reason)) {
        qWarning("Defaults: not storing a value under \"%s\": %s", qPrintable(key),
                 qPrintable(reason));
        return false;
    }
    std::lock_guard lock(d->mutex);
    d->values.insert(key, normal);
    d->changed.insert(key);
    d->scheduleSynchronize(d);
    return true;
}

void UserDefaults::removeObjectForKey(const QString& key) {
    std::lock_guard lock(d->mutex);
    // Marked even when absent here: another process may have stored it since.
    d->values.remove(key);
    d->changed.insert(key);
    d->scheduleSynchronize(d);
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
    return d->synchronize();
}

QString UserDefaults::takeSetAsideFilePath() {
    std::lock_guard lock(d->mutex);
    return std::exchange(d->setAsideCopy, QString());
}
