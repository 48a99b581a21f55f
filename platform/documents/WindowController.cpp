#include "platform/documents/WindowController.h"

#include "platform/documents/Document.h"
#include "platform/documents/DocumentController.h"

#include <QCloseEvent>
#include <QVariant>

namespace {
constexpr char kControllerProperty[] = "lumiskWindowController";
}

WindowController* WindowController::forWindow(const QWidget* window) {
    if (!window)
        return nullptr;
    return qobject_cast<WindowController*>(window->property(kControllerProperty).value<QObject*>());
}

WindowController::WindowController(QWidget* window) {
    setWindow(window);
}

WindowController::~WindowController() {
    delete _window.data();
}

void WindowController::setWindow(QWidget* window) {
    if (window == _window)
        return;
    delete _window.data();
    _window = window;
    if (window) {
        window->setProperty(kControllerProperty, QVariant::fromValue<QObject*>(this));
        window->installEventFilter(this);
        synchronizeWindowTitleWithDocumentName();
    }
}

void WindowController::setDocument(Document* document) {
    if (document == _document)
        return;
    if (_document)
        disconnect(_document, nullptr, this, nullptr);
    _document = document;
    if (document) {
        connect(document, &Document::displayNameChanged, this,
                &WindowController::synchronizeWindowTitleWithDocumentName);
        connect(document, &Document::documentEditedChanged, this,
                &WindowController::synchronizeWindowTitleWithDocumentName);
        synchronizeWindowTitleWithDocumentName();
    }
}

QString WindowController::windowTitleForDocumentDisplayName(const QString& displayName) const {
    return displayName;
}

void WindowController::synchronizeWindowTitleWithDocumentName() {
    if (!_window || !_document)
        return;
    // "[*]" is where the window shows that the document has unsaved changes.
    _window->setWindowTitle(windowTitleForDocumentDisplayName(_document->displayName()) +
                            QStringLiteral("[*]"));
    _window->setWindowModified(_document->isDocumentEdited());
}

void WindowController::showWindow() {
    if (!_window)
        return;
    _window->show();
    _window->raise();
    _window->activateWindow();
}

bool WindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != _window || !_document)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::WindowActivate) {
        if (DocumentController* controller = _document->documentController())
            controller->noteDocumentActivated(_document);
    } else if (event->type() == QEvent::Close && !_document->isClosed() &&
               (_shouldCloseDocument || _document->windowControllers().size() == 1)) {
        // An unedited document closes with the window, which so takes part in
        // closing all windows at quit; an edited one keeps its window until it
        // is decided, and closing the document then takes its windows along.
        if (!_document->isDocumentEdited()) {
            _document->close();
            return false;
        }
        event->ignore();
        QPointer<Document> document = _document;
        document->canCloseDocument([document](bool shouldClose) {
            if (shouldClose && document)
                document->close();
        });
        return true;
    }
    return QObject::eventFilter(watched, event);
}
