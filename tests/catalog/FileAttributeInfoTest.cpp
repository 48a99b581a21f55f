// File attribute records read from real files in a temporary folder.
#include "catalog/FileAttributeInfo.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/FileDisplay.h"
#include "support/TestHome.h"
#include "support/TestHost.h"
#include "utilities/FinderComment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTimeZone>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

// Counts the refresh notices of one record.
class RefreshNotices {
public:
    explicit RefreshNotices(const void* record) {
        NotificationCenter::defaultCenter().addObserver(
            this, QString::fromLatin1(kFileAttrNeedsRefreshNotification), record,
            [this](const Notification&) { ++count; });
    }
    ~RefreshNotices() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
};

// Sets or clears the immutable attribute; false where the file system or the
// process's rights don't allow it.
bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

class FileAttributeInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        InitFileAttributeGlobals();
    }

    QString file(const QString& name, qsizetype size) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
        return path;
    }

    TestHome home;
    TestHost host;
    QTemporaryDir dir;
};

TEST_F(FileAttributeInfoTest, ADotNamedLinkAnswersForItself) {
    const QString target = file(QStringLiteral("target.jpg"), 300);
    const QString link = dir.filePath(QStringLiteral(".shortcut"));
    ASSERT_TRUE(QFile::link(target, link));
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(link);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->fileIsSymLink());
    EXPECT_TRUE(info->fileIsAlias());
    EXPECT_EQ(info->fileFinderFlags() & 0xC000u, 0xC000u);
    EXPECT_EQ(info->fileType(), QLatin1String(kFileTypeSymbolicLink));
    EXPECT_FALSE(info->fileIsDirectory());
    EXPECT_EQ(info->fileSize(), 0u);
    EXPECT_EQ(info->fileFullName(), QStringLiteral(".shortcut"));
    EXPECT_EQ(info->fileDisplayName(), QStringLiteral(".shortcut"));
    EXPECT_EQ(info->fileKind(), text("ALIAS_DESC"));
    EXPECT_TRUE(info->fileModificationDate().isValid());

    RefreshNotices notices(static_cast<const void*>(info.get()));
    EXPECT_EQ(info->fileFullPath(), text("ERROR_UNRESOLVED"));
    EXPECT_NE(text("ERROR_UNRESOLVED"), QStringLiteral("ERROR_UNRESOLVED"));
    EXPECT_EQ(notices.count, 1);
}

TEST_F(FileAttributeInfoTest, APlainFolder) {
    const QString folder = dir.filePath(QStringLiteral("Photos"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inner")));
    file(QStringLiteral("Photos/a.jpg"), 100);
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(folder);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->fileIsDirectory());
    EXPECT_FALSE(info->fileIsPackage());
    EXPECT_FALSE(info->fileIsSymLink());
    EXPECT_FALSE(info->fileIsAlias());
    EXPECT_EQ(info->fileSize(), 0u);
    EXPECT_FALSE(info->fileIsHardLinked());
    EXPECT_EQ(info->fileType(), QLatin1String(kFileTypeDirectory));
    EXPECT_EQ(info->fileFullPath(), QFileInfo(folder).canonicalFilePath());
    EXPECT_EQ(info->fileKind(),
              QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment());
    EXPECT_FALSE(info->fileKind().isEmpty());
    EXPECT_EQ(info->fileFinderFlags(), 0u);
}

TEST_F(FileAttributeInfoTest, APackageIsSummedOnce) {
    const QString package = dir.filePath(QStringLiteral("Tool.bundle"));
    ASSERT_TRUE(QDir().mkpath(package + QStringLiteral("/Contents/Resources")));
    file(QStringLiteral("Tool.bundle/Contents/Info"), 100);
    file(QStringLiteral("Tool.bundle/Contents/Resources/a.png"), 50);
    file(QStringLiteral("Tool.bundle/.hidden"), 25);
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(package);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->fileIsPackage());
    EXPECT_FALSE(info->fileIsDirectory());
    EXPECT_EQ(info->fileSize(), 175u);
    file(QStringLiteral("Tool.bundle/Contents/later"), 1000);
    EXPECT_EQ(info->fileSize(), 175u);
    // A new record sums again.
    EXPECT_EQ(LocalFileAttributeInfo::fileAttributesInfoWithPath(package)->fileSize(), 1175u);
    for (const char* name : {"Pane.preferencePane", "Program.app"}) {
        const QString path = dir.filePath(QLatin1String(name));
        ASSERT_TRUE(QDir().mkpath(path));
        EXPECT_TRUE(LocalFileAttributeInfo::fileAttributesInfoWithPath(path)->fileIsPackage())
            << name;
    }
    // A file with a package's extension is just a file.
    EXPECT_FALSE(
        LocalFileAttributeInfo::fileAttributesInfoWithPath(file(QStringLiteral("x.app"), 3))
            ->fileIsPackage());
}

