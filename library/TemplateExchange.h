#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <optional>

// The template exchange's records and rows, and the conversation with it. An
// exchange record is a map with the keys below (any may be missing); a row is
// {"templateInfo": record, "status": ExchangeRowStatus}.
inline constexpr char kExchangeDocumentIDKey[] = "template_document_id";
inline constexpr char kExchangeVersionKey[] = "template_version";
inline constexpr char kExchangeNameKey[] = "template_name";
inline constexpr char kExchangeCategoryKey[] = "template_category";
inline constexpr char kExchangeDateKey[] = "template_date";
inline constexpr char kExchangeLocationKey[] = "template_location";
inline constexpr char kExchangeRowInfoKey[] = "templateInfo";
inline constexpr char kExchangeRowStatusKey[] = "status";

// User defaults of the exchange.
inline constexpr char kTemplateManagerExchangeURLKey[] = "templateManagerExchangeURLKey";
inline constexpr char kTemplateManagerMasterExchangeListKey[] =
    "templateManagerMasterExchangeListKey";
inline constexpr char kTemplateManagerIgnoredExchangeListKey[] =
    "templateManagerIgnoredExchangeListKey";
inline constexpr char kTemplateManagerLastExchangeCheckDateKey[] =
    "templateManagerLastExchangeCheckDateKey";

enum ExchangeRowStatus {
    kExchangeRowUpdated = 2,
    kExchangeRowNew = 3,
    kExchangeRowIgnored = 4,
};

// Which rows the exchange table shows.
struct ExchangeFilter {
    bool showNew = true;
    bool showUpdated = true;
    bool showIgnored = false;
    // Set for a category filter: new and updated rows of exactly this category.
    std::optional<QString> category;

    static ExchangeFilter newAndUpdated() { return {}; }
    static ExchangeFilter ignored() { return {false, false, true, std::nullopt}; }
    static ExchangeFilter all() { return {true, true, true, std::nullopt}; }
    static ExchangeFilter ofCategory(const QString& category) {
        return {true, true, false, category};
    }
};

namespace TemplateExchange {

QString documentID(const QVariantMap& record);
// The first record of the list with this document ID; empty when none.
QVariantMap templateWithIDInList(const QString& documentID, const QVariantList& list);
// The IDs whose full records must be fetched: all when the master list is empty,
// else those not in it or listed with a higher version. Empty means none.
QStringList updatedMasterTemplates(const QVariantList& minimal, const QVariantList& master);
// The fetched records, then the old records still listed and not fetched, in
// their old order.
QVariantList mergeMasterList(const QVariantList& fetched, const QVariantList& oldMaster,
                             const QVariantList& minimal, const QStringList& fetchedIDs);
// A fetched record as it is kept: null values gone, its date parsed.
QVariantMap cleanedRecord(const QVariantMap& record);
// The distinct categories, sorted without regard to case.
QStringList exchangeTemplateCategories(const QVariantList& master);

// The installed version of a document ID, none when no such template is installed.
using InstalledVersion = std::function<std::optional<int32_t>(const QString& documentID)>;
// The shown rows, sorted by name without regard to case.
QVariantList buildFilteredExchangeList(const QVariantList& master, const QVariantList& ignored,
                                       const ExchangeFilter& filter,
                                       const InstalledVersion& installedVersion);

// Dates as the exchange reads them: "YYYY-MM-DD HH:MM:SS ±HHMM".
QString dateDescription(const QDateTime& date);
QDateTime parseDate(const QString& text);
QDateTime distantPast();

} // namespace TemplateExchange

// One conversation with the exchange's XML-RPC endpoint. Blocking: meant for
// worker threads. Faults and error replies are logged.
class ExchangeClient {
public:
    explicit ExchangeClient(QUrl endpoint);

    // Whether the endpoint's host can be reached; a test or the application may
    // replace the check.
    std::function<bool(const QUrl&)> internetConnected;
    // Polled between and during calls; a set flag drops what they bring.
    const std::atomic<bool>* abort = nullptr;
    long timeoutMs = 60000;

    const QUrl& endpoint() const { return _endpoint; }

    // One "Template_AnyChanges_Since" call; false without a connection or on a fault.
    bool hasUpdatedTemplates(const std::optional<QDateTime>& lastCheck);

    // Told while full records arrive: the count first, then once per record.
    struct Progress {
        std::function<void(int count)> begin;
        std::function<void()> advance;
    };
    enum class Outcome { NoConnection, Aborted, Empty, Listed };
    struct ListResult {
        Outcome outcome = Outcome::Empty;
        QVariantList list;
        // Whether the full-record call was made.
        bool fetchedFullRecords = false;
    };
    // The two-call conversation and the merge with the old master list.
    ListResult getMasterExchangeList(const QVariantList& oldMaster, bool developerMode,
                                     const Progress& progress = {});

private:
    struct Call {
        bool ok = false;
        QVariant value;
    };
    // One call; a transport failure or fault is logged under `failure`.
    Call call(const QString& method, const QVariantList& params, const char* failure);
    bool aborted() const { return abort && abort->load(); }

    QUrl _endpoint;
};
