#include "platform/ui/Toolbar.h"

#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Commands.h"
#include "platform/ui/ModalAlert.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSizePolicy>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <QWidgetAction>

namespace {

constexpr char kIdentifierProperty[] = "lumiskToolbarItemIdentifier";
constexpr char kPaletteLabelProperty[] = "lumiskToolbarPaletteLabel";
constexpr char kConfigurationKeyPrefix[] = "NSToolbar Configuration ";
constexpr char kItemIdentifiersKey[] = "TB Item Identifiers";
constexpr char kDisplayModeKey[] = "TB Display Mode";
constexpr char kSizeModeKey[] = "TB Size Mode";
constexpr char kPrintAction[] = "printDocument:";
// Icon edges of the two size modes, in points.
constexpr int kRegularIconSize = 32;
constexpr int kSmallIconSize = 24;
// The width of a fixed space.
constexpr int kSpaceWidth = 16;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

bool isStandardSpacer(const QString& identifier) {
    return identifier == str(kToolbarSpaceItemIdentifier) ||
           identifier == str(kToolbarFlexibleSpaceItemIdentifier);
}

} // namespace

ToolbarDelegate::~ToolbarDelegate() = default;

Toolbar::Toolbar(const QString& identifier, QWidget* parent) : QToolBar(parent) {
    setObjectName(identifier);
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &Toolbar::showContextMenu);
    qApp->installEventFilter(this);
}

Toolbar::~Toolbar() {
    qApp->removeEventFilter(this);
}

QString Toolbar::configurationKey(const QString& identifier) {
    return str(kConfigurationKeyPrefix) + identifier;
}

QString Toolbar::itemIdentifier(const QAction* item) {
    return item ? item->property(kIdentifierProperty).toString() : QString();
}

void Toolbar::setAutosavesConfiguration(bool autosaves) {
    _autosavesConfiguration = autosaves;
}

void Toolbar::setDisplayMode(int mode) {
    _displayMode = mode;
    switch (mode) {
    case DisplayModeIconOnly:
        setToolButtonStyle(Qt::ToolButtonIconOnly);
        break;
    case DisplayModeLabelOnly:
        setToolButtonStyle(Qt::ToolButtonTextOnly);
        break;
    default:
        setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        break;
    }
}

void Toolbar::setSizeMode(int mode) {
    _sizeMode = mode;
    const int edge = mode == SizeModeSmall ? kSmallIconSize : kRegularIconSize;
    setIconSize(QSize(edge, edge));
}

void Toolbar::setDelegate(ToolbarDelegate* delegate) {
    _delegate = delegate;
    if (!delegate) {
        rebuild({});
        return;
    }
    QStringList identifiers = delegate->toolbarDefaultItemIdentifiers(*this);
    if (_autosavesConfiguration) {
        const QVariantMap saved =
            UserDefaults::standardUserDefaults().dictionaryForKey(configurationKey(identifier()));
        if (saved.contains(str(kItemIdentifiersKey)))
            identifiers = saved.value(str(kItemIdentifiersKey)).toStringList();
    }
    rebuild(identifiers);
}

QStringList Toolbar::itemIdentifiers() const {
    QStringList identifiers;
    for (const QAction* item : actions())
        identifiers.append(itemIdentifier(item));
    return identifiers;
}

void Toolbar::setItemIdentifiers(const QStringList& identifiers) {
    rebuild(identifiers);
    if (!_autosavesConfiguration)
        return;
    QVariantMap saved;
    saved.insert(str(kItemIdentifiersKey), itemIdentifiers());
    saved.insert(str(kDisplayModeKey), _displayMode);
    saved.insert(str(kSizeModeKey), _sizeMode);
    UserDefaults::standardUserDefaults().setObjectForKey(saved, configurationKey(identifier()));
}

QAction* Toolbar::itemWithIdentifier(const QString& identifier) const {
    for (QAction* item : actions())
        if (itemIdentifier(item) == identifier)
            return item;
    return nullptr;
}

void Toolbar::rebuild(const QStringList& identifiers) {
    const QList<QAction*> old = actions();
    clear();
    for (QAction* item : old)
        if (item->parent() == this)
            delete item;
    if (!_delegate)
        return;
    const QStringList allowed = _delegate->toolbarAllowedItemIdentifiers(*this);
    for (const QString& identifier : identifiers) {
        if (!allowed.contains(identifier))
            continue;
        if (QAction* item = makeItem(identifier)) {
            item->setProperty(kIdentifierProperty, identifier);
            addAction(item);
        }
    }
    validateVisibleItems();
}

