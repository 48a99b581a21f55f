// The exchange's records and rows, and the conversation with a test exchange
// on 127.0.0.1.
#include "library/TemplateExchange.h"
#include "support/ExchangeServer.h"

#include <QJsonArray>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QVariantMap record(const char* id, int version, const char* name = nullptr,
                   const char* category = nullptr) {
    QVariantMap r{{str("template_document_id"), str(id)}, {str("template_version"), version}};
    if (name)
        r.insert(str("template_name"), str(name));
    if (category)
        r.insert(str("template_category"), str(category));
    return r;
}

QStringList ids(const QVariantList& list) {
    QStringList out;
    for (const QVariant& item : list)
        out.append(TemplateExchange::documentID(item.toMap()));
    return out;
}

QStringList rowText(const QVariantList& rows) {
    QStringList out;
    for (const QVariant& item : rows) {
        const QVariantMap row = item.toMap();
        out.append(TemplateExchange::documentID(row.value(str("templateInfo")).toMap()) + u':' +
                   QString::number(row.value(str("status")).toInt()));
    }
    return out;
}

QJsonObject toJson(const QVariantMap& map) {
    return QJsonObject::fromVariantMap(map);
}

QJsonArray toJson(const QVariantList& list) {
    QJsonArray out;
    for (const QVariant& item : list)
        out.append(toJson(item.toMap()));
    return out;
}

// Captures what the client logs while alive.
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        _previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { lines() << text; });
    }
    ~LogCapture() { qInstallMessageHandler(_previous); }
    static QStringList& lines() {
        static QStringList captured;
        return captured;
    }

private:
    QtMessageHandler _previous;
};

ExchangeClient clientOf(const ExchangeServer& server) {
    ExchangeClient client(server.endpoint());
    client.internetConnected = [](const QUrl& url) { return url.host() == str("127.0.0.1"); };
    client.timeoutMs = 10000;
    return client;
}

} // namespace

