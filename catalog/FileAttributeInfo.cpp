#include "catalog/FileAttributeInfo.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/FileReference.h"
#include "platform/foundation/FileTypeCode.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/FileDisplay.h"
#include "platform/system/Workspace.h"
#include "utilities/FinderComment.h"

#include <QDataStream>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    ClassRegistry::shared().registerClass<LocalFileAttributeInfo>(
        QStringLiteral("LocalFileAttributeInfo"));
    return true;
}();

constexpr char kErrorCreateFileRef[] = "ERROR_CREATE_FILE_REF";
constexpr char kErrorRetrieveFileAtts[] = "ERROR_RETRIEVE_FILE_ATTS";
constexpr char kErrorModifyFileAtts[] = "ERROR_MODIFY_FILE_ATTS";
constexpr char kErrorUnresolved[] = "ERROR_UNRESOLVED";
constexpr char kKindFolder[] = "DOC_KIND_FOLDER";
constexpr char kKindUnknown[] = "UNKNOWN";
constexpr char kKindAlias[] = "ALIAS_DESC";
constexpr char kKindAliasTo[] = "ALIAS_TO";

// Type codes of files that another program is still writing: "bsy " and the
// 31 codes after it.
constexpr uint32_t kBusyTypeFirst = 0x62737920;
constexpr uint32_t kBusyTypeLast = 0x6273793F;

// Each stored record starts with its own version, so that a later layout can
// still read the records of older archives.
constexpr quint8 kRecordVersion = 1;

constexpr double kLargestCatalogSeconds = 4294967295.0;

std::once_flag gLockOnce;
std::recursive_mutex* gFileAttributeLock = nullptr;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// The status of a path, as statx reports it; the birth time only where the
// file system keeps one.
bool statusOf(const QString& path, bool followLinks, struct statx* status) {
    if (path.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(path);
    return ::statx(AT_FDCWD, native.constData(), followLinks ? 0 : AT_SYMLINK_NOFOLLOW,
                   STATX_BASIC_STATS | STATX_BTIME, status) == 0;
}

UTCDateTime catalogDate(int64_t secondsSince1970) {
    UTCDateTime date;
    UTCDateTimeFromDate(QDateTime::fromSecsSinceEpoch(secondsSince1970, QTimeZone::utc()), &date);
    return date;
}

// Seconds since 1970 of a catalog date.
int64_t unixSeconds(const UTCDateTime& date) {
    return int64_t(date.lowSeconds) - kCatalogDateToReferenceDate +
           QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();
}

const char* fileTypeOfMode(uint32_t mode) {
    if (S_ISLNK(mode))
        return kFileTypeSymbolicLink;
    if (S_ISDIR(mode))
        return kFileTypeDirectory;
    if (S_ISREG(mode))
        return kFileTypeRegular;
    return kFileTypeUnknown;
}

QString lastComponent(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

// ---- the stored records ---------------------------------------------------

QDataStream& operator<<(QDataStream& out, const UTCDateTime& date) {
    return out << date.highSeconds << date.lowSeconds << date.fraction;
}

QDataStream& operator>>(QDataStream& in, UTCDateTime& date) {
    return in >> date.highSeconds >> date.lowSeconds >> date.fraction;
}

template <class Write> QByteArray record(Write write) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out << kRecordVersion;
    write(out);
    return bytes;
}

// Reads a record written by `record`; false for another version, a short
// record or bytes left over.
template <class Read> bool readRecord(const QVariant& value, Read read) {
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    const QByteArray bytes = value.toByteArray();
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::BigEndian);
    quint8 version = 0;
    in >> version;
    if (version != kRecordVersion)
        return false;
    read(in);
    return in.status() == QDataStream::Ok && in.atEnd();
}

// The bytes stored as the rest of a record.
QByteArray readRestBytes(QDataStream& in) {
    // Read from the device: a short raw read would mark the stream as read past its end.
    return in.status() == QDataStream::Ok ? in.device()->readAll() : QByteArray();
}

// Text stored as the rest of a record.
QString readRest(QDataStream& in) {
    // Read from the device: a short raw read would mark the stream as read past its end.
    return in.status() == QDataStream::Ok ? QString::fromUtf8(in.device()->readAll()) : QString();
}

