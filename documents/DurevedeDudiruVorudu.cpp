#include "documents/DurevedeDudiruVorudu.h"

#include "catalog/DroppedPhotos.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/VQViewSwitch.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/graphics/Image.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/Toolbar.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

void enqueueForController(ZaroziveZodiroVirizidivi* controller, const char* name,
                          const QVariantMap& info) {
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(qs(name), static_cast<const QObject*>(controller), info),
        NotificationQueue::PostASAP);
}

constexpr int kSwitchBarHeight = 28;
constexpr int kSwitchHeight = 22;
constexpr int kStatusMargin = 4;
constexpr int kStatusControlSize = 18;
constexpr int kRightInfoWidth = 180;
constexpr int kPageFieldWidth = 110;
// Where the controller parks a status control that is not shown.
constexpr int kHiddenOffset = 1000;

QToolButton* statusButton(QWidget* parent, QStyle::StandardPixmap icon) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setFocusPolicy(Qt::NoFocus);
    button->resize(kStatusControlSize, kStatusControlSize);
    return button;
}

} // namespace

DurevedeDudiruVorudu::DurevedeDudiruVorudu(QWidget* parent)
    : QMainWindow(parent), _fileCatalogScrollView(new VQFileCatalogScrollView) {
    setAcceptDrops(true);
    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The switches keep the widths they give themselves, so the bar places them.
    auto* switchBar = new QWidget(content);
    switchBar->setObjectName(QStringLiteral("switchBar"));
    switchBar->setFixedHeight(kSwitchBarHeight);
    _viewSwitcher = new VQViewSwitch(switchBar);
    _toolModeSwitcher = new VQViewSwitch(switchBar);
    for (VQViewSwitch* each : {_viewSwitcher, _toolModeSwitcher}) {
        each->resize(each->width(), kSwitchHeight);
        each->installEventFilter(this);
    }
    switchBar->installEventFilter(this);
    column->addWidget(switchBar);

    _mainView = new QWidget(content);
    _mainView->setObjectName(QStringLiteral("mainView"));
    _mainView->installEventFilter(this);
    column->addWidget(_mainView, 1);
    column->addWidget(makeStatusLine());
    setCentralWidget(content);

    _catalogDrawer = new QDockWidget(this);
    _catalogDrawer->setObjectName(QStringLiteral("catalogDrawer"));
    _catalogDrawer->setFeatures(QDockWidget::DockWidgetClosable);
    _catalogDrawer->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    _catalogDrawer->setWidget(_fileCatalogScrollView);
    addDockWidget(Qt::RightDockWidgetArea, _catalogDrawer);
    resize(640, 528);
}

DurevedeDudiruVorudu::~DurevedeDudiruVorudu() = default;

QWidget* DurevedeDudiruVorudu::makeStatusLine() {
    _statusLine = new QWidget;
    _statusLine->setObjectName(QStringLiteral("statusLine"));
    _statusLine->setFixedHeight(kStatusLineHeight);
    const int top = (kStatusLineHeight - kStatusControlSize) / 2;
    _errorButton = statusButton(_statusLine, QStyle::SP_MessageBoxWarning);
    _errorButton->move(kStatusMargin - kHiddenOffset, top);
    _statusMarkerSwitch = new QCheckBox(_statusLine);
    _statusMarkerSwitch->setFocusPolicy(Qt::NoFocus);
    _statusMarkerSwitch->resize(kStatusControlSize, kStatusControlSize);
    _statusMarkerSwitch->move(kStatusMargin - kHiddenOffset, top);
    _centerInfo = new QLabel(_statusLine);
    _centerInfo->setGeometry(kStatusMargin, 0, 0, kStatusLineHeight);
    _centerInfo->installEventFilter(this);
    _rightInfo = new QLabel(_statusLine);
    _rightInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    _statusPrevButton = statusButton(_statusLine, QStyle::SP_ArrowLeft);
    _statusPageField = new QLabel(_statusLine);
    _statusPageField->setAlignment(Qt::AlignCenter);
    _statusNextButton = statusButton(_statusLine, QStyle::SP_ArrowRight);
    for (QLabel* label : {_centerInfo, _rightInfo, _statusPageField}) {
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        label->setFont(font);
    }
    _statusLine->installEventFilter(this);
    return _statusLine;
}

void DurevedeDudiruVorudu::layOutStatusLineRight() {
    const int top = (kStatusLineHeight - kStatusControlSize) / 2;
    int x = _statusLine->width() - kStatusMargin - kStatusControlSize;
    _statusNextButton->move(x, top);
    x -= kPageFieldWidth;
    _statusPageField->setGeometry(x, 0, kPageFieldWidth, kStatusLineHeight);
    x -= kStatusControlSize;
    _statusPrevButton->move(x, top);
    x -= kRightInfoWidth + kStatusMargin;
    _rightInfo->setGeometry(x, 0, kRightInfoWidth, kStatusLineHeight);
    // The centre text runs up to the right text from wherever it was moved.
    _centerInfo->resize(std::max(0, x - kStatusMargin - _centerInfo->x()), kStatusLineHeight);
}

