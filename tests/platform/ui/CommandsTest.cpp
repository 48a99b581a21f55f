#include "platform/ui/Commands.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/MainWindowTracker.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A responder for a set of actions: enables the items whose tag is in
// `enabledTags`, and records what it performed with which modifiers.
struct Recorder : CommandResponder {
    QStringList answers;
    QList<int> enabledTags;
    QStringList performed;
    QList<uint32_t> modifiers;
    bool respondsToAction(const QString& action) const override { return answers.contains(action); }
    bool validateMenuItem(QAction& item) override {
        return enabledTags.contains(Commands::itemTag(&item));
    }
    void performAction(const QString& action, QAction*) override {
        performed << action;
        modifiers << CurrentEvent::modifierFlags();
    }
};

class RespondingEdit : public QLineEdit, public Recorder {};
class RespondingController : public WindowController, public Recorder {
public:
    using WindowController::WindowController;
};

QAction* commandItem(QMenu& menu, const char* action, int tag, QKeySequence shortcut = {}) {
    QAction* item = menu.addAction(str(action));
    Commands::setItemAction(item, str(action));
    Commands::setItemTag(item, tag);
    item->setShortcut(shortcut);
    Commands::connectItem(item);
    return item;
}

// A main window with a focused text field, its controller and a document.
struct Fixture {
    Fixture() {
        auto* window = new QMainWindow;
        auto* content = new QWidget;
        auto* layout = new QVBoxLayout(content);
        edit = new RespondingEdit;
        layout->addWidget(edit);
        window->setCentralWidget(content);
        window->menuBar()->addMenu(&menu);
        Commands::installValidation(&menu);
        controller = new RespondingController(window);
        document.addWindowController(controller);
        window->resize(300, 200);
        window->show();
        QApplication::setActiveWindow(window);
        edit->setFocus();
        QCoreApplication::processEvents();
        MainWindowTracker::sharedTracker().update();
    }
    QWidget* window() const { return controller->window(); }

    QMenu menu{str("Commands")};
    Document document;
    RespondingEdit* edit;
    RespondingController* controller;
};

} // namespace

TEST(Commands, TheChainRunsFromTheFocusThroughTheControllerAndDocumentToTheApplication) {
    Fixture f;
    Recorder application;
    Commands::addApplicationResponder(&application);
    const QList<CommandResponder*> chain = Commands::responderChain(f.window(), f.window());
    ASSERT_GE(chain.size(), 4);
    EXPECT_EQ(chain[0], static_cast<CommandResponder*>(f.edit));
    EXPECT_EQ(chain[1], static_cast<CommandResponder*>(f.controller));
    EXPECT_EQ(chain[2], static_cast<CommandResponder*>(&f.document));
    EXPECT_EQ(chain.last(), &application);

    // The first that answers the action is its target.
    f.edit->answers = {str("cut:")};
    f.controller->answers = {str("cut:"), str("zoomIn:")};
    application.answers = {str("newTemplateDocument:"), str("zoomIn:")};
    EXPECT_EQ(Commands::targetForAction(str("cut:")), static_cast<CommandResponder*>(f.edit));
    EXPECT_EQ(Commands::targetForAction(str("zoomIn:")),
              static_cast<CommandResponder*>(f.controller));
    EXPECT_EQ(Commands::targetForAction(str("newTemplateDocument:")), &application);
    EXPECT_EQ(Commands::targetForAction(str("nothing:")), nullptr);
    Commands::removeApplicationResponder(&application);
}

TEST(Commands, OpeningAMenuEnablesItsItemsByTheirTargetsAnswer) {
    Fixture f;
    f.controller->answers = {str("zoomIn:"), str("zoomOut:")};
    f.controller->enabledTags = {1};
    QAction* in = commandItem(f.menu, "zoomIn:", 1);
    QAction* out = commandItem(f.menu, "zoomOut:", 2);
    QAction* orphan = commandItem(f.menu, "nobodyAnswers:", 1);
    QAction* plain = f.menu.addAction(str("Not a command"));
    plain->setEnabled(true);

    QMetaObject::invokeMethod(&f.menu, "aboutToShow");
    EXPECT_TRUE(in->isEnabled());
    EXPECT_FALSE(out->isEnabled());
    EXPECT_FALSE(orphan->isEnabled());
    EXPECT_TRUE(plain->isEnabled());

    in->trigger();
    EXPECT_EQ(f.controller->performed, QStringList(str("zoomIn:")));
    // Closed, the items are live again so that their shortcuts reach the check.
    QMetaObject::invokeMethod(&f.menu, "aboutToHide");
    EXPECT_TRUE(out->isEnabled());
}

TEST(Commands, AShortcutActsOnlyWhenItsItemValidatesAndCarriesItsModifiers) {
    Fixture f;
    f.controller->answers = {str("selectAll:")};
    QAction* item = commandItem(f.menu, "selectAll:", 307, QKeySequence(Qt::CTRL | Qt::Key_A));
    item->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_A),
                        QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_A)});

    QTest::keyClick(f.window(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(f.controller->performed.isEmpty()); // tag 307 not enabled
    EXPECT_TRUE(item->isEnabled());

    f.controller->enabledTags = {307};
    QTest::keyClick(f.window(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f.window(), Qt::Key_A,
                    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    ASSERT_EQ(f.controller->performed, QStringList({str("selectAll:"), str("selectAll:")}));
    EXPECT_EQ(f.controller->modifiers[0], uint32_t(CommandKeyMask));
    EXPECT_EQ(f.controller->modifiers[1],
              uint32_t(CommandKeyMask | AlternateKeyMask | ShiftKeyMask));
}

TEST(Commands, TheDocumentAnswersUndoAndRedoFromItsUndoManager) {
    Fixture f;
    QAction* undo = commandItem(f.menu, "undo:", 301);
    QAction* redo = commandItem(f.menu, "redo:", 302);
    int value = 0;
    UndoManager* manager = f.document.undoManager();
    QMetaObject::invokeMethod(&f.menu, "aboutToShow");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    std::function<void(int)> set = [&](int v) {
        manager->registerUndo(&value, [&set, old = value] { set(old); });
        value = v;
    };
    set(1);
    manager->setActionName(str("Move & Turn"));
    QCoreApplication::processEvents();
    QMetaObject::invokeMethod(&f.menu, "aboutToShow");
    EXPECT_TRUE(undo->isEnabled());
    // One "&" goes, as it would otherwise mark a shortcut letter.
    EXPECT_EQ(undo->text(), str("Undo Move  Turn"));
    EXPECT_TRUE(f.document.isDocumentEdited());

    undo->trigger();
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(f.document.isDocumentEdited());
    QMetaObject::invokeMethod(&f.menu, "aboutToShow");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
}
