#pragma once

#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ScrollView.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMainWindow>
#include <memory>

inline QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Makes the window the active one and lets the tracker see it.
inline void makeKey(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    window->activateWindow();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
}

// Counts a notification from one sender.
struct NoticeCount {
    NoticeCount(const char* name, const void* sender) {
        NotificationCenter::defaultCenter().addObserver(this, str(name), sender,
                                                        [this](const Notification&) { ++count; });
    }
    ~NoticeCount() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
};

// A template of 5 by 4 inches (360 by 288 points) in its shown editor window,
// the key window.
class EditorFixture {
public:
    EditorFixture() {
        const PageDescRef& page = document.pageDesc();
        page->setDisplayUnit(str("Inches"));
        page->setAutoPageSize(false);
        page->setPageSize({5, 4});
        page->setSnapsToGrid(false);
        QCoreApplication::processEvents();
        document.makeWindowControllers();
        controller = qobject_cast<TemplateEditorController*>(document.windowControllers().first());
        canvas = controller->templateView();
        makeKey(controller->window());
    }
    ~EditorFixture() { QCoreApplication::processEvents(); }

    // A rectangle at (x, y) of 40 by 30 points, added to the page.
    TMObjectRef addRectangle(float x, float y) {
        TMObjectRef object = TMRectangleObject::newTemplateObjectWithOriginSize({x, y}, {40, 30});
        document.addObject(object);
        return object;
    }
    QWidget* window() const { return controller->window(); }

    TestHost host;
    TemplateDocument document;
    TemplateEditorController* controller = nullptr;
    TM_TemplateView* canvas = nullptr;
};