QByteArray catalogRecord(const FileCatalogInfo& info) {
    return record([&](QDataStream& out) {
        out << info.nodeFlags << quint64(info.volume) << info.createDate << info.contentModDate
            << info.attributeModDate << info.accessDate << info.backupDate
            << info.permissions.userID << info.permissions.groupID << info.permissions.mode;
        out.writeRawData(reinterpret_cast<const char*>(info.finderInfo), sizeof info.finderInfo);
        out << quint64(info.dataLogicalSize) << quint64(info.dataPhysicalSize)
            << quint64(info.rsrcLogicalSize) << quint64(info.rsrcPhysicalSize);
    });
}

bool readCatalogRecord(const QVariant& value, FileCatalogInfo* info) {
    return readRecord(value, [&](QDataStream& in) {
        quint64 volume, data, dataPhysical, rsrc, rsrcPhysical;
        in >> info->nodeFlags >> volume >> info->createDate >> info->contentModDate >>
            info->attributeModDate >> info->accessDate >> info->backupDate >>
            info->permissions.userID >> info->permissions.groupID >> info->permissions.mode;
        if (in.readRawData(reinterpret_cast<char*>(info->finderInfo), sizeof info->finderInfo) !=
            int(sizeof info->finderInfo))
            in.setStatus(QDataStream::ReadPastEnd);
        in >> data >> dataPhysical >> rsrc >> rsrcPhysical;
        info->volume = volume;
        info->dataLogicalSize = data;
        info->dataPhysicalSize = dataPhysical;
        info->rsrcLogicalSize = rsrc;
        info->rsrcPhysicalSize = rsrcPhysical;
    });
}

QByteArray finderRecord(const FileFinderInfo& finder) {
    return record([&](QDataStream& out) {
        out << finder.fileType << finder.fileCreator << finder.finderFlags << finder.locationV
            << finder.locationH << finder.folder;
    });
}

bool readFinderRecord(const QVariant& value, FileFinderInfo* finder) {
    return readRecord(value, [&](QDataStream& in) {
        in >> finder->fileType >> finder->fileCreator >> finder->finderFlags >> finder->locationV >>
            finder->locationH >> finder->folder;
    });
}

// The Finder's 16 bytes as the catalog record holds them.
void storeFinderBytes(const FileFinderInfo& finder, uint8_t* bytes) {
    const QByteArray raw = finderRecord(finder).mid(1);
    std::fill(bytes, bytes + 16, uint8_t(0));
    std::copy_n(raw.constData(), std::min<qsizetype>(raw.size(), 16), bytes);
}

bool isStringOrNil(const QVariant& value) {
    return !value.isValid() || value.typeId() == QMetaType::QString;
}

} // namespace

// ---- free functions -------------------------------------------------------

void InitFileAttributeGlobals() {
    std::call_once(gLockOnce, [] { gFileAttributeLock = new std::recursive_mutex; });
}

std::recursive_mutex& FileAttributeLock() {
    InitFileAttributeGlobals();
    return *gFileAttributeLock;
}

bool UTCDateTimeIsZero(const UTCDateTime& date) {
    return date.highSeconds == 0 && date.lowSeconds == 0;
}

QDateTime DateFromUTCDateTime(const UTCDateTime& date) {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return reference.addSecs(int64_t(date.lowSeconds) - kCatalogDateToReferenceDate);
}

void UTCDateTimeFromDate(const QDateTime& date, UTCDateTime* result) {
    *result = UTCDateTime();
    if (!date.isValid())
        return;
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    const double seconds = double(reference.msecsTo(date)) / 1000.0 + kCatalogDateToReferenceDate;
    result->lowSeconds = uint32_t(std::trunc(std::clamp(seconds, 0.0, kLargestCatalogSeconds)));
}

// ---- the abstract record ----------------------------------------------------

FileAttributeInfo::~FileAttributeInfo() = default;

std::shared_ptr<FileAttributeInfo> FileAttributeInfo::fileAttributesInfoWithPath(const QString&) {
    return nullptr;
}

std::shared_ptr<FileAttributeInfo> FileAttributeInfo::copy() const {
    return std::shared_ptr<FileAttributeInfo>(new FileAttributeInfo(*this));
}

