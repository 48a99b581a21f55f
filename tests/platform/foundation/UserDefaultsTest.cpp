#include "platform/foundation/UserDefaults.h"
#include "UserDefaultsSamples.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <thread>
#include <vector>

using UserDefaultsSamples::describe;

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                             QFileDevice::WriteOther | QFileDevice::ExeOther;

// The file's mode bits for owner, group and others.
QFileDevice::Permissions mode(const QString& path) {
    return QFile::permissions(path) & (kOwnerOnly | QFileDevice::ExeOwner | kOthers);
}

// A fresh folder for each use, so that cases share no files whatever their order.
QString freshFolder() {
    static QTemporaryDir dir;
    static int count = 0;
    const QString path = dir.path() + QStringLiteral("/%1").arg(++count);
    QDir().mkpath(path);
    return path;
}

void storeSamples(UserDefaults& store) {
    for (const UserDefaultsSamples::Sample& sample : UserDefaultsSamples::samples())
        ASSERT_TRUE(store.setObjectForKey(sample.stored, sample.key)) << qPrintable(sample.key);
}

void expectSamples(const UserDefaults& store) {
    for (const UserDefaultsSamples::Sample& sample : UserDefaultsSamples::samples())
        EXPECT_EQ(describe(store.objectForKey(sample.key)), describe(sample.read))
            << "key \"" << qPrintable(sample.key) << '"';
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QProcess::ExitStatus runProbe(const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess probe;
    probe.start(QStringLiteral(USERDEFAULTS_PROBE_PATH), arguments);
    EXPECT_TRUE(probe.waitForFinished(60000)) << qPrintable(arguments.join(u' '));
    EXPECT_EQ(probe.exitCode(), 0)
        << qPrintable(arguments.join(u' ')) << probe.readAllStandardError().constData();
    if (output)
        *output = probe.readAllStandardOutput();
    return probe.exitStatus();
}

// The top-level entries of a property-list file as "element:text" per key,
// read with a plain XML reader: what a person opening the file would see.
QMap<QString, QString> topLevelEntries(const QByteArray& xml, QString* error) {
    QMap<QString, QString> entries;
    QXmlStreamReader reader(xml);
    QStringList path;
    QString key;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            path << reader.name().toString();
            if (path == QStringList{QStringLiteral("plist"), QStringLiteral("dict"),
                                    QStringLiteral("key")}) {
                key = reader.readElementText();
                path.removeLast();
            } else if (path.size() == 3) {
                const QString element = reader.name().toString();
                const bool simple =
                    element != QLatin1String("dict") && element != QLatin1String("array");
                entries.insert(key,
                               element + u':' + (simple ? reader.readElementText() : QString()));
                if (simple)
                    path.removeLast();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            path.removeLast();
        }
    }
    if (reader.hasError())
        *error = reader.errorString();
    return entries;
}

// Collects the warnings logged while it lives.
class WarningLog {
public:
    WarningLog() {
        messages().clear();
        _previous = qInstallMessageHandler(&WarningLog::handle);
    }
    ~WarningLog() { qInstallMessageHandler(_previous); }
    static QStringList& messages() {
        static QStringList list;
        return list;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg)
            messages() << text;
    }
    QtMessageHandler _previous;
};

QStringList setAsideCopies(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("Lumisk.plist.damaged-*")}, QDir::Files);
}

} // namespace

TEST(UserDefaults, EveryKindOfValueSurvivesARestartWithItsKind) {
    const QString path = freshFolder() + QStringLiteral("/sub/Lumisk.plist");
    {
        UserDefaults first(path);
        storeSamples(first);
        expectSamples(first);
    }
    EXPECT_EQ(mode(path), kOwnerOnly);
    UserDefaults second(path);
    expectSamples(second);
}

