#pragma once

#include "platform/foundation/Geometry.h"

#include <QString>
#include <cstdint>
#include <optional>

// What the application delegate reads of the machine, the account and the session.
// Each answer comes from the running system; tests derive from it to put in answers
// of their own.
class SystemEnvironment {
public:
    // The system version in binary-coded decimal. Linux has no version on that scale:
    // the answer is fixed at 10.4.6, the newest version any part of the program
    // distinguishes, so every "10.3 or later" and "10.4.6 or later" path is taken.
    static constexpr uint32_t kSystemVersion = 0x1046;
    static constexpr int kIntelProcessor = 10;
    static constexpr int kPowerPCProcessor = 2;
    // Reachability flags.
    static constexpr uint32_t kReachable = 2;
    static constexpr uint32_t kConnectionRequired = 4;

    virtual ~SystemEnvironment();

    virtual uint32_t systemVersion();
    // 10 on Intel processors; on others, which have no code of their own, 2.
    virtual int processorCode();
    // Installed memory in megabytes.
    virtual int32_t installedMemoryMB();
    // The main screen's visible area in points: without panels and docks.
    virtual Rect mainScreenVisibleFrame();
    // The paper size of the default print settings, in points.
    virtual Size defaultPaperSize();
    // The user's full name from the account record, or the login name when it has none.
    virtual QString userFullName();
    // "Centimeters" where the locale measures in metric units, else "Inches".
    virtual QString localeMeasurementUnits();
    // The reachability flags of a host by name; none when the check itself fails.
    virtual std::optional<uint32_t> reachabilityFlags(const QString& hostName);
};