TEST_F(FileAttributeInfoTest, CatalogDatesAreClampedToTheirRange) {
    const struct {
        QDateTime date;
        uint32_t seconds;
    } cases[] = {
        {utc(1903, 12, 31, 23, 59, 59), 0},
        {utc(1850, 1, 1), 0},
        {utc(1904, 1, 1), 0},
        {utc(1904, 1, 1, 0, 0, 1), 1},
        {utc(2001, 1, 1), 3061152000u},
        {utc(2040, 2, 6, 6, 28, 14), 4294967294u},
        {utc(2040, 2, 6, 6, 28, 15), 4294967295u},
        {utc(2040, 2, 6, 6, 28, 16), 4294967295u},
        {utc(2200, 1, 1), 4294967295u},
        {utc(2001, 1, 1).addMSecs(1500), 3061152001u},
        {QDateTime(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.date.toString(Qt::ISODate)));
        UTCDateTime date{7, 7, 7};
        UTCDateTimeFromDate(c.date, &date);
        EXPECT_EQ(date.lowSeconds, c.seconds);
        EXPECT_EQ(date.highSeconds, 0);
        EXPECT_EQ(date.fraction, 0);
    }
    EXPECT_EQ(DateFromUTCDateTime(UTCDateTime{0, 3061152000u, 0}), utc(2001, 1, 1));
    EXPECT_EQ(DateFromUTCDateTime(UTCDateTime{9, 0, 9}), utc(1904, 1, 1));
    EXPECT_EQ(DateFromUTCDateTime(UTCDateTime{0, 4294967295u, 0}), utc(2040, 2, 6, 6, 28, 15));
    EXPECT_TRUE(UTCDateTimeIsZero(UTCDateTime{0, 0, 5}));
    EXPECT_FALSE(UTCDateTimeIsZero(UTCDateTime{1, 0, 0}));
    EXPECT_FALSE(UTCDateTimeIsZero(UTCDateTime{0, 1, 0}));
}

TEST_F(FileAttributeInfoTest, DatesOfARecord) {
    const QString path = file(QStringLiteral("d.jpg"), 10);
    const QDateTime modified = utc(2006, 7, 14, 10, 20, 30);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->fileModificationDate(), modified);
    // The birth time where the file system keeps one.
    const QDateTime born = QFileInfo(path).birthTime();
    if (born.isValid()) {
        EXPECT_EQ(info->fileCreationDate().toSecsSinceEpoch(), born.toSecsSinceEpoch());
    } else {
        EXPECT_FALSE(info->fileCreationDate().isValid());
    }

    info->setFileCreationDate(QDateTime());
    EXPECT_FALSE(info->fileCreationDate().isValid());
    info->setFileCreationDate(utc(1999, 1, 2));
    EXPECT_EQ(info->fileCreationDate(), utc(1999, 1, 2));
    // The catalog date replaces the POSIX time once set.
    info->setFileModificationDate(utc(1800, 1, 1));
    EXPECT_FALSE(info->fileModificationDate().isValid());
    info->setFileModificationDate(utc(2003, 3, 3, 3, 3, 3));
    EXPECT_EQ(info->fileModificationDate(), utc(2003, 3, 3, 3, 3, 3));
}

