#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// XML-RPC bodies. Values map to QVariant: int and i4 to int, boolean to bool,
// string to QString, double to double, dateTime.iso8601 to QDateTime (UTC when
// no zone is written), base64 to QByteArray, struct to QVariantMap, array to
// QVariantList and nil to a null QVariant.
namespace XmlRpc {

// The request body for `method` with `params` in the given order.
LUMISK_PLATFORM_EXPORT QByteArray encodeCall(const QString& method, const QVariantList& params);

struct Response {
    QVariant value;
    bool isFault = false;
    QVariant faultCode;
    QString faultString;
    // A fault's members other than the code and the string.
    QVariantMap faultExtra;
    // Set when the body is not a well-formed reply.
    QString error;
    bool ok() const { return error.isEmpty() && !isFault; }
};

LUMISK_PLATFORM_EXPORT Response decodeResponse(const QByteArray& body);

} // namespace XmlRpc