QAction* Toolbar::makeItem(const QString& identifier) {
    if (identifier == str(kToolbarSeparatorItemIdentifier)) {
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        return separator;
    }
    if (isStandardSpacer(identifier)) {
        auto* spacer = new QWidget;
        if (identifier == str(kToolbarSpaceItemIdentifier))
            spacer->setFixedWidth(kSpaceWidth);
        else
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        auto* item = new QWidgetAction(this);
        item->setDefaultWidget(spacer);
        return item;
    }
    if (identifier == str(kToolbarPrintItemIdentifier)) {
        auto* print = new QAction(QIcon::fromTheme(QStringLiteral("document-print"),
                                                   style()->standardIcon(QStyle::SP_FileIcon)),
                                  tr("Print"), this);
        print->setToolTip(tr("Print"));
        Commands::setItemAction(print, str(kPrintAction));
        Commands::connectItem(print);
        return print;
    }
    QAction* item = _delegate->toolbarItemForItemIdentifier(*this, identifier);
    if (item && !item->parent())
        item->setParent(this);
    return item;
}

void Toolbar::setItemPaletteLabel(QAction* item, const QString& label) {
    if (item)
        item->setProperty(kPaletteLabelProperty, label);
}

QString Toolbar::itemPaletteLabel(const QAction* item) {
    if (!item)
        return {};
    const QString label = item->property(kPaletteLabelProperty).toString();
    return label.isEmpty() ? item->text() : label;
}

bool Toolbar::isRepeatableItemIdentifier(const QString& identifier) {
    return identifier == str(kToolbarSeparatorItemIdentifier) || isStandardSpacer(identifier);
}

std::unique_ptr<QAction> Toolbar::probeItem(const QString& identifier) {
    if (isRepeatableItemIdentifier(identifier) || !_delegate)
        return nullptr;
    std::unique_ptr<QAction> item(makeItem(identifier));
    if (item)
        item->setParent(nullptr);
    return item;
}

QString Toolbar::paletteLabelForItemIdentifier(const QString& identifier) {
    if (identifier == str(kToolbarSeparatorItemIdentifier))
        return tr("Separator");
    if (identifier == str(kToolbarSpaceItemIdentifier))
        return tr("Space");
    if (identifier == str(kToolbarFlexibleSpaceItemIdentifier))
        return tr("Flexible Space");
    const std::unique_ptr<QAction> item = probeItem(identifier);
    return item ? itemPaletteLabel(item.get()) : identifier;
}

QIcon Toolbar::iconForItemIdentifier(const QString& identifier) {
    const std::unique_ptr<QAction> item = probeItem(identifier);
    return item ? item->icon() : QIcon();
}

void Toolbar::showContextMenu(const QPoint& position) {
    if (!_allowsUserCustomization)
        return;
    QMenu menu(this);
    connect(menu.addAction(tr("Customize Toolbar…")), &QAction::triggered, this,
            &Toolbar::runCustomizationPalette);
    menu.exec(mapToGlobal(position));
}

void Toolbar::runCustomizationPalette() {
    if (!_allowsUserCustomization || !_delegate || _customization)
        return;
    auto* dialog = new ToolbarCustomizationDialog(*this, window());
    _customization = dialog;
    QPointer<Toolbar> self(this);
    ModalAlert::beginDialogSheet(window(), dialog, [self, dialog](int result) {
        if (self) {
            self->_customization = nullptr;
            if (result == QDialog::Accepted)
                self->setItemIdentifiers(dialog->shownIdentifiers());
        }
        dialog->deleteLater();
    });
}

Toolbar* Toolbar::toolbarOfWindow(const QWidget* window) {
    if (!window)
        return nullptr;
    const QList<Toolbar*> bars = window->findChildren<Toolbar*>(Qt::FindDirectChildrenOnly);
    return bars.isEmpty() ? nullptr : bars.first();
}

void Toolbar::installInWindow(QWidget* window, Toolbar* toolbar) {
    if (!window)
        return;
    Toolbar* old = toolbarOfWindow(window);
    if (old == toolbar)
        return;
    // One of its own items may have led here: it goes once that has returned.
    if (old) {
        // Its delegate may be gone before the toolbar is.
        old->_delegate = nullptr;
        if (auto* mainWindow = qobject_cast<QMainWindow*>(window))
            mainWindow->removeToolBar(old);
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    if (!toolbar)
        return;
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window)) {
        mainWindow->addToolBar(Qt::TopToolBarArea, toolbar);
        toolbar->show();
        return;
    }
    // A plain window keeps the toolbar above its content, as a menu bar sits.
    QLayout* layout = window->layout();
    if (!layout)
        layout = new QVBoxLayout(window);
    toolbar->setParent(window);
    layout->setMenuBar(toolbar);
    toolbar->show();
}

