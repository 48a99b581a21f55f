#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/PageDesc.h"
#include "framework/model/TMObject.h"
#include "framework/model/TMObjectGroup.h"
#include "platform/graphics/Image.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class PrintInfo;

// Template documents made, template files written, print runs of the editor.
FORMWELL_EXPORT extern int32_t gNewDcoumentCount;
FORMWELL_EXPORT extern int32_t gSaveCount;
FORMWELL_EXPORT extern int32_t gPrintCount;

// The document type of templates and its file extension.
inline constexpr char kTemplateDocumentType[] = "Vyx Template Document";
inline constexpr char kTemplateDocumentExtension[] = "vyxTemplate";

// Notifications, all with the document as sender.
inline constexpr char kTemplateDocumentPropertiesChangedNotify[] =
    "TemplateDocumentPropertiesChangedNotify";
inline constexpr char kTemplateDocumentSavedNotify[] = "TemplateDocumentSavedNotify";
inline constexpr char kObjectAddedOrRemoved[] = "ObjectAddedOrRemoved";
inline constexpr char kDocumentReverted[] = "DocumentReverted";

// Localization keys of the framework's bundle.
inline constexpr char kTemplateNameKey[] = "TEMPLATE_NAME";
inline constexpr char kTemplateCategoryKey[] = "TEMPLATE_CATEGORY";
inline constexpr char kTemplateDescriptionKey[] = "TEMPLATE_DESCRIPTION";
inline constexpr char kDocInfoActionKey[] = "DOC_INFO";
inline constexpr char kPageSetupActionKey[] = "PAGE_SETUP";

// The document of one template: its descriptive properties, its page, its
// page objects in list order (the order they are stored and numbered in),
// the images its objects share by name, its thumbnail and its print info.
class FORMWELL_EXPORT TemplateDocument : public GenericDocument {
    Q_OBJECT

public:
    // A named image: the bytes of the file it came from and/or the decoded
    // picture (made from the bytes on first use).
    struct NamedImage {
        std::optional<QByteArray> src;
        std::optional<Image> img;
    };

    // A new template with the defaults of the settings; counts gNewDcoumentCount.
    TemplateDocument();
    ~TemplateDocument() override;

    // One editor window, with an empty undo list and the document unedited.
    void makeWindowControllers() override;
    QString windowNibName() const { return QStringLiteral("TemplateDocument"); }

    // Queues "UTErrorNofity" for the document's window to show.
    void postError(int32_t code);

    // Properties. The setters register their inverse only while the undo
    // manager is undoing or redoing: whoever changes a property for the user
    // registers the first step itself.
    QString docName() const { return _name; }
    void setDocName(const QString& name);
    QString docCategory() const { return _category; }
    void setDocCategory(const QString& category);
    QString docCreator() const { return _creator; }
    void setDocCreator(const QString& creator);
    QString docDescription() const { return _description; }
    void setDocDescription(const QString& description);
    QString docCopyright() const { return _copyright; }
    void setDocCopyright(const QString& copyright);
    // A packed version number.
    int32_t docChangeVersion() const { return _changeVersion; }
    void setDocChangeVersion(int32_t version);
    // Null for none.
    QString documentID() const { return _documentID; }
    // For templates that a program makes rather than reads, such as those shipped.
    void setDocumentID(const QString& documentID) { _documentID = documentID; }
    // A null image for none.
    Image thumbnailProxy() const { return _thumbnailProxy; }
    void setThumbnailProxy(const Image& image);
    // 0: made anew at every save; any other value: kept as set.
    int32_t thumbnailGenMode() const { return _thumbnailGenMode; }
    void setThumbnailGenMode(int32_t mode);
    const PageDescRef& pageDesc() const { return _page; }
    bool fromFile() const { return _fromFile; }
    bool saveInProgress() const { return _saveInProgress; }

    void notifyPropertiesChanged();
    void notifyDocumentSaved();

    // Makes the thumbnail from the page: its longer side 96 points.
    void autoGenerateThumbnail();

    // Undoable; the page takes its size and name from it too.
    void setPrintInfo(const PrintInfo& printInfo) override;
    void setupPageFromPrintInfo();

    // Template files (TemplateDocumentFile.cpp), only of kTemplateDocumentType.
    // Writing replaces the file only once all of it was written; reading takes
    // the binary generation and the older property-list one. On NO the reason
    // goes to *error. On YES *error is emptied, or names what a damaged file
    // lost (one sentence a line), to be shown as a warning; the document is
    // then marked as edited.
    bool writeToFileOfType(const QString& path, const QString& type,
                           QString* error = nullptr) override;
    bool readFromFileOfType(const QString& path, const QString& type,
                            QString* error = nullptr) override;
    bool readVersion1FromFile(const QString& path, QString* error = nullptr);

    // Named images; unknown names answer nothing and change nothing.
    Image getImageWithName(const QString& name);
    QByteArray getSourceDataWithName(const QString& name) const;
    // Stores a new entry and answers its name: the given one, or a new UUID
    // without one; a taken name gets "_%04d" with a counter.
    QString addImageSourceDataWithName(const Image& image, const QByteArray& sourceData,
                                       const QString& name);
    // A null image or null data removes that part of the entry.
    void setImageSourceDataWithName(const Image& image, const QByteArray& sourceData,
                                    const QString& name);
    // The names that no object uses, those inside groups included.
    QStringList listUnusedImages() const;

    // Page objects.
    const QList<TMObjectRef>& objects() const { return _objects; }
    void addObject(const TMObjectRef& object);
    void removeObject(const TMObjectRef& object);
    // Takes objects that are already this document's; not undoable by itself.
    void replaceObjects(const QList<TMObjectRef>& objects);

    // The objects of the list that the query takes, in list order, those
    // inside groups in their group's place.
    QList<TMObjectRef> objectsTakenBy(TMObjectGroup::Query query) const;

    // Numbers photo cells, editable texts and print areas 1, 2, ... in list
    // order, those inside groups included.
    void numberObjects();
    void numberPhotoObjects();
    void numberEditableTextObjects();
    // A property text takes the number of the photo cell it is bound to (0
    // when that cell is gone).
    void numberPropertyTextObjects();
    void numberPrintAreaObjects();
    // Photo cells inside groups included.
    int32_t countPhotoObjects() const;
    // 0 when no photo cell has the identifier; one inside a group counts only
    // once it is numbered.
    int32_t photoObjectNumberWithID(const QString& uniqueID) const;
    // Null when no photo cell has the number; one inside a group counts only
    // once it is numbered.
    QString idOfPhotoObjectWithNumber(int32_t number) const;

    // The inspector controllers of this document, at most one per class;
    // the document owns them.
    QList<QObject*> objectControllers() const;
    void addObjectController(std::unique_ptr<QObject> controller);

private:
    void setStringProperty(QString& field, const QString& value,
                           void (TemplateDocument::*setter)(const QString&));
    void nameUndoAction(const char* actionKey);
    bool undoingOrRedoing();

    QString _name;
    QString _category;
    QString _creator;
    QString _description;
    QString _copyright;
    QString _documentID;
    int32_t _changeVersion = 0;
    PageDescRef _page;
    QList<TMObjectRef> _objects;
    QMap<QString, NamedImage> _namedImages;
    bool _fromFile = false;
    std::vector<std::unique_ptr<QObject>> _objectControllers;
    Image _thumbnailProxy;
    int8_t _thumbnailGenMode = 0;
    bool _saveInProgress = false;
};
