#pragma once
// Windows of a session test brought forward as a click would, and the
// controller of a catalog document's window.
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/documents/Document.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/MainWindowTracker.h"

#include <QApplication>
#include <QWidget>

inline void activate(QWidget* window) {
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    QCoreApplication::processEvents();
}

inline ZaroziveZodiroVirizidivi* controllerOf(Document* document) {
    return document->windowControllers().isEmpty()
               ? nullptr
               : qobject_cast<ZaroziveZodiroVirizidivi*>(document->windowControllers().first());
}

// The catalog in front, if the front document is one.
inline RoduvudeDadevizi* frontCatalog() {
    const QList<Document*> open = DocumentController::sharedDocumentController().documents();
    return open.isEmpty() ? nullptr : qobject_cast<RoduvudeDadevizi*>(open.first());
}
