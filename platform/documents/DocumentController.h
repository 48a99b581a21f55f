#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Document;

// The document types the application knows: each by name, with its file
// extensions and how a new document of it is made.
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

private:
    const DocumentType* find(const QString& type) const;

    std::vector<DocumentType> _types;
};
