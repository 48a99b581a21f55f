#pragma once

#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

inline QString str(const char* text) {
    return QString::fromUtf8(text);
}

// Turns the event loop until queued notices are posted and undo groups closed.
inline void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Counts the notices posted with one object.
class MapperNotices {
public:
    explicit MapperNotices(const void* object) {
        NotificationCenter::defaultCenter().addObserver(
            this, QString(), object, [this](const Notification& n) {
                if (n.name() == str(kTemplateMapperPageChangedNotify))
                    ++pageChanges;
                if (n.name() == str(kTemplateMapperMasterChangedNotify))
                    ++masterChanges;
            });
    }
    ~MapperNotices() { NotificationCenter::defaultCenter().removeObserver(this); }
    void clear() { pageChanges = masterChanges = 0; }

    int pageChanges = 0;
    int masterChanges = 0;
};

// An editable text of a template: its id (empty for none) and default text.
struct FieldSpec {
    QString id;
    QString value;
};

// A clean account (no shared texts, no default profile, colour settings off),
// a catalog document and templates written by the framework into a folder.
class LayoutFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        for (const char* key :
             {kTemplateTextObjectsKey, kPrefDefaultProfileKey, kDefaultTemplateFileNameKey})
            defaults.removeObjectForKey(str(key));
        for (int index :
             {PrefPrintUseProfile, PrefPrintExternalMatching, PrefPrintBypassColorMatching,
              PrefLayoutArrangementMode, PrefLayoutScaleMode, PrefImportProfiles})
            host.settings.remove(index);
        document = std::make_unique<RoduvudeDadevizi>();
    }
    void TearDown() override {
        document.reset();
        drainEvents();
    }

    VQFileCatalog& catalog() { return document->fileCatalog(); }
    std::shared_ptr<VQFileCatalog> sharedCatalog() { return document->sharedFileCatalog(); }

    // Appends photos of 40 x 30 pixels, marked (as new photos are) or not.
    void addPhotos(int count, bool marked = true) {
        for (int i = 0; i < count; ++i) {
            QImage picture(40, 30, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv((i * 40) % 360, 200, 200));
            catalog().addImageEntry(Image(picture));
            catalog().setMarkerAtIndexTo(catalog().fileCount() - 1, marked);
        }
        drainEvents();
    }

    int serialAt(int index) {
        return catalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, index).toInt();
    }

    // A template of `cells` photo cells and the given editable texts, written
    // into `folder` (the test's own when empty) under `fileName`, which is its
    // document ID unless one is given.
    QString writeTemplate(const QString& fileName, int cells, const QList<FieldSpec>& fields = {},
                          const QString& folder = QString(),
                          const QString& documentID = QString()) {
        TemplateDocument templateDocument;
        if (!documentID.isEmpty())
            templateDocument.setDocumentID(documentID);
        templateDocument.setDocName(fileName + str(" name"));
        templateDocument.setDocCategory(str("Cards"));
        templateDocument.setDocCreator(str("Maker"));
        templateDocument.setDocDescription(str("Described"));
        templateDocument.setDocCopyright(str("Owned"));
        for (int i = 0; i < cells; ++i)
            templateDocument.addObject(TMPhotoObject::newTemplateObjectWithOriginSize(
                {float(10 + 60 * i), 10}, {50, 100}));
        for (const FieldSpec& field : fields) {
            const TMTextObjectRef text =
                TMTextObject::newTemplateObjectWithOriginSize({10, 300}, {200, 40});
            text->setVariant(1);
            text->setName(str("Field"));
            text->setIdentifier(field.id);
            text->setText(field.value.isNull() ? str("") : field.value);
            templateDocument.addObject(text);
        }
        const QString path = QDir(folder.isEmpty() ? dir.path() : folder).filePath(fileName);
        QString error;
        EXPECT_TRUE(templateDocument.writeToFileOfType(path, str(kTemplateDocumentType), &error))
            << error.toStdString();
        return path;
    }

    TemplateHandleRef makeTemplate(const char* fileName, int cells,
                                   const QList<FieldSpec>& fields = {}) {
        const TemplateHandleRef handle =
            TemplateHandle::templateHandleWithFile(writeTemplate(str(fileName), cells, fields));
        EXPECT_TRUE(handle);
        if (handle)
            handle->objectsOnPage(0);
        return handle;
    }

    // The number of the master's field with this id and default text.
    static int32_t fieldNumber(TemplateMapper& mapper, const QString& id, const QString& value) {
        const QVariantList fields = mapper.masterEditFields();
        for (int32_t i = 0; i < fields.size(); ++i)
            if (fields[i].toMap().value(str(kEditFieldIDKey)).toString() == id &&
                fields[i].toMap().value(str(kEditFieldValueKey)).toString() == value)
                return i;
        ADD_FAILURE() << "no field " << id.toStdString() << " " << value.toStdString();
        return -1;
    }

    // A mapper over the document's catalog, as the document would make it.
    TemplateMapperRef makeMapper(const TemplateHandleRef& master) {
        return std::make_shared<TemplateMapper>(master, sharedCatalog());
    }

    TestHost host;
    QTemporaryDir dir;
    std::unique_ptr<RoduvudeDadevizi> document;
};
