#pragma once

#include "platform/archiving/Archivable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>

// File attribute records: what the file system says about one file, read once
// from a path and answered from memory afterwards.
//
// Every call into the file system (reads, writes, sizes, names, kinds) holds
// the process-wide recursive file-attribute lock; recursive because summing a
// package's size makes a record per file inside it while holding the lock.
// Plain field getters and setters take no lock: one record belongs to one
// thread at a time.
//
// Dates are kept as catalog dates: seconds since 1904-01-01 00:00 GMT, so that
// a record says the same whatever zone it is read in. A zero date means none.

// Seconds from the catalog epoch (1904) to the reference date 2001-01-01 GMT.
inline constexpr int64_t kCatalogDateToReferenceDate = 3061152000;

struct UTCDateTime {
    uint16_t highSeconds = 0;
    uint32_t lowSeconds = 0;
    uint16_t fraction = 0;
};

// The owner, group and POSIX mode (type bits included) of a file.
struct FilePermissions {
    uint32_t userID = 0;
    uint32_t groupID = 0;
    uint32_t mode = 0;
};

// Node flags of the catalog record.
inline constexpr uint16_t kNodeLockedMask = 0x01;
inline constexpr uint16_t kNodeBusyMask = 0x40;
inline constexpr uint16_t kNodeOpenMask = 0x80;
inline constexpr uint16_t kNodeIsDirectoryMask = 0x10;

// Finder flags.
inline constexpr uint16_t kFinderIsAliasFlag = 0x8000;
inline constexpr uint16_t kFinderIsInvisibleFlag = 0x4000;

// The catalog record of a file: node flags, volume, dates, permissions, the
// Finder's bytes and the sizes of both forks (files here have no resource
// fork, so its sizes are kept only for sums).
struct FileCatalogInfo {
    uint16_t nodeFlags = 0;
    uint64_t volume = 0; // the device number
    UTCDateTime createDate;
    UTCDateTime contentModDate;
    UTCDateTime attributeModDate;
    UTCDateTime accessDate;
    UTCDateTime backupDate;
    FilePermissions permissions;
    uint8_t finderInfo[16] = {};
    uint64_t dataLogicalSize = 0;
    uint64_t dataPhysicalSize = 0;
    uint64_t rsrcLogicalSize = 0;
    uint64_t rsrcPhysicalSize = 0;
};

// Where a file lies by folder: its volume, the identity of its folder and its name.
struct FileSpec {
    uint64_t volume = 0;
    uint64_t parentID = 0;
    QString name;
};

// The file a record was read from, as FileReference bytes: a renamed or moved
// file is found again through them.
struct FileRef {
    QByteArray reference;
};

// The Finder information: type and creator codes, flags, icon position, folder.
struct FileFinderInfo {
    uint32_t fileType = 0;
    uint32_t fileCreator = 0;
    uint16_t finderFlags = 0;
    int16_t locationV = 0;
    int16_t locationH = 0;
    uint16_t folder = 0;
};

// The POSIX modification time.
struct FileTimespec {
    int64_t seconds = 0;
    int32_t nanoseconds = 0;
};

// File type texts, as `fileType` answers them.
inline constexpr char kFileTypeRegular[] = "NSFileTypeRegular";
inline constexpr char kFileTypeDirectory[] = "NSFileTypeDirectory";
inline constexpr char kFileTypeSymbolicLink[] = "NSFileTypeSymbolicLink";
inline constexpr char kFileTypeUnknown[] = "NSFileTypeUnknown";

inline constexpr char kFileAttrNeedsRefreshNotification[] = "FileAttrNeedsRefreshNotification";

// The abstract record: every operation of a record answers 0, NO or nil here
// and its setters do nothing; only the error text and the synthesizer live here.
class FileAttributeInfo : public Archivable {
public:
    FileAttributeInfo() = default;
    ~FileAttributeInfo() override;

    // A base record has nothing to read.
    static std::shared_ptr<FileAttributeInfo> fileAttributesInfoWithPath(const QString& path);

    virtual std::shared_ptr<FileAttributeInfo> copy() const;

    virtual bool getFileInfoAtPath(const QString& path);
    virtual bool setFileInfoAtPath(const QString& path);
    virtual bool setFinderInfoAtPath(const QString& path);
    virtual bool fileIsBusy();

    virtual uint32_t fileFinderFlags() const;
    virtual void setFileFinderFlags(uint32_t flags);
    virtual uint32_t fileHFSType() const;
    virtual void setFileHFSType(uint32_t code);
    virtual uint32_t fileHFSCreator() const;
    virtual void setFileHFSCreator(uint32_t code);
    virtual bool fileIsDirectory() const;
    virtual void setFileIsDirectory(bool flag);
    virtual bool fileIsPackage() const;
    virtual void setFileIsPackage(bool flag);
    virtual bool fileIsAlias() const;
    virtual void setFileIsAlias(bool flag);
    virtual bool fileIsSymLink() const;
    virtual void setFileIsSymLink(bool flag);
    virtual bool fileIsLocked() const;
    virtual void setFileIsLocked(bool flag);
    virtual QDateTime fileCreationDate();
    virtual void setFileCreationDate(const QDateTime& date);
    virtual QDateTime fileModificationDate();
    virtual void setFileModificationDate(const QDateTime& date);
    virtual bool fileIsHardLinked() const;
    virtual uint64_t fileINode() const;
    virtual uint64_t fileSize();
    virtual QString fileType();
    virtual uint32_t filePosixPermissions() const;
    virtual void setFilePosixPermissions(uint32_t mode);
    virtual QString fileFullPath();
    virtual QString fileFullName();
    virtual QString fileDisplayName();
    virtual QString fileKind();
    virtual int32_t fileSystemKind();
    virtual FileSpec fileSpec() const;
    virtual FileRef fileRef() const;
    virtual QString finderComment();

