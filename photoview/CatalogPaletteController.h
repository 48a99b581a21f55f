#pragma once

#include "platform/ui/PaletteController.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class RoduvudeDadevizi;

// A shared palette that serves the catalog document of the main catalog window:
// it takes that document when a catalog window becomes main and lets it go when
// the window resigns; other windows leave it as it is.
//
// Controls carry their field names as object names: control<T>("_applyButton").
class CatalogPaletteController : public PaletteController {
public:
    template <class T> T* control(const char* name) const {
        return window()->findChild<T*>(QString::fromLatin1(name));
    }

    // The document of the main catalog window; null when none is main.
    RoduvudeDadevizi* document() const;

protected:
    using PaletteController::PaletteController;

    // Reloads the controls for the document now served (possibly none).
    virtual void documentChanged() = 0;
    // The served document is about to go: ends what is under way with it.
    virtual void documentWillGo() {}

    const void* documentOfWindow(const void* window) const override;
    void mainWindowChanged(const Notification& notification) override;
    void mainWindowResigned(const Notification& notification) override;

private:
    QPointer<RoduvudeDadevizi> _myDocument;
};
