#include "platform/system/XmlRpc.h"
#include "platform/system/URLFetch.h"
#include "support/ExchangeServer.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

XmlRpc::Response callServer(const ExchangeServer& server, const QString& method,
                            const QVariantList& params) {
    const URLFetch::Result reply = URLFetch::post(
        server.endpoint(), XmlRpc::encodeCall(method, params), "text/xml", URLFetch::Options{});
    EXPECT_TRUE(reply.ok()) << reply.error.toStdString();
    return XmlRpc::decodeResponse(reply.body);
}

const QDateTime kDate(QDate(2024, 2, 3), QTime(4, 5, 6), QTimeZone::utc());

} // namespace

TEST(XmlRpcTest, PythonParsesEveryKindInOrderAndSendsThemBack) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const QVariantList params = {
        42,
        true,
        str("a < b & \"c\" é"),
        -1.25,
        kDate,
        QByteArray("\x00\xffraw", 5),
        QVariantMap{{str("k"), QVariantList{1, str("two")}}, {str("n"), QVariant()}},
        QVariantList{},
        QVariant(),
    };
    const XmlRpc::Response response = callServer(server, str("echo"), params);
    ASSERT_TRUE(response.ok()) << response.error.toStdString();
    EXPECT_EQ(response.value.toList(), params);
    // The server saw the parameters in our order.
    const QJsonArray seen = server.calls().at(0).toArray().at(1).toArray();
    ASSERT_EQ(seen.size(), params.size());
    EXPECT_EQ(seen.at(0).toInt(), 42);
    EXPECT_EQ(seen.at(2).toString(), params[2].toString());
}

TEST(XmlRpcTest, EveryValueKindOfTheServerDecodes) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const XmlRpc::Response response = callServer(server, str("kinds"), {});
    ASSERT_TRUE(response.ok()) << response.error.toStdString();
    const QVariantList expected = {
        7,
        true,
        str("txt <&>"),
        2.5,
        kDate,
        QByteArray("\x00\x01"
                   "bin",
                   5),
        QVariantMap{{str("a"), QVariantList{1, QVariantMap{{str("b"), QVariant()}}}}},
        QVariantList{},
        QVariant(),
    };
    EXPECT_EQ(response.value.toList(), expected);
}

TEST(XmlRpcTest, ServerFaultGivesCodeAndString) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const XmlRpc::Response response = callServer(server, str("no_such_method"), {});
    EXPECT_TRUE(response.isFault);
    EXPECT_TRUE(response.error.isEmpty());
    EXPECT_EQ(response.faultCode.toInt(), 1);
    EXPECT_EQ(response.faultString, str("no method no_such_method"));
}

TEST(XmlRpcTest, FaultKeepsItsExtraMembers) {
    const XmlRpc::Response response = XmlRpc::decodeResponse(
        "<?xml version='1.0'?><methodResponse><fault><value><struct>"
        "<member><name>faultCode</name><value><i4>3</i4></value></member>"
        "<member><name>faultString</name><value>down</value></member>"
        "<member><name>retry</name><value><boolean>1</boolean></value></member>"
        "</struct></value></fault></methodResponse>");
    ASSERT_TRUE(response.isFault);
    EXPECT_EQ(response.faultCode.toInt(), 3);
    EXPECT_EQ(response.faultString, str("down"));
    EXPECT_EQ(response.faultExtra, (QVariantMap{{str("retry"), true}}));
}

TEST(XmlRpcTest, UntypedValueIsAString) {
    const XmlRpc::Response response = XmlRpc::decodeResponse(
        "<methodResponse><params><param><value> plain </value></param></params>"
        "</methodResponse>");
    ASSERT_TRUE(response.ok()) << response.error.toStdString();
    EXPECT_EQ(response.value, QVariant(str(" plain ")));
}

TEST(XmlRpcTest, MalformedRepliesGiveAClearError) {
    const char* bodies[] = {
        "",
        "not xml",
        "<html><body>502</body></html>",
        "<methodResponse></methodResponse>",
        "<methodResponse><params><param><value><int>x</int></value></param></params>"
        "</methodResponse>",
        "<methodResponse><params><param><value><boolean>2</boolean></value></param></params>"
        "</methodResponse>",
        "<methodResponse><params><param><value><dateTime.iso8601>soon</dateTime.iso8601>"
        "</value></param></params></methodResponse>",
        "<methodResponse><params><param><value><base64>***</base64></value></param></params>"
        "</methodResponse>",
        "<methodResponse><params><param><value><blob/></value></param></params>"
        "</methodResponse>",
        "<methodResponse><params><param><value><array><data><value><int>1</int></value>"
        "</param></params></methodResponse>",
        "<methodResponse><params><param><value><struct><member><value>1</value></member>"
        "</struct></value></param></params></methodResponse>",
        "<methodResponse><fault><value><string>no struct</string></value></fault>"
        "</methodResponse>",
        "<methodResponse><params><param><value><int>1</int></value></param></params>"
        "</methodResponse><extra/>",
    };
    for (const char* body : bodies) {
        const XmlRpc::Response response = XmlRpc::decodeResponse(body);
        EXPECT_FALSE(response.error.isEmpty()) << body;
        EXPECT_TRUE(response.error.startsWith(str("malformed XML-RPC reply"))) << body;
        EXPECT_FALSE(response.ok()) << body;
    }
}

TEST(XmlRpcTest, DeepNestingIsRefused) {
    QByteArray body = "<methodResponse><params><param>";
    for (int i = 0; i < 100; ++i)
        body += "<value><array><data>";
    for (int i = 0; i < 100; ++i)
        body += "</data></array></value>";
    body += "</param></params></methodResponse>";
    EXPECT_FALSE(XmlRpc::decodeResponse(body).error.isEmpty());
}
