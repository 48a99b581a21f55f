#pragma once

#include "platform/archiving/Archivable.h"
#include "platform/graphics/Image.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <mutex>

// Names one ICC colour profile file by its path, with a display name. Archived as a
// dictionary of "CPH_Path" and "CPH_Name". Two handles are equal when their names
// are.
//
// Threads: the layout's copies that print threads draw with share their handle
// with the window's layout, so opening and the kept name are guarded; the open
// profile is kept as bytes that never change once read.
class UserDefaults;

// User default of the user's list of output profiles, an archived array of handles.
inline constexpr char kPrefActiveProfilesKey[] = "prefActiveProfilesKey";

class ColorProfileHandle : public Archivable {
public:
    static constexpr char kArchiveClassName[] = "ColorProfileHandle";

    ColorProfileHandle() = default;
    explicit ColorProfileHandle(QString path) : _pathToICCProfile(std::move(path)) {}
    static std::shared_ptr<ColorProfileHandle> profileWithPath(const QString& path);

    const QString& path() const { return _pathToICCProfile; }

    // The display name: the kept one, else made from the profile's description
    // (what follows its last "/") and kept; null when neither can be had.
    QString name() const;
    // The profile's description; null when it cannot be opened.
    QString description() const;
    bool isEqual(const ColorProfileHandle& other) const;
    friend bool operator==(const ColorProfileHandle& a, const ColorProfileHandle& b) {
        return a.isEqual(b);
    }

    // Reads the profile when not yet open; lastCMError then holds the result.
    bool open() const;
    void close();
    bool isOpen() const;
    // The open profile's bytes; empty while closed.
    QByteArray profileRef() const;
    int lastCMError() const;
    void setLastCMError(int code) const;

    // Whether the print path matches colours itself: matched images are then tagged
    // with this profile for it, else with the default output profile. Not archived.
    bool usesExternalMatching() const { return _externalMatch; }
    void setUsesExternalMatching(bool flag) { _externalMatch = flag; }

    // Converts the pixels from the image's own profile (the display's when it has
    // none) into this profile and tags the image; false, with the image as it was,
    // when the profile cannot be opened or the pixels cannot be matched.
    bool colorMatchImage(Image& image) const;

    // Each key is written only when its value is set.
    QVariantMap encodeInDictionary() const;
    // Each key present replaces its field.
    void decodeFromDictionary(const QVariantMap& dictionary);

    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;

    // Makes the class known to the unarchiver; harmless when repeated.
    static void registerArchivableClass();

    // The user's output profiles in their stored order; none when the list is
    // absent, and what could be read of a damaged one (with a warning).
    static QList<std::shared_ptr<ColorProfileHandle>> activeProfiles(UserDefaults& defaults);
    static void setActiveProfiles(const QList<std::shared_ptr<ColorProfileHandle>>& profiles,
                                  UserDefaults& defaults);

private:
    QString _pathToICCProfile;
    mutable std::mutex _lock;
    mutable QByteArray _profileRef;
    mutable int _lastErrCode = 0;
    mutable QString _profileName;
    std::atomic<bool> _externalMatch{false};
};
