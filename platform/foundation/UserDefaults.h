#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

// The per-user defaults store: a persistent domain kept in one XML property
// list that a person can read and edit, plus a registration domain that
// answers keys the file doesn't hold and is never written.
//
// Values are property-list values, kept in the kinds the file gives back so
// that a value reads the same before and after a restart: integers as
// qint64 (quint64 above its range), reals as double, bool, QString,
// QByteArray (data), QDateTime (UTC, whole seconds), QVariantList and
// QVariantMap (string keys) of such values. Integer, real and boolean stay
// apart. Every operation is thread-safe.
//
// Several processes may share the file: a sync takes a lock file beside it,
// reads the file again and writes it back with only the keys this store set
// or removed since its last sync laid over it, so nobody's keys are lost.
// A file that is not a property list of a dictionary is never overwritten:
// it is renamed aside, owner-only, and the store goes on without it.
class LUMISK_PLATFORM_EXPORT UserDefaults {
public:
    // The process-wide store over standardFilePath(). Flushed when the
    // application object goes away and again at process exit.
    static UserDefaults& standardUserDefaults();
    // $XDG_CONFIG_HOME/Lumisk/Lumisk.plist
    static QString standardFilePath();

    // A store over an explicit file; several stores may share one file. The
    // file is read at once.
    explicit UserDefaults(const QString& filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    QString filePath() const;

    // The stored value, else the registered one, else an invalid QVariant.
    QVariant objectForKey(const QString& key) const;
    // An invalid value removes the key. A value that is not a property-list
    // value, or one the file could not hold (texts with characters XML
    // cannot carry, dates outside the years 1 to 9999), is refused (logged,
    // nothing stored) and the answer is false.
    bool setObjectForKey(const QVariant& value, const QString& key);
    void removeObjectForKey(const QString& key);

    // Numbers convert (reals truncate toward zero); texts give their leading
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

    // Writes pending changes and reads what other processes wrote. Runs by
    // itself from the application's event loop after a change and when the
    // store goes away. False when the file could not be locked, read or
    // written; the changes stay pending.
    bool synchronize();

    // The copy a damaged file was set aside as since the last call, or a
    // null text; the owner tells the user once.
    QString takeSetAsideFilePath();

private:
    struct Private;
    // Held weakly by the queued automatic syncs, which skip a store that is gone.
    std::shared_ptr<Private> d;
};
