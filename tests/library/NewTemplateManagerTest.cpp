#include "TemplateFiles.h"

#include "library/NewTemplateManager.h"
#include "library/TemplateInfoCache.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "support/FullFileSystem.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// The notices of the manager, in order, with their templates' document IDs.
class NoticeLog {
public:
    NoticeLog() {
        for (const char* name : {kTemplateAddedNotify, kTemplateChangedNotify,
                                 kTemplateRemovedNotify, kTemplateReplacedNotify})
            NotificationCenter::defaultCenter().addObserver(
                this, str(name), nullptr, [this, name](const Notification& notification) {
                    auto* handle =
                        static_cast<TemplateHandle*>(const_cast<void*>(notification.object()));
                    _entries.append(str(name).mid(4, str(name).indexOf(str("Nofity")) - 4) +
                                    QLatin1Char(' ') + (handle ? handle->documentID() : QString()));
                    EXPECT_TRUE(notification.userInfo().isEmpty());
                });
    }
    ~NoticeLog() { NotificationCenter::defaultCenter().removeObserver(this); }
    QStringList take() { return std::exchange(_entries, {}); }

private:
    QStringList _entries;
};

class NewTemplateManagerTest : public ::testing::Test {
protected:
    NewTemplateManagerTest() {
        _folder = NewTemplateManager::userTemplatesFolderPath();
        QDir().mkpath(_folder);
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kDefaultTemplateFileNameKey));
    }
    ~NewTemplateManagerTest() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kDefaultTemplateFileNameKey));
    }

    QString installed(const QString& relative) const { return QDir(_folder).filePath(relative); }
    QString outside(const char* name) const { return _outside.filePath(str(name)); }

    static QStringList ids(const QList<TemplateHandleRef>& handles) {
        QStringList result;
        for (const TemplateHandleRef& handle : handles)
            result.append(handle->documentID());
        return result;
    }

    TestHome _home;
    QString _folder;
    QTemporaryDir _outside;
};

TEST_F(NewTemplateManagerTest, FirstScanFindsTemplateFilesOnly) {
    ASSERT_TRUE(QDir().mkpath(installed(str("Cards/Nested"))));
    ASSERT_TRUE(writeBytes(installed(str("Cards/Nested/deep.vyxTemplate")),
                           identifiedTemplate(str("Deep"), str("deep"))));
    ASSERT_TRUE(
        writeBytes(installed(str("top.vyxTemplate")), identifiedTemplate(str("Top"), str("top"))));
    ASSERT_TRUE(writeVersion1(installed(str("old.vyxTemplate")), {{str("name"), str("Old")}}));
    ASSERT_TRUE(writeBytes(installed(str("case.VyxTemplate")),
                           identifiedTemplate(str("Case"), str("case"))));
    ASSERT_TRUE(
        writeBytes(installed(str("other.txt")), identifiedTemplate(str("Txt"), str("txt"))));
    ASSERT_TRUE(writeBytes(installed(str("garbage.vyxTemplate")), QByteArray("not a template")));
    // Links are not followed, to files or to folders.
    ASSERT_TRUE(
        writeBytes(outside("linked.vyxTemplate"), identifiedTemplate(str("L"), str("linked"))));
    ASSERT_TRUE(QFile::link(outside("linked.vyxTemplate"), installed(str("link.vyxTemplate"))));
    ASSERT_TRUE(QFile::link(_outside.path(), installed(str("linked folder"))));

    NoticeLog log;
    NewTemplateManager manager(_folder);
    EXPECT_EQ(log.take(), QStringList());
    QStringList found = ids(manager.templates());
    found.sort();
    EXPECT_EQ(found, (QStringList{str("deep"), str("old.vyxTemplate"), str("top")}));
    EXPECT_EQ(manager.templateWithName(str("DEEP"))->documentID(), str("deep"));
    EXPECT_EQ(manager.templateWithPath(installed(str("top.vyxTemplate")))->name(), str("Top"));
    EXPECT_FALSE(manager.templateWithID(str("Top")));
    EXPECT_FALSE(manager.scanForChanges());
}

