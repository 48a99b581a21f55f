#include "platform/archiving/Archiver.h"
#include "platform/archiving/ArchiveFormat.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Exception.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Round trips double as the fuzzers' seed corpus: with LUMISK_FUZZ_SEED_DIR
// set, every archive a test makes is written there.
void saveSeed(const QString& name, const QByteArray& archive) {
    const QByteArray dir = qgetenv("LUMISK_FUZZ_SEED_DIR");
    if (dir.isEmpty() || archive.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    QFile file(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(archive);
}

QVariant roundTrip(const QVariant& value, const QString& seedName = {}) {
    QString error;
    const QByteArray data = Archiver::archivedData(value, &error);
    EXPECT_FALSE(data.isNull()) << qPrintable(error);
    if (!seedName.isEmpty())
        saveSeed(seedName, data);
    const QVariant back = Unarchiver::unarchiveObject(data, &error);
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    return back;
}

// A node of an object graph: a name and children (other nodes or plain values).
class TestNode : public Archivable {
public:
    QString name;
    QVariantList children;

    void encodeWithCoder(Archiver& coder) const override {
        coder.encodeString(name);
        coder.encodeObject(children);
    }
    bool initWithCoder(Unarchiver& coder) override {
        name = coder.decodeString();
        const QVariant list = coder.decodeObject();
        if (list.metaType() != QMetaType::fromType<QVariantList>())
            coder.fail(QStringLiteral("children are not a list"));
        children = list.toList();
        return true;
    }
};

// Every typed scalar once.
class TestScalars : public Archivable {
public:
    qint32 i32 = 0;
    qint64 i64 = 0;
    float f = 0;
    double d = 0;
    bool flag = false;
    QString text;
    QByteArray data;
    QDateTime date;
    Point point;
    Size size;
    Rect rect;
    std::vector<float> list;

    void encodeWithCoder(Archiver& c) const override {
        c.encodeInt32(i32);
        c.encodeInt64(i64);
        c.encodeFloat(f);
        c.encodeDouble(d);
        c.encodeBool(flag);
        c.encodeString(text);
        c.encodeData(data);
        c.encodeDate(date);
        c.encodePoint(point);
        c.encodeSize(size);
        c.encodeRect(rect);
        c.encodeCount(qsizetype(list.size()));
        for (float x : list)
            c.encodeFloat(x);
    }
    bool initWithCoder(Unarchiver& c) override {
        i32 = c.decodeInt32();
        i64 = c.decodeInt64();
        f = c.decodeFloat();
        d = c.decodeDouble();
        flag = c.decodeBool();
        text = c.decodeString();
        data = c.decodeData();
        date = c.decodeDate();
        point = c.decodePoint();
        size = c.decodeSize();
        rect = c.decodeRect();
        const qint32 n = c.decodeCount(5);
        for (qint32 i = 0; i < n; ++i)
            list.push_back(c.decodeFloat());
        return true;
    }
};

// A class chain: the superclass part comes first.
class TestBase : public Archivable {
public:
    qint32 baseValue = 0;
    void encodeWithCoder(Archiver& c) const override { c.encodeInt32(baseValue); }
    bool initWithCoder(Unarchiver& c) override {
        baseValue = c.decodeInt32();
        return true;
    }
};

class TestDerived : public TestBase {
public:
    QVariantMap own;
    qint32 versionSeen = -2;
    void encodeWithCoder(Archiver& c) const override {
        TestBase::encodeWithCoder(c);
        c.encodeObject(own);
    }
    bool initWithCoder(Unarchiver& c) override {
        TestBase::initWithCoder(c);
        versionSeen = c.versionForClassName(QStringLiteral("TestDerived"));
        own = c.decodeObject().toMap();
        return true;
    }
};

// Decodes to nil although the archive is sound.
class TestNilOnDecode : public Archivable {
public:
    void encodeWithCoder(Archiver& c) const override { c.encodeInt32(7); }
    bool initWithCoder(Unarchiver& c) override { return c.decodeInt32() != 7; }
};

// Reads less than it writes.
class TestShortReader : public Archivable {
public:
    void encodeWithCoder(Archiver& c) const override {
        c.encodeInt32(1);
        c.encodeInt32(2);
    }
    bool initWithCoder(Unarchiver& c) override {
        c.decodeInt32();
        return true;
    }
};

class TestUnregistered : public TestNode {};

// Decodes another archive held in its data, as masks and fills do.
class TestNested : public Archivable {
public:
    QVariant inner;
    void encodeWithCoder(Archiver& c) const override {
        c.encodeData(Archiver::archivedData(inner));
    }
    bool initWithCoder(Unarchiver& c) override {
        QString error;
        inner = Unarchiver::unarchiveObject(c.decodeData(), &error);
        if (!error.isEmpty())
            c.fail(error);
        return true;
    }
};

// Reads its parts with the typed object readers.
class TestTypedHolder : public Archivable {
public:
    QVariant node;  // written as it is, read as a TestNode
    QVariant value; // written as it is, read as a text
    std::shared_ptr<TestNode> nodeBack;
    void encodeWithCoder(Archiver& c) const override {
        c.encodeObject(node);
        c.encodeObject(value);
    }
    bool initWithCoder(Unarchiver& c) override {
        nodeBack = c.decodeObjectOfClass<TestNode>();
        c.decodeValue<QString>();
        return true;
    }
};

class ArchiverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto& registry = ClassRegistry::shared();
        registry.registerClass<TestNode>(QStringLiteral("TestNode"));
        registry.registerClass<TestScalars>(QStringLiteral("TestScalars"));
        registry.registerClass<TestBase>(QStringLiteral("TestBase"));
        registry.registerClass<TestDerived>(QStringLiteral("TestDerived"), 3);
        registry.registerClass<TestNilOnDecode>(QStringLiteral("TestNilOnDecode"));
        registry.registerClass<TestShortReader>(QStringLiteral("TestShortReader"));
        registry.registerClass<TestNested>(QStringLiteral("TestNested"));
        registry.registerClass<TestTypedHolder>(QStringLiteral("TestTypedHolder"));
    }

    static std::shared_ptr<TestNode> node(const QString& name, QVariantList children = {}) {
        auto n = std::make_shared<TestNode>();
        n->name = name;
        n->children = std::move(children);
        return n;
    }
};

