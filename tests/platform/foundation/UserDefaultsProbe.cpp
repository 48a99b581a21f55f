// A second process for UserDefaultsTest, working on the shared store of
// whatever XDG_CONFIG_HOME it inherits.
//   write              stores the samples and quits without synchronizing
//   write-without-app  the same with no application object
//   dump               prints "key<TAB>description" for each sample key
#include "UserDefaultsSamples.h"
#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

void storeSamples() {
    const QVariantMap samples = UserDefaultsSamples::values();
    for (auto it = samples.cbegin(); it != samples.cend(); ++it)
        UserDefaults::standardUserDefaults().setObjectForKey(it.value(), it.key());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
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
        const QVariantMap samples = UserDefaultsSamples::values();
        for (auto it = samples.cbegin(); it != samples.cend(); ++it) {
            const QVariant stored = UserDefaults::standardUserDefaults().objectForKey(it.key());
            const QByteArray line =
                (it.key() + u'\t' + UserDefaultsSamples::describe(stored) + u'\n').toUtf8();
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        }
        return 0;
    }
    return 2;
}