TEST(UserDefaults, TheFileIsAPropertyListAPersonCanRead) {
    const QString path = freshFolder() + QStringLiteral("/Lumisk.plist");
    {
        UserDefaults store(path);
        storeSamples(store);
        ASSERT_TRUE(store.synchronize());
    }
    const QByteArray xml = readFile(path);
    EXPECT_TRUE(xml.startsWith("<?xml")) << xml.left(40).constData();
    // One line for a simple value.
    EXPECT_TRUE(xml.contains("\t\t<key>flag</key>\n\t\t<true/>\n")) << xml.constData();
    QString error;
    const QMap<QString, QString> entries = topLevelEntries(xml, &error);
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    const QMap<QString, QString> expected{
        {QStringLiteral("integer"), QStringLiteral("integer:-42")},
        {QStringLiteral("int32"), QStringLiteral("integer:7")},
        {QStringLiteral("unsigned"), QStringLiteral("integer:4000000000")},
        {QStringLiteral("big"), QStringLiteral("integer:18446744073709551615")},
        {QStringLiteral("smallest"), QStringLiteral("integer:-9223372036854775808")},
        {QStringLiteral("float"), QStringLiteral("real:0.10000000149011612")},
        {QStringLiteral("double"), QStringLiteral("real:0.1")},
        {QStringLiteral("whole real"), QStringLiteral("real:2")},
        {QStringLiteral("tiny real"), QStringLiteral("real:5e-324")},
        {QStringLiteral("infinity"), QStringLiteral("real:-infinity")},
        {QStringLiteral("flag"), QStringLiteral("true:")},
        {QStringLiteral("no flag"), QStringLiteral("false:")},
        {QStringLiteral("text"),
         QStringLiteral("string:") + UserDefaultsSamples::samples()[12].read.toString()},
        {QStringLiteral("empty text"), QStringLiteral("string:")},
        {QStringLiteral("data"), QStringLiteral("data:AAH/")},
        {QStringLiteral("empty data"), QStringLiteral("data:")},
        {QStringLiteral("date"), QStringLiteral("date:2005-03-01T12:30:15Z")},
        {QStringLiteral("list"), QStringLiteral("array:")},
        {QStringLiteral("dictionary"), QStringLiteral("dict:")},
        {QStringLiteral("hash"), QStringLiteral("dict:")},
        {QStringLiteral(""), QStringLiteral("string:under the empty key")},
        {QStringLiteral("slash/key"), QStringLiteral("integer:1")},
        {QStringLiteral("slash"), QStringLiteral("integer:2")},
        {QStringLiteral("<odd> & \"key\""), QStringLiteral("integer:3")},
    };
    ASSERT_EQ(UserDefaultsSamples::samples()[12].key, QStringLiteral("text"));
    ASSERT_EQ(qsizetype(UserDefaultsSamples::samples().size()), expected.size());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(entries.value(it.key()), it.value()) << "key \"" << qPrintable(it.key()) << '"';
    EXPECT_EQ(entries.size(), expected.size());
}

TEST(UserDefaults, ASecondProcessReadsWhatTheSharedStoreSynchronized) {
    EXPECT_EQ(UserDefaults::standardFilePath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Lumisk/Lumisk.plist"));
    UserDefaults& shared = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&shared, &UserDefaults::standardUserDefaults());
    storeSamples(shared);
    ASSERT_TRUE(shared.synchronize());

    QByteArray output;
    ASSERT_EQ(runProbe({QStringLiteral("dump")}, &output), QProcess::NormalExit);
    QString expected;
    for (const UserDefaultsSamples::Sample& sample : UserDefaultsSamples::samples())
        expected += UserDefaultsSamples::dumpLine(sample.key, sample.read);
    EXPECT_EQ(QString::fromUtf8(output), expected);
}

class UserDefaultsAtExit : public testing::TestWithParam<const char*> {};

TEST_P(UserDefaultsAtExit, WhatASecondProcessStoredIsOnDiskAfterItQuits) {
    QFile::remove(UserDefaults::standardFilePath());
    ASSERT_EQ(runProbe({QString::fromLatin1(GetParam())}), QProcess::NormalExit);
    UserDefaults store(UserDefaults::standardFilePath());
    expectSamples(store);
}

INSTANTIATE_TEST_SUITE_P(Modes, UserDefaultsAtExit, testing::Values("write", "write-without-app"));

