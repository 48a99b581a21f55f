#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <QStringList>
#include <QToolBar>

class QAction;

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
// window, as the delegate (the print item: its target) answers.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild(const QStringList& identifiers);
    QAction* makeItem(const QString& identifier);
    void scheduleValidation();

    ToolbarDelegate* _delegate = nullptr;
    bool _allowsUserCustomization = false;
    bool _autosavesConfiguration = false;
    int _displayMode = DisplayModeDefault;
    int _sizeMode = SizeModeDefault;
    bool _validationScheduled = false;
};