TEST_F(FileAttributeInfoTest, BusyTypeCodes) {
    const QString path = file(QStringLiteral("b.jpg"), 10);
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    ASSERT_TRUE(info);
    const struct {
        uint32_t code;
        bool busy;
    } cases[] = {{0, false},         {0x6273791F, false}, {0x62737920, true}, {0x62737921, true},
                 {0x6273793F, true}, {0x62737940, false}, {0x4A504547, false}};
    for (const auto& c : cases) {
        info->setFileHFSType(c.code);
        EXPECT_EQ(info->fileIsBusy(), c.busy) << std::hex << c.code;
    }
    info->setFileHFSType(0x62737920);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(info->fileIsBusy());
}

TEST_F(FileAttributeInfoTest, AnArchivedRecordReadsBack) {
    const QString path = file(QStringLiteral("Archive Me.jpg"), 1234);
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->fileDisplayName(), QStringLiteral("Archive Me.jpg"));
    info->setFileHFSType(0x4A504547);
    info->setFileHFSCreator(0x4C4D534B);
    info->setErrorString(QStringLiteral("earlier"));

    const QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(info));
    ASSERT_FALSE(data.isNull());
    QString error;
    const auto back = Unarchiver::unarchiveObjectOfClass<LocalFileAttributeInfo>(data, &error);
    ASSERT_TRUE(back) << qPrintable(error);
    EXPECT_EQ(back->fileFullName(), QStringLiteral("Archive Me.jpg"));
    EXPECT_EQ(back->fileDisplayName(), QStringLiteral("Archive Me.jpg"));
    EXPECT_EQ(back->fileFullPath(), info->fileFullPath());
    EXPECT_EQ(back->fileSize(), 1234u);
    EXPECT_EQ(back->fileHFSType(), 0x4A504547u);
    EXPECT_EQ(back->fileHFSCreator(), 0x4C4D534Bu);
    EXPECT_EQ(back->fileINode(), info->fileINode());
    EXPECT_EQ(back->fileModificationDate(), info->fileModificationDate());
    EXPECT_EQ(back->fileCreationDate(), info->fileCreationDate());
    EXPECT_EQ(back->filePosixPermissions(), info->filePosixPermissions());
    EXPECT_EQ(back->fileSpec().name, info->fileSpec().name);
    EXPECT_EQ(back->fileSpec().parentID, info->fileSpec().parentID);
    EXPECT_EQ(back->errorString(), QStringLiteral("earlier"));
    EXPECT_EQ(std::memcmp(back->catalogInfo().finderInfo, info->catalogInfo().finderInfo, 16), 0);
    // The file type is not kept: it is asked again.
    EXPECT_EQ(back->fileType(), QLatin1String(kFileTypeRegular));

    // Nil names and error stay nil.
    const auto empty = std::make_shared<LocalFileAttributeInfo>();
    const auto emptyBack = Unarchiver::unarchiveObjectOfClass<LocalFileAttributeInfo>(
        Archiver::archivedData(std::static_pointer_cast<Archivable>(empty)));
    ASSERT_TRUE(emptyBack);
    // Names read back as "" would be answered as they are; nil ones are looked up.
    EXPECT_EQ(emptyBack->fileFullName(), text("ERROR_UNRESOLVED"));
    EXPECT_EQ(emptyBack->fileDisplayName(), text("ERROR_UNRESOLVED"));
    EXPECT_EQ(emptyBack->fileSize(), 0u);
    EXPECT_EQ(emptyBack->errorString(), QStringLiteral(""));

    // A link record loses its link flag.
    const QString link = dir.filePath(QStringLiteral("l"));
    ASSERT_TRUE(QFile::link(path, link));
    const auto linkBack = Unarchiver::unarchiveObjectOfClass<LocalFileAttributeInfo>(
        Archiver::archivedData(std::static_pointer_cast<Archivable>(
            LocalFileAttributeInfo::fileAttributesInfoWithPath(link))));
    ASSERT_TRUE(linkBack);
    EXPECT_FALSE(linkBack->fileIsSymLink());
    EXPECT_TRUE(linkBack->fileIsAlias());
}