TEST(UserDefaults, TwoProcessesWritingAtOnceKeepEachOthersKeys) {
    const QString dir = freshFolder();
    const QString path = dir + QStringLiteral("/Lumisk.plist");
    const QString go = dir + QStringLiteral("/go");
    constexpr int kKeys = 60;
    {
        UserDefaults before(path);
        before.setObjectForKey(QStringLiteral("kept"), QStringLiteral("earlier"));
        ASSERT_TRUE(before.synchronize());
    }
    std::vector<std::unique_ptr<QProcess>> probes;
    for (const char* tag : {"a", "b"}) {
        probes.push_back(std::make_unique<QProcess>());
        probes.back()->start(
            QStringLiteral(USERDEFAULTS_PROBE_PATH),
            {QStringLiteral("race"), path, QString::fromLatin1(tag), QString::number(kKeys), go});
        ASSERT_TRUE(probes.back()->waitForStarted());
    }
    writeFile(go, "go");
    for (const auto& probe : probes) {
        ASSERT_TRUE(probe->waitForFinished(120000));
        EXPECT_EQ(probe->exitCode(), 0) << probe->readAllStandardError().constData();
    }

    UserDefaults after(path);
    EXPECT_EQ(after.stringForKey(QStringLiteral("earlier")), QStringLiteral("kept"));
    int missing = 0;
    int notRemoved = 0;
    for (const char* tag : {"a", "b"}) {
        for (int i = 0; i < kKeys; ++i) {
            const QVariant value = after.objectForKey(QStringLiteral("%1-%2").arg(tag).arg(i));
            if (i % 2 == 0) {
                notRemoved += value.isValid() ? 1 : 0;
            } else {
                missing += value.isValid() ? 0 : 1;
                EXPECT_EQ(value.toLongLong(), i);
            }
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(notRemoved, 0);
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".lock")));
}

TEST(UserDefaults, StoresOverOneFileMergeOnlyWhatEachChanged) {
    const QString path = freshFolder() + QStringLiteral("/Lumisk.plist");
    UserDefaults a(path);
    UserDefaults b(path);
    a.setIntegerForKey(1, QStringLiteral("shared"));
    a.setIntegerForKey(1, QStringLiteral("from a"));
    ASSERT_TRUE(a.synchronize());
    ASSERT_TRUE(b.synchronize());
    EXPECT_EQ(b.integerForKey(QStringLiteral("shared")), 1);

    // a changes and removes; b, which last saw the old values, changes
    // something else: b's sync must not bring a's old values back.
    a.setIntegerForKey(2, QStringLiteral("shared"));
    a.removeObjectForKey(QStringLiteral("from a"));
    ASSERT_TRUE(a.synchronize());
    b.setIntegerForKey(3, QStringLiteral("from b"));
    ASSERT_TRUE(b.synchronize());
    EXPECT_EQ(b.integerForKey(QStringLiteral("shared")), 2);
    EXPECT_FALSE(b.objectForKey(QStringLiteral("from a")).isValid());

    // Changes reach the file from the event loop without an explicit sync.
    b.setIntegerForKey(4, QStringLiteral("later"));
    QCoreApplication::processEvents();
    ASSERT_TRUE(a.synchronize());
    EXPECT_EQ(a.integerForKey(QStringLiteral("from b")), 3);
    EXPECT_EQ(a.integerForKey(QStringLiteral("later")), 4);
    EXPECT_EQ(a.integerForKey(QStringLiteral("shared")), 2);
}