TEST_F(ArchiverTest, PropertyListValuesKeepTheirKinds) {
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1136214245123, Qt::UTC);
    struct Case {
        const char* name;
        QVariant value;
    };
    const Case cases[] = {
        {"int", QVariant(qint32(-42))},
        {"int-max", QVariant(std::numeric_limits<qint32>::max())},
        {"longlong", QVariant(qlonglong(1) << 40)},
        {"float", QVariant(1.5f)},
        {"double", QVariant(0.1)},
        {"bool-true", QVariant(true)},
        {"bool-false", QVariant(false)},
        {"string", QVariant(QStringLiteral("Grüße, 写真 😀"))},
        {"empty-string", QVariant(QString(""))},
        {"data", QVariant(QByteArray("\x00\x01\xff", 3))},
        {"date", QVariant(date)},
        {"list", QVariant(QVariantList{1, 2.5, QStringLiteral("x"), QVariant(), true})},
        {"map", QVariant(QVariantMap{
                    {QStringLiteral("a"), 1},
                    {QStringLiteral("b"), QVariantMap{{QStringLiteral("c"), QVariantList{}}}},
                    {QString(), QByteArray()}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVariant back = roundTrip(c.value, QStringLiteral("plist-%1").arg(c.name));
        EXPECT_EQ(back.metaType(), c.value.metaType());
        EXPECT_EQ(back, c.value);
    }
    // Integers, reals and flags with the same numeric value stay apart.
    const QVariantList numbers = roundTrip(QVariantList{1, 1.0, true, 1.0f}).toList();
    ASSERT_EQ(numbers.size(), 4);
    EXPECT_EQ(numbers[0].typeId(), QMetaType::Int);
    EXPECT_EQ(numbers[1].typeId(), QMetaType::Double);
    EXPECT_EQ(numbers[2].typeId(), QMetaType::Bool);
    EXPECT_EQ(numbers[3].typeId(), QMetaType::Float);
    // Other integer widths arrive as the nearest kind that holds them.
    EXPECT_EQ(roundTrip(QVariant(uint(4000000000u))), QVariant(qlonglong(4000000000LL)));
    EXPECT_EQ(roundTrip(QVariant(QStringList{QStringLiteral("a")})),
              QVariant(QVariantList{QStringLiteral("a")}));
}

TEST_F(ArchiverTest, NilRootRoundTripsWithoutError) {
    QString error = QStringLiteral("unchanged");
    const QByteArray data = Archiver::archivedData(QVariant());
    ASSERT_FALSE(data.isEmpty());
    EXPECT_FALSE(Unarchiver::unarchiveObject(data, &error).isValid());
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(ArchiverTest, TypedScalarsRoundTrip) {
    auto s = std::make_shared<TestScalars>();
    s->i32 = -7;
    s->i64 = -(qint64(1) << 50);
    s->f = 3.25f;
    s->d = -1e300;
    s->flag = true;
    s->text = QStringLiteral("täxt");
    s->data = QByteArray(300, 'z');
    s->date = QDateTime::fromMSecsSinceEpoch(-86400000, Qt::UTC);
    s->point = {1.5f, -2.5f};
    s->size = {612, 792};
    s->rect = Rect(1, 2, 3, 4);
    s->list = {0.1f, 0.2f, std::nanf("")};
    const QByteArray data = Archiver::archivedData(s);
    saveSeed(QStringLiteral("scalars"), data);
    auto back = Unarchiver::unarchiveObjectOfClass<TestScalars>(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->i32, s->i32);
    EXPECT_EQ(back->i64, s->i64);
    EXPECT_EQ(back->f, s->f);
    EXPECT_EQ(back->d, s->d);
    EXPECT_TRUE(back->flag);
    EXPECT_EQ(back->text, s->text);
    EXPECT_EQ(back->data, s->data);
    EXPECT_EQ(back->date, s->date);
    EXPECT_EQ(back->point, s->point);
    EXPECT_EQ(back->size, s->size);
    EXPECT_EQ(back->rect, s->rect);
    ASSERT_EQ(back->list.size(), 3u);
    EXPECT_EQ(back->list[1], 0.2f);
    EXPECT_TRUE(std::isnan(back->list[2]));
}

TEST_F(ArchiverTest, SharedObjectsAreWrittenOnceAndDecodeToOneObject) {
    auto leaf = node(QStringLiteral("leaf"), {QStringLiteral("payload-of-the-leaf")});
    auto middle = node(QStringLiteral("middle"), {variantFromObject(leaf)});
    const QVariantList root{variantFromObject(leaf), variantFromObject(middle),
                            variantFromObject(leaf)};
    const QByteArray data = Archiver::archivedData(root);
    saveSeed(QStringLiteral("shared-objects"), data);
    EXPECT_EQ(data.count("payload-of-the-leaf"), 1);

    const QVariantList back = Unarchiver::unarchiveObject(data).toList();
    ASSERT_EQ(back.size(), 3);
    auto leaf0 = objectFromVariantAs<TestNode>(back[0]);
    auto middleBack = objectFromVariantAs<TestNode>(back[1]);
    auto leaf2 = objectFromVariantAs<TestNode>(back[2]);
    ASSERT_TRUE(leaf0 && middleBack && leaf2);
    EXPECT_EQ(leaf0, leaf2);
    ASSERT_EQ(middleBack->children.size(), 1);
    EXPECT_EQ(objectFromVariantAs<TestNode>(middleBack->children[0]), leaf0);
    EXPECT_EQ(leaf0->name, QStringLiteral("leaf"));
    EXPECT_EQ(leaf0->children, leaf->children);
}

TEST_F(ArchiverTest, SubclassWritesSuperclassPartFirstAndSeesItsVersion) {
    auto d = std::make_shared<TestDerived>();
    d->baseValue = 11;
    d->own = {{QStringLiteral("feather_pct"), 0.25f}};
    const QByteArray data = Archiver::archivedData(d);
    saveSeed(QStringLiteral("class-chain"), data);
    auto back = Unarchiver::unarchiveObjectOfClass<TestDerived>(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->baseValue, 11);
    EXPECT_EQ(back->own, d->own);
    EXPECT_EQ(back->versionSeen, 3);
    // Decoded as its own class, not the base's.
    EXPECT_FALSE(Unarchiver::unarchiveObjectOfClass<TestScalars>(data));
}

TEST_F(ArchiverTest, TypedObjectReadsCheckTheClass) {
    auto holder = std::make_shared<TestTypedHolder>();
    holder->node = variantFromObject(node(QStringLiteral("n")));
    holder->value = QStringLiteral("text");
    auto back = Unarchiver::unarchiveObjectOfClass<TestTypedHolder>(Archiver::archivedData(holder));
    ASSERT_TRUE(back);
    ASSERT_TRUE(back->nodeBack);
    EXPECT_EQ(back->nodeBack->name, QStringLiteral("n"));

    holder->node = QVariant(); // nil is fine where an object may be absent
    back = Unarchiver::unarchiveObjectOfClass<TestTypedHolder>(Archiver::archivedData(holder));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->nodeBack);

    holder->node = variantFromObject(std::make_shared<TestBase>());
    EXPECT_FALSE(Unarchiver::unarchiveObject(Archiver::archivedData(holder)).isValid());
    holder->node = QVariant();
    holder->value = 5;
    EXPECT_FALSE(Unarchiver::unarchiveObject(Archiver::archivedData(holder)).isValid());
}

TEST_F(ArchiverTest, ObjectAnsweringNilDecodesToNilEverywhere) {
    auto n = std::make_shared<TestNilOnDecode>();
    const QVariantList list =
        Unarchiver::unarchiveObject(
            Archiver::archivedData(QVariantList{variantFromObject(n), variantFromObject(n), 5}))
            .toList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_FALSE(list[0].isValid());
    EXPECT_FALSE(list[1].isValid());
    EXPECT_EQ(list[2], QVariant(5));
}

TEST_F(ArchiverTest, ArchivesInsideObjectsDecode) {
    auto outer = std::make_shared<TestNested>();
    outer->inner = QVariantMap{{QStringLiteral("VQG_Colors"), QVariantList{1, 2}}};
    const QByteArray data = Archiver::archivedData(outer);
    saveSeed(QStringLiteral("nested-archive"), data);
    auto back = Unarchiver::unarchiveObjectOfClass<TestNested>(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->inner, outer->inner);
}

TEST_F(ArchiverTest, RegistryLooksUpNamesAndRefusesConflicts) {
    auto& registry = ClassRegistry::shared();
    auto info = registry.classNamed(QStringLiteral("TestNode"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, QStringLiteral("TestNode"));
    EXPECT_FALSE(registry.classNamed(QStringLiteral("NoSuchClass")));
    EXPECT_EQ(registry.classOfObject(TestNode())->name, QStringLiteral("TestNode"));
    EXPECT_EQ(registry.classOfObject(TestDerived())->version, 3);
    // The platform's values are there from the start.
    for (const char* name : {"Color", "Font", "ShadowValue", "Image", "PrintInfo", "TextStorage"})
        EXPECT_TRUE(registry.classNamed(QLatin1String(name))) << name;

    // Registering the same class again is harmless; conflicts are refused.
    EXPECT_NO_THROW(registry.registerClass<TestNode>(QStringLiteral("TestNode")));
    EXPECT_THROW(registry.registerClass<TestBase>(QStringLiteral("TestNode")), Exception);
    EXPECT_THROW(registry.registerClass<TestNode>(QStringLiteral("OtherName")), Exception);
    EXPECT_THROW(registry.registerClass<TestNode>(QStringLiteral("TestNode"), 9), Exception);
}

TEST_F(ArchiverTest, UnknownClassNameGivesNilWithReason) {
    QByteArray data = Archiver::archivedData(node(QStringLiteral("n")));
    const qsizetype at = data.indexOf("TestNode");
    ASSERT_GT(at, 0);
    data.replace(at, 8, "TestNodX");
    QString error;
    EXPECT_FALSE(Unarchiver::unarchiveObject(data, &error).isValid());
    EXPECT_TRUE(error.contains(QStringLiteral("TestNodX"))) << qPrintable(error);
}

TEST_F(ArchiverTest, ArchivingFailsCleanlyForWhatCannotBeArchived) {
    struct Case {
        const char* name;
        QVariant value;
    };
    auto loop = node(QStringLiteral("loop"));
    loop->children.append(variantFromObject(loop));
    QVariant deep;
    for (int i = 0; i < archive_format::kMaxDepth + 1; ++i)
        deep = QVariantList{deep};
    const Case cases[] = {
        {"unregistered class", variantFromObject(std::make_shared<TestUnregistered>())},
        {"unsupported type", QVariant(QPointF(1, 2))},
        {"cycle", variantFromObject(loop)},
        {"too deep", deep},
        {"invalid date", QVariant(QDateTime())},
        {"huge unsigned", QVariant(~qulonglong(0))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_TRUE(Archiver::archivedData(c.value, &error).isNull());
        EXPECT_FALSE(error.isEmpty());
    }
    loop->children.clear(); // break the cycle so the node is freed
}

// Damaged archives, each built from a sound one, must give nil with a reason.
TEST_F(ArchiverTest, DamagedArchivesGiveNil) {
    using namespace archive_format;
    const QByteArray header = QByteArray(kMagic, 4) + QByteArray("\x01\x00\x00\x00", 4);
    auto u32 = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    auto tag = [](quint8 t) { return QByteArray(1, char(t)); };
    QByteArray deepArrays = header;
    for (int i = 0; i < 100000; ++i)
        deepArrays += tag(kArray) + u32(1);
    deepArrays += tag(kNil);
    QByteArray deepNested = Archiver::archivedData(QVariant(1));
    for (int i = 0; i < kMaxDepth + 5; ++i) {
        // Each level's data is the archive of the level below.
        deepNested = header + tag(kObject) + u32(kNewClass) + u32(10) + "TestNested" +
                     QByteArray(4, '\0') + tag(kData) + u32(quint32(deepNested.size())) +
                     deepNested + tag(kObjectEnd);
    }
    const QByteArray testNodeClass = u32(kNewClass) + u32(8) + "TestNode" + QByteArray(4, '\0');

    struct Case {
        const char* name;
        QByteArray data;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"magic only", QByteArray(kMagic, 4)},
        {"wrong magic", QByteArray("XMAR\x01\x00\x00\x00\x00", 9)},
        {"newer format", QByteArray(kMagic, 4) + u32(2) + tag(kNil)},
        {"no root", header},
        {"trailing bytes", header + tag(kNil) + tag(kNil)},
        {"unknown tag", header + tag(0x7E)},
        {"truncated int", header + tag(kInt32) + "\x01\x02"},
        {"bad flag byte", header + tag(kBool) + "\x02"},
        {"string longer than archive", header + tag(kString) + u32(0xFFFFFFF0u) + "abc"},
        {"invalid utf-8", header + tag(kString) + u32(2) + "\xC3\x28"},
        {"data longer than archive", header + tag(kData) + u32(1000) + "x"},
        {"huge array count", header + tag(kArray) + u32(0xFFFFFFFFu) + tag(kNil)},
        {"huge dictionary count", header + tag(kDictionary) + u32(0x7FFFFFFFu)},
        {"duplicate dictionary key",
         header + tag(kDictionary) + u32(2) + u32(1) + "k" + tag(kNil) + u32(1) + "k" + tag(kNil)},
        {"date out of range",
         header + tag(kDate) + QByteArray("\xff\xff\xff\xff\xff\xff\xff\x7f", 8)},
        {"deeply nested arrays", deepArrays},
        {"deeply nested archives", deepNested},
        {"reference before any object", header + tag(kObjectRef) + u32(0)},
        {"object refers to itself", header + tag(kObject) + testNodeClass + tag(kString) + u32(0) +
                                        tag(kArray) + u32(1) + tag(kObjectRef) + u32(0) +
                                        tag(kObjectEnd)},
        {"unknown class index", header + tag(kObject) + u32(3)},
        {"class named twice", header + tag(kArray) + u32(2) + tag(kObject) + testNodeClass +
                                  tag(kString) + u32(0) + tag(kArray) + u32(0) + tag(kObjectEnd) +
                                  tag(kObject) + testNodeClass},
        {"missing end of object",
         header + tag(kObject) + testNodeClass + tag(kString) + u32(0) + tag(kArray) + u32(0)},
        {"wrong type inside object", header + tag(kObject) + testNodeClass + tag(kInt32) + u32(0) +
                                         tag(kArray) + u32(0) + tag(kObjectEnd)},
        {"object left values unread", Archiver::archivedData(std::make_shared<TestShortReader>())},
        {"value class used as object",
         header + tag(kObject) + u32(kNewClass) + u32(5) + "Color" + QByteArray(4, '\0')},
        {"object class used as value",
         header + tag(kValueObject) + testNodeClass + tag(kString) + u32(0)},
        {"stray end of object", header + tag(kObjectEnd)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(Unarchiver::unarchiveObject(c.data, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
    }
}

// Every prefix of a rich archive is damaged and must decode to nil.
TEST_F(ArchiverTest, EveryTruncationGivesNil) {
    auto shared = node(QStringLiteral("shared"), {1.5f, QByteArray("bytes")});
    const QVariantMap root{
        {QStringLiteral("objects"),
         QVariantList{variantFromObject(shared), variantFromObject(shared)}},
        {QStringLiteral("date"), QDateTime::fromMSecsSinceEpoch(0, Qt::UTC)},
        {QStringLiteral("text"), QStringLiteral("ü")},
        {QStringLiteral("number"), qlonglong(5)},
    };
    const QByteArray data = Archiver::archivedData(root);
    ASSERT_TRUE(Unarchiver::unarchiveObject(data).isValid());
    for (qsizetype n = 0; n < data.size(); ++n)
        EXPECT_FALSE(Unarchiver::unarchiveObject(data.left(n)).isValid()) << "prefix " << n;
}

} // namespace
