#include "library/TemplateExchange.h"

#include "platform/system/URLFetch.h"
#include "platform/system/XmlRpc.h"

#include <QSet>
#include <QTimeZone>
#include <algorithm>
#include <netdb.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QVariantList idList(const QStringList& ids) {
    QVariantList list;
    for (const QString& id : ids)
        list.append(id);
    return list;
}

bool resolves(const QUrl& url) {
    if (url.host().isEmpty())
        return false;
    addrinfo* found = nullptr;
    const int status = getaddrinfo(url.host().toUtf8().constData(), nullptr, nullptr, &found);
    if (found)
        freeaddrinfo(found);
    return status == 0;
}

void logFault(const char* failure, const XmlRpc::Response& reply) {
    qWarning("%s", failure);
    qWarning("Fault String = %s\n", qPrintable(reply.faultString));
    qWarning("Fault Code = %s\n", qPrintable(reply.faultCode.toString()));
    QStringList extra;
    for (auto it = reply.faultExtra.begin(); it != reply.faultExtra.end(); ++it)
        extra.append(it.key() + u'=' + it.value().toString());
    qWarning("Fault Extra = %s\n", qPrintable(extra.join(u", ")));
}

} // namespace

// Records and rows.

QString TemplateExchange::documentID(const QVariantMap& record) {
    return record.value(str(kExchangeDocumentIDKey)).toString();
}

QVariantMap TemplateExchange::templateWithIDInList(const QString& id, const QVariantList& list) {
    for (const QVariant& item : list) {
        const QVariantMap record = item.toMap();
        if (record.contains(str(kExchangeDocumentIDKey)) && documentID(record) == id)
            return record;
    }
    return {};
}

QStringList TemplateExchange::updatedMasterTemplates(const QVariantList& minimal,
                                                     const QVariantList& master) {
    QStringList ids;
    for (const QVariant& item : minimal) {
        const QVariantMap record = item.toMap();
        const QString id = documentID(record);
        if (master.isEmpty()) {
            ids.append(id);
            continue;
        }
        const QVariantMap known = templateWithIDInList(id, master);
        if (known.isEmpty() || record.value(str(kExchangeVersionKey)).toLongLong() >
                                   known.value(str(kExchangeVersionKey)).toLongLong())
            ids.append(id);
    }
    return ids;
}

QVariantList TemplateExchange::mergeMasterList(const QVariantList& fetched,
                                               const QVariantList& oldMaster,
                                               const QVariantList& minimal,
                                               const QStringList& fetchedIDs) {
    QSet<QString> listed;
    for (const QVariant& item : minimal)
        listed.insert(documentID(item.toMap()));
    const QSet<QString> asked(fetchedIDs.begin(), fetchedIDs.end());
    QVariantList merged = fetched;
    for (const QVariant& item : oldMaster) {
        const QString id = documentID(item.toMap());
        if (listed.contains(id) && !asked.contains(id))
            merged.append(item);
    }
    return merged;
}

QVariantMap TemplateExchange::cleanedRecord(const QVariantMap& record) {
    QVariantMap cleaned;
    for (auto it = record.begin(); it != record.end(); ++it)
        if (it.value().isValid() && !it.value().isNull())
            cleaned.insert(it.key(), it.value());
    const QString dateKey = str(kExchangeDateKey);
    if (cleaned.value(dateKey).typeId() == QMetaType::QString) {
        const QDateTime date = parseDate(cleaned.value(dateKey).toString());
        if (date.isValid())
            cleaned.insert(dateKey, date);
        else
            cleaned.remove(dateKey);
    }
    return cleaned;
}