    // The text of the last failure; the empty text when there was none.
    void setErrorString(const QString& text);
    QString errorString() const;
    void clearError();

    // Kept for whoever made the record; not owned and not used here.
    void setSynthesizer(void* synthesizer) { _synthesizer = synthesizer; }
    void* synthesizer() const { return _synthesizer; }

    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;

protected:
    FileAttributeInfo(const FileAttributeInfo&) = default;
    FileAttributeInfo& operator=(const FileAttributeInfo&) = default;

private:
    void* _synthesizer = nullptr;
    QString _errString;
};

// The record of a local file.
class LocalFileAttributeInfo : public FileAttributeInfo {
public:
    LocalFileAttributeInfo() = default;

    // A record read from the path, or null when it can't be read.
    static std::shared_ptr<LocalFileAttributeInfo> fileAttributesInfoWithPath(const QString& path);

    std::shared_ptr<FileAttributeInfo> copy() const override;

    bool getFileInfoAtPath(const QString& path) override;
    // Writes mode, access and modification times, owner and group.
    bool setFileInfoAtPath(const QString& path) override;
    // The Finder's bytes have no place in this file system: always NO.
    bool setFinderInfoAtPath(const QString& path) override;
    bool fileIsBusy() override;

    uint32_t fileFinderFlags() const override { return _finderInfo.finderFlags; }
    void setFileFinderFlags(uint32_t flags) override { _finderInfo.finderFlags = uint16_t(flags); }
    uint32_t fileHFSType() const override { return _finderInfo.fileType; }
    void setFileHFSType(uint32_t code) override { _finderInfo.fileType = code; }
    uint32_t fileHFSCreator() const override { return _finderInfo.fileCreator; }
    void setFileHFSCreator(uint32_t code) override { _finderInfo.fileCreator = code; }
    bool fileIsDirectory() const override;
    void setFileIsDirectory(bool flag) override;
    bool fileIsPackage() const override { return _fileIsPackage; }
    void setFileIsPackage(bool flag) override { _fileIsPackage = flag; }
    bool fileIsAlias() const override;
    void setFileIsAlias(bool flag) override;
    bool fileIsSymLink() const override { return _symbolicLink; }
    void setFileIsSymLink(bool flag) override { _symbolicLink = flag; }
    bool fileIsLocked() const override;
    void setFileIsLocked(bool flag) override;
    QDateTime fileCreationDate() override;
    void setFileCreationDate(const QDateTime& date) override;
    QDateTime fileModificationDate() override;
    void setFileModificationDate(const QDateTime& date) override;
    bool fileIsHardLinked() const override;
    uint64_t fileINode() const override { return _inodeNumber; }
    uint64_t fileSize() override;
    QString fileType() override;
    uint32_t filePosixPermissions() const override { return _fileCatInfo.permissions.mode; }
    // Also writes the mode to the file at once; whether that worked isn't reported.
    void setFilePosixPermissions(uint32_t mode) override;
    QString fileFullPath() override;
    QString fileFullName() override;
    QString fileDisplayName() override;
    QString fileKind() override;
    int32_t fileSystemKind() override;
    FileSpec fileSpec() const override { return _fileSpec; }
    FileRef fileRef() const override { return _fileRef; }
    QString finderComment() override;

    // The catalog record as read (for tests of what a read stored).
    const FileCatalogInfo& catalogInfo() const { return _fileCatInfo; }

    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;

private:
    LocalFileAttributeInfo(const LocalFileAttributeInfo&) = default;

    // The path of the reference while the file is there; null otherwise.
    QString resolvedPath() const;
    QString localizedError(const char* key, const QString& path) const;

    FileCatalogInfo _fileCatInfo;
    FileSpec _fileSpec;
    FileRef _fileRef;
    FileFinderInfo _finderInfo;
    bool _fileIsPackage = false;
    bool _packageSizeCalculated = false;
    bool _symbolicLink = false;
    bool _hasBSDDate = false;
    FileTimespec _mtimespec;
    QString _fileName;
    QString _displayName;
    const char* _bsdFileType = nullptr;
    uint32_t _linkCount = 0;
    uint64_t _inodeNumber = 0;
};

// Creates the file-attribute lock; the application calls it once at launch.
// The lock is also made on first use, so library users need no start-up call.
void InitFileAttributeGlobals();
std::recursive_mutex& FileAttributeLock();

bool UTCDateTimeIsZero(const UTCDateTime& date);
// The date (low seconds - 3061152000) seconds after 2001-01-01 GMT.
QDateTime DateFromUTCDateTime(const UTCDateTime& date);
// Seconds since 1904, clamped to 0 ... 4294967295 and truncated toward zero;
// an invalid date gives zero.
void UTCDateTimeFromDate(const QDateTime& date, UTCDateTime* result);
