#include "platform/foundation/UserDefaults.h"
#include "UserDefaultsSamples.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <thread>
#include <vector>

using UserDefaultsSamples::describe;

namespace {

QString folder() {
    static QTemporaryDir dir;
    return dir.path();
}

void storeSamples(UserDefaults& store) {
    const QVariantMap samples = UserDefaultsSamples::values();
    for (auto it = samples.cbegin(); it != samples.cend(); ++it)
        ASSERT_TRUE(store.setObjectForKey(it.value(), it.key())) << qPrintable(it.key());
}

void expectSamples(const UserDefaults& store) {
    const QVariantMap samples = UserDefaultsSamples::values();
    for (auto it = samples.cbegin(); it != samples.cend(); ++it)
        EXPECT_EQ(describe(store.objectForKey(it.key())), describe(it.value()))
            << "key \"" << qPrintable(it.key()) << '"';
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

QProcess::ExitStatus runProbe(const char* mode, QByteArray* output = nullptr) {
    QProcess probe;
    probe.start(QStringLiteral(USERDEFAULTS_PROBE_PATH), {QString::fromLatin1(mode)});
    EXPECT_TRUE(probe.waitForFinished(60000)) << mode;
    EXPECT_EQ(probe.exitCode(), 0) << mode << probe.readAllStandardError().constData();
    if (output)
        *output = probe.readAllStandardOutput();
    return probe.exitStatus();
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

} // namespace

TEST(UserDefaults, EveryKindOfValueSurvivesIntoASecondStoreOverTheFile) {
    const QString path = folder() + QStringLiteral("/sub/Lumisk.defaults");
    {
        UserDefaults first(path);
        storeSamples(first);
        expectSamples(first);
    }
    EXPECT_TRUE(readFile(path).startsWith("LmskDefs"));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    EXPECT_EQ(QFile::permissions(path) & others, QFileDevice::Permissions());
    UserDefaults second(path);
    expectSamples(second);
}

TEST(UserDefaults, ASecondProcessReadsWhatTheSharedStoreSynchronized) {
    EXPECT_EQ(UserDefaults::standardFilePath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Lumisk/Lumisk.defaults"));
    UserDefaults& shared = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&shared, &UserDefaults::standardUserDefaults());
    storeSamples(shared);
    ASSERT_TRUE(shared.synchronize());

    QByteArray output;
    ASSERT_EQ(runProbe("dump", &output), QProcess::NormalExit);
    const QVariantMap samples = UserDefaultsSamples::values();
    const QStringList lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), samples.size());
    for (const QString& line : lines) {
        const qsizetype tab = line.indexOf(u'\t');
        const QString key = line.left(tab);
        EXPECT_EQ(line.mid(tab + 1), describe(samples.value(key))) << qPrintable(key);
    }
}

class UserDefaultsAtExit : public testing::TestWithParam<const char*> {};

TEST_P(UserDefaultsAtExit, WhatASecondProcessStoredIsOnDiskAfterItQuits) {
    ASSERT_EQ(runProbe(GetParam()), QProcess::NormalExit);
    UserDefaults store(UserDefaults::standardFilePath());
    expectSamples(store);
}

INSTANTIATE_TEST_SUITE_P(Modes, UserDefaultsAtExit, testing::Values("write", "write-without-app"));

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
        {"date", QDateTime(QDate(2005, 3, 1), QTime(0, 0), Qt::UTC), 0, false, 0},
    };
    UserDefaults store(folder() + QStringLiteral("/convert.defaults"));
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
    UserDefaults store(folder() + QStringLiteral("/kinds.defaults"));
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
              QStringLiteral("{\"k\": int:1}"));

    // The typed setters keep their kinds.
    store.setBoolForKey(true, QStringLiteral("flag"));
    store.setFloatForKey(0.5f, QStringLiteral("float"));
    EXPECT_EQ(describe(store.objectForKey(QStringLiteral("number"))),
              QStringLiteral("qlonglong:5"));
    EXPECT_EQ(describe(store.objectForKey(QStringLiteral("flag"))), QStringLiteral("bool:true"));
    EXPECT_EQ(describe(store.objectForKey(QStringLiteral("float"))), QStringLiteral("float:0.5"));
}

TEST(UserDefaults, RefusesValuesThatAreNotPropertyListValues) {
    UserDefaults store(folder() + QStringLiteral("/refuse.defaults"));
    const QString key = QStringLiteral("k");
    store.setIntegerForKey(1, key);
    WarningLog log;
    EXPECT_FALSE(store.setObjectForKey(QPoint(1, 2), key));
    EXPECT_FALSE(store.setObjectForKey(QVariantList{1, QPoint(1, 2)}, key));
    EXPECT_FALSE(store.setObjectForKey(QVariantMap{{key, QVariant()}}, key));
    EXPECT_FALSE(store.setObjectForKey(QDateTime(), key));
    EXPECT_EQ(describe(store.objectForKey(key)), QStringLiteral("qlonglong:1"));
    EXPECT_EQ(log.messages().size(), 4);

    // No value at all removes the key.
    EXPECT_TRUE(store.setObjectForKey(QVariant(), key));
    EXPECT_FALSE(store.objectForKey(key).isValid());
}

