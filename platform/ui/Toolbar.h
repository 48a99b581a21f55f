#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QToolBar>
#include <memory>

class QAction;
class QIcon;
class QListWidget;
class QListWidgetItem;

// Identifiers of the items every toolbar knows itself.
inline constexpr char kToolbarPrintItemIdentifier[] = "NSToolbarPrintItem";
inline constexpr char kToolbarSeparatorItemIdentifier[] = "NSToolbarSeparatorItem";
inline constexpr char kToolbarSpaceItemIdentifier[] = "NSToolbarSpaceItem";
inline constexpr char kToolbarFlexibleSpaceItemIdentifier[] = "NSToolbarFlexibleSpaceItem";

class Toolbar;

// What a toolbar asks of its owner: its items by identifier, the identifiers it
// may show and those it shows at first, and whether an item is enabled now.
class LUMISK_PLATFORM_EXPORT ToolbarDelegate {
public:
    virtual ~ToolbarDelegate();

    // A new item for the identifier (the toolbar takes it), or null for an
    // identifier the delegate doesn't know. The delegate connects its trigger.
    virtual QAction* toolbarItemForItemIdentifier(Toolbar& toolbar, const QString& identifier) = 0;
    virtual QStringList toolbarAllowedItemIdentifiers(const Toolbar& toolbar) const = 0;
    virtual QStringList toolbarDefaultItemIdentifiers(const Toolbar& toolbar) const = 0;
    virtual bool validateToolbarItem(QAction& item) = 0;
};

// A window's toolbar of items named by identifiers. The shown identifiers are
// the delegate's defaults, or with an autosaved configuration those last
// shown (kept to the allowed ones). The print item sends "printDocument:"
// along the responder chain; separators and spaces are the toolbar's own.
// Items are validated after every input event and change of the active
// window, as the delegate (the print item: its target) answers. With user
// customization on, the toolbar's context menu opens the
// customization dialog as a sheet on its window.
class LUMISK_PLATFORM_EXPORT Toolbar : public QToolBar {
    Q_OBJECT

public:
    enum DisplayMode {
        DisplayModeDefault = 0,
        DisplayModeIconAndLabel = 1,
        DisplayModeIconOnly = 2,
        DisplayModeLabelOnly = 3
    };
    enum SizeMode { SizeModeDefault = 0, SizeModeRegular = 1, SizeModeSmall = 2 };

    explicit Toolbar(const QString& identifier, QWidget* parent = nullptr);
    ~Toolbar() override;

    QString identifier() const { return objectName(); }

    ToolbarDelegate* delegate() const { return _delegate; }
    // Builds the items; call once the other settings are made.
    void setDelegate(ToolbarDelegate* delegate);

    bool allowsUserCustomization() const { return _allowsUserCustomization; }
    void setAllowsUserCustomization(bool allows) { _allowsUserCustomization = allows; }
    bool autosavesConfiguration() const { return _autosavesConfiguration; }
    void setAutosavesConfiguration(bool autosaves);

    int displayMode() const { return _displayMode; }
    void setDisplayMode(int mode);
    int sizeMode() const { return _sizeMode; }
    void setSizeMode(int mode);

    // The shown items' identifiers, in order.
    QStringList itemIdentifiers() const;
    // Shows these items (those not allowed are left out) and autosaves them
    // when the toolbar autosaves its configuration.
    void setItemIdentifiers(const QStringList& identifiers);
    // The first shown item with the identifier, or null.
    QAction* itemWithIdentifier(const QString& identifier) const;
    static QString itemIdentifier(const QAction* item);

    // Enables each shown item as the delegate answers.
    void validateVisibleItems();

    // The defaults key under which the configuration is kept.
    static QString configurationKey(const QString& identifier);

    // The name an item goes by in the customization dialog; its label when none is set.
    static void setItemPaletteLabel(QAction* item, const QString& label);
    static QString itemPaletteLabel(const QAction* item);
    // The palette label and icon of the item the identifier makes.
    QString paletteLabelForItemIdentifier(const QString& identifier);
    QIcon iconForItemIdentifier(const QString& identifier);
    // Whether the identifier may stand in the toolbar more than once.
    static bool isRepeatableItemIdentifier(const QString& identifier);

    // The customization dialog as a sheet on the toolbar's window; its OK shows
    // and autosaves the arrangement chosen. Nothing without user customization.
    void runCustomizationPalette();

    // Puts the toolbar at the top of the window, in place of the window's
    // toolbar so far, which leaves the window at once and is deleted later;
    // null only removes that one.
    static void installInWindow(QWidget* window, Toolbar* toolbar);
    static Toolbar* toolbarOfWindow(const QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild(const QStringList& identifiers);
    QAction* makeItem(const QString& identifier);
    void scheduleValidation();
    void showContextMenu(const QPoint& position);
    // A throwaway item of the identifier, for its label and icon.
    std::unique_ptr<QAction> probeItem(const QString& identifier);

    ToolbarDelegate* _delegate = nullptr;
    bool _allowsUserCustomization = false;
    bool _autosavesConfiguration = false;
    int _displayMode = DisplayModeDefault;
    int _sizeMode = SizeModeDefault;
    bool _validationScheduled = false;
    QPointer<QDialog> _customization;
};

// Lists the items a toolbar allows and those it shows; the shown ones are
// added to, removed from, reordered or set back to the delegate's defaults.
class LUMISK_PLATFORM_EXPORT ToolbarCustomizationDialog : public QDialog {
    Q_OBJECT

public:
    explicit ToolbarCustomizationDialog(Toolbar& toolbar, QWidget* parent = nullptr);

    QStringList shownIdentifiers() const;
    void setShownIdentifiers(const QStringList& identifiers);
    // Selects the allowed item of the identifier; false when it is not allowed.
    bool selectAllowedIdentifier(const QString& identifier);
    // Selects the shown item at the row.
    void selectShownRow(int row);

    // Adds the selected allowed item after the selected shown one (at the end
    // when none); an item that is not repeatable and already shown is left.
    void addSelected();
    void removeSelected();
    // Moves the selected shown item by delta rows, within the list.
    void moveSelected(int delta);
    void resetToDefaults();

    QListWidget* allowedList() const { return _allowed; }
    QListWidget* shownList() const { return _shown; }

private:
    QListWidgetItem* makeRow(const QString& identifier) const;

    Toolbar& _toolbar;
    QListWidget* _allowed;
    QListWidget* _shown;
};
