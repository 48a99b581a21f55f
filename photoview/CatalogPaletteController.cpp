#include "photoview/CatalogPaletteController.h"

#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Notification.h"

#include <QWidget>

RoduvudeDadevizi* CatalogPaletteController::document() const {
    return _myDocument;
}

const void* CatalogPaletteController::documentOfWindow(const void* window) const {
    const auto* widget = qobject_cast<const QWidget*>(static_cast<const QObject*>(window));
    auto* controller =
        widget ? qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(widget))
               : nullptr;
    return controller ? controller->catalogDocument() : nullptr;
}

void CatalogPaletteController::mainWindowChanged(const Notification& notification) {
    const void* document = documentOfWindow(notification.object());
    if (!document)
        return;
    _myDocument = static_cast<RoduvudeDadevizi*>(const_cast<void*>(document));
    documentChanged();
    PaletteController::mainWindowChanged(notification);
}

void CatalogPaletteController::mainWindowResigned(const Notification& notification) {
    if (!documentOfWindow(notification.object()))
        return;
    documentWillGo();
    _myDocument = nullptr;
    documentChanged();
    PaletteController::mainWindowResigned(notification);
}
