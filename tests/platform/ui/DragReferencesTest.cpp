#include "platform/ui/DragReferences.h"
#include "platform/ui/Pasteboard.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kType = QStringLiteral("DragDropGradientViewPboardType");

struct Swatch {
    int value = 0;
};
struct Other {
    int value = 0;
};

TEST(DragReferencesTest, DataCarriesAnIdThatFindsTheObjectWhileTheDataLives) {
    const int before = DragReferences::count();
    auto swatch = std::make_shared<Swatch>(Swatch{7});
    std::weak_ptr<Swatch> watch = swatch;
    QByteArray id;
    {
        auto data = std::make_unique<PasteboardData>();
        DragReferences::writeReference(*data, kType, swatch);
        swatch.reset();
        id = Pasteboard(data.get()).dataForType(kType);
        // This process's id, then a counter: no address.
        EXPECT_TRUE(id.startsWith(QByteArray::number(QCoreApplication::applicationPid()) + ':'))
            << id.constData();
        const auto found = DragReferences::readReference<Swatch>(Pasteboard(data.get()), kType);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->value, 7);
        // The registration keeps the object alive for the drag.
        EXPECT_FALSE(watch.expired());
        EXPECT_EQ(DragReferences::count(), before + 1);

        // A copy of the data (as a test keeps one) keeps it alive after the drag's own.
        std::unique_ptr<PasteboardData> copy(data->clone());
        data.reset();
        EXPECT_TRUE(DragReferences::readReference<Swatch>(Pasteboard(copy.get()), kType));
    }
    // Data gone: the id finds nothing and the object is let go.
    EXPECT_EQ(DragReferences::objectForReference<Swatch>(id), nullptr);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(DragReferences::count(), before);
}

TEST(DragReferencesTest, ForeignMalformedAndMistypedIdsFindNothing) {
    auto swatch = std::make_shared<Swatch>(Swatch{3});
    const DragReferences::HandleRef handle = DragReferences::registerObject(swatch);
    const QByteArray id = handle->reference();
    const QByteArray counter = id.mid(id.indexOf(':') + 1);
    const QByteArray otherPid = QByteArray::number(QCoreApplication::applicationPid() + 1);
    const struct {
        const char* what;
        QByteArray id;
    } cases[] = {
        {"another process with the same counter", otherPid + ':' + counter},
        {"no process", ':' + counter},
        {"empty", QByteArray()},
        {"a raw 4-byte address", QByteArray("\x10\x20\x30\x40", 4)},
        {"a raw 8-byte address", QByteArray::number(quintptr(swatch.get()))},
        {"a counter never given", QByteArray::number(QCoreApplication::applicationPid()) + ":0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DragReferences::objectForReference<Swatch>(c.id), nullptr) << c.what;
    // The right id, asked for as another type.
    EXPECT_EQ(DragReferences::objectForReference<Other>(id), nullptr);
    EXPECT_EQ(DragReferences::objectForReference<Swatch>(id), swatch);
}

TEST(DragReferencesTest, DataWithoutTheTypeFindsNothing) {
    PasteboardData data;
    Pasteboard::setDataForType(data, QByteArray("1:1"), QStringLiteral("SomeOtherType"));
    EXPECT_EQ(DragReferences::readReference<Swatch>(Pasteboard(&data), kType), nullptr);
}

} // namespace
