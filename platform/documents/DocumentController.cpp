#include "platform/documents/DocumentController.h"

#include "platform/documents/Document.h"

DocumentController& DocumentController::sharedDocumentController() {
    static DocumentController shared;
    return shared;
}

DocumentController::DocumentController() = default;

DocumentController::~DocumentController() = default;

void DocumentController::registerDocumentType(DocumentType type) {
    for (DocumentType& known : _types) {
        if (known.name == type.name) {
            known = std::move(type);
            return;
        }
    }
    _types.push_back(std::move(type));
}

QStringList DocumentController::documentTypes() const {
    QStringList names;
    for (const DocumentType& type : _types)
        names.append(type.name);
    return names;
}

QString DocumentController::typeFromFileExtension(const QString& extension) const {
    for (const DocumentType& type : _types)
        if (type.extensions.contains(extension, Qt::CaseInsensitive))
            return type.name;
    return {};
}

QStringList DocumentController::fileExtensionsFromType(const QString& type) const {
    const DocumentType* known = find(type);
    return known ? known->extensions : QStringList();
}

std::shared_ptr<Document>
DocumentController::makeUntitledDocumentOfType(const QString& type) const {
    const DocumentType* known = find(type);
    if (!known || !known->factory)
        return nullptr;
    std::shared_ptr<Document> document = known->factory();
    if (document)
        document->setFileType(type);
    return document;
}

const DocumentController::DocumentType* DocumentController::find(const QString& type) const {
    for (const DocumentType& known : _types)
        if (known.name == type)
            return &known;
    return nullptr;
}
