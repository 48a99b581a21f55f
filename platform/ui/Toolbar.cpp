#include "platform/ui/Toolbar.h"

#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Commands.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QSizePolicy>
#include <QStyle>
#include <QWidget>
#include <QWidgetAction>

namespace {

constexpr char kIdentifierProperty[] = "lumiskToolbarItemIdentifier";
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
