// Feeds arbitrary bytes to the unarchiver. Anything that decodes must archive
// again, and that archive must decode and archive to the same bytes.
#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A generic object so that graphs, shared references and cycles get exercised.
class FuzzNode : public Archivable {
public:
    QString name;
    QVariant child;
    qint32 number = 0;

    void encodeWithCoder(Archiver& coder) const override {
        coder.encodeString(name);
        coder.encodeInt32(number);
        coder.encodeObject(child);
    }
    bool initWithCoder(Unarchiver& coder) override {
        name = coder.decodeString();
        number = coder.decodeInt32();
        child = coder.decodeObject();
        return number != -1;
    }
};

// Holds an archive inside its data, as page objects hold masks and fills.
class FuzzNested : public Archivable {
public:
    QVariant inner;

    void encodeWithCoder(Archiver& coder) const override {
        coder.encodeData(Archiver::archivedData(inner));
    }
    bool initWithCoder(Unarchiver& coder) override {
        QString error;
        inner = Unarchiver::unarchiveObject(coder.decodeData(), &error);
        if (!error.isEmpty())
            coder.fail(error);
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ClassRegistry::shared().registerClass<FuzzNode>(QStringLiteral("FuzzNode"));
    ClassRegistry::shared().registerClass<FuzzNested>(QStringLiteral("FuzzNested"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(bytes), qsizetype(size));
    QString error;
    const QVariant decoded = Unarchiver::unarchiveObject(input, &error);
    if (!error.isEmpty())
        return 0;
    const QByteArray again = Archiver::archivedData(decoded, &error);
    if (again.isNull()) {
        std::fprintf(stderr, "decoded value does not archive again: %s\n", qPrintable(error));
        std::abort();
    }
    const QVariant second = Unarchiver::unarchiveObject(again, &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "re-archived value does not decode: %s\n", qPrintable(error));
        std::abort();
    }
    if (Archiver::archivedData(second) != again) {
        std::fprintf(stderr, "archive of the decoded archive differs\n");
        std::abort();
    }
    return 0;
}
