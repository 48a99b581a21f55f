#include "platform/foundation/LocalizedStrings.h"

#include <QFile>
#include <mutex>

namespace LocalizedStrings {

namespace {

// Reads one quoted text starting at text[i] == '"'; leaves i after the closing quote.
bool readQuoted(const QString& text, qsizetype& i, QString& out) {
    out.clear();
    ++i;
    while (i < text.size()) {
        const QChar c = text[i++];
        if (c == u'"')
            return true;
        if (c == u'\\' && i < text.size()) {
            const QChar e = text[i++];
            switch (e.unicode()) {
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 't':
                out += u'\t';
                break;
            default:
                out += e;
                break;
            }
            continue;
        }
        out += c;
    }
    return false;
}

void skipSpaceAndComments(const QString& text, qsizetype& i) {
    while (i < text.size()) {
        if (text[i].isSpace()) {
            ++i;
        } else if (text.mid(i, 2) == u"//") {
            while (i < text.size() && text[i] != u'\n')
                ++i;
        } else if (text.mid(i, 2) == u"/*") {
            const qsizetype end = text.indexOf(u"*/", i + 2);
            i = end < 0 ? text.size() : end + 2;
        } else {
            return;
        }
    }
}

} // namespace

QHash<QString, QString> parseTable(const QString& text) {
    QHash<QString, QString> table;
    qsizetype i = 0;
    while (true) {
        skipSpaceAndComments(text, i);
        if (i >= text.size())
            break;
        QString key, value;
        if (text[i] != u'"' || !readQuoted(text, i, key)) {
            // Not an entry: skip to the end of the line.
            while (i < text.size() && text[i] != u'\n')
                ++i;
            continue;
        }
        skipSpaceAndComments(text, i);
        if (i >= text.size() || text[i] != u'=')
            continue;
        ++i;
        skipSpaceAndComments(text, i);
        if (i >= text.size() || text[i] != u'"' || !readQuoted(text, i, value))
            continue;
        skipSpaceAndComments(text, i);
        if (i < text.size() && text[i] == u';')
            ++i;
        table.insert(key, value);
    }
    return table;
}

QString lookup(const QString& key, const QString& bundle) {
    static std::mutex lock;
    static QHash<QString, QHash<QString, QString>> tables;
    std::lock_guard guard(lock);
    auto it = tables.find(bundle);
    if (it == tables.end()) {
        QFile file(QStringLiteral(":/strings/%1.strings").arg(bundle));
        // A bundle whose table isn't loaded yet (a pane before its plug-in) is tried again later.
        if (!file.open(QIODevice::ReadOnly))
            return key;
        it = tables.insert(bundle, parseTable(QString::fromUtf8(file.readAll())));
    }
    return it->value(key, key);
}

} // namespace LocalizedStrings