void Toolbar::validateVisibleItems() {
    _validationScheduled = false;
    if (!_delegate)
        return;
    for (QAction* item : actions()) {
        const QString identifier = itemIdentifier(item);
        if (item->isSeparator() || isStandardSpacer(identifier))
            continue;
        if (identifier == str(kToolbarPrintItemIdentifier))
            Commands::validateItem(item);
        else
            item->setEnabled(_delegate->validateToolbarItem(*item));
    }
}

void Toolbar::scheduleValidation() {
    if (_validationScheduled)
        return;
    _validationScheduled = true;
    QMetaObject::invokeMethod(this, &Toolbar::validateVisibleItems, Qt::QueuedConnection);
}

bool Toolbar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::ApplicationStateChange:
        scheduleValidation();
        break;
    default:
        break;
    }
    return QToolBar::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Customization

ToolbarCustomizationDialog::ToolbarCustomizationDialog(Toolbar& toolbar, QWidget* parent)
    : QDialog(parent), _toolbar(toolbar), _allowed(new QListWidget(this)),
      _shown(new QListWidget(this)) {
    setWindowTitle(tr("Customize Toolbar"));
    for (const QString& identifier : toolbar.delegate()->toolbarAllowedItemIdentifiers(toolbar))
        _allowed->addItem(makeRow(identifier));
    setShownIdentifiers(toolbar.itemIdentifiers());

    auto* add = new QPushButton(tr("Add"), this);
    auto* remove = new QPushButton(tr("Remove"), this);
    auto* up = new QPushButton(tr("Move Up"), this);
    auto* down = new QPushButton(tr("Move Down"), this);
    auto* defaults = new QPushButton(tr("Use Default Set"), this);
    connect(add, &QPushButton::clicked, this, &ToolbarCustomizationDialog::addSelected);
    connect(remove, &QPushButton::clicked, this, &ToolbarCustomizationDialog::removeSelected);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(defaults, &QPushButton::clicked, this, &ToolbarCustomizationDialog::resetToDefaults);
    connect(_allowed, &QListWidget::itemDoubleClicked, this,
            &ToolbarCustomizationDialog::addSelected);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {add, remove, up, down, defaults})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Available items:"), this), 0, 0);
    grid->addWidget(new QLabel(tr("Shown in the toolbar:"), this), 0, 2);
    grid->addWidget(_allowed, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(_shown, 1, 2);
    grid->addWidget(box, 2, 0, 1, 3);
}

QListWidgetItem* ToolbarCustomizationDialog::makeRow(const QString& identifier) const {
    auto* row = new QListWidgetItem(_toolbar.iconForItemIdentifier(identifier),
                                    _toolbar.paletteLabelForItemIdentifier(identifier));
    row->setData(Qt::UserRole, identifier);
    return row;
}

QStringList ToolbarCustomizationDialog::shownIdentifiers() const {
    QStringList identifiers;
    for (int row = 0; row < _shown->count(); ++row)
        identifiers.append(_shown->item(row)->data(Qt::UserRole).toString());
    return identifiers;
}

void ToolbarCustomizationDialog::setShownIdentifiers(const QStringList& identifiers) {
    _shown->clear();
    for (const QString& identifier : identifiers)
        _shown->addItem(makeRow(identifier));
}

bool ToolbarCustomizationDialog::selectAllowedIdentifier(const QString& identifier) {
    for (int row = 0; row < _allowed->count(); ++row) {
        if (_allowed->item(row)->data(Qt::UserRole).toString() == identifier) {
            _allowed->setCurrentRow(row);
            return true;
        }
    }
    return false;
}

void ToolbarCustomizationDialog::selectShownRow(int row) {
    _shown->setCurrentRow(row);
}

void ToolbarCustomizationDialog::addSelected() {
    const QListWidgetItem* chosen = _allowed->currentItem();
    if (!chosen)
        return;
    const QString identifier = chosen->data(Qt::UserRole).toString();
    if (!Toolbar::isRepeatableItemIdentifier(identifier) && shownIdentifiers().contains(identifier))
        return;
    const int at = _shown->currentRow() < 0 ? _shown->count() : _shown->currentRow() + 1;
    _shown->insertItem(at, makeRow(identifier));
    _shown->setCurrentRow(at);
}

void ToolbarCustomizationDialog::removeSelected() {
    const int row = _shown->currentRow();
    if (row >= 0)
        delete _shown->takeItem(row);
}

void ToolbarCustomizationDialog::moveSelected(int delta) {
    const int row = _shown->currentRow();
    const int to = row + delta;
    if (row < 0 || to < 0 || to >= _shown->count())
        return;
    _shown->insertItem(to, _shown->takeItem(row));
    _shown->setCurrentRow(to);
}

void ToolbarCustomizationDialog::resetToDefaults() {
    setShownIdentifiers(_toolbar.delegate()->toolbarDefaultItemIdentifiers(_toolbar));
}
