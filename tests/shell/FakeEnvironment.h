#pragma once

#include "shell/SystemEnvironment.h"

// Machine answers chosen by the test.
class FakeEnvironment : public SystemEnvironment {
public:
    uint32_t systemVersion() override { return version; }
    int processorCode() override { return processor; }
    int32_t installedMemoryMB() override { return memory; }
    Rect mainScreenVisibleFrame() override { return screen; }
    Size defaultPaperSize() override { return paper; }
    QString userFullName() override { return fullName; }
    QString localeMeasurementUnits() override { return localeUnits; }
    std::optional<uint32_t> reachabilityFlags(const QString& host) override {
        askedHost = host;
        return flags;
    }

    uint32_t version = kSystemVersion;
    int processor = kIntelProcessor;
    int32_t memory = 2048;
    Rect screen{0, 22, 1440, 878};
    Size paper{612, 792}; // US Letter
    QString fullName = QStringLiteral("Jane Q. Doe");
    QString localeUnits = QStringLiteral("Inches");
    std::optional<uint32_t> flags = kReachable;
    QString askedHost;
};
