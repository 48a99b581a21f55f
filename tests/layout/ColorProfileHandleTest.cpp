#include "layout/ColorProfileHandle.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <gtest/gtest.h>

TEST(ColorProfileHandle, DictionaryHoldsOnlyWhatIsSet) {
    EXPECT_TRUE(ColorProfileHandle().encodeInDictionary().isEmpty());
    const auto handle = ColorProfileHandle::profileWithPath(QStringLiteral("/p/a.icc"));
    EXPECT_EQ(handle->encodeInDictionary(),
              (QVariantMap{{QStringLiteral("CPH_Path"), QStringLiteral("/p/a.icc")}}));

    // Only the keys present replace fields.
    ColorProfileHandle nameOnly(QStringLiteral("/kept.icc"));
    nameOnly.decodeFromDictionary({{QStringLiteral("CPH_Name"), QStringLiteral("Proof")}});
    EXPECT_EQ(nameOnly.path(), QStringLiteral("/kept.icc"));
    EXPECT_EQ(nameOnly.name(), QStringLiteral("Proof"));
    EXPECT_EQ(nameOnly.encodeInDictionary(),
              (QVariantMap{{QStringLiteral("CPH_Path"), QStringLiteral("/kept.icc")},
                           {QStringLiteral("CPH_Name"), QStringLiteral("Proof")}}));
}

TEST(ColorProfileHandle, ArchiveRoundTrip) {
    ColorProfileHandle::registerArchivableClass();
    auto handle = ColorProfileHandle::profileWithPath(QStringLiteral("/p/b.icc"));
    handle->decodeFromDictionary({{QStringLiteral("CPH_Name"), QStringLiteral("Matte")}});
    const QByteArray data = Archiver::archivedData(ArchivableRef(handle));
    ASSERT_FALSE(data.isNull());
    const auto back = Unarchiver::unarchiveObjectOfClass<ColorProfileHandle>(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path(), QStringLiteral("/p/b.icc"));
    EXPECT_EQ(back->name(), QStringLiteral("Matte"));

    // A name without a path stays without a path.
    auto nameless = std::make_shared<ColorProfileHandle>();
    nameless->decodeFromDictionary({{QStringLiteral("CPH_Name"), QStringLiteral("Gone")}});
    const auto back2 = Unarchiver::unarchiveObjectOfClass<ColorProfileHandle>(
        Archiver::archivedData(ArchivableRef(nameless)));
    ASSERT_TRUE(back2);
    EXPECT_TRUE(back2->path().isNull());
    EXPECT_EQ(back2->name(), QStringLiteral("Gone"));
}