TEST(UserDefaults, TypedReadsConvertLikeThePlatform) {
    struct Case {
        const char* name;
        QVariant stored;
        qint64 integer;
        bool flag;
        double number;
    };
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"missing", QVariant(), 0, false, 0},
        {"text 12", QStringLiteral("12"), 12, true, 12},
        {"text with blanks and a tail", QStringLiteral("  -7 apples"), -7, true, -7},
        {"text YES", QStringLiteral("YES"), 0, true, 0},
        {"text yes", QStringLiteral("yes"), 0, true, 0},
        {"text true", QStringLiteral("True"), 0, true, 0},
        {"text NO", QStringLiteral("NO"), 0, false, 0},
        {"text 0", QStringLiteral("0"), 0, false, 0},
        {"text 1", QStringLiteral("1"), 1, true, 1},
        {"text +3", QStringLiteral("+3"), 3, true, 3},
        {"text abc", QStringLiteral("abc"), 0, false, 0},
        {"empty text", QStringLiteral(""), 0, false, 0},
        {"decimal text", QStringLiteral("1.5e3x"), 1, true, 1500},
        {"fraction text", QStringLiteral(".25"), 0, false, 0.25},
        {"huge integer text", QStringLiteral("99999999999999999999"), max, true, 1e20},
        {"huge negative text", QStringLiteral("-99999999999999999999"), min, true, -1e20},
        {"overflowing text", QStringLiteral("1e999"), 1, true, inf},
        {"underflowing text", QStringLiteral("1e-999"), 1, true, 0},
        {"bool true", true, 1, true, 1},
        {"bool false", false, 0, false, 0},
        {"int", 5, 5, true, 5},
        {"negative int", -5, -5, true, -5},
        {"double 3.7", 3.7, 3, true, 3.7},
        {"float -3.75", -3.75f, -3, true, -3.75},
        {"double 0.0", 0.0, 0, false, 0},
        {"double 1e30", 1e30, max, true, 1e30},
        {"largest unsigned", std::numeric_limits<qulonglong>::max(), max, true,
         18446744073709551615.0},
        {"data", QByteArray("12"), 0, false, 0},
        {"list", QVariantList{1}, 0, false, 0},
        {"dictionary", QVariantMap{{QStringLiteral("a"), 1}}, 0, false, 0},
        {"date", QDateTime(QDate(2005, 3, 1), QTime(0, 0), QTimeZone::utc()), 0, false, 0},
    };
    UserDefaults store(freshFolder() + QStringLiteral("/convert.plist"));
    for (const Case& c : cases) {
        const QString key = QString::fromLatin1(c.name);
        store.setObjectForKey(c.stored, key);
        EXPECT_EQ(store.integerForKey(key), c.integer) << c.name;
        EXPECT_EQ(store.boolForKey(key), c.flag) << c.name;
        EXPECT_EQ(store.doubleForKey(key), c.number) << c.name;
        EXPECT_EQ(store.floatForKey(key), float(c.number)) << c.name;
    }
}

TEST(UserDefaults, KindedReadsAnswerOnlyValuesOfTheirKind) {
    UserDefaults store(freshFolder() + QStringLiteral("/kinds.plist"));
    store.setIntegerForKey(5, QStringLiteral("number"));
    store.setObjectForKey(QStringLiteral("5"), QStringLiteral("text"));
    store.setObjectForKey(QString(), QStringLiteral("null text"));
    store.setObjectForKey(QByteArray("5"), QStringLiteral("data"));
    store.setObjectForKey(QStringList{QStringLiteral("a")}, QStringLiteral("strings"));
    store.setObjectForKey(QVariantHash{{QStringLiteral("k"), 1}}, QStringLiteral("hash"));

    EXPECT_TRUE(store.stringForKey(QStringLiteral("number")).isNull());
    EXPECT_TRUE(store.stringForKey(QStringLiteral("data")).isNull());
    EXPECT_TRUE(store.stringForKey(QStringLiteral("missing")).isNull());
    EXPECT_EQ(store.stringForKey(QStringLiteral("text")), QStringLiteral("5"));
    // A null text is stored as an empty one: present, so not "none".
    EXPECT_FALSE(store.stringForKey(QStringLiteral("null text")).isNull());
    EXPECT_TRUE(store.stringForKey(QStringLiteral("null text")).isEmpty());

    EXPECT_TRUE(store.dataForKey(QStringLiteral("text")).isNull());
    EXPECT_EQ(store.dataForKey(QStringLiteral("data")), QByteArray("5"));

    EXPECT_TRUE(store.arrayForKey(QStringLiteral("text")).isEmpty());
    EXPECT_TRUE(store.arrayForKey(QStringLiteral("hash")).isEmpty());
    EXPECT_EQ(describe(store.arrayForKey(QStringLiteral("strings"))),
              QStringLiteral("[QString:\"a\"]"));

    EXPECT_TRUE(store.dictionaryForKey(QStringLiteral("strings")).isEmpty());
    EXPECT_TRUE(store.dictionaryForKey(QStringLiteral("missing")).isEmpty());
    EXPECT_EQ(describe(store.dictionaryForKey(QStringLiteral("hash"))),
              QStringLiteral("{\"k\": qlonglong:1}"));

    // The typed setters keep integer, real and boolean apart.
    store.setBoolForKey(true, QStringLiteral("flag"));
    store.setFloatForKey(0.5f, QStringLiteral("float"));
    EXPECT_EQ(describe(store.objectForKey(QStringLiteral("number"))),
              QStringLiteral("qlonglong:5"));
    EXPECT_EQ(describe(store.objectForKey(QStringLiteral("flag"))), QStringLiteral("bool:true"));
    EXPECT_EQ(describe(store.objectForKey(QStringLiteral("float"))), QStringLiteral("double:0.5"));
}