QStringList TemplateExchange::exchangeTemplateCategories(const QVariantList& master) {
    QStringList categories;
    for (const QVariant& item : master) {
        const QVariantMap record = item.toMap();
        if (!record.contains(str(kExchangeCategoryKey)))
            continue;
        const QString category = record.value(str(kExchangeCategoryKey)).toString();
        if (!categories.contains(category))
            categories.append(category);
    }
    std::sort(categories.begin(), categories.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return categories;
}

QVariantList TemplateExchange::buildFilteredExchangeList(const QVariantList& master,
                                                         const QVariantList& ignored,
                                                         const ExchangeFilter& filter,
                                                         const InstalledVersion& installedVersion) {
    QSet<QString> ignoredIDs;
    for (const QVariant& row : ignored)
        ignoredIDs.insert(documentID(row.toMap().value(str(kExchangeRowInfoKey)).toMap()));
    QVariantList rows;
    const auto add = [&rows](const QVariantMap& record, ExchangeRowStatus status) {
        rows.append(QVariantMap{{str(kExchangeRowInfoKey), record},
                                {str(kExchangeRowStatusKey), int(status)}});
    };
    for (const QVariant& item : master) {
        const QVariantMap record = item.toMap();
        const QString id = documentID(record);
        const bool inCategory =
            !filter.category ||
            record.value(str(kExchangeCategoryKey)).toString() == *filter.category;
        if (ignoredIDs.contains(id)) {
            if (filter.showIgnored)
                add(record, kExchangeRowIgnored);
        } else if (const std::optional<int32_t> installed = installedVersion(id)) {
            if (filter.showUpdated && inCategory &&
                record.value(str(kExchangeVersionKey)).toLongLong() > *installed)
                add(record, kExchangeRowUpdated);
        } else if (filter.showNew && inCategory) {
            add(record, kExchangeRowNew);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const QVariant& a, const QVariant& b) {
        const auto name = [](const QVariant& row) {
            return row.toMap()
                .value(str(kExchangeRowInfoKey))
                .toMap()
                .value(str(kExchangeNameKey))
                .toString();
        };
        return name(a).compare(name(b), Qt::CaseInsensitive) < 0;
    });
    return rows;
}

QString TemplateExchange::dateDescription(const QDateTime& date) {
    const int offset = date.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return date.toString(str("yyyy-MM-dd HH:mm:ss ")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QDateTime TemplateExchange::parseDate(const QString& text) {
    const QString trimmed = text.trimmed();
    QDateTime date = QDateTime::fromString(trimmed, str("yyyy-MM-dd HH:mm:ss t"));
    if (!date.isValid()) {
        // "±HHMM" after the time.
        const qsizetype space = trimmed.lastIndexOf(u' ');
        const QString zone = trimmed.mid(space + 1);
        if (space > 0 && zone.size() == 5 && (zone[0] == u'+' || zone[0] == u'-')) {
            bool hoursOk = false;
            bool minutesOk = false;
            const int hours = zone.mid(1, 2).toInt(&hoursOk);
            const int minutes = zone.mid(3, 2).toInt(&minutesOk);
            date = QDateTime::fromString(trimmed.left(space), str("yyyy-MM-dd HH:mm:ss"));
            if (date.isValid() && hoursOk && minutesOk)
                date.setTimeZone(
                    QTimeZone((zone[0] == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60)));
            else
                date = {};
        }
    }
    if (!date.isValid())
        date = QDateTime::fromString(trimmed, Qt::ISODate);
    return date;
}

QDateTime TemplateExchange::distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
}

// The conversation.

ExchangeClient::ExchangeClient(QUrl endpoint)
    : internetConnected(resolves), _endpoint(std::move(endpoint)) {}

ExchangeClient::Call ExchangeClient::call(const QString& method, const QVariantList& params,
                                          const char* failure) {
    URLFetch::Options options;
    options.connectTimeoutMs = std::min(timeoutMs, 20000L);
    options.timeoutMs = timeoutMs;
    // Lists are small; more than this is not an exchange talking.
    options.maxBytes = 64 * 1024 * 1024;
    const URLFetch::Result reply =
        URLFetch::post(_endpoint, XmlRpc::encodeCall(method, params), "text/xml", options, abort);
    if (!reply.ok()) {
        qWarning("%s", failure);
        qWarning("Error = %s\n", qPrintable(reply.error));
        return {};
    }
    const XmlRpc::Response response = XmlRpc::decodeResponse(reply.body);
    if (!response.error.isEmpty()) {
        qWarning("%s", failure);
        qWarning("Error = %s\n", qPrintable(response.error));
        return {};
    }
    if (response.isFault) {
        logFault(failure, response);
        return {};
    }
    return {true, response.value};
}

bool ExchangeClient::hasUpdatedTemplates(const std::optional<QDateTime>& lastCheck) {
    if (!internetConnected(_endpoint))
        return false;
    const QString since = TemplateExchange::dateDescription(
        lastCheck && lastCheck->isValid() ? *lastCheck : TemplateExchange::distantPast());
    const Call answer =
        call(str("Template_AnyChanges_Since"), {since}, "Failed to retrieve template list.\n");
    return answer.ok && answer.value.toBool();
}

ExchangeClient::ListResult ExchangeClient::getMasterExchangeList(const QVariantList& oldMaster,
                                                                 bool developerMode,
                                                                 const Progress& progress) {
    ListResult result;
    if (!internetConnected(_endpoint)) {
        result.outcome = Outcome::NoConnection;
        return result;
    }
    const auto usableList = [this](const Call& answer, const char* failure) -> QVariantList {
        if (!answer.ok)
            return {};
        if (answer.value.typeId() == QMetaType::QVariantMap) {
            const QVariantMap error = answer.value.toMap();
            qWarning("%s", failure);
            qWarning("Message = %s\n", qPrintable(error.value(str("message")).toString()));
            qWarning("Code = %s\n", qPrintable(error.value(str("code")).toString()));
            return {};
        }
        if (aborted() || answer.value.typeId() != QMetaType::QVariantList)
            return {};
        return answer.value.toList();
    };

    QVariantList minimal;
    if (!aborted()) {
        const char* failure = "Failed to retrieve minimum-info template list.\n";
        minimal = usableList(
            call(str(developerMode ? "Template_List_All" : "Template_List"), {}, failure), failure);
    }
    const QStringList ids = TemplateExchange::updatedMasterTemplates(minimal, oldMaster);
    QVariantList fetched;
    if (!ids.isEmpty() && !aborted()) {
        result.fetchedFullRecords = true;
        const char* failure = "Failed to retrieve maximum-info template list.\n";
        const QVariantList full = usableList(
            call(str(developerMode ? "Template_List_All_With_Info" : "Template_List_With_Info"),
                 {QVariant(idList(ids))}, failure),
            failure);
        if (!full.isEmpty() && progress.begin)
            progress.begin(int(full.size()));
        for (const QVariant& item : full) {
            if (aborted())
                break;
            fetched.append(TemplateExchange::cleanedRecord(item.toMap()));
            if (progress.advance)
                progress.advance();
        }
    }
    result.list = TemplateExchange::mergeMasterList(fetched, oldMaster, minimal, ids);
    if (aborted()) {
        result.outcome = Outcome::Aborted;
        result.list.clear();
    } else {
        result.outcome = result.list.isEmpty() ? Outcome::Empty : Outcome::Listed;
    }
    return result;
}
