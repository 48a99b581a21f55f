#include "library/NewTemplateManager.h"

#include "framework/model/TemplateDocument.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/FileNameUtilities.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QString localized(const char* name) {
    return localizedString(key(name));
}

// Copies are read and written in pieces of this size.
constexpr qint64 kCopyChunk = 1024 * 1024;

// Renames over an existing file in one step.
bool renameReplacing(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

NewTemplateManager* NewTemplateManager::sharedTemplateManager() {
    static NewTemplateManager* manager = new NewTemplateManager(userTemplatesFolderPath());
    return manager;
}

QString NewTemplateManager::userTemplatesFolderPath() {
    return QDir(FileAccess::expandTilde(localized(kUserPathKey)))
        .filePath(localized(kTemplatesKey));
}

NewTemplateManager::NewTemplateManager(const QString& templatesFolderPath)
    : _templatesFolderPath(templatesFolderPath) {
    for (const QString& path : templateFilesInFolder())
        if (const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(path))
            _templates.append(handle);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        scanForChanges();
                });
    NotificationCenter::defaultCenter().addObserver(
        static_cast<const QObject*>(this), key(kTemplateDocumentSavedNotify), nullptr,
        [this](const Notification&) { scanForChanges(); });
}

NewTemplateManager::~NewTemplateManager() {
    NotificationCenter::defaultCenter().removeObserver(static_cast<const QObject*>(this));
}

