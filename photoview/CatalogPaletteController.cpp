#include "photoview/CatalogPaletteController.h"

#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/MainWindowTracker.h"

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

void CatalogPaletteController::observeMainWindows() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* self = this;
    const QString becameMain = QString::fromLatin1(kWindowDidBecomeMainNotification);
    center.addObserver(self, becameMain, nullptr,
                       [this](const Notification& n) { mainWindowChanged(n); });
    center.addObserver(self, QString::fromLatin1(kWindowDidResignMainNotification), nullptr,
                       [this](const Notification& n) { mainWindowResigned(n); });
    if (QWidget* main = MainWindowTracker::sharedTracker().mainWindow())
        mainWindowChanged(
            Notification(becameMain, Notification::Sender(static_cast<const QObject*>(main))));
}
