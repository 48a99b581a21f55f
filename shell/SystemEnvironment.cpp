#include "shell/SystemEnvironment.h"

#include "platform/foundation/UserAccount.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

SystemEnvironment::~SystemEnvironment() = default;

uint32_t SystemEnvironment::systemVersion() {
    return kSystemVersion;
}

int SystemEnvironment::processorCode() {
#if defined(__x86_64__) || defined(__i386__)
    return kIntelProcessor;
#else
    return kPowerPCProcessor;
#endif
}

int32_t SystemEnvironment::installedMemoryMB() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return int32_t(int64_t(pages) * int64_t(pageSize) / (1024 * 1024));
}

Rect SystemEnvironment::mainScreenVisibleFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return kZeroRect;
    return Rect::fromQRectF(QRectF(screen->availableGeometry()));
}

Size SystemEnvironment::defaultPaperSize() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull()) {
        const QPageSize size = printer.defaultPageSize();
        if (size.isValid())
            return Size::fromQSizeF(size.size(QPageSize::Point));
    }
    // No printer: the paper of the user's region.
    const QPageSize::PageSizeId id = QLocale().measurementSystem() == QLocale::ImperialUSSystem
                                         ? QPageSize::Letter
                                         : QPageSize::A4;
    return Size::fromQSizeF(QPageSize(id).size(QPageSize::Point));
}

QString SystemEnvironment::userFullName() {
    return UserAccount::userFullName();
}

QString SystemEnvironment::localeMeasurementUnits() {
    return QLocale().measurementSystem() == QLocale::MetricSystem ? QStringLiteral("Centimeters")
                                                                  : QStringLiteral("Inches");
}

std::optional<uint32_t> SystemEnvironment::reachabilityFlags(const QString& hostName) {
    if (hostName.isEmpty())
        return std::nullopt;
    struct addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* found = nullptr;
    const int error = getaddrinfo(hostName.toUtf8().constData(), nullptr, &hints, &found);
    if (found)
        freeaddrinfo(found);
    switch (error) {
    case 0:
        return kReachable;
    case EAI_NONAME:
    case EAI_AGAIN:
    case EAI_FAIL:
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
        return 0u;
    default:
        return std::nullopt;
    }
}
