#pragma once

#include "catalog/GridFixture.h"
#include "platform/ui/MainWindowTracker.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

// The catalog window of the fixture made the main window, so that the shared
// palettes serve its document.
class PaletteFixture : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        makeMain(window());
    }

    static void makeMain(QWidget* window) {
        window->show();
        QApplication::setActiveWindow(window);
        window->activateWindow();
        QCoreApplication::processEvents();
        MainWindowTracker::sharedTracker().update();
        drainEvents();
    }
    // Typing into a field of a palette as the user does: click, replace, Return.
    static void type(QLineEdit* field, const QString& text) {
        QWidget* palette = field->window();
        palette->show();
        // The click makes the palette key first, as a click does.
        QApplication::setActiveWindow(palette);
        MainWindowTracker::sharedTracker().update();
        drainEvents();
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        MainWindowTracker::sharedTracker().update();
        drainEvents();
    }
    void select(std::initializer_list<int> indices) {
        catalog().clearSelection();
        for (int index : indices)
            catalog().setSelectionAtIndex(index);
        drainEvents();
    }
};