bool FileAttributeInfo::getFileInfoAtPath(const QString&) {
    return false;
}
bool FileAttributeInfo::setFileInfoAtPath(const QString&) {
    return false;
}
bool FileAttributeInfo::setFinderInfoAtPath(const QString&) {
    return false;
}
bool FileAttributeInfo::fileIsBusy() {
    return false;
}
uint32_t FileAttributeInfo::fileFinderFlags() const {
    return 0;
}
void FileAttributeInfo::setFileFinderFlags(uint32_t) {}
uint32_t FileAttributeInfo::fileHFSType() const {
    return 0;
}
void FileAttributeInfo::setFileHFSType(uint32_t) {}
uint32_t FileAttributeInfo::fileHFSCreator() const {
    return 0;
}
void FileAttributeInfo::setFileHFSCreator(uint32_t) {}
bool FileAttributeInfo::fileIsDirectory() const {
    return false;
}
void FileAttributeInfo::setFileIsDirectory(bool) {}
bool FileAttributeInfo::fileIsPackage() const {
    return false;
}
void FileAttributeInfo::setFileIsPackage(bool) {}
bool FileAttributeInfo::fileIsAlias() const {
    return false;
}
void FileAttributeInfo::setFileIsAlias(bool) {}
bool FileAttributeInfo::fileIsSymLink() const {
    return false;
}
void FileAttributeInfo::setFileIsSymLink(bool) {}
bool FileAttributeInfo::fileIsLocked() const {
    return false;
}
void FileAttributeInfo::setFileIsLocked(bool) {}
QDateTime FileAttributeInfo::fileCreationDate() {
    return QDateTime();
}
void FileAttributeInfo::setFileCreationDate(const QDateTime&) {}
QDateTime FileAttributeInfo::fileModificationDate() {
    return QDateTime();
}
void FileAttributeInfo::setFileModificationDate(const QDateTime&) {}
bool FileAttributeInfo::fileIsHardLinked() const {
    return false;
}
uint64_t FileAttributeInfo::fileINode() const {
    return 0;
}
uint64_t FileAttributeInfo::fileSize() {
    return 0;
}
QString FileAttributeInfo::fileType() {
    return QString();
}
uint32_t FileAttributeInfo::filePosixPermissions() const {
    return 0;
}
void FileAttributeInfo::setFilePosixPermissions(uint32_t) {}
QString FileAttributeInfo::fileFullPath() {
    return QString();
}
QString FileAttributeInfo::fileFullName() {
    return QString();
}
QString FileAttributeInfo::fileDisplayName() {
    return QString();
}
QString FileAttributeInfo::fileKind() {
    return QString();
}
int32_t FileAttributeInfo::fileSystemKind() {
    return 0;
}
FileSpec FileAttributeInfo::fileSpec() const {
    return FileSpec();
}
FileRef FileAttributeInfo::fileRef() const {
    return FileRef();
}
QString FileAttributeInfo::finderComment() {
    return QString();
}

void FileAttributeInfo::setErrorString(const QString& text) {
    if (text != _errString)
        _errString = text;
}

QString FileAttributeInfo::errorString() const {
    return _errString.isNull() ? QString(QLatin1String("")) : _errString;
}

void FileAttributeInfo::clearError() {
    _errString = QString();
}

void FileAttributeInfo::encodeWithCoder(Archiver& coder) const {
    coder.encodeObject(_errString.isNull() ? QVariant() : QVariant(_errString));
}

bool FileAttributeInfo::initWithCoder(Unarchiver& coder) {
    const QVariant error = coder.decodeObject();
    if (!isStringOrNil(error))
        return false;
    _errString = error.isValid() ? error.toString() : QString();
    return true;
}

// ---- the local record -------------------------------------------------------

std::shared_ptr<LocalFileAttributeInfo>
LocalFileAttributeInfo::fileAttributesInfoWithPath(const QString& path) {
    auto info = std::make_shared<LocalFileAttributeInfo>();
    return info->getFileInfoAtPath(path) ? info : nullptr;
}

std::shared_ptr<FileAttributeInfo> LocalFileAttributeInfo::copy() const {
    return std::shared_ptr<FileAttributeInfo>(new LocalFileAttributeInfo(*this));
}