TEST(TemplateExchangeTest, FilterTable) {
    const QVariantList master = {
        record("new", 1, "zeta", "Kids"),        record("upd", 5, "Alpha", "Kids"),
        record("same", 3, "beta", "Kids"),       record("ign", 9, "Gamma", "Travel"),
        record("newtravel", 1, "eta", "Travel"), record("old", 2, "delta", "Kids"),
    };
    const QVariantList ignored = {
        QVariantMap{{str("templateInfo"), record("ign", 8)}, {str("status"), 2}}};
    const QMap<QString, int32_t> installed = {
        {str("upd"), 4}, {str("same"), 3}, {str("ign"), 1}, {str("old"), 3}};
    const TemplateExchange::InstalledVersion version =
        [&installed](const QString& id) -> std::optional<int32_t> {
        if (!installed.contains(id))
            return std::nullopt;
        return installed.value(id);
    };
    const struct {
        ExchangeFilter filter;
        QStringList rows;
    } cases[] = {
        {ExchangeFilter::newAndUpdated(), {str("upd:2"), str("newtravel:3"), str("new:3")}},
        {ExchangeFilter::ignored(), {str("ign:4")}},
        {ExchangeFilter::all(), {str("upd:2"), str("newtravel:3"), str("ign:4"), str("new:3")}},
        {ExchangeFilter::ofCategory(str("Kids")), {str("upd:2"), str("new:3")}},
        {ExchangeFilter::ofCategory(str("Travel")), {str("newtravel:3")}},
        {ExchangeFilter::ofCategory(str("kids")), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rowText(TemplateExchange::buildFilteredExchangeList(master, ignored, c.filter,
                                                                      version)),
                  c.rows);
}

TEST(TemplateExchangeTest, WhichRecordsToFetchAndTheMerge) {
    const QVariantList master = {record("a", 1), record("b", 2), record("c", 3)};
    const struct {
        QVariantList minimal;
        QVariantList master;
        QStringList fetch;
    } cases[] = {
        {{}, master, {}},
        {{record("a", 1), record("b", 2)}, {}, {str("a"), str("b")}},
        {{record("a", 1), record("b", 2), record("c", 3)}, master, {}},
        {{record("a", 2), record("b", 1), record("d", 1)}, master, {str("a"), str("d")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TemplateExchange::updatedMasterTemplates(c.minimal, c.master), c.fetch);
    // Fetched first, then the old ones still listed and not fetched, in old order.
    const QVariantList merged = TemplateExchange::mergeMasterList(
        {record("d", 1)}, {record("c", 3), record("a", 1), record("b", 2)},
        {record("a", 1), record("c", 3), record("d", 1)}, {str("d")});
    EXPECT_EQ(ids(merged), (QStringList{str("d"), str("c"), str("a")}));
}

TEST(TemplateExchangeTest, CategoriesAndCleanedRecords) {
    EXPECT_EQ(TemplateExchange::exchangeTemplateCategories(
                  {record("a", 1, "a", "travel"), record("b", 1, "b", "Kids"), record("c", 1),
                   record("d", 1, "d", "Travel2"), record("e", 1, "e", "Kids")}),
              (QStringList{str("Kids"), str("travel"), str("Travel2")}));
    const QVariantMap cleaned =
        TemplateExchange::cleanedRecord({{str("template_name"), str("n")},
                                         {str("template_preview"), QVariant()},
                                         {str("template_date"), str("2024-02-03 04:05:06 +0100")}});
    EXPECT_FALSE(cleaned.contains(str("template_preview")));
    EXPECT_EQ(cleaned.value(str("template_date")).toDateTime(),
              QDateTime(QDate(2024, 2, 3), QTime(3, 5, 6), QTimeZone::utc()));
}

TEST(TemplateExchangeTest, DatesGoOutWithTheirOffset) {
    EXPECT_EQ(TemplateExchange::dateDescription(TemplateExchange::distantPast()),
              str("0001-01-01 00:00:00 +0000"));
    EXPECT_EQ(TemplateExchange::dateDescription(
                  QDateTime(QDate(2024, 12, 1), QTime(8, 9, 10), QTimeZone(-(5 * 3600 + 1800)))),
              str("2024-12-01 08:09:10 -0530"));
}

TEST(TemplateExchangeTest, ChangeCheckSendsTheStoredDateOrTheDistantPast) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    server.setState({{str("changed"), true}});
    ExchangeClient client = clientOf(server);
    EXPECT_TRUE(client.hasUpdatedTemplates(std::nullopt));
    EXPECT_TRUE(
        client.hasUpdatedTemplates(QDateTime(QDate(2025, 6, 7), QTime(1, 2, 3), QTimeZone::utc())));
    const QJsonArray calls = server.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].toArray()[1].toArray(), (QJsonArray{str("0001-01-01 00:00:00 +0000")}));
    EXPECT_EQ(calls[1].toArray()[1].toArray(), (QJsonArray{str("2025-06-07 01:02:03 +0000")}));
    // Without a connection nothing is asked.
    client.internetConnected = [](const QUrl&) { return false; };
    EXPECT_FALSE(client.hasUpdatedTemplates(std::nullopt));
    EXPECT_EQ(server.calls().size(), 2);
}

