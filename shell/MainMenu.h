#pragma once

#include "platform/ui/Commands.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;

// The application's one main menu: a row of menus, the application menu first and
// the Window menu among them, that every main window shows as its whole menu bar.
// Menus may be added and dropped while windows show it; every menu bar follows.
//
// The command menus (File, Edit, View, Format and the palettes of the Window
// menu) come from one table of rows: title key, tag, action and shortcut.
// Their items send their actions along the responder chain (the key window's
// canvas, its controller, its document, then the application's own commands
// here), and are enabled by whoever answers them, so one Edit menu serves the
// catalog and the template windows alike.
class MainMenu : public QObject, public CommandResponder {
    Q_OBJECT

public:
    // A row of the command table. A separator row has no title key.
    struct CommandRow {
        const char* menuTitleKey;
        const char* titleKey;
        int tag;
        const char* action;
        QKeySequence shortcut;
        // A second shortcut, kept out of the menu's text.
        QKeySequence alternateShortcut = {};
    };
    static const std::vector<CommandRow>& commandRows();

    MainMenu();
    ~MainMenu() override;

    QList<QMenu*> menus() const;
    // The first menu whose title is `title`, or null.
    QMenu* menuWithTitle(const QString& title) const;
    // -1 when the menu isn't in the row.
    int indexOfMenu(const QMenu* menu) const;
    // Takes the menu into the row before `index` (at the end when out of range).
    void insertMenu(std::unique_ptr<QMenu> menu, int index);
    // Drops the menu from the row and deletes it once control is back in the
    // event loop (it may be the one whose item is running).
    void removeMenu(QMenu* menu);

    QMenu* applicationMenu() const { return _applicationMenu; }
    QMenu* windowsMenu() const { return _windowsMenu; }
    QAction* aboutItem() const { return _aboutItem; }
    QAction* checkForUpdatesItem() const { return _checkForUpdatesItem; }
    QAction* preferencesItem() const { return _preferencesItem; }

    // A main window shows the menu; windows are taken up as they are first shown.
    void showInWindow(QMainWindow* window);

    // The first command item with the action, or null.
    QAction* itemWithAction(const QString& action) const;
    // The application's own commands ("newTemplateDocument:", "openDocument:").
    void setApplicationAction(const QString& action, std::function<void()> handler);
    bool respondsToAction(const QString& action) const override;
    void performAction(const QString& action, QAction* sender) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildMenuBars();
    void rebuildMenuBar(QMainWindow* window);
    void buildCommandMenus();

    std::vector<std::unique_ptr<QMenu>> _menus;
    QList<QPointer<QMainWindow>> _windows;
    QMenu* _applicationMenu = nullptr;
    QMenu* _windowsMenu = nullptr;
    QAction* _aboutItem = nullptr;
    QAction* _checkForUpdatesItem = nullptr;
    QAction* _preferencesItem = nullptr;
    QList<QAction*> _commandItems;
    QHash<QString, std::function<void()>> _applicationActions;
};
