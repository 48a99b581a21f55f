#include "framework/editor/GeometryController.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/inspectors/VQGradientFillPanel.h"
#include "library/TemplateManagerWindowController.h"
#include "photoview/PhotoInfoWindowController.h"
#include "photoview/PixelAdjusterController.h"
#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Palette {
    const char* name;
    PaletteController* (*shared)();
    // Whether activate shows the window with no document to serve.
    bool showsWithoutDocument;
};

const Palette kPalettes[] = {
    {"enhancement",
     []() -> PaletteController* {
         return PixelAdjusterController::sharedPixelAdjusterController();
     },
     false},
    {"photo info",
     []() -> PaletteController* { return PhotoInfoWindowController::sharedPhotoInfoController(); },
     false},
    {"template manager",
     []() -> PaletteController* {
         return TemplateManagerWindowController::sharedTemplateManagerController();
     },
     true},
    {"inspector",
     []() -> PaletteController* { return InspectorController::sharedInspectorController(); },
     false},
    {"geometry",
     []() -> PaletteController* { return GeometryController::sharedGeometryController(); }, false},
    {"tool",
     []() -> PaletteController* { return ToolPaletteController::sharedToolPaletteController(); },
     false},
    {"gradient",
     []() -> PaletteController* {
         return VQGradientFillPanel::sharedGradientFillPanelController();
     },
     false},
};

// Where each palette goes by default, in a visible frame v (screen coordinates,
// y down) for a window frame of size s.
QPoint expectedOrigin(const char* name, const QRect& v, const QSize& s) {
    const std::string n = name;
    const int right = v.x() + v.width() - s.width() - 2;
    const int bottom10 = v.y() + v.height() - s.height() - 10;
    if (n == "enhancement" || n == "inspector")
        return {right, v.y() + 2};
    if (n == "photo info")
        return {right, v.y() + 377};
    if (n == "template manager")
        return {right, bottom10};
    if (n == "geometry")
        return {116, bottom10};
    if (n == "tool")
        return {1, v.y()};
    return {v.x() + (v.width() - s.width()) / 2, v.y() + (v.height() - s.height()) / 2};
}

// The template manager window sets itself up before it first shows; the
// cases below are about showing, so that is done first.
void setUpTemplateManager() {
    TemplateManagerWindowController* manager =
        TemplateManagerWindowController::sharedTemplateManagerController();
    manager->loadWindow();
    QDeadlineTimer deadline(10000);
    while (!manager->isSetUpComplete() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(manager->isSetUpComplete());
}

} // namespace

TEST(SharedPalettes, OneInstanceEach) {
    for (const Palette& palette : kPalettes)
        EXPECT_EQ(palette.shared(), palette.shared()) << palette.name;
}

TEST(SharedPalettes, ActivateHideAndClose) {
    setUpTemplateManager();
    for (const Palette& palette : kPalettes) {
        PaletteController* controller = palette.shared();
        QWidget* window = controller->window();

        controller->activate();
        EXPECT_TRUE(controller->isActivated()) << palette.name;
        EXPECT_EQ(window->isVisible(), palette.showsWithoutDocument) << palette.name;

        // Hiding keeps the wish; the user closing the window ends it.
        controller->hide();
        EXPECT_FALSE(window->isVisible()) << palette.name;
        EXPECT_TRUE(controller->isActivated()) << palette.name;
        controller->activate();
        controller->close();
        EXPECT_FALSE(window->isVisible()) << palette.name;
        EXPECT_FALSE(controller->isActivated()) << palette.name;
    }
}

TEST(SharedPalettes, DefaultPlaceOnFirstActivateAndOnReset) {
    setUpTemplateManager();
    const QRect visible = PaletteController::mainScreenVisibleFrame();
    ASSERT_FALSE(visible.isEmpty());
    for (const Palette& palette : kPalettes) {
        PaletteController* controller = palette.shared();
        QWidget* window = controller->window();
        controller->activate();
        const QPoint home = expectedOrigin(palette.name, visible, window->frameGeometry().size());
        EXPECT_EQ(window->pos(), home) << palette.name;

        // Moved by the user, it stays put when activated again...
        window->move(home + QPoint(-40, 30));
        controller->activate();
        EXPECT_EQ(window->pos(), home + QPoint(-40, 30)) << palette.name;
    }
    // ...until the palettes are reset.
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("ResetAllPalettes"));
    for (const Palette& palette : kPalettes) {
        QWidget* window = palette.shared()->window();
        EXPECT_EQ(window->pos(),
                  expectedOrigin(palette.name, visible, window->frameGeometry().size()))
            << palette.name;
    }
}

namespace {

// A palette that serves the documents of one window.
class ServingPalette : public PaletteController {
public:
    ServingPalette() : PaletteController(QStringLiteral("Serving"), QSize(100, 80)) {}
    QWidget served;
    int document = 0;

protected:
    QPoint defaultOrigin(const QRect& visible, const QSize&) const override {
        return visible.topLeft();
    }
    const void* documentOfWindow(const void* window) const override {
        return window == &served ? &document : nullptr;
    }
};

} // namespace

TEST(SharedPalettes, FollowTheMainWindowTheyServe) {
    ServingPalette palette;
    QWidget other;
    EXPECT_FALSE(palette.isActivated());

    // Not wanted: a served window becoming main shows nothing.
    palette.mainWindowChanged(Notification(QStringLiteral("main"), &palette.served));
    EXPECT_EQ(palette.followedDocument(), &palette.document);
    EXPECT_FALSE(palette.window()->isVisible());

    // Wanted and a document to serve: shown.
    palette.activate();
    EXPECT_TRUE(palette.window()->isVisible());

    // Another kind of window changes nothing.
    palette.mainWindowResigned(Notification(QStringLiteral("resigned"), &other));
    EXPECT_TRUE(palette.window()->isVisible());

    // The served window gives up being main: hidden, still wanted, back with it.
    palette.mainWindowResigned(Notification(QStringLiteral("resigned"), &palette.served));
    EXPECT_EQ(palette.followedDocument(), nullptr);
    EXPECT_FALSE(palette.window()->isVisible());
    EXPECT_TRUE(palette.isActivated());
    palette.mainWindowChanged(Notification(QStringLiteral("main"), &palette.served));
    EXPECT_TRUE(palette.window()->isVisible());
}
