#pragma once

#include <QStringList>
#include <QtGlobal>
#include <mutex>

// Collects every message Qt logs while alive, from any thread.
class LogCapture {
public:
    LogCapture() {
        std::lock_guard lock(mutex());
        store().clear();
        _previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // A copy: the store may grow on another thread meanwhile.
    QStringList lines() const {
        std::lock_guard lock(mutex());
        return store();
    }
    // Whether some line holds the text.
    bool contains(const QString& text) const {
        std::lock_guard lock(mutex());
        for (const QString& line : store())
            if (line.contains(text))
                return true;
        return false;
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static QStringList& store() {
        static QStringList l;
        return l;
    }
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) {
        std::lock_guard lock(mutex());
        store().append(message);
    }
    QtMessageHandler _previous;
};
