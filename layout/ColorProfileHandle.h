#pragma once

#include "platform/archiving/Archivable.h"

#include <QString>
#include <QVariantMap>
#include <memory>

// Names one ICC colour profile file by its path, with a display name. Archived as a
// dictionary of "CPH_Path" and "CPH_Name".
class ColorProfileHandle : public Archivable {
public:
    static constexpr char kArchiveClassName[] = "ColorProfileHandle";

    ColorProfileHandle() = default;
    explicit ColorProfileHandle(QString path) : _pathToICCProfile(std::move(path)) {}
    static std::shared_ptr<ColorProfileHandle> profileWithPath(const QString& path);

    const QString& path() const { return _pathToICCProfile; }
    // The kept display name; null when none has been read or made.
    const QString& name() const { return _profileName; }

    // Each key is written only when its value is set.
    QVariantMap encodeInDictionary() const;
    // Each key present replaces its field.
    void decodeFromDictionary(const QVariantMap& dictionary);

    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;

    // Makes the class known to the unarchiver; harmless when repeated.
    static void registerArchivableClass();

private:
    QString _pathToICCProfile;
    QString _profileName;
};