QString LocalFileAttributeInfo::localizedError(const char* name, const QString& path) const {
    return stringWithFormat(localizedString(key(name)), QStringLiteral("%@"), path);
}

bool LocalFileAttributeInfo::getFileInfoAtPath(const QString& path) {
    std::lock_guard lock(FileAttributeLock());
    clearError();
    FileCatalogInfo catalog;
    FileSpec spec;
    FileFinderInfo finder;
    _fileName = lastComponent(path);
    _symbolicLink = false;
    const bool dotName = _fileName.startsWith(QLatin1Char('.'));

    struct statx status;
    if (statusOf(path, false, &status)) {
        _hasBSDDate = true;
        _mtimespec = {status.stx_mtime.tv_sec, int32_t(status.stx_mtime.tv_nsec)};
        if (S_ISLNK(status.stx_mode)) {
            _symbolicLink = true;
            finder.finderFlags = kFinderIsAliasFlag | (dotName ? kFinderIsInvisibleFlag : 0);
            catalog.permissions = {status.stx_uid, status.stx_gid, status.stx_mode & 0xFFFu};
            catalog.createDate = catalogDate(status.stx_ctime.tv_sec);
            catalog.contentModDate = catalogDate(status.stx_mtime.tv_sec);
            _fileCatInfo = catalog;
            _finderInfo = finder;
            // A link is answered for itself; it has no reference to follow.
            _fileRef = FileRef();
            _bsdFileType = kFileTypeSymbolicLink;
            return true;
        }
        _bsdFileType = fileTypeOfMode(status.stx_mode);
        if (!S_ISDIR(status.stx_mode)) {
            _linkCount = status.stx_nlink;
            _inodeNumber = status.stx_ino;
        }
    }

    // The reference: where the file is, with the links of the folders above it resolved.
    const QString resolved = QFileInfo(path).canonicalFilePath();
    struct statx file;
    if (resolved.isEmpty() || !statusOf(resolved, false, &file)) {
        setErrorString(localizedError(kErrorCreateFileRef, path));
        return false;
    }
    struct statx folder;
    if (!statusOf(QFileInfo(resolved).path(), true, &folder)) {
        setErrorString(localizedError(kErrorRetrieveFileAtts, path));
        return false;
    }

    const bool directory = S_ISDIR(file.stx_mode);
    catalog.nodeFlags = (directory ? kNodeIsDirectoryMask : 0) |
                        ((file.stx_attributes & STATX_ATTR_IMMUTABLE) ? kNodeLockedMask : 0);
    catalog.volume = makedev(file.stx_dev_major, file.stx_dev_minor);
    if (file.stx_mask & STATX_BTIME)
        catalog.createDate = catalogDate(file.stx_btime.tv_sec);
    catalog.contentModDate = catalogDate(file.stx_mtime.tv_sec);
    catalog.attributeModDate = catalogDate(file.stx_ctime.tv_sec);
    catalog.accessDate = catalogDate(file.stx_atime.tv_sec);
    catalog.permissions = {file.stx_uid, file.stx_gid, file.stx_mode};
    if (!directory) {
        catalog.dataLogicalSize = file.stx_size;
        catalog.dataPhysicalSize = file.stx_blocks * 512;
    }
    if (dotName)
        finder.finderFlags |= kFinderIsInvisibleFlag;
    if (!directory)
        finder.fileType = FileTypeCode::fourCharCode(FileTypeCode::typeCodeOfFile(resolved));
    storeFinderBytes(finder, catalog.finderInfo);
    spec = {catalog.volume, folder.stx_ino, QFileInfo(resolved).fileName()};

    _fileSpec = spec;
    _fileRef = FileRef{FileReference::createReference(resolved)};
    _fileCatInfo = catalog;
    _finderInfo = finder;
    _packageSizeCalculated = false;
    _fileIsPackage = directory && Workspace::sharedWorkspace().isFilePackageAtPath(resolved);
    return true;
}