TEST(UserDefaults, RefusesValuesTheFileCannotHold) {
    const QString path = freshFolder() + QStringLiteral("/refuse.plist");
    UserDefaults store(path);
    const QString key = QStringLiteral("k");
    store.setIntegerForKey(1, key);
    const struct {
        const char* name;
        QVariant value;
        QString key;
    } cases[] = {
        {"a point", QPoint(1, 2), key},
        {"a point in a list", QVariantList{1, QPoint(1, 2)}, key},
        {"no value in a dictionary", QVariantMap{{key, QVariant()}}, key},
        {"an invalid date", QDateTime(), key},
        {"a date after the year 9999", QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc()),
         key},
        {"a control character", QStringLiteral("a\x01"), key},
        {"a lone surrogate", QString(QChar(0xD800)), key},
        {"a control character in a nested key", QVariantMap{{QStringLiteral("\x02"), 1}}, key},
        {"a control character in the key", 1, QStringLiteral("\x03")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WarningLog log;
        EXPECT_FALSE(store.setObjectForKey(c.value, c.key));
        EXPECT_EQ(log.messages().size(), 1);
    }
    EXPECT_EQ(describe(store.objectForKey(key)), QStringLiteral("qlonglong:1"));
    EXPECT_FALSE(store.objectForKey(QStringLiteral("\x03")).isValid());
    // The file still writes.
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(UserDefaults(path).integerForKey(key), 1);

    // No value at all removes the key.
    EXPECT_TRUE(store.setObjectForKey(QVariant(), key));
    EXPECT_FALSE(store.objectForKey(key).isValid());
}

TEST(UserDefaults, RegisteredDefaultsAnswerMissingKeysButAreNeverWritten) {
    const QString path = freshFolder() + QStringLiteral("/registered.plist");
    UserDefaults store(path);
    store.setIntegerForKey(9, QStringLiteral("shadowed"));
    store.registerDefaults({{QStringLiteral("count"), 5},
                            {QStringLiteral("name"), QStringLiteral("YES")},
                            {QStringLiteral("shadowed"), 1},
                            {QStringLiteral("odd"), QPoint(1, 1)}});
    EXPECT_EQ(store.integerForKey(QStringLiteral("count")), 5);
    EXPECT_TRUE(store.boolForKey(QStringLiteral("name")));
    EXPECT_EQ(store.stringForKey(QStringLiteral("name")), QStringLiteral("YES"));
    EXPECT_EQ(store.integerForKey(QStringLiteral("shadowed")), 9);
    EXPECT_FALSE(store.objectForKey(QStringLiteral("odd")).isValid());

    store.removeObjectForKey(QStringLiteral("shadowed"));
    EXPECT_EQ(store.integerForKey(QStringLiteral("shadowed")), 1);
    store.registerDefaults({{QStringLiteral("count"), 6}});
    EXPECT_EQ(store.integerForKey(QStringLiteral("count")), 6);
    EXPECT_EQ(store.stringForKey(QStringLiteral("name")), QStringLiteral("YES"));
    ASSERT_TRUE(store.synchronize());

    UserDefaults other(path);
    for (const char* key : {"count", "name", "shadowed"})
        EXPECT_FALSE(other.objectForKey(QString::fromLatin1(key)).isValid()) << key;
}

