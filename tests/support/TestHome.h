#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// Makes the user's folders (config, data, cache, runtime, temporary) inside root and
// points HOME, the XDG variables and TMPDIR at them. False when root can't be used.
bool useHomeFolder(const QString& root);

// A fresh account for one test case: a new empty HOME with its folders while it
// lives; the previous HOME and folders are in use again afterwards. The folder
// itself stays until the process ends, as a store opened meanwhile may still
// write there.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString path() const { return _path; }

private:
    QString _path;
    std::vector<std::pair<const char*, std::optional<QByteArray>>> _saved;
};