bool LocalFileAttributeInfo::setFileInfoAtPath(const QString& path) {
    std::lock_guard lock(FileAttributeLock());
    clearError();
    const QByteArray native = QFile::encodeName(path);
    struct stat status;
    if (path.isEmpty() || ::stat(native.constData(), &status) != 0) {
        setErrorString(localizedError(kErrorCreateFileRef, path));
        return false;
    }
    // Access refused stays refused: opening the file up to everybody would
    // leave it world-writable and still not make this owner's change allowed.
    if (::chmod(native.constData(), _fileCatInfo.permissions.mode & 07777) != 0) {
        setErrorString(localizedError(kErrorModifyFileAtts, path));
        return false;
    }
    const auto time = [](const UTCDateTime& date) {
        struct timespec spec = {0, UTIME_OMIT};
        if (!UTCDateTimeIsZero(date))
            spec = {time_t(unixSeconds(date)), 0};
        return spec;
    };
    const struct timespec times[2] = {time(_fileCatInfo.accessDate),
                                      time(_fileCatInfo.contentModDate)};
    if (::utimensat(AT_FDCWD, native.constData(), times, 0) != 0) {
        setErrorString(localizedError(kErrorModifyFileAtts, path));
        return false;
    }
    [[maybe_unused]] const int owner =
        ::chown(native.constData(), _fileCatInfo.permissions.userID, gid_t(-1));
    [[maybe_unused]] const int group =
        ::chown(native.constData(), uid_t(-1), _fileCatInfo.permissions.groupID);
    return true;
}

bool LocalFileAttributeInfo::setFinderInfoAtPath(const QString& path) {
    std::lock_guard lock(FileAttributeLock());
    clearError();
    struct stat status;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0) {
        setErrorString(localizedError(kErrorCreateFileRef, path));
        return false;
    }
    setErrorString(localizedError(kErrorModifyFileAtts, path));
    return false;
}

QString LocalFileAttributeInfo::resolvedPath() const {
    return FileReference::resolveReference(_fileRef.reference);
}

bool LocalFileAttributeInfo::fileIsBusy() {
    std::lock_guard lock(FileAttributeLock());
    struct statx status;
    if (!statusOf(resolvedPath(), false, &status))
        return false;
    _fileCatInfo.nodeFlags = (S_ISDIR(status.stx_mode) ? kNodeIsDirectoryMask : 0) |
                             ((status.stx_attributes & STATX_ATTR_IMMUTABLE) ? kNodeLockedMask : 0);
    if (_fileCatInfo.nodeFlags & (kNodeOpenMask | kNodeBusyMask))
        return true;
    return _finderInfo.fileType >= kBusyTypeFirst && _finderInfo.fileType <= kBusyTypeLast;
}

bool LocalFileAttributeInfo::fileIsDirectory() const {
    return !_symbolicLink && !_fileIsPackage && (_fileCatInfo.nodeFlags & kNodeIsDirectoryMask);
}

void LocalFileAttributeInfo::setFileIsDirectory(bool flag) {
    if (flag)
        _fileCatInfo.nodeFlags |= kNodeIsDirectoryMask;
    else
        _fileCatInfo.nodeFlags &= uint16_t(~kNodeIsDirectoryMask);
}

bool LocalFileAttributeInfo::fileIsAlias() const {
    return _finderInfo.finderFlags & kFinderIsAliasFlag;
}

void LocalFileAttributeInfo::setFileIsAlias(bool flag) {
    if (flag)
        _finderInfo.finderFlags |= kFinderIsAliasFlag;
    else
        _finderInfo.finderFlags &= uint16_t(~kFinderIsAliasFlag);
}

bool LocalFileAttributeInfo::fileIsLocked() const {
    return _fileCatInfo.nodeFlags & kNodeLockedMask;
}

void LocalFileAttributeInfo::setFileIsLocked(bool flag) {
    if (flag)
        _fileCatInfo.nodeFlags |= kNodeLockedMask;
    else
        _fileCatInfo.nodeFlags &= uint16_t(~kNodeLockedMask);
}

QDateTime LocalFileAttributeInfo::fileCreationDate() {
    std::lock_guard lock(FileAttributeLock());
    if (UTCDateTimeIsZero(_fileCatInfo.createDate))
        return QDateTime();
    return DateFromUTCDateTime(_fileCatInfo.createDate);
}

void LocalFileAttributeInfo::setFileCreationDate(const QDateTime& date) {
    std::lock_guard lock(FileAttributeLock());
    UTCDateTimeFromDate(date, &_fileCatInfo.createDate);
}

