#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

// Runs the helper as a process of its own over the given home folder.
int runHelper(const QString& home, const QString& mode, QString* errors) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(SETTINGS_PROCESS_HELPER), {mode});
    if (!process.waitForFinished(60000))
        return -1;
    *errors = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(SettingsPersistence, ASecondProcessSeesWhatTheFirstStored) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QString errors;
    ASSERT_EQ(runHelper(home.path(), QStringLiteral("write"), &errors), 0) << errors.toStdString();
    EXPECT_EQ(runHelper(home.path(), QStringLiteral("read"), &errors), 0) << errors.toStdString();

    // One property list a person can read, readable by its owner alone; the
    // password in it is scrambled.
    QFile file(home.path() + QStringLiteral("/.config/Lumisk/Lumisk.plist"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());
    const QByteArray xml = file.readAll();
    QXmlStreamReader reader(xml);
    QStringList strings;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("string"))
            strings << reader.readElementText();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_TRUE(strings.contains(QStringLiteral("alice")));
    EXPECT_TRUE(strings.contains(QStringLiteral("{800, 640}")));
    EXPECT_FALSE(xml.contains("open sesame"));

    // And a process over another home sees none of it.
    QTemporaryDir otherHome;
    ASSERT_TRUE(otherHome.isValid());
    EXPECT_NE(runHelper(otherHome.path(), QStringLiteral("read"), &errors), 0);
}
