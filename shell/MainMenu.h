#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;

// The application's one main menu: a row of menus, the application menu first and
// the Window menu among them, that every main window shows as its whole menu bar.
// Menus may be added and dropped while windows show it; every menu bar follows.
class MainMenu : public QObject {
    Q_OBJECT

public:
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildMenuBars();
    void rebuildMenuBar(QMainWindow* window);

    std::vector<std::unique_ptr<QMenu>> _menus;
    QList<QPointer<QMainWindow>> _windows;
    QMenu* _applicationMenu = nullptr;
    QMenu* _windowsMenu = nullptr;
    QAction* _aboutItem = nullptr;
    QAction* _checkForUpdatesItem = nullptr;
    QAction* _preferencesItem = nullptr;
};