TEST_F(FileAttributeInfoTest, ADamagedArchiveGivesNoRecord) {
    const auto info =
        LocalFileAttributeInfo::fileAttributesInfoWithPath(file(QStringLiteral("x.jpg"), 5));
    const QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(info));
    ASSERT_FALSE(data.isNull());
    // Any one byte changed either leaves a sound record or gives none; never a crash.
    for (qsizetype i = 0; i < data.size(); ++i) {
        QByteArray damaged = data;
        damaged[i] = char(damaged[i] ^ 0x5A);
        Unarchiver::unarchiveObjectOfClass<LocalFileAttributeInfo>(damaged);
    }
    EXPECT_FALSE(
        Unarchiver::unarchiveObjectOfClass<LocalFileAttributeInfo>(data.left(data.size() - 3)));
}

TEST_F(FileAttributeInfoTest, AMissingPathGivesNoRecord) {
    const QString missing = dir.filePath(QStringLiteral("gone.jpg"));
    EXPECT_FALSE(LocalFileAttributeInfo::fileAttributesInfoWithPath(missing));
    EXPECT_FALSE(FileAttributeInfo::fileAttributesInfoWithPath(file(QStringLiteral("y"), 1)));
    LocalFileAttributeInfo info;
    EXPECT_FALSE(info.getFileInfoAtPath(missing));
    EXPECT_TRUE(info.errorString().contains(missing)) << qPrintable(info.errorString());
    EXPECT_FALSE(info.fileIsDirectory());
    EXPECT_EQ(info.fileSize(), 0u);
    EXPECT_FALSE(info.fileCreationDate().isValid());
}

TEST_F(FileAttributeInfoTest, CommentKindAndNames) {
    const QString path = file(QStringLiteral("Photo One.jpg"), 20);
    const auto plain = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    EXPECT_EQ(plain->finderComment(), QStringLiteral(""));
    EXPECT_FALSE(plain->finderComment().isNull());
    ASSERT_TRUE(UTSetFinderCommentInFile(path, QStringLiteral("by the sea")));
    EXPECT_EQ(plain->finderComment(), QStringLiteral("by the sea"));

    // Kind by name and content: a JPEG without its extension is still one.
    QFile jpeg(dir.filePath(QStringLiteral("noext")));
    ASSERT_TRUE(jpeg.open(QIODevice::WriteOnly));
    jpeg.write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + QByteArray(64, '\0'));
    jpeg.close();
    const QString jpegKind =
        QMimeDatabase().mimeTypeForName(QStringLiteral("image/jpeg")).comment();
    EXPECT_EQ(plain->fileKind(), jpegKind);
    EXPECT_EQ(LocalFileAttributeInfo::fileAttributesInfoWithPath(jpeg.fileName())->fileKind(),
              jpegKind);
    EXPECT_EQ(plain->fileDisplayName(), QStringLiteral("Photo One.jpg"));
    EXPECT_EQ(plain->fileFullName(), QStringLiteral("Photo One.jpg"));

    struct statfs volume;
    ASSERT_EQ(::statfs(QFile::encodeName(path).constData(), &volume), 0);
    EXPECT_EQ(plain->fileSystemKind(), int32_t(volume.f_type));
    const QString dot = file(QStringLiteral(".hidden.jpg"), 1);
    EXPECT_EQ(LocalFileAttributeInfo::fileAttributesInfoWithPath(dot)->fileFinderFlags(), 0x4000u);

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(plain->fileKind(), text("UNKNOWN"));
    EXPECT_EQ(plain->fileSystemKind(), -1);
    EXPECT_EQ(plain->fileFullName(), QStringLiteral("Photo One.jpg"));
}

TEST_F(FileAttributeInfoTest, HardLinksAndCopies) {
    const QString path = file(QStringLiteral("h.jpg"), 7);
    EXPECT_FALSE(LocalFileAttributeInfo::fileAttributesInfoWithPath(path)->fileIsHardLinked());
    ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                     QFile::encodeName(dir.filePath(QStringLiteral("h2.jpg"))).constData()),
              0);
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    EXPECT_TRUE(info->fileIsHardLinked());
    struct stat status;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(info->fileINode(), uint64_t(status.st_ino));

    info->setErrorString(QStringLiteral("e"));
    const auto copy = info->copy();
    info->setErrorString(QStringLiteral("f"));
    EXPECT_EQ(copy->errorString(), QStringLiteral("e"));
    EXPECT_EQ(copy->fileFullName(), QStringLiteral("h.jpg"));
    EXPECT_EQ(copy->fileINode(), info->fileINode());
}