TEST_F(NewTemplateManagerTest, RescansAnnounceAdditionsChangesAndRemovals) {
    const QString file = installed(str("t.vyxTemplate"));
    ASSERT_TRUE(writeBytes(file, identifiedTemplate(str("T"), str("t"))));
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC);
    ASSERT_TRUE(setModified(file, date));
    NewTemplateManager manager(_folder);
    NoticeLog log;

    ASSERT_TRUE(setModified(file, date.addSecs(5)));
    EXPECT_TRUE(manager.scanForChanges());
    EXPECT_EQ(log.take(), QStringList{str("TemplateChanged t")});
    EXPECT_FALSE(manager.scanForChanges());
    EXPECT_EQ(log.take(), QStringList());

    // Coming back to the application makes the manager look.
    ASSERT_TRUE(setModified(file, date.addSecs(7)));
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(log.take(), QStringList{str("TemplateChanged t")});
    // Leaving it does not.
    ASSERT_TRUE(setModified(file, date.addSecs(8)));
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(log.take(), QStringList());
    ASSERT_TRUE(
        writeBytes(installed(str("n.vyxTemplate")), identifiedTemplate(str("N"), str("n"))));
    // A saved template document makes the manager look.
    NotificationCenter::defaultCenter().postNotificationName(str(kTemplateDocumentSavedNotify));
    EXPECT_EQ(log.take(), (QStringList{str("TemplateAdded n"), str("TemplateChanged t")}));

    ASSERT_TRUE(writeBytes(file, QByteArray("garbage")));
    ASSERT_TRUE(setModified(file, date.addSecs(10)));
    EXPECT_TRUE(manager.scanForChanges());
    EXPECT_EQ(log.take(), QStringList{str("TemplateRemoved t")});
    EXPECT_EQ(ids(manager.templates()), QStringList{str("n")});

    ASSERT_TRUE(QFile::remove(installed(str("n.vyxTemplate"))));
    EXPECT_TRUE(manager.scanForChanges());
    EXPECT_EQ(log.take(), QStringList{str("TemplateRemoved n")});
    EXPECT_TRUE(manager.templates().isEmpty());
}

