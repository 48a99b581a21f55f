#include "platform/documents/DocumentController.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/ui/ModalAlert.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <set>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("DocumentController", text);
}

} // namespace

// Holds the application's quit event back while the review runs.
class DocumentController::QuitReview : public QObject {
public:
    explicit QuitReview(DocumentController& controller) : _controller(controller) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != qApp || event->type() != QEvent::Quit)
            return false;
        if (!_reviewing && !_controller.hasEditedDocuments())
            return false;
        event->ignore();
        if (!_reviewing) {
            _reviewing = true;
            QPointer<QuitReview> self(this);
            _controller.closeAllDocuments([self](bool allClosed) {
                if (!self)
                    return;
                self->_reviewing = false;
                if (allClosed)
                    QCoreApplication::quit();
            });
        }
        return true;
    }

private:
    DocumentController& _controller;
    bool _reviewing = false;
};

DocumentController& DocumentController::sharedDocumentController() {
    static DocumentController shared;
    return shared;
}

DocumentController::DocumentController() = default;

DocumentController::~DocumentController() {
    _quitReview.reset();
    for (const std::shared_ptr<Document>& document : _documents)
        document->setDocumentController(nullptr);
}

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

QString DocumentController::typeForFileName(const QString& path) const {
    const QString extension = QFileInfo(path).suffix();
    return extension.isEmpty() ? QString() : typeFromFileExtension(extension);
}

QStringList DocumentController::allFileExtensions() const {
    QStringList extensions;
    for (const DocumentType& type : _types)
        extensions << type.extensions;
    extensions.removeDuplicates();
    return extensions;
}

// ---------------------------------------------------------------------------
// Open documents

QList<Document*> DocumentController::documents() const {
    QList<Document*> list;
    for (const std::shared_ptr<Document>& document : _documents)
        list.append(document.get());
    return list;
}

Document* DocumentController::currentDocument() const {
    // A sheet is a window of its own over the document's window.
    for (QWidget* window = QApplication::activeWindow(); window;
         window = window->parentWidget() ? window->parentWidget()->window() : nullptr) {
        if (const WindowController* controller = WindowController::forWindow(window)) {
            Document* document = controller->document();
            return document && document->documentController() == this ? document : nullptr;
        }
    }
    return nullptr;
}

Document* DocumentController::documentForFileName(const QString& path) const {
    const QString wanted = QFileInfo(path).canonicalFilePath();
    if (wanted.isEmpty())
        return nullptr;
    for (const std::shared_ptr<Document>& document : _documents)
        if (!document->fileName().isEmpty() &&
            QFileInfo(document->fileName()).canonicalFilePath() == wanted)
            return document.get();
    return nullptr;
}

bool DocumentController::hasEditedDocuments() const {
    return std::any_of(_documents.cbegin(), _documents.cend(),
                       [](const std::shared_ptr<Document>& d) { return d->isDocumentEdited(); });
}

void DocumentController::addDocument(std::shared_ptr<Document> document) {
    if (!document ||
        std::find(_documents.cbegin(), _documents.cend(), document) != _documents.cend())
        return;
    if (document->fileName().isEmpty() && document->untitledNumber() == 0) {
        std::set<int> taken;
        for (const std::shared_ptr<Document>& open : _documents)
            if (open->fileName().isEmpty())
                taken.insert(open->untitledNumber());
        int number = 1;
        while (taken.count(number))
            ++number;
        document->setUntitledNumber(number);
    }
    document->setDocumentController(this);
    _documents.insert(_documents.begin(), std::move(document));
}

std::shared_ptr<Document> DocumentController::takeDocument(Document* document) {
    const auto it = std::find_if(_documents.begin(), _documents.end(),
                                 [document](const auto& open) { return open.get() == document; });
    if (it == _documents.end())
        return nullptr;
    std::shared_ptr<Document> taken = std::move(*it);
    _documents.erase(it);
    taken->setDocumentController(nullptr);
    return taken;
}

void DocumentController::noteDocumentActivated(Document* document) {
    const auto it = std::find_if(_documents.begin(), _documents.end(),
                                 [document](const auto& open) { return open.get() == document; });
    if (it != _documents.end())
        std::rotate(_documents.begin(), it, it + 1);
}

std::shared_ptr<Document> DocumentController::makeDocumentOfType(const QString& type,
                                                                 QString* error) const {
    std::shared_ptr<Document> document = makeUntitledDocumentOfType(type);
    if (!document && error)
        *error = tr("Documents of the type \"%1\" cannot be made.").arg(type);
    return document;
}

void DocumentController::present(const std::shared_ptr<Document>& document, bool display) {
    addDocument(document);
    document->makeWindowControllers();
    if (display)
        document->showWindows();
}

std::shared_ptr<Document>
DocumentController::openUntitledDocumentOfType(const QString& type, bool display, QString* error) {
    std::shared_ptr<Document> document = makeDocumentOfType(type, error);
    if (document)
        present(document, display);
    return document;
}

std::shared_ptr<Document> DocumentController::openDocumentWithContentsOfFile(const QString& path,
                                                                             bool display,
                                                                             QString* error) {
    if (Document* open = documentForFileName(path)) {
        if (display)
            open->showWindows();
        noteDocumentActivated(open);
        return _documents.front();
    }
    const QString type = typeForFileName(path);
    if (type.isEmpty()) {
        if (error)
            *error = tr("Files of this kind cannot be opened.");
        return nullptr;
    }
    std::shared_ptr<Document> document = makeDocumentOfType(type, error);
    if (!document)
        return nullptr;
    // Known before reading, so that the reader can find files kept beside it.
    document->setFileName(QFileInfo(path).absoluteFilePath());
    QString reason;
    if (!document->readFromFileOfType(document->fileName(), type, &reason)) {
        if (error)
            *error = reason.isEmpty() ? tr("The file could not be read.") : reason;
        return nullptr;
    }
    present(document, display);
    return document;
}

void DocumentController::openDocument() {
    ModalAlert::PanelRequest request;
    request.kind = ModalAlert::PanelRequest::Kind::Open;
    request.title = tr("Open");
    request.extensions = allFileExtensions();
    request.multipleSelection = true;
    for (const QString& path : ModalAlert::runPanel(request)) {
        QString reason;
        if (openDocumentWithContentsOfFile(path, true, &reason))
            continue;
        ModalAlert::Request alert(
            tr("The document \"%1\" could not be opened.").arg(QFileInfo(path).fileName()), reason);
        alert.style = ModalAlert::Style::Critical;
        ModalAlert::run(alert);
    }
}

void DocumentController::closeAllDocuments(std::function<void(bool)> done) {
    closeNext(documents(), std::move(done));
}

void DocumentController::setReviewsUnsavedDocumentsAtQuit(bool reviews) {
    if (!reviews)
        _quitReview.reset();
    else if (!_quitReview && qApp)
        _quitReview = std::make_unique<QuitReview>(*this);
}

void DocumentController::closeNext(QList<Document*> remaining, std::function<void(bool)> done) {
    // Documents that went in the meantime are passed over.
    while (!remaining.isEmpty() && !documents().contains(remaining.first()))
        remaining.removeFirst();
    if (remaining.isEmpty()) {
        if (done)
            done(true);
        return;
    }
    QPointer<Document> document = remaining.takeFirst();
    document->canCloseDocument(
        [this, document, remaining, done = std::move(done)](bool shouldClose) mutable {
            if (!shouldClose) {
                if (done)
                    done(false);
                return;
            }
            if (document)
                document->close();
            closeNext(std::move(remaining), std::move(done));
        });
}
