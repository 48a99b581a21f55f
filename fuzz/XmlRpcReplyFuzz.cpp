// Feeds arbitrary bytes to the XML-RPC reply decoder: it must answer a value, a
// fault or an error, and a value it accepts must survive a request round trip.
#include "platform/system/XmlRpc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const XmlRpc::Response response = XmlRpc::decodeResponse(body);
    const int outcomes =
        int(response.ok()) + int(response.isFault) + int(!response.error.isEmpty());
    if (outcomes != 1)
        std::abort();
    if (response.ok())
        XmlRpc::encodeCall(QStringLiteral("m"), {response.value});
    return 0;
}
