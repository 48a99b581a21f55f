#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Document;
class QWidget;

// The document types the application knows, each by name, with its file
// extensions and how a new document of it is made; and the open documents,
// front to back.
class LUMISK_PLATFORM_EXPORT DocumentController {
public:
    using Factory = std::function<std::shared_ptr<Document>()>;
    struct DocumentType {
        QString name;
        QStringList extensions;
        Factory factory;
    };

    // The process-wide controller (main thread).
    static DocumentController& sharedDocumentController();

    DocumentController();
    ~DocumentController();
    DocumentController(const DocumentController&) = delete;
    DocumentController& operator=(const DocumentController&) = delete;

    // A type registered again under the same name replaces the earlier one.
    void registerDocumentType(DocumentType type);
    QStringList documentTypes() const;
    // Extensions compare without regard to case; empty for an unknown one.
    QString typeFromFileExtension(const QString& extension) const;
    QStringList fileExtensionsFromType(const QString& type) const;
    // A new document of the type, its file type set; null for an unknown type.
    std::shared_ptr<Document> makeUntitledDocumentOfType(const QString& type) const;
    // The type whose extensions hold the file's; empty for none.
    QString typeForFileName(const QString& path) const;
    // Every registered extension, in registration order.
    QStringList allFileExtensions() const;

    // Open documents, the front one (the one whose window was active last)
    // first.
    QList<Document*> documents() const;
    // The document of the active window (or of the window a sheet hangs on);
    // null when that is not one of this controller's.
    Document* currentDocument() const;
    // The open document of that file (compared as canonical paths), or null.
    Document* documentForFileName(const QString& path) const;
    bool hasEditedDocuments() const;

    // Lists the document in front. One without a file gets the lowest
    // untitled number that no other open untitled document has.
    void addDocument(std::shared_ptr<Document> document);
    // Takes the document off the list and hands it back; null when not listed.
    std::shared_ptr<Document> takeDocument(Document* document);
    // Brings the document to the front of the list.
    void noteDocumentActivated(Document* document);

    // New: a listed untitled document of the type with its windows made, and
    // shown when `display`. Null with a reason for an unknown type.
    std::shared_ptr<Document> openUntitledDocumentOfType(const QString& type, bool display,
                                                         QString* error = nullptr);
    // Open: the document of the type that the file's extension names, read
    // from the file, listed, its windows made and shown when `display`. A
    // file that is open already is that document (brought to the front). Null
    // with the reason when the file cannot be read or is refused; nothing is
    // listed then.
    std::shared_ptr<Document> openDocumentWithContentsOfFile(const QString& path, bool display,
                                                             QString* error = nullptr);
    // The Open command: an open panel for the registered extensions; each
    // chosen file opens, and one that cannot is shown in an alert.
    void openDocument();

    // Close All, and the review of unsaved changes before quitting: every
    // document, front to back, closes, an edited one after asking whether to
    // save it. `done` hears false as soon as one stays open (Cancel, or a save
    // that failed or was cancelled); the rest then stay open too.
    void closeAllDocuments(std::function<void(bool allClosed)> done);
    // While on, a quit request of the application (the Quit command, the
    // session ending) with edited documents open is held back for
    // closeAllDocuments, and made again once they all closed; a review that
    // ends with a document open cancels it.
    void setReviewsUnsavedDocumentsAtQuit(bool reviews);
    bool reviewsUnsavedDocumentsAtQuit() const { return _quitReview != nullptr; }

private:
    const DocumentType* find(const QString& type) const;
    // A new document of a registered type, or null with the reason in *error.
    std::shared_ptr<Document> makeDocumentOfType(const QString& type, QString* error) const;
    // Lists the document in front and makes (and shows) its windows.
    void present(const std::shared_ptr<Document>& document, bool display);
    void closeNext(QList<Document*> remaining, std::function<void(bool)> done);

    std::vector<DocumentType> _types;
    std::vector<std::shared_ptr<Document>> _documents;
    class QuitReview;
    std::unique_ptr<QuitReview> _quitReview;
};
