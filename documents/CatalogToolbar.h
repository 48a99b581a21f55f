#pragma once

#include "platform/ui/Toolbar.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class CatalogPanel;
class ZaroziveZodiroVirizidivi;

inline constexpr char kPhotoDocToolbarIdentifier[] = "com.varnsoft.vyx.photodoctoolbar";
inline constexpr char kLayoutDocToolbarIdentifier[] = "com.varnsoft.vyx.layoutdoctoolbar";

// The toolbars of a catalog window's two panels share one vocabulary: item
// suffixes, string keys, images, actions and enabling rules.
enum class CatalogToolbarKind { Photograph, Layout };

// Who carries an item's action out: the panel (which hands it on to the window
// controller, the photograph panel's edit-mode toggles excepted), the window
// controller, or the application's responders.
enum class CatalogToolbarTarget { Panel, Controller, Application };

struct CatalogToolbarItem {
    const char* suffix;
    const char* labelKey;
    const char* paletteLabelKey;
    const char* tooltipKey;
    const char* image;
    // The image and tooltip while the item's state is on; null when it has none.
    const char* imageOn;
    const char* tooltipOnKey;
    CatalogToolbarTarget target;
    const char* action;
    bool onPhotograph;
    bool onLayout;
};

// What the enabling rules look at.
struct CatalogToolbarState {
    bool mainWindow = false;
    bool sheetAttached = false;
    int selectionCount = 0;
    // At least one selected entry is enabled / not enabled (its file missing) /
    // a file entry / a URL entry.
    bool selectionEnabled = false;
    bool selectionDisabled = false;
    bool selectionFile = false;
    bool selectionURL = false;
    bool marked = false;
    bool book = false;
    bool layoutShown = false;
    int pageCount = 0;
    int currentPage = 0;
    bool printAreas = false;
    bool editFields = false;
    int catalogCount = 0;
    bool saveBackSetting = false;
    bool modifiedEntries = false;
    bool iPhotoLoaded = false;
    bool selectedCellsVisible = false;
};

namespace CatalogToolbar {

QString toolbarIdentifier(CatalogToolbarKind kind);
QString itemIdentifier(CatalogToolbarKind kind, const char* suffix);
// The row of an identifier of the kind's set; null for any other.
const CatalogToolbarItem* itemForIdentifier(CatalogToolbarKind kind, const QString& identifier);
// The suffix after either panel's prefix; the identifier itself otherwise.
QString itemSuffix(const QString& identifier);

QStringList allowedItemIdentifiers(CatalogToolbarKind kind);
QStringList defaultItemIdentifiers(CatalogToolbarKind kind);

// Whether the item of the suffix (the print item by its own identifier) may
// act in that state, whoever its target is.
bool isItemEnabled(const QString& suffix, const CatalogToolbarState& state);

// The state of the controller's window; the layout panel tells whether a
// selected entry sits on the current page.
CatalogToolbarState stateOf(const ZaroziveZodiroVirizidivi& controller);

// The edit mode under which the item shows its "on" image; 0 for none.
int editModeOfItem(const QString& suffix);
// The item made anew for its identifier; null for one the kind lacks.
QAction* makeItem(CatalogToolbarKind kind, const QString& identifier, int editMode,
                  bool drawerOpen);
// Sets the images and tooltips that follow the edit mode and the drawer.
void updateStateLook(QAction& item, int editMode, bool drawerOpen);

} // namespace CatalogToolbar

// A panel's toolbar delegate: it makes the panel's toolbar and items, sends
// each item's action to its target and validates the items. An item whose
// action no object answers stays disabled.
class CatalogToolbarDelegate : public QObject, public ToolbarDelegate {
    Q_OBJECT

public:
    CatalogToolbarDelegate(CatalogToolbarKind kind, CatalogPanel& panel);
    ~CatalogToolbarDelegate() override;

    CatalogToolbarKind kind() const { return _kind; }

    // Makes the toolbar (customizable, autosaved) and installs it in the window.
    void setupToolbar(QWidget* window);
    // Refreshes the images and tooltips that follow state, then validates.
    void adjustToolbarButtons();
    QAction* findToolbarItemWithIdentifier(const QString& identifier) const;
    // Null once another toolbar has taken the window's place.
    Toolbar* toolbar() const { return _toolbar && _toolbar->parent() ? _toolbar.data() : nullptr; }

    QAction* toolbarItemForItemIdentifier(Toolbar& toolbar, const QString& identifier) override;
    QStringList toolbarAllowedItemIdentifiers(const Toolbar& toolbar) const override;
    QStringList toolbarDefaultItemIdentifiers(const Toolbar& toolbar) const override;
    bool validateToolbarItem(QAction& item) override;

    // The window controller of the panel's window; null when there is none.
    ZaroziveZodiroVirizidivi* controller() const;

private:
    void perform(QAction* item);
    // Whether some object would carry the item's action out.
    bool hasReceiver(const CatalogToolbarItem& row) const;
    bool drawerOpen() const;

    CatalogToolbarKind _kind;
    CatalogPanel& _panel;
    QPointer<QWidget> _window;
    QPointer<Toolbar> _toolbar;
};