QDateTime LocalFileAttributeInfo::fileModificationDate() {
    std::lock_guard lock(FileAttributeLock());
    if (_hasBSDDate)
        return QDateTime::fromSecsSinceEpoch(_mtimespec.seconds, QTimeZone::utc());
    if (UTCDateTimeIsZero(_fileCatInfo.contentModDate))
        return QDateTime();
    return DateFromUTCDateTime(_fileCatInfo.contentModDate);
}

void LocalFileAttributeInfo::setFileModificationDate(const QDateTime& date) {
    std::lock_guard lock(FileAttributeLock());
    UTCDateTimeFromDate(date, &_fileCatInfo.contentModDate);
    _hasBSDDate = false;
}

bool LocalFileAttributeInfo::fileIsHardLinked() const {
    return !fileIsDirectory() && _linkCount >= 2;
}

uint64_t LocalFileAttributeInfo::fileSize() {
    std::lock_guard lock(FileAttributeLock());
    if (fileIsDirectory())
        return 0;
    if (_fileIsPackage && !_packageSizeCalculated) {
        uint64_t sum = 0;
        const QString root = resolvedPath();
        if (!root.isNull()) {
            QDirIterator walk(root,
                              QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDirIterator::Subdirectories);
            while (walk.hasNext())
                if (const auto inside = fileAttributesInfoWithPath(walk.next()))
                    sum += inside->fileSize();
        }
        _fileCatInfo.dataLogicalSize = sum;
        _fileCatInfo.rsrcLogicalSize = 0;
        _packageSizeCalculated = true;
        return sum;
    }
    return _fileCatInfo.dataLogicalSize + _fileCatInfo.rsrcLogicalSize;
}

QString LocalFileAttributeInfo::fileType() {
    if (_symbolicLink)
        return key(kFileTypeSymbolicLink);
    if (_bsdFileType)
        return key(_bsdFileType);
    const QString path = fileFullPath();
    std::lock_guard lock(FileAttributeLock());
    struct statx status;
    if (!statusOf(path, false, &status))
        return key(kFileTypeUnknown);
    return key(fileTypeOfMode(status.stx_mode));
}

void LocalFileAttributeInfo::setFilePosixPermissions(uint32_t mode) {
    std::lock_guard lock(FileAttributeLock());
    _fileCatInfo.permissions.mode = mode;
    const QString path = resolvedPath();
    if (path.isNull())
        return;
    [[maybe_unused]] const int result = ::chmod(QFile::encodeName(path).constData(), mode & 07777);
}

QString LocalFileAttributeInfo::fileFullPath() {
    QString path;
    {
        std::lock_guard lock(FileAttributeLock());
        path = resolvedPath();
    }
    if (path.isNull()) {
        NotificationCenter::defaultCenter().postNotificationName(
            key(kFileAttrNeedsRefreshNotification), static_cast<const void*>(this));
        std::lock_guard lock(FileAttributeLock());
        path = resolvedPath();
    }
    return path.isNull() ? localizedString(key(kErrorUnresolved)) : path;
}

QString LocalFileAttributeInfo::fileFullName() {
    return _fileName.isNull() ? lastComponent(fileFullPath()) : _fileName;
}

QString LocalFileAttributeInfo::fileDisplayName() {
    if (!_displayName.isNull())
        return _displayName;
    if (_symbolicLink)
        return _fileName;
    const QString path = fileFullPath();
    std::lock_guard lock(FileAttributeLock());
    _displayName = FileDisplay::displayNameAtPath(path);
    return _displayName;
}

QString LocalFileAttributeInfo::fileKind() {
    QString kind;
    {
        std::lock_guard lock(FileAttributeLock());
        const QString path = resolvedPath();
        if (!path.isNull())
            kind = FileDisplay::kindAtPath(path);
    }
    if (kind.isEmpty()) {
        if (fileIsDirectory())
            return localizedString(key(kKindFolder));
        return localizedString(key(fileIsAlias() ? kKindAlias : kKindUnknown));
    }
    if (fileIsAlias() && kind != localizedString(key(kKindAlias)))
        return localizedString(key(kKindAliasTo)) + kind;
    return kind;
}