TEST(UserDefaults, RemovingAKeyRemovesOnlyThatKey) {
    const QString path = freshFolder() + QStringLiteral("/remove.plist");
    {
        UserDefaults store(path);
        storeSamples(store);
        store.removeObjectForKey(QStringLiteral("slash"));
        store.removeObjectForKey(QStringLiteral(""));
        store.removeObjectForKey(QStringLiteral("never stored"));
        EXPECT_FALSE(store.objectForKey(QStringLiteral("slash")).isValid());
        EXPECT_FALSE(store.objectForKey(QStringLiteral("")).isValid());
        ASSERT_TRUE(store.synchronize());
    }
    UserDefaults reopened(path);
    EXPECT_FALSE(reopened.objectForKey(QStringLiteral("slash")).isValid());
    EXPECT_FALSE(reopened.objectForKey(QStringLiteral("")).isValid());
    EXPECT_EQ(reopened.integerForKey(QStringLiteral("slash/key")), 1);
    EXPECT_EQ(reopened.integerForKey(QStringLiteral("int32")), 7);
}

TEST(UserDefaults, ADamagedFileIsSetAsideOwnerOnlyAndNeverOverwritten) {
    QByteArray valid;
    {
        const QString path = freshFolder() + QStringLiteral("/Lumisk.plist");
        UserDefaults store(path);
        storeSamples(store);
        ASSERT_TRUE(store.synchronize());
        valid = readFile(path);
        ASSERT_GT(valid.size(), 100);
    }
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"not XML", QByteArray("not a defaults file at all")},
        {"binary", QByteArray("LmskDefs\0\0\0\1\0\0\0\0", 16)},
        {"truncated", valid.left(valid.size() / 2)},
        {"trailing element", valid + QByteArray("<plist/>")},
        {"an array, not a dictionary", head + "<array><integer>1</integer></array></plist>"},
        {"unknown element", head + "<dict><key>k</key><colour>red</colour></dict></plist>"},
        {"integer out of range", head + "<dict><key>k</key><integer>1e99</integer></dict></plist>"},
        {"key without value", head + "<dict><key>k</key></dict></plist>"},
        {"key twice", head + "<dict><key>k</key><true/><key>k</key><false/></dict></plist>"},
        {"empty plist", head + "</plist>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = freshFolder();
        const QString path = dir + QStringLiteral("/Lumisk.plist");
        writeFile(path, c.bytes);
        QFile::setPermissions(path, kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        WarningLog log;
        QString copy;
        {
            UserDefaults store(path);
            EXPECT_FALSE(store.objectForKey(QStringLiteral("int32")).isValid());
            EXPECT_FALSE(store.objectForKey(QStringLiteral("k")).isValid());
            copy = store.takeSetAsideFilePath();
            EXPECT_TRUE(store.takeSetAsideFilePath().isNull());
            store.setIntegerForKey(3, QStringLiteral("fresh"));
            EXPECT_TRUE(store.synchronize());
        }
        {
            UserDefaults again(path);
            EXPECT_TRUE(again.takeSetAsideFilePath().isNull());
            EXPECT_EQ(describe(again.objectForKey(QStringLiteral("fresh"))),
                      QStringLiteral("qlonglong:3"));
        }
        ASSERT_EQ(log.messages().size(), 1);
        EXPECT_TRUE(log.messages().first().contains(copy)) << qPrintable(log.messages().first());

        const QStringList copies = setAsideCopies(dir);
        ASSERT_EQ(copies.size(), 1);
        EXPECT_EQ(copy, dir + u'/' + copies.first());
        EXPECT_EQ(readFile(copy), c.bytes);
        EXPECT_EQ(mode(copy), kOwnerOnly);
        EXPECT_EQ(mode(path), kOwnerOnly);
    }
}

TEST(UserDefaults, AFileDamagedWhileTheStoreRunsIsSetAsideBeforeTheNextWrite) {
    const QString dir = freshFolder();
    const QString path = dir + QStringLiteral("/Lumisk.plist");
    UserDefaults store(path);
    store.setIntegerForKey(1, QStringLiteral("before"));
    ASSERT_TRUE(store.synchronize());
    writeFile(path, "<plist version=\"1.0\"><dict><key>half");
    store.setIntegerForKey(2, QStringLiteral("after"));
    {
        WarningLog log;
        ASSERT_TRUE(store.synchronize());
        EXPECT_EQ(log.messages().size(), 1);
    }
    const QStringList copies = setAsideCopies(dir);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readFile(dir + u'/' + copies.first()),
              QByteArray("<plist version=\"1.0\"><dict><key>half"));
    EXPECT_EQ(store.takeSetAsideFilePath(), dir + u'/' + copies.first());
    UserDefaults reread(path);
    EXPECT_EQ(reread.integerForKey(QStringLiteral("after")), 2);
    // What the damaged file held is not known, so it is not made up.
    EXPECT_FALSE(reread.objectForKey(QStringLiteral("before")).isValid());
}