bool DurevedeDudiruVorudu::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Resize || (watched == _centerInfo && type == QEvent::Move)) {
        if (watched == _statusLine || watched == _centerInfo) {
            layOutStatusLineRight();
        } else if (watched == _mainView) {
            // The shown panel keeps filling the main view, 1 point in.
            for (QWidget* child : _mainView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (!child->isHidden())
                    child->setGeometry(_mainView->rect().adjusted(1, 1, -1, -1));
        } else if (watched == _viewSwitcher || watched == _toolModeSwitcher ||
                   watched == _viewSwitcher->parentWidget()) {
            const QWidget* bar = _viewSwitcher->parentWidget();
            const int top = (bar->height() - kSwitchHeight) / 2;
            _viewSwitcher->move((bar->width() - _viewSwitcher->width()) / 2, top);
            _toolModeSwitcher->move(8, top);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

Toolbar* DurevedeDudiruVorudu::toolbar() const {
    return Toolbar::toolbarOfWindow(this);
}

void DurevedeDudiruVorudu::setToolbar(Toolbar* toolbar) {
    Toolbar::installInWindow(this, toolbar);
}

ZaroziveZodiroVirizidivi* DurevedeDudiruVorudu::controller() const {
    return qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(this));
}

bool DurevedeDudiruVorudu::hasAttachedSheet() const {
    return ModalAlert::hasAttachedSheet(this);
}

bool DurevedeDudiruVorudu::isFromOwnCatalog(const DraggingInfo& info) const {
    ZaroziveZodiroVirizidivi* owner = controller();
    const RoduvudeDadevizi* document = owner ? owner->catalogDocument() : nullptr;
    return document && VQFileCatalogView::catalogOfDragSource(info.draggingSource()) ==
                           &document->fileCatalog();
}

bool DurevedeDudiruVorudu::canIHandleDrag(const DraggingInfo& info) const {
    const Pasteboard pasteboard = info.draggingPasteboard();
    for (const char* type :
         {FilenamesPboardType, TIFFPboardType, kVQFileCatalogSelectionPboardType})
        if (pasteboard.hasType(qs(type))) {
            if (!isFromOwnCatalog(info))
                return true;
            const ZaroziveZodiroVirizidivi* owner = controller();
            return !owner || !(owner->currentViewTag() == ZaroziveZodiroVirizidivi::LayoutPanel &&
                               owner->getPrintArrangementMode() == LayoutModeBook);
        }
    return DroppedPhotos::imageURL(pasteboard).isValid();
}

void DurevedeDudiruVorudu::dragEnterEvent(QDragEnterEvent* event) {
    const DraggingInfo info(*event);
    if (!canIHandleDrag(info) || isFromOwnCatalog(info)) {
        event->ignore();
        return;
    }
    if (ZaroziveZodiroVirizidivi* owner = controller())
        owner->dragHilight(true);
    event->acceptProposedAction();
}

void DurevedeDudiruVorudu::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void DurevedeDudiruVorudu::dragLeaveEvent(QDragLeaveEvent*) {
    if (ZaroziveZodiroVirizidivi* owner = controller())
        owner->dragHilight(false);
}

void DurevedeDudiruVorudu::dropEvent(QDropEvent* event) {
    const DraggingInfo info(*event);
    if (ZaroziveZodiroVirizidivi* owner = controller())
        owner->dragHilight(false);
    if (!canIHandleDrag(info)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    concludeDragOperation(info);
}

void DurevedeDudiruVorudu::concludeDragOperation(const DraggingInfo& info) {
    if (isFromOwnCatalog(info))
        return;
    concludeDragOperationAtPosition(info, -1);
}

void DurevedeDudiruVorudu::concludeDragOperationAtPosition(const DraggingInfo& info, int position) {
    ZaroziveZodiroVirizidivi* owner = controller();
    if (!owner)
        return;
    const Pasteboard pasteboard = info.draggingPasteboard();
    const QVariantList items =
        pasteboard.propertyListForType(qs(kVQFileCatalogSelectionPboardType)).toList();
    if (!items.isEmpty()) {
        owner->receiveCatalogEntries(items, position);
        return;
    }
    if (pasteboard.hasType(qs(FilenamesPboardType))) {
        const QStringList files =
            pasteboard.propertyListForType(qs(FilenamesPboardType)).toStringList();
        enqueueForController(owner, kVQReceiveFilesNofity,
                             {{qs(kReceiveFilesKey), files}, {qs(kEntryPosKey), position}});
        if (!files.isEmpty())
            return;
    }
    const QUrl url = DroppedPhotos::imageURL(pasteboard);
    if (url.isValid()) {
        enqueueForController(owner, kVQReceiveURLNofity,
                             {{qs(kReceiveURLKey), url}, {qs(kEntryPosKey), position}});
        return;
    }
    if (pasteboard.hasType(qs(TIFFPboardType))) {
        const QImage picture = QImage::fromData(pasteboard.dataForType(qs(TIFFPboardType)));
        if (!picture.isNull())
            owner->receiveImage(Image(picture));
    }
}

void DurevedeDudiruVorudu::keyPressEvent(QKeyEvent* event) {
    ZaroziveZodiroVirizidivi* owner = controller();
    if (owner && owner->keyDown(event)) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