TEST(TemplateExchangeTest, ListUpdateFetchesOnlyNewOrChangedRecords) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const QVariantList listed = {record("a", 1), record("b", 2)};
    const QVariantList full = {record("a", 1, "A", "Kids"), record("b", 2, "B", "Travel")};
    server.setState({{str("minimal"), toJson(listed)}, {str("full"), toJson(full)}});
    ExchangeClient client = clientOf(server);
    int begun = -1;
    int advanced = 0;
    ExchangeClient::ListResult first =
        client.getMasterExchangeList({}, false, {[&](int n) { begun = n; }, [&] { ++advanced; }});
    ASSERT_EQ(first.outcome, ExchangeClient::Outcome::Listed);
    EXPECT_EQ(ids(first.list), (QStringList{str("a"), str("b")}));
    EXPECT_EQ(begun, 2);
    EXPECT_EQ(advanced, 2);
    EXPECT_EQ(server.calledMethods(),
              (QStringList{str("Template_List"), str("Template_List_With_Info")}));

    // Same versions: no full-record call, the old order kept.
    const QVariantList old = {first.list[1], first.list[0]};
    ExchangeClient::ListResult same = client.getMasterExchangeList(old, false);
    EXPECT_FALSE(same.fetchedFullRecords);
    EXPECT_EQ(ids(same.list), (QStringList{str("b"), str("a")}));
    EXPECT_EQ(server.calledMethods().size(), 3);

    // "a" no longer listed, "b" updated: only "b" asked for, "a" dropped.
    server.setState({{str("minimal"), toJson(QVariantList{record("b", 3)})},
                     {str("full"), toJson(QVariantList{record("b", 3, "B2")})}});
    ExchangeClient::ListResult next = client.getMasterExchangeList(first.list, true);
    EXPECT_EQ(ids(next.list), (QStringList{str("b")}));
    EXPECT_EQ(next.list[0].toMap().value(str("template_name")).toString(), str("B2"));
    const QJsonArray calls = server.calls();
    EXPECT_EQ(calls.last().toArray()[0].toString(), str("Template_List_All_With_Info"));
    EXPECT_EQ(calls.last().toArray()[1].toArray(), (QJsonArray{QJsonArray{str("b")}}));
}

TEST(TemplateExchangeTest, FaultsAreLoggedAndLeaveAnEmptyList) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const QVariantList listed = {record("a", 1)};
    const struct {
        const char* faulting;
        const char* firstLine;
        QStringList keptIDs;
    } cases[] = {
        {"Template_AnyChanges_Since", "Failed to retrieve template list.\n", {}},
        {"Template_List", "Failed to retrieve minimum-info template list.\n", {}},
        {"Template_List_With_Info", "Failed to retrieve maximum-info template list.\n", {str("a")}},
    };
    for (const auto& c : cases) {
        server.setState({{str("minimal"), toJson(QVariantList{record("a", 1), record("n", 1)})},
                         {str("full"), toJson(listed)},
                         {str("fault"), QJsonArray{str(c.faulting)}}});
        ExchangeClient client = clientOf(server);
        LogCapture log;
        if (str(c.faulting) == str("Template_AnyChanges_Since")) {
            EXPECT_FALSE(client.hasUpdatedTemplates(std::nullopt));
        } else {
            // The old master knows "a": a failed full-record call keeps it.
            const ExchangeClient::ListResult result = client.getMasterExchangeList(listed, false);
            EXPECT_EQ(ids(result.list), c.keptIDs) << c.faulting;
        }
        const QStringList lines = LogCapture::lines();
        ASSERT_GE(lines.size(), 4) << c.faulting;
        EXPECT_EQ(lines[0], str(c.firstLine));
        EXPECT_EQ(lines[1], str("Fault String = exchange closed\n"));
        EXPECT_EQ(lines[2], str("Fault Code = 7\n"));
        EXPECT_TRUE(lines[3].startsWith(str("Fault Extra = "))) << lines[3].toStdString();
    }
}

TEST(TemplateExchangeTest, AbortDropsTheResult) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    server.setState({{str("minimal"), toJson(QVariantList{record("a", 1)})},
                     {str("full"), toJson(QVariantList{record("a", 1)})}});
    ExchangeClient client = clientOf(server);
    std::atomic<bool> abort{true};
    client.abort = &abort;
    const ExchangeClient::ListResult result = client.getMasterExchangeList({}, false);
    EXPECT_EQ(result.outcome, ExchangeClient::Outcome::Aborted);
    EXPECT_TRUE(result.list.isEmpty());
    EXPECT_TRUE(server.calls().isEmpty());
    client.internetConnected = [](const QUrl&) { return false; };
    EXPECT_EQ(client.getMasterExchangeList({}, false).outcome,
              ExchangeClient::Outcome::NoConnection);
}