TEST(UserDefaults, AnEmptyFileIsAnEmptyDomain) {
    const QString dir = freshFolder();
    const QString path = dir + QStringLiteral("/Lumisk.plist");
    writeFile(path, QByteArray());
    WarningLog log;
    UserDefaults store(path);
    EXPECT_TRUE(store.takeSetAsideFilePath().isNull());
    store.setIntegerForKey(1, QStringLiteral("k"));
    ASSERT_TRUE(store.synchronize());
    EXPECT_TRUE(setAsideCopies(dir).isEmpty());
    EXPECT_TRUE(log.messages().isEmpty());
    EXPECT_EQ(UserDefaults(path).integerForKey(QStringLiteral("k")), 1);
}

TEST(UserDefaults, SynchronizeReportsAFailedWriteAndLaterWritesThePendingChanges) {
    // A file where the folder belongs: the store cannot be written, even by root.
    const QString blocker = freshFolder() + QStringLiteral("/blocker");
    writeFile(blocker, QByteArray("in the way"));
    const QString path = blocker + QStringLiteral("/Lumisk.plist");
    WarningLog log;
    UserDefaults store(path);
    store.setIntegerForKey(11, QStringLiteral("pending"));
    EXPECT_FALSE(store.synchronize());
    EXPECT_FALSE(store.synchronize());
    EXPECT_EQ(store.integerForKey(QStringLiteral("pending")), 11);
    // Said once, not at every retry.
    EXPECT_EQ(log.messages().size(), 1);

    ASSERT_TRUE(QFile::remove(blocker));
    EXPECT_TRUE(store.synchronize());
    EXPECT_TRUE(store.synchronize());
    EXPECT_TRUE(QFile::exists(path));
    UserDefaults reopened(path);
    EXPECT_EQ(reopened.integerForKey(QStringLiteral("pending")), 11);
}

TEST(UserDefaults, AFileThatCannotBeReadIsLeftAlone) {
    // A folder where the file belongs: neither readable nor damaged.
    const QString path = freshFolder() + QStringLiteral("/Lumisk.plist");
    QDir().mkpath(path + QStringLiteral("/inside"));
    WarningLog log;
    UserDefaults store(path);
    store.setIntegerForKey(1, QStringLiteral("k"));
    EXPECT_FALSE(store.synchronize());
    EXPECT_TRUE(store.takeSetAsideFilePath().isNull());
    EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral("/inside")));
    EXPECT_EQ(store.integerForKey(QStringLiteral("k")), 1);
}

TEST(UserDefaults, ThreadsReadAndWriteConcurrently) {
    const QString path = freshFolder() + QStringLiteral("/threads.plist");
    UserDefaults store(path);
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::atomic<int> running = kThreads;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&store, &running, t] {
            for (int i = 0; i < kRounds; ++i) {
                const QString key = QStringLiteral("t%1-%2").arg(t).arg(i % 50);
                store.setIntegerForKey(i, key);
                store.integerForKey(QStringLiteral("t%1-%2").arg((t + 1) % kThreads).arg(i % 50));
                if (i % 100 == 0)
                    store.synchronize();
            }
            --running;
        });
    }
    // Meanwhile the store synchronizes itself from the main thread's event loop.
    while (running > 0)
        QCoreApplication::processEvents();
    for (std::thread& thread : threads)
        thread.join();
    ASSERT_TRUE(store.synchronize());
    UserDefaults reread(path);
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < 50; ++k)
            EXPECT_EQ(reread.integerForKey(QStringLiteral("t%1-%2").arg(t).arg(k)),
                      kRounds - 50 + k);
    }
}
