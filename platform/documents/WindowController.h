#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class Document;

// Manages one window of a document. It owns its window (destroyed with it);
// its document owns it while it is on the document's list.
class LUMISK_PLATFORM_EXPORT WindowController : public QObject {
    Q_OBJECT

public:
    explicit WindowController(QWidget* window = nullptr);
    ~WindowController() override;

    QWidget* window() const { return _window; }
    // Takes the window over; a previous window is destroyed.
    void setWindow(QWidget* window);

    // Not owned; set by the document that lists the controller. The window's
    // title follows the document's display name and edited state.
    Document* document() const { return _document; }
    void setDocument(Document* document);

    // Closing the window closes the document (after "save changes?"); the
    // window of a document's only controller always does.
    bool shouldCloseDocument() const { return _shouldCloseDocument; }
    void setShouldCloseDocument(bool shouldClose) { _shouldCloseDocument = shouldClose; }

    void synchronizeWindowTitleWithDocumentName();
    virtual QString windowTitleForDocumentDisplayName(const QString& displayName) const;

    // The controller managing the window, or null.
    static WindowController* forWindow(const QWidget* window);

    // Shows the window, brings it to the front and makes it the active one.
    void showWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> _window;
    QPointer<Document> _document;
    bool _shouldCloseDocument = false;
};
