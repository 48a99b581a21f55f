#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <stdexcept>

// The one exception type of the system: a name that classifies the failure
// and a reason meant for the user.
class LUMISK_PLATFORM_EXPORT Exception : public std::runtime_error {
public:
    Exception(QString name, QString reason);

    const QString& name() const { return _name; }
    const QString& reason() const { return _reason; }

    [[noreturn]] static void raise(const QString& name, const QString& reason);

private:
    QString _name;
    QString _reason;
};

// Names used across the system.
inline constexpr const char* kInvalidArgumentException = "NSInvalidArgumentException";
inline constexpr const char* kRangeException = "NSRangeException";
inline constexpr const char* kInternalInconsistencyException = "NSInternalInconsistencyException";