TEST(UserDefaults, RegisteredDefaultsAnswerMissingKeysButAreNeverWritten) {
    const QString path = folder() + QStringLiteral("/registered.defaults");
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
    const QString path = folder() + QStringLiteral("/remove.defaults");
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

TEST(UserDefaults, AnUnreadableFileIsSetAsideAndTheStoreStartsEmpty) {
    QByteArray valid;
    {
        const QString path = folder() + QStringLiteral("/valid.defaults");
        UserDefaults store(path);
        storeSamples(store);
        ASSERT_TRUE(store.synchronize());
        valid = readFile(path);
        ASSERT_GT(valid.size(), 100);
    }
    QByteArray newerVersion = valid;
    qToBigEndian<quint32>(2, newerVersion.data() + 8);
    QByteArray hugeCount = valid.left(12);
    hugeCount.append("\xff\xff\xff\xff", 4);
    // One key holding a list inside a list... far deeper than any real value.
    QByteArray deep = valid.left(12);
    deep.append(QByteArray("\0\0\0\1\0\0\0\1k", 9));
    for (int i = 0; i < 100000; ++i)
        deep.append(QByteArray("a\0\0\0\1", 5));
    QByteArray badText = valid.left(12);
    badText.append(QByteArray("\0\0\0\1\0\0\0\1ks\0\0\0\2\xc3\x28", 16));

    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"garbage", QByteArray("not a defaults file at all")},
        {"truncated", valid.left(valid.size() / 2)},
        {"trailing bytes", valid + QByteArray("x")},
        {"newer version", newerVersion},
        {"huge count", hugeCount},
        {"deep nesting", deep},
        {"invalid UTF-8", badText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = folder() + QStringLiteral("/damaged-") + QString::fromLatin1(c.name);
        const QString path = dir + QStringLiteral("/Lumisk.defaults");
        writeFile(path, c.bytes);
        WarningLog log;
        {
            UserDefaults store(path);
            EXPECT_FALSE(store.objectForKey(QStringLiteral("int32")).isValid());
            EXPECT_EQ(store.integerForKey(QStringLiteral("k")), 0);
        }
        {
            UserDefaults again(path);
            EXPECT_FALSE(again.objectForKey(QStringLiteral("int32")).isValid());
            again.setIntegerForKey(3, QStringLiteral("fresh"));
            EXPECT_TRUE(again.synchronize());
        }
        EXPECT_EQ(log.messages().size(), 1);

        const QStringList copies =
            QDir(dir).entryList({QStringLiteral("Lumisk.defaults.unreadable-*")}, QDir::Files);
        ASSERT_EQ(copies.size(), 1);
        EXPECT_EQ(readFile(dir + u'/' + copies.first()), c.bytes);

        UserDefaults repaired(path);
        EXPECT_EQ(describe(repaired.objectForKey(QStringLiteral("fresh"))),
                  QStringLiteral("qlonglong:3"));
    }
}

TEST(UserDefaults, SynchronizeReportsAFailedWriteAndLaterWritesThePendingChanges) {
    // A file where the folder belongs: the store cannot be written, even by root.
    const QString blocker = folder() + QStringLiteral("/blocker");
    writeFile(blocker, QByteArray("in the way"));
    const QString path = blocker + QStringLiteral("/Lumisk.defaults");
    UserDefaults store(path);
    store.setIntegerForKey(11, QStringLiteral("pending"));
    EXPECT_FALSE(store.synchronize());
    EXPECT_FALSE(store.synchronize());
    EXPECT_EQ(store.integerForKey(QStringLiteral("pending")), 11);

    ASSERT_TRUE(QFile::remove(blocker));
    EXPECT_TRUE(store.synchronize());
    EXPECT_TRUE(store.synchronize());
    EXPECT_TRUE(QFile::exists(path));
    UserDefaults reopened(path);
    EXPECT_EQ(reopened.integerForKey(QStringLiteral("pending")), 11);
}

TEST(UserDefaults, ThreadsReadAndWriteConcurrently) {
    const QString path = folder() + QStringLiteral("/threads.defaults");
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
    // Meanwhile the store flushes itself from the main thread's event loop.
    while (running > 0)
        QCoreApplication::processEvents();
    for (std::thread& thread : threads)
        thread.join();
    ASSERT_TRUE(store.synchronize());
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < 50; ++k)
            EXPECT_EQ(store.integerForKey(QStringLiteral("t%1-%2").arg(t).arg(k)),
                      kRounds - 50 + k);
    }
}
