#include "platform/HostServices.h"

#include "platform/Exception.h"

#include <atomic>

namespace {
std::atomic<HostServices*> gHost{nullptr};
}

HostServices::~HostServices() {
    HostServices* self = this;
    gHost.compare_exchange_strong(self, nullptr);
}

HostServices* HostServices::current() {
    return gHost.load();
}

void HostServices::install(HostServices* host) {
    gHost.store(host);
}

HostServices& host() {
    HostServices* h = gHost.load();
    if (!h)
        Exception::raise(QString::fromLatin1(kInternalInconsistencyException),
                         QStringLiteral("no host services installed"));
    return *h;
}