int32_t LocalFileAttributeInfo::fileSystemKind() {
    std::lock_guard lock(FileAttributeLock());
    const QString path = resolvedPath();
    struct statfs volume;
    if (path.isNull() || ::statfs(QFile::encodeName(path).constData(), &volume) != 0)
        return -1;
    return int32_t(volume.f_type);
}

QString LocalFileAttributeInfo::finderComment() {
    const QString comment = UTGetFinderCommentFromFile(fileFullPath());
    return comment.isNull() ? QString(QLatin1String("")) : comment;
}

void LocalFileAttributeInfo::encodeWithCoder(Archiver& coder) const {
    FileAttributeInfo::encodeWithCoder(coder);
    coder.encodeObject(catalogRecord(_fileCatInfo));
    coder.encodeObject(record([&](QDataStream& out) {
        out << quint64(_fileSpec.volume) << quint64(_fileSpec.parentID);
        const QByteArray name = _fileSpec.name.toUtf8();
        out.writeRawData(name.constData(), int(name.size()));
    }));
    coder.encodeObject(record([&](QDataStream& out) {
        out.writeRawData(_fileRef.reference.constData(), int(_fileRef.reference.size()));
    }));
    coder.encodeObject(finderRecord(_finderInfo));
    coder.encodeObject(_fileIsPackage);
    coder.encodeObject(_packageSizeCalculated);
    coder.encodeObject(_hasBSDDate);
    coder.encodeObject(record([&](QDataStream& out) {
        out << qint64(_mtimespec.seconds) << qint32(_mtimespec.nanoseconds);
    }));
    coder.encodeObject(_fileName.isNull() ? QString(QLatin1String("")) : _fileName);
    coder.encodeObject(_displayName.isNull() ? QString(QLatin1String("")) : _displayName);
    coder.encodeObject(qlonglong(_linkCount));
    coder.encodeObject(qlonglong(_inodeNumber));
}

bool LocalFileAttributeInfo::initWithCoder(Unarchiver& coder) {
    if (!FileAttributeInfo::initWithCoder(coder))
        return false;
    FileCatalogInfo catalog;
    FileSpec spec;
    FileRef ref;
    FileFinderInfo finder;
    FileTimespec modified;
    if (!readCatalogRecord(coder.decodeObject(), &catalog))
        return false;
    if (!readRecord(coder.decodeObject(), [&](QDataStream& in) {
            quint64 volume, parent;
            in >> volume >> parent;
            spec = {volume, parent, readRest(in)};
        }))
        return false;
    if (!readRecord(coder.decodeObject(),
                    [&](QDataStream& in) { ref.reference = readRestBytes(in); }))
        return false;
    if (!readFinderRecord(coder.decodeObject(), &finder))
        return false;
    const QVariant package = coder.decodeObject();
    const QVariant summed = coder.decodeObject();
    const QVariant hasDate = coder.decodeObject();
    if (package.typeId() != QMetaType::Bool || summed.typeId() != QMetaType::Bool ||
        hasDate.typeId() != QMetaType::Bool)
        return false;
    if (!readRecord(coder.decodeObject(), [&](QDataStream& in) {
            qint64 seconds;
            qint32 nanoseconds;
            in >> seconds >> nanoseconds;
            modified = {seconds, nanoseconds};
        }))
        return false;
    const QVariant name = coder.decodeObject();
    const QVariant displayName = coder.decodeObject();
    const QVariant links = coder.decodeObject();
    const QVariant inode = coder.decodeObject();
    if (name.typeId() != QMetaType::QString || displayName.typeId() != QMetaType::QString ||
        !PropertyList::isInteger(links) || !PropertyList::isInteger(inode))
        return false;

    _fileCatInfo = catalog;
    _fileSpec = spec;
    _fileRef = ref;
    _finderInfo = finder;
    _fileIsPackage = package.toBool();
    _packageSizeCalculated = summed.toBool();
    _hasBSDDate = hasDate.toBool();
    _mtimespec = modified;
    _fileName = name.toString().isEmpty() ? QString() : name.toString();
    _displayName = displayName.toString().isEmpty() ? QString() : displayName.toString();
    _linkCount = uint32_t(links.toULongLong());
    _inodeNumber = inode.toULongLong();
    // Neither the link flag nor the file type is kept: a decoded record has neither.
    _symbolicLink = false;
    _bsdFileType = nullptr;
    return true;
}
