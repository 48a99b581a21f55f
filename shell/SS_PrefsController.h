#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <map>
#include <memory>

class QAction;
class QMainWindow;
class QToolBar;
class SS_PreferencePaneProtocol;

// The preferences window: finds the pane plug-ins ("<Name>.preferencePane" folders
// holding "<Name>.so") in one folder, shows one pane at a time behind a toolbar with
// an item per pane, and remembers the pane last shown.
class SS_PrefsController : public QObject {
    Q_OBJECT

public:
    static int version() { return 1; }

    // An empty path means the installed panes folder; an empty extension
    // "preferencePane". The panes are loaded here, once.
    explicit SS_PrefsController(const QString& searchPath = QString(),
                                const QString& bundleExtension = QString());
    ~SS_PrefsController() override;

    // Loads one pane bundle; every failure is only a debug diagnostic.
    void activatePane(const QString& bundlePath);
    // Identifiers without a loaded pane are left out.
    void setPanesOrder(const QStringList& order);
    QStringList panesOrder() const { return _panesOrder; }
    QStringList loadedPanes() const;

    void showPreferencesWindow() { createPreferencesWindowAndDisplay(true); }
    void createPreferencesWindow() { createPreferencesWindowAndDisplay(true); }
    void createPreferencesWindowAndDisplay(bool display);
    void destroyPreferencesWindow();
    bool loadPreferencePaneNamed(const QString& identifier) {
        return loadPrefsPaneNamed(identifier, true);
    }
    bool loadPrefsPaneNamed(const QString& identifier, bool display);

    void debugLog(const QString& text) const;
    void createPrefsToolbar();
    // Height the toolbar takes from the window; 0 without a shown toolbar.
    float PrefsToolbarHeight() const;

    // 1 icon and label, 2 icon only, 3 label only, 0 the platform's default.
    int toolbarDisplayMode() const { return _toolbarDisplayMode; }
    void setToolbarDisplayMode(int mode) { _toolbarDisplayMode = mode; }
    // 1 regular, 2 small, 0 the platform's default.
    int toolbarSizeMode() const { return _toolbarSizeMode; }
    void setToolbarSizeMode(int mode) { _toolbarSizeMode = mode; }
    // Kept for callers; a textured window looks no different here.
    bool usesTexturedWindow() const { return _usesTexturedWindow; }
    void setUsesTexturedWindow(bool flag) { _usesTexturedWindow = flag; }
    bool alwaysShowsToolbar() const { return _alwaysShowsToolbar; }
    void setAlwaysShowsToolbar(bool flag) { _alwaysShowsToolbar = flag; }
    bool alwaysOpensCentered() const { return _alwaysOpensCentered; }
    void setAlwaysOpensCentered(bool flag) { _alwaysOpensCentered = flag; }
    bool debug() const { return _debug; }
    void setDebug(bool flag) { _debug = flag; }

    QMainWindow* preferencesWindow() const { return _prefsWindow; }
    QToolBar* preferencesToolbar() const { return _prefsToolbar; }
    QAction* toolbarItem(const QString& identifier) const {
        return _prefsToolbarItems.value(identifier);
    }
    QString bundleExtension() const { return _bundleExtension; }
    QString searchPath() const { return _searchPath; }

    static QString lastPaneDefaultsKey();
    static QString toolbarIdentifier();

private:
    struct LoadedPane {
        std::unique_ptr<SS_PreferencePaneProtocol> pane;
        QVariantMap info;
        QString bundleFolder;
    };

    bool toolbarInUse() const;
    QString paneLabel(const QString& identifier) const;
    void centerWindow();
    void releaseWindow();
    bool isPaneView(const QWidget* widget) const;

    QMainWindow* _prefsWindow = nullptr;
    std::map<QString, LoadedPane> _preferencePanes;
    QStringList _panesOrder;
    QString _bundleExtension;
    QString _searchPath;
    QToolBar* _prefsToolbar = nullptr; // owned by the window
    QHash<QString, QAction*> _prefsToolbarItems;
    int _toolbarDisplayMode = 1;
    int _toolbarSizeMode = 0;
    bool _usesTexturedWindow = false;
    bool _alwaysShowsToolbar = false;
    bool _alwaysOpensCentered = false;
    bool _debug = false;
};
