#pragma once

#include "platform/documents/Document.h"
#include "platform/documents/DocumentController.h"

#include <QList>
#include <QString>
#include <QStringList>

// The document of an image file opened with the application. It never has a
// window and does not stay open: reading the file appends it to the front
// catalog document (a new untitled one when none is open), and showing the
// document closes it.
class ImageLoader : public Document {
    Q_OBJECT

public:
    // The image type names this document accepts.
    static QStringList acceptedTypeNames();
    // Those of the accepted names that a reader here takes, each with the
    // extensions of its readers; names without a reader are left out.
    static QList<DocumentController::DocumentType> documentTypes();
    static void registerDocumentTypes(DocumentController& controller);

    // The catalog document that receives the photo; null when none is open.
    static Document* findTargetDocument();

    // Appends the file to the target catalog, with auto-selection. Any type
    // but the accepted ones is logged and refused.
    bool readFromFileOfType(const QString& path, const QString& type,
                            QString* error = nullptr) override;
    // Closes the document.
    void showWindows() override;
};
