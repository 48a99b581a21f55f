#pragma once

#include "library/TemplateHandle.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// Notifications, posted at once with the handle as object.
inline constexpr char kTemplateAddedNotify[] = "NTM_TemplateAddedNofity";
inline constexpr char kTemplateChangedNotify[] = "NTM_TemplateChangedNofity";
inline constexpr char kTemplateRemovedNotify[] = "NTM_TemplateRemovedNofity";
inline constexpr char kTemplateReplacedNotify[] = "NTM_TemplateReplacedNofity";

// Drag type of an installed template: a property list holding its document ID.
inline constexpr char kDragDropInstalledTemplatePboardType[] =
    "DragDropInstalledTemplatePboardType";

// The user default naming the default template by document ID.
inline constexpr char kDefaultTemplateFileNameKey[] = "default_template_file_name";

// Localization keys.
inline constexpr char kUserPathKey[] = "USER_PATH";
inline constexpr char kTemplatesKey[] = "TEMPLATES";
inline constexpr char kDefaultDocIDKey[] = "DEFAULT_DOC_ID";
inline constexpr char kDuplicateTemplateKey[] = "DUP_TEMP";
inline constexpr char kDuplicateTemplateDescriptionKey[] = "DUP_TEMP2_DESC";
inline constexpr char kReplaceOlderKey[] = "REP_OLDER_TEMP";
inline constexpr char kReplaceNewerKey[] = "REP_NEWER_TEMP";
inline constexpr char kReplaceSameKey[] = "REP_TEMP";
inline constexpr char kFileOperationFailedKey[] = "FILE_OP_FAIL";
inline constexpr char kFileOperationFailedDescriptionKey[] = "FILE_OP_FAIL_DESC";
inline constexpr char kProceedKey[] = "PROCEED";
inline constexpr char kStopKey[] = "STOP";
inline constexpr char kYesKey[] = "YES";
inline constexpr char kNoKey[] = "NO";

// The installed templates: one handle for every template file in the user's
// templates folder and below it, kept current when the application becomes
// active and when a template document is saved. Main thread only.
class NewTemplateManager : public QObject {
public:
    // The manager of the user's templates folder, made (and so scanned) on first use.
    static NewTemplateManager* sharedTemplateManager();
    // "USER_PATH" with "~" expanded, plus "TEMPLATES".
    static QString userTemplatesFolderPath();

    // Scans the folder without posting anything.
    explicit NewTemplateManager(const QString& templatesFolderPath);
    ~NewTemplateManager() override;

    QString templatesFolderPath() const { return _templatesFolderPath; }

    // True when anything changed; every change is announced.
    bool scanForChanges();

    QList<TemplateHandleRef> templates() { return templatesInCategory(QString()); }
    // The handles in no particular order, none of them read.
    QList<TemplateHandleRef> unsortedTemplates() const { return _templates; }
    // Sorted by name without regard to case; a null category gives all.
    QList<TemplateHandleRef> templatesInCategory(const QString& category);
    QStringList templateCategories();
    TemplateHandleRef templateWithID(const QString& documentID);
    TemplateHandleRef templateWithName(const QString& name);
    TemplateHandleRef templateWithPath(const QString& path);

    TemplateHandleRef defaultTemplate();
    void setDefaultTemplate(const TemplateHandleRef& handle);

    // Asks before replacing a template of the same document ID.
    bool installTemplateWithUIAtFile(const QString& path);
    // The old template stays whenever the install fails.
    bool installTemplateAtFile(const QString& path, bool replace);
    void removeTemplate(const TemplateHandleRef& handle);

private:
    QStringList templateFilesInFolder() const;
    qsizetype indexOfID(const QString& documentID);
    bool copyTemplateFile(const QString& source, const QString& destination);
    void post(const char* name, const TemplateHandleRef& handle);

    QString _templatesFolderPath;
    QList<TemplateHandleRef> _templates;
};
