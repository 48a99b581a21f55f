// A second process for UserDefaultsTest.
//   write              stores the samples in the shared store of whatever
//                      XDG_CONFIG_HOME it inherits and quits without synchronizing
//   write-without-app  the same with no application object
//   dump               prints "key<TAB>description" for each sample key
//   race FILE TAG N GO waits for the file GO, then stores TAG-0 .. TAG-(N-1) in
//                      FILE one at a time, synchronizing after each, and then
//                      removes the even ones the same way
#include "UserDefaultsSamples.h"
#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void storeSamples() {
    for (const UserDefaultsSamples::Sample& sample : UserDefaultsSamples::samples())
        UserDefaults::standardUserDefaults().setObjectForKey(sample.stored, sample.key);
}

int race(const QString& path, const QString& tag, int count, const QString& go) {
    UserDefaults store(path);
    while (!QFileInfo::exists(go))
        QThread::usleep(200);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        store.setIntegerForKey(i, tag + u'-' + QString::number(i));
        failures += store.synchronize() ? 0 : 1;
    }
    for (int i = 0; i < count; i += 2) {
        store.removeObjectForKey(tag + u'-' + QString::number(i));
        failures += store.synchronize() ? 0 : 1;
    }
    if (failures)
        std::fprintf(stderr, "%d synchronizations failed\n", failures);
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const char* mode = argv[1];
    if (std::strcmp(mode, "write-without-app") == 0) {
        storeSamples();
        return 0;
    }
    QCoreApplication app(argc, argv);
    if (std::strcmp(mode, "write") == 0) {
        storeSamples();
        return 0;
    }
    if (std::strcmp(mode, "dump") == 0) {
        for (const UserDefaultsSamples::Sample& sample : UserDefaultsSamples::samples()) {
            const QVariant stored = UserDefaults::standardUserDefaults().objectForKey(sample.key);
            const QByteArray line = UserDefaultsSamples::dumpLine(sample.key, stored).toUtf8();
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        }
        return 0;
    }
    if (std::strcmp(mode, "race") == 0 && argc == 6)
        return race(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                    std::atoi(argv[4]), QString::fromLocal8Bit(argv[5]));
    return 2;
}
