#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

// The per-user defaults store: a persistent domain kept in one file through
// QSettings, plus a registration domain that answers keys the file doesn't
// hold and is never written.
//
// Values are property-list values: bool, int, uint, qlonglong, qulonglong,
// float, double, QString, QByteArray (data), QDateTime (a moment; kept in UTC),
// QVariantList and QVariantMap (string keys) of such values. Their types stay
// distinct across restarts. Every operation is thread-safe.
class LUMISK_PLATFORM_EXPORT UserDefaults {
public:
    // The process-wide store over standardFilePath(). Flushed when the
    // application object goes away and again at process exit.
    static UserDefaults& standardUserDefaults();
    // $XDG_CONFIG_HOME/Lumisk/Lumisk.defaults
    static QString standardFilePath();

    // A store over an explicit file; several stores may share one file.
    explicit UserDefaults(const QString& filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    QString filePath() const;

    // The stored value, else the registered one, else an invalid QVariant.
    QVariant objectForKey(const QString& key) const;
    // An invalid value removes the key. A value that is not a property-list
    // value is refused (logged, nothing stored) and the answer is false.
    bool setObjectForKey(const QVariant& value, const QString& key);
    void removeObjectForKey(const QString& key);

    // Numbers convert (floats truncate toward zero); texts give their leading
    // integer ("12" -> 12, "abc" -> 0); anything else, or no value, gives 0.
    qint64 integerForKey(const QString& key) const;
    void setIntegerForKey(qint64 value, const QString& key);
    // Numbers: non-zero. Texts: "YES"/"true" (any case), else a non-zero
    // leading integer. Anything else, or no value: false.
    bool boolForKey(const QString& key) const;
    void setBoolForKey(bool value, const QString& key);
    // Numbers convert; texts give their leading decimal number; else 0.
    float floatForKey(const QString& key) const;
    void setFloatForKey(float value, const QString& key);
    double doubleForKey(const QString& key) const;

    // Each answers only a value of its own kind: a null QString, a null
    // QByteArray, an empty list or map otherwise (a number is not a text).
    QString stringForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    // Adds to the registration domain (a key registered again is replaced).
    // Values that are not property-list values are skipped and logged.
    void registerDefaults(const QVariantMap& registrationDictionary);

    // Writes pending changes and reads what other processes wrote. False when
    // the file could not be written, or could not be read (an unreadable file
    // is set aside next to it and the store goes on without its contents).
    bool synchronize();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