TEST_F(NewTemplateManagerTest, InstallKeepsANameClashUnderAUniqueName) {
    ASSERT_TRUE(
        writeBytes(installed(str("Card.vyxTemplate")), identifiedTemplate(str("A"), str("a"))));
    NewTemplateManager manager(_folder);
    NoticeLog log;
    ASSERT_TRUE(writeBytes(outside("Card.vyxTemplate"), identifiedTemplate(str("B"), str("b"))));
    EXPECT_TRUE(manager.installTemplateWithUIAtFile(outside("Card.vyxTemplate")));
    EXPECT_EQ(log.take(), QStringList{str("TemplateAdded b")});
    const QString copy =
        installed(str("Card") + localizedString(str("COPY_SUFFIX")) + str(".vyxTemplate"));
    EXPECT_EQ(manager.templateWithID(str("b"))->path(), copy);
    EXPECT_EQ(manager.templateWithID(str("a"))->path(), installed(str("Card.vyxTemplate")));
    // No file of the install is left behind.
    EXPECT_EQ(QDir(_folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
    // A file that is no template is not installed.
    ASSERT_TRUE(writeBytes(outside("junk.vyxTemplate"), QByteArray("junk")));
    EXPECT_FALSE(manager.installTemplateAtFile(outside("junk.vyxTemplate"), true));
    EXPECT_EQ(log.take(), QStringList());
}

TEST_F(NewTemplateManagerTest, ReplacingAsksFirst) {
    const QString old = installed(str("Card.vyxTemplate"));
    ASSERT_TRUE(writeBytes(old, identifiedTemplate(str("Card v2"), str("card"), 2)));
    ASSERT_TRUE(writeBytes(outside("New Card.vyxTemplate"),
                           identifiedTemplate(str("Card v3"), str("card"), 3)));
    NewTemplateManager manager(_folder);
    NoticeLog log;
    QList<ModalAlert::Request> asked;
    int answer = ModalAlert::DefaultReturn;
    ModalAlert::ScopedResponder responder([&](const ModalAlert::Request& request) {
        asked.append(request);
        return answer;
    });

    EXPECT_FALSE(manager.installTemplateWithUIAtFile(outside("New Card.vyxTemplate")));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, localizedString(str("DUP_TEMP")));
    EXPECT_TRUE(asked[0].message.contains(localizedString(str("REP_OLDER_TEMP"))));
    EXPECT_TRUE(asked[0].message.contains(str("Card v3")));
    EXPECT_EQ(asked[0].defaultButton, localizedString(str("NO")));
    EXPECT_EQ(asked[0].alternateButton, localizedString(str("YES")));
    EXPECT_EQ(log.take(), QStringList());
    EXPECT_EQ(manager.templateWithID(str("card"))->version(), 2);
    EXPECT_EQ(QDir(_folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{str("Card.vyxTemplate")});

    answer = ModalAlert::AlternateReturn;
    EXPECT_TRUE(manager.installTemplateWithUIAtFile(outside("New Card.vyxTemplate")));
    EXPECT_EQ(log.take(), QStringList{str("TemplateReplaced card")});
    ASSERT_EQ(manager.templates().size(), 1);
    EXPECT_EQ(manager.templateWithID(str("card"))->version(), 3);
    EXPECT_EQ(QDir(_folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{str("New Card.vyxTemplate")});

    // Version 2 over 3 is the newer one being replaced.
    ASSERT_TRUE(writeBytes(outside("Card.vyxTemplate"),
                           identifiedTemplate(str("Card v2"), str("card"), 2)));
    answer = ModalAlert::DefaultReturn;
    EXPECT_FALSE(manager.installTemplateWithUIAtFile(outside("Card.vyxTemplate")));
    EXPECT_TRUE(asked.last().message.contains(localizedString(str("REP_NEWER_TEMP"))));
}

TEST_F(NewTemplateManagerTest, ReinstallingTheInstalledFileKeepsIt) {
    const QString file = installed(str("Self.vyxTemplate"));
    ASSERT_TRUE(writeBytes(file, identifiedTemplate(str("Self"), str("self"), 1)));
    NewTemplateManager manager(_folder);
    NoticeLog log;
    EXPECT_TRUE(manager.installTemplateAtFile(file, true));
    EXPECT_EQ(log.take(), QStringList{str("TemplateReplaced self")});
    ASSERT_TRUE(TemplateHandle::templateHandleWithFile(file));
    EXPECT_EQ(TemplateHandle::templateHandleWithFile(file)->documentID(), str("self"));
    EXPECT_EQ(ids(manager.templates()), QStringList{str("self")});
    EXPECT_EQ(QDir(_folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{str("Self.vyxTemplate")});
}

TEST_F(NewTemplateManagerTest, AFailedCopyKeepsTheOldTemplate) {
    const QString old = installed(str("Big.vyxTemplate"));
    ASSERT_TRUE(writeBytes(old, identifiedTemplate(str("Big"), str("big"), 1)));
    // The new version is larger than the room left for writing.
    QList<HandRecord> records{
        {HeaderOffsetsRec::Name, kRecordName, str("Big")},
        {HeaderOffsetsRec::DocumentID, kRecordDocumentID, str("big")},
        {HeaderOffsetsRec::Description, kRecordDescription, QString(20000, QLatin1Char('x'))}};
    HandHeader header;
    header.changeVersion = 2;
    ASSERT_TRUE(writeBytes(outside("Big.vyxTemplate"), handMadeTemplate(records, header)));
    NewTemplateManager manager(_folder);
    NoticeLog log;
    QList<ModalAlert::Request> asked;
    ModalAlert::ScopedResponder responder([&](const ModalAlert::Request& request) {
        asked.append(request);
        return int(ModalAlert::DefaultReturn);
    });
    bool installedIt = true;
    {
        FullFileSystem full(FullFileSystem::Kind::SizeLimit, 4096);
        ASSERT_TRUE(full.ready());
        installedIt = manager.installTemplateAtFile(outside("Big.vyxTemplate"), true);
    }
    EXPECT_FALSE(installedIt);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, localizedString(str("FILE_OP_FAIL")));
    EXPECT_TRUE(asked[0].message.contains(outside("Big.vyxTemplate")));
    EXPECT_EQ(log.take(), QStringList());
    EXPECT_EQ(manager.templateWithID(str("big"))->version(), 1);
    EXPECT_EQ(TemplateHandle::templateHandleWithFile(old)->version(), 1);
    EXPECT_EQ(QDir(_folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{str("Big.vyxTemplate")});
}

TEST_F(NewTemplateManagerTest, DefaultTemplateFallsBack) {
    {
        NewTemplateManager empty(_folder);
        EXPECT_FALSE(empty.defaultTemplate());
    }
    ASSERT_TRUE(
        writeBytes(installed(str("1.vyxTemplate")), identifiedTemplate(str("One"), str("one"))));
    ASSERT_TRUE(
        writeBytes(installed(str("2.vyxTemplate")), identifiedTemplate(str("Two"), str("two"))));
    NewTemplateManager manager(_folder);
    EXPECT_EQ(manager.defaultTemplate()->documentID(), str("one"));
    manager.setDefaultTemplate(manager.templateWithID(str("two")));
    EXPECT_EQ(UserDefaults::standardUserDefaults()
                  .objectForKey(str(kDefaultTemplateFileNameKey))
                  .toString(),
              str("two"));
    EXPECT_EQ(manager.defaultTemplate()->documentID(), str("two"));

    // A stored template that is gone gives way to the shipped default.
    UserDefaults::standardUserDefaults().setObjectForKey(str("gone"),
                                                         str(kDefaultTemplateFileNameKey));
    ASSERT_TRUE(
        writeBytes(installed(str("3.vyxTemplate")),
                   identifiedTemplate(str("Shipped"), localizedString(str("DEFAULT_DOC_ID")))));
    manager.scanForChanges();
    EXPECT_EQ(manager.defaultTemplate()->name(), str("Shipped"));
    manager.setDefaultTemplate(nullptr);
    EXPECT_FALSE(UserDefaults::standardUserDefaults()
                     .objectForKey(str(kDefaultTemplateFileNameKey))
                     .isValid());
}

TEST_F(NewTemplateManagerTest, CategoriesDifferingInCase) {
    ASSERT_TRUE(writeBytes(installed(str("a.vyxTemplate")),
                           identifiedTemplate(str("b"), str("a"), 0, str("Cards"))));
    ASSERT_TRUE(writeBytes(installed(str("b.vyxTemplate")),
                           identifiedTemplate(str("A"), str("b"), 0, str("cards"))));
    ASSERT_TRUE(writeBytes(installed(str("c.vyxTemplate")),
                           identifiedTemplate(str("C"), str("c"), 0, str("Albums"))));
    NewTemplateManager manager(_folder);
    EXPECT_EQ(manager.templateCategories(),
              (QStringList{str("Albums"), str("Cards"), str("cards")}));
    EXPECT_EQ(ids(manager.templatesInCategory(str("CARDS"))), (QStringList{str("b"), str("a")}));
    EXPECT_EQ(ids(manager.templatesInCategory(str("cards"))), (QStringList{str("b"), str("a")}));
    EXPECT_EQ(ids(manager.templates()), (QStringList{str("b"), str("a"), str("c")}));
}

TEST_F(NewTemplateManagerTest, RemovalRewritesTheInfoCacheAtOnce) {
    TemplateInfoCache& cache = TemplateInfoCache::sharedTemplateInfoCache();
    const QString file = installed(str("old.vyxTemplate"));
    ASSERT_TRUE(writeVersion1(file, {{str("name"), str("Old")}}));
    NewTemplateManager manager(_folder);
    const TemplateHandleRef handle = manager.templateWithPath(file);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->name(), str("Old"));
    ASSERT_TRUE(cache.synchronize());
    ASSERT_TRUE(PropertyList::readFromFile(cache.cacheFilePath()).toMap().contains(file));

    NoticeLog log;
    manager.removeTemplate(handle);
    EXPECT_EQ(log.take(), QStringList{str("TemplateRemoved old.vyxTemplate")});
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(manager.templates().isEmpty());
    EXPECT_FALSE(PropertyList::readFromFile(cache.cacheFilePath()).toMap().contains(file));
    // Removing it again changes nothing.
    manager.removeTemplate(handle);
    EXPECT_EQ(log.take(), QStringList());
}

} // namespace
