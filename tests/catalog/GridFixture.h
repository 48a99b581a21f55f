#pragma once

#include "CatalogFixture.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"

#include <QApplication>
#include <QDockWidget>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <memory>

// A catalog window over the fixture's document, shown offscreen with the grid
// set up as the window controller does it (92 x 92 cells).
class GridFixture : public CatalogFixture {
protected:
    static constexpr int kCell = 92;

    void SetUp() override {
        CatalogFixture::SetUp();
        ModalAlert::setResponder({});
        ModalAlert::setPanelResponder({});
        ModalAlert::setDialogResponder({});
        controller = new ZaroziveZodiroVirizidivi;
        controller->setDocument(document.get());
        controller->setup();
        controller->openCatalogDrawer();
        window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
    }
    void TearDown() override {
        delete controller;
        controller = nullptr;
        CatalogFixture::TearDown();
    }

    QWidget* window() const { return controller->window(); }
    // The catalog window becomes the active and main window, as a click makes it.
    void makeMain() {
        window()->activateWindow();
        QApplication::setActiveWindow(window());
        MainWindowTracker::sharedTracker().update();
    }
    VQFileCatalogScrollView* scroll() const { return controller->fileCatalogScrollView(); }
    VQFileCatalogView* grid() const { return scroll()->fileCatalogView(); }

    int scrollerWidth() const { return scroll()->verticalScroller()->width(); }
    // Sizes the window and its drawer so that the grid's clip view is `width`
    // wide and `height` high.
    void sizeClip(int width, int height) {
        auto* own = qobject_cast<DurevedeDudiruVorudu*>(window());
        const QSize wanted(width + 2 + scroll()->style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                           height + 2);
        for (int i = 0; i < 4 && scroll()->size() != wanted; ++i) {
            const QSize change = wanted - scroll()->size();
            window()->resize(window()->size() + change);
            own->resizeDocks({own->catalogDrawer()},
                             {own->catalogDrawer()->width() + change.width()}, Qt::Horizontal);
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(scroll()->contentView()->size(), QSize(width, height));
    }
    // Room for exactly `columns` cells (and a bit).
    void sizeForColumns(int columns, int height = 300) { sizeClip(columns * kCell + 10, height); }

    // The widget point of a spot within the cell (fractions from its lower left).
    QPoint cellPoint(int index, float fx = 0.5f, float fy = 0.5f) const {
        const Rect cell = grid()->getCellRectAtIndex(index);
        const Rect spot{cell.minX() + fx * cell.width(), cell.minY() + fy * cell.height(), 0, 0};
        return grid()->widgetRectFromBounds(spot).topLeft().toPoint();
    }
    void click(int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(grid(), Qt::LeftButton, modifiers, cellPoint(index));
        drainEvents();
    }
    QList<int> selected() { return catalog().getSelectedIndices(); }

    ZaroziveZodiroVirizidivi* controller = nullptr;
};

// Drags within the test's process: the offscreen platform ends a real drag at
// once, so the data the grid hands to the drag is kept and dropped by hand.
class DragCatcher {
public:
    DragCatcher() : _observer([this](const PasteboardData& data) { _data.reset(data.clone()); }) {}
    PasteboardData* data() const { return _data.get(); }

private:
    DragSession::ScopedObserver _observer;
    std::unique_ptr<PasteboardData> _data;
};

inline void sendDrag(QWidget* widget, QEvent::Type type, QMimeData* data, QPoint at,
                     Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    if (type == QEvent::DragEnter) {
        QDragEnterEvent event(at, actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    } else if (type == QEvent::DragMove) {
        QDragMoveEvent event(at, actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    } else if (type == QEvent::Drop) {
        QDropEvent event(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    } else {
        QDragLeaveEvent event;
        QApplication::sendEvent(widget, &event);
    }
}