TEST_F(FileAttributeInfoTest, WritingModeAndTimesBack) {
    const QString path = file(QStringLiteral("w.jpg"), 7);
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    ASSERT_TRUE(info);
    info->setFilePosixPermissions(S_IFREG | 0640);
    EXPECT_EQ(QFileInfo(path).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ReadUser | QFile::WriteUser |
                                                          QFile::ReadGroup);
    info->setFileModificationDate(utc(2004, 5, 6, 7, 8, 9));
    ASSERT_TRUE(info->setFileInfoAtPath(path)) << qPrintable(info->errorString());
    EXPECT_EQ(QFileInfo(path).lastModified().toUTC(), utc(2004, 5, 6, 7, 8, 9));

    EXPECT_FALSE(info->setFinderInfoAtPath(path));
    EXPECT_EQ(info->errorString(),
              stringWithFormat(text("ERROR_MODIFY_FILE_ATTS"), QStringLiteral("%@"), path));
    EXPECT_FALSE(info->setFileInfoAtPath(dir.filePath(QStringLiteral("none"))));
    EXPECT_TRUE(info->errorString().contains(QStringLiteral("none")));
}

TEST_F(FileAttributeInfoTest, RefusedChangesLeaveTheModeAlone) {
    const QString path = file(QStringLiteral("locked.jpg"), 7);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    if (!setImmutable(path, true))
        GTEST_SKIP() << "the immutable attribute can't be set here";
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->fileIsLocked());
    info->setFilePosixPermissions(S_IFREG | 0644);
    const bool written = info->setFileInfoAtPath(path);
    const QString error = info->errorString();
    struct stat status;
    const int statResult = ::stat(QFile::encodeName(path).constData(), &status);
    setImmutable(path, false);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, stringWithFormat(text("ERROR_MODIFY_FILE_ATTS"), QStringLiteral("%@"), path));
    ASSERT_EQ(statResult, 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

TEST_F(FileAttributeInfoTest, TheBaseRecordAnswersNothing) {
    FileAttributeInfo base;
    EXPECT_FALSE(base.getFileInfoAtPath(dir.path()));
    EXPECT_EQ(base.fileSize(), 0u);
    EXPECT_TRUE(base.fileFullPath().isNull());
    EXPECT_EQ(base.errorString(), QStringLiteral(""));
    base.setErrorString(QStringLiteral("x"));
    EXPECT_EQ(base.errorString(), QStringLiteral("x"));
    base.clearError();
    EXPECT_EQ(base.errorString(), QStringLiteral(""));
    int owner = 0;
    base.setSynthesizer(&owner);
    EXPECT_EQ(base.synthesizer(), &owner);
}

} // namespace

TEST_F(FileAttributeInfoTest, TheTypeCodeComesFromTheContentAndARenamedFileIsFollowed) {
    // JPEG bytes under a name that says nothing of them.
    const QString path = dir.filePath(QStringLiteral("no extension"));
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(path, "JPEG"));
    const QString text = file(QStringLiteral("notes.jpg"), 10);
    const auto info = LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->fileHFSType(), 0x4A504547u); // 'JPEG'
    EXPECT_EQ(info->fileHFSCreator(), 0u);
    EXPECT_EQ(LocalFileAttributeInfo::fileAttributesInfoWithPath(text)->fileHFSType(), 0u);

    const QByteArray archived = Archiver::archivedData(std::static_pointer_cast<Archivable>(info));
    const QString renamed = dir.filePath(QStringLiteral("renamed"));
    ASSERT_TRUE(QFile::rename(path, renamed));
    EXPECT_EQ(info->fileFullPath(), renamed);
    const auto back = Unarchiver::unarchiveObjectOfClass<LocalFileAttributeInfo>(archived);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->fileFullPath(), renamed);
}