// Every template file below the folder in a steady order; links are not
// followed, to files or to folders.
QStringList NewTemplateManager::templateFilesInFolder() const {
    QStringList paths;
    QDirIterator it(_templatesFolderPath,
                    QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (info.isSymLink() || !info.isFile())
            continue;
        if (info.suffix() == QLatin1String(kTemplateDocumentExtension))
            paths.append(info.filePath());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void NewTemplateManager::post(const char* name, const TemplateHandleRef& handle) {
    NotificationCenter::defaultCenter().postNotificationName(key(name), handle);
}

bool NewTemplateManager::scanForChanges() {
    QList<TemplateHandleRef> unseen = _templates;
    bool changed = false;
    for (const QString& path : templateFilesInFolder()) {
        const TemplateHandleRef handle = templateWithPath(path);
        if (!handle) {
            if (const TemplateHandleRef added = TemplateHandle::templateHandleWithFile(path)) {
                _templates.append(added);
                post(kTemplateAddedNotify, added);
                changed = true;
            }
            continue;
        }
        if (QFileInfo(path).lastModified().toUTC() != handle->fileModDate()) {
            if (!handle->reset())
                continue;
            post(kTemplateChangedNotify, handle);
            changed = true;
        }
        unseen.removeOne(handle);
    }
    for (const TemplateHandleRef& gone : std::as_const(unseen)) {
        _templates.removeOne(gone);
        post(kTemplateRemovedNotify, gone);
        changed = true;
    }
    return changed;
}

QList<TemplateHandleRef> NewTemplateManager::templatesInCategory(const QString& category) {
    QList<TemplateHandleRef> found;
    for (const TemplateHandleRef& handle : std::as_const(_templates))
        if (category.isNull() ||
            QString::compare(handle->category(), category, Qt::CaseInsensitive) == 0)
            found.append(handle);
    std::stable_sort(found.begin(), found.end(),
                     [](const TemplateHandleRef& a, const TemplateHandleRef& b) {
                         return QString::compare(a->name(), b->name(), Qt::CaseInsensitive) < 0;
                     });
    return found;
}

QStringList NewTemplateManager::templateCategories() {
    QStringList categories;
    for (const TemplateHandleRef& handle : std::as_const(_templates))
        if (!categories.contains(handle->category()))
            categories.append(handle->category());
    std::stable_sort(categories.begin(), categories.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return categories;
}

qsizetype NewTemplateManager::indexOfID(const QString& documentID) {
    for (qsizetype i = 0; i < _templates.size(); ++i)
        if (_templates.at(i)->documentID() == documentID)
            return i;
    return -1;
}

TemplateHandleRef NewTemplateManager::templateWithID(const QString& documentID) {
    const qsizetype index = indexOfID(documentID);
    return index < 0 ? nullptr : _templates.at(index);
}

TemplateHandleRef NewTemplateManager::templateWithName(const QString& name) {
    for (const TemplateHandleRef& handle : std::as_const(_templates))
        if (QString::compare(handle->name(), name, Qt::CaseInsensitive) == 0)
            return handle;
    return nullptr;
}

TemplateHandleRef NewTemplateManager::templateWithPath(const QString& path) {
    for (const TemplateHandleRef& handle : std::as_const(_templates))
        if (handle->path() == path)
            return handle;
    return nullptr;
}

TemplateHandleRef NewTemplateManager::defaultTemplate() {
    const QVariant stored =
        UserDefaults::standardUserDefaults().objectForKey(key(kDefaultTemplateFileNameKey));
    if (stored.metaType() == QMetaType::fromType<QString>())
        if (const TemplateHandleRef handle = templateWithID(stored.toString()))
            return handle;
    if (const TemplateHandleRef handle = templateWithID(localized(kDefaultDocIDKey)))
        return handle;
    return _templates.isEmpty() ? nullptr : _templates.first();
}

void NewTemplateManager::setDefaultTemplate(const TemplateHandleRef& handle) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (handle)
        defaults.setObjectForKey(handle->documentID(), key(kDefaultTemplateFileNameKey));
    else
        defaults.removeObjectForKey(key(kDefaultTemplateFileNameKey));
}

bool NewTemplateManager::installTemplateWithUIAtFile(const QString& path) {
    const TemplateHandleRef incoming = TemplateHandle::templateHandleWithFile(path);
    if (!incoming)
        return false;
    const TemplateHandleRef installed = templateWithID(incoming->documentID());
    if (!installed)
        return installTemplateAtFile(path, false);

    const char* reason = kReplaceSameKey;
    if (installed->version() == 0 && incoming->version() == 0) {
        const QDateTime oldDate = installed->fileModDate(), newDate = incoming->fileModDate();
        reason = oldDate < newDate   ? kReplaceOlderKey
                 : oldDate > newDate ? kReplaceNewerKey
                                     : kReplaceSameKey;
    } else if (incoming->version() > installed->version()) {
        reason = kReplaceOlderKey;
    } else if (installed->version() > incoming->version()) {
        reason = kReplaceNewerKey;
    }
    ModalAlert::Request request(localized(kDuplicateTemplateKey),
                                stringWithFormat(localized(kDuplicateTemplateDescriptionKey),
                                                 localized(reason), incoming->name()));
    request.defaultButton = localized(kNoKey);
    request.alternateButton = localized(kYesKey);
    if (ModalAlert::run(request) != ModalAlert::AlternateReturn)
        return false;
    return installTemplateAtFile(path, true);
}

// Shows what stopped a copy. A single file has nothing left to go on with, so
// either button ends the copy.
bool NewTemplateManager::copyTemplateFile(const QString& source, const QString& destination) {
    QString reason;
    QFile in;
    bool ok = FileAccess::openRegularFileForReading(in, source, &reason);
    QSaveFile out(destination);
    if (ok && !out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = out.errorString();
        ok = false;
    }
    while (ok && !in.atEnd()) {
        const QByteArray chunk = in.read(kCopyChunk);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            reason = in.errorString();
            ok = false;
        } else {
            ok = FileAccess::writeAll(out, chunk, &reason);
        }
    }
    if (ok && !out.commit()) {
        reason = out.errorString();
        ok = false;
    }
    if (!ok) {
        out.cancelWriting();
        ModalAlert::Request request(
            localized(kFileOperationFailedKey),
            stringWithFormat(localized(kFileOperationFailedDescriptionKey), reason, source));
        request.defaultButton = localized(kProceedKey);
        request.alternateButton = localized(kStopKey);
        ModalAlert::run(request);
    }
    return ok;
}

bool NewTemplateManager::installTemplateAtFile(const QString& path, bool replace) {
    const TemplateHandleRef incoming = TemplateHandle::templateHandleWithFile(path);
    if (!incoming)
        return false;
    const TemplateHandleRef old = templateWithID(incoming->documentID());
    if (old && !replace)
        return false;
    if (!QDir().mkpath(_templatesFolderPath))
        return false;

    // The copy goes under a name no scan takes, and takes the place of the old
    // file only once it reads as a template: the old template survives any failure.
    const QDir folder(_templatesFolderPath);
    const QString temporary = folder.filePath(UniqueFileNameInFolder(
        QStringLiteral(".installing-") + incoming->fileName() + QStringLiteral(".part"),
        _templatesFolderPath));
    if (!copyTemplateFile(path, temporary))
        return false;
    const TemplateHandleRef copy = TemplateHandle::templateHandleWithFile(temporary);
    if (!copy || copy->documentID() != incoming->documentID()) {
        QFile::remove(temporary);
        return false;
    }

    QString destination = folder.filePath(QFileInfo(path).fileName());
    const bool overOld = old && QFileInfo(destination) == QFileInfo(old->path());
    if (overOld)
        destination = old->path();
    else if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink())
        destination = folder.filePath(
            UniqueFileNameInFolder(QFileInfo(path).fileName(), _templatesFolderPath));
    if (!renameReplacing(temporary, destination)) {
        QFile::remove(temporary);
        return false;
    }
    if (old && !overOld && !QFile::remove(old->path())) {
        QFile::remove(destination);
        return false;
    }

    const TemplateHandleRef installed = TemplateHandle::templateHandleWithFile(destination);
    if (old)
        _templates.removeOne(old);
    if (!installed) {
        if (old)
            post(kTemplateRemovedNotify, old);
        return false;
    }
    _templates.append(installed);
    post(old ? kTemplateReplacedNotify : kTemplateAddedNotify, installed);
    return true;
}

void NewTemplateManager::removeTemplate(const TemplateHandleRef& handle) {
    if (!handle)
        return;
    const qsizetype index = indexOfID(handle->documentID());
    if (index < 0)
        return;
    const TemplateHandleRef kept = _templates.at(index);
    if (!QFile::remove(kept->path()))
        return;
    _templates.removeAt(index);
    post(kTemplateRemovedNotify, kept);
}
