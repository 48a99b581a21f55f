#pragma once
// The catalog window, main, with its photograph panel in a 500 x 400 main view,
// and the steps every edit-mode test takes: showing the first photo and
// entering a mode. Each test ends its mode and closes its palette itself.
#include "catalog/GridFixture.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/MainWindowTracker.h"

#include <QApplication>
#include <functional>

class PhotoPanelFixture : public GridFixture {
public:
    void SetUp() override {
        GridFixture::SetUp();
        makeMain();
        placeMainView(500, 400);
    }
    PhotoView* panel() const { return controller->mainView()->findChild<PhotoView*>(); }
    void placeMainView(int width, int height) { place(*controller, width, height); }
    static void place(ZaroziveZodiroVirizidivi& owner, int width = 500, int height = 400) {
        owner.mainView()->setGeometry(0, 0, width, height);
        owner.mainView()->show();
        owner.mainView()->findChild<PhotoView*>()->setGeometry(1, 1, width - 2, height - 2);
        drainEvents();
    }
    // The catalog's first photo, selected and shown, with no undo behind it.
    void showFirstPhoto() {
        drainEvents();
        catalog().clearSelection();
        catalog().setSelectionAtIndex(0);
        drainEvents();
        undo().removeAllActions();
        ASSERT_FALSE(panel()->photoImage().isNull());
    }
    void enterMode(void (PhotoView::*toggle)(), PhotoEditMode mode) {
        (panel()->*toggle)();
        drainEvents();
        ASSERT_EQ(controller->editMode(), mode);
    }
};
