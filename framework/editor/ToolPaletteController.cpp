#include "framework/editor/ToolPaletteController.h"

#include "framework/editor/TemplateEditorController.h"
#include "platform/documents/Document.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/CurrentEvent.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace {

constexpr int kHeartbeatMilliseconds = 100;
constexpr int kIconSize = 24;
constexpr char kStickyStyle[] = "QToolButton { background: #9cb8ff; }";

// Our picture of a tool: what it draws, hollow or filled.
QIcon toolIcon(int tool) {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    const bool filled = tool >= kTMToolRect && (tool - kTMToolRect) % 2 == 1;
    p.setBrush(filled ? QBrush(Qt::darkGray) : Qt::NoBrush);
    const QRectF box(4, 6, 16, 12);
    switch (tool) {
    case kTMToolSelect: {
        QPainterPath arrow;
        arrow.moveTo(7, 3);
        arrow.lineTo(7, 19);
        arrow.lineTo(11, 15);
        arrow.lineTo(14, 21);
        arrow.lineTo(16, 20);
        arrow.lineTo(13, 14);
        arrow.lineTo(18, 14);
        arrow.closeSubpath();
        p.setBrush(Qt::black);
        p.drawPath(arrow);
        break;
    }
    case kTMToolZoom:
        p.drawEllipse(QRectF(4, 4, 11, 11));
        p.drawLine(QPointF(13, 13), QPointF(20, 20));
        break;
    case kTMToolPhoto:
        p.drawRect(box);
        p.drawLine(QPointF(6, 16), QPointF(10, 11));
        p.drawLine(QPointF(10, 11), QPointF(13, 14));
        p.drawLine(QPointF(13, 14), QPointF(15, 12));
        p.drawLine(QPointF(15, 12), QPointF(18, 16));
        break;
    case kTMToolPrintArea:
        p.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
        p.drawRect(box);
        break;
    case kTMToolLine:
        p.drawLine(QPointF(4, 20), QPointF(20, 4));
        break;
    case kTMToolText: {
        QFont font = p.font();
        font.setPixelSize(18);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(0, 0, kIconSize, kIconSize), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case kTMToolRect:
    case kTMToolFilledRect:
        p.drawRect(box);
        break;
    case kTMToolRoundRect:
    case kTMToolFilledRoundRect:
        p.drawRoundedRect(box, 4, 4);
        break;
    case kTMToolOval:
    case kTMToolFilledOval:
        p.drawEllipse(box);
        break;
    case kTMToolArc:
    case kTMToolFilledArc:
        p.drawPie(QRectF(2, 4, 32, 32), 90 * 16, 90 * 16);
        break;
    case kTMToolPolygon:
    case kTMToolFilledPolygon:
        p.drawPolygon(QPolygonF({{4, 18}, {9, 5}, {20, 9}, {16, 20}}));
        break;
    case kTMToolBezigon:
    case kTMToolFilledBezigon: {
        QPainterPath curve;
        curve.moveTo(4, 18);
        curve.cubicTo(4, 2, 20, 2, 20, 18);
        curve.closeSubpath();
        p.drawPath(curve);
        break;
    }
    default:
        break;
    }
    return QIcon(pixmap);
}

// A double click on a button chooses its tool and toggles sticky mode; the
// click that begins it has already chosen the tool.
class DoubleClickFilter : public QObject {
public:
    explicit DoubleClickFilter(ToolPaletteController* palette) : _palette(palette) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonDblClick)
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button)
            return false;
        button->setChecked(true);
        _palette->toolSelected();
        _palette->stickyClick();
        return true;
    }

private:
    ToolPaletteController* _palette;
};

} // namespace

ToolPaletteController* ToolPaletteController::sharedToolPaletteController() {
    return sharedInstance<ToolPaletteController>();
}

ToolPaletteController::ToolPaletteController()
    : PaletteController(QStringLiteral("ToolPalette"), QSize(64, 280)) {
    _heartbeatTimer.setInterval(kHeartbeatMilliseconds);
    QObject::connect(&_heartbeatTimer, &QTimer::timeout, [this] { heartbeat(); });
    _heartbeatTimer.start();
    observeMainWindows();
}

ToolPaletteController::~ToolPaletteController() {
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
}

QPoint ToolPaletteController::defaultOrigin(const QRect& visibleFrame,
                                            const QSize& /*frameSize*/) const {
    // At the left edge, its top at the top of the visible area.
    return {1, visibleFrame.y()};
}

const void* ToolPaletteController::documentOfWindow(const void* window) const {
    const auto* widget = qobject_cast<const QWidget*>(static_cast<const QObject*>(window));
    if (!widget)
        return nullptr;
    auto* controller = qobject_cast<TemplateEditorController*>(WindowController::forWindow(widget));
    return controller ? static_cast<const void*>(controller->document()) : nullptr;
}

void ToolPaletteController::loadWindow() {
    if (_toolMatrix)
        return;
    QWidget* palette = window();
    auto* layout = new QGridLayout(palette);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    _toolMatrix = new QButtonGroup(palette);
    _toolMatrix->setExclusive(true);
    auto* filter = new DoubleClickFilter(this);
    filter->setParent(palette);
    for (int tool = 0; tool < kTMToolCount; ++tool) {
        auto* button = new QToolButton(palette);
        button->setCheckable(true);
        button->setIcon(toolIcon(tool));
        button->setIconSize({kIconSize, kIconSize});
        button->setAutoRaise(true);
        button->installEventFilter(filter);
        _toolMatrix->addButton(button, tool);
        layout->addWidget(button, tool / 2, tool % 2);
    }
    // The select tool is the one chosen as the buttons appear.
    _toolMatrix->button(kTMToolSelect)->setChecked(true);
    QObject::connect(_toolMatrix, &QButtonGroup::idClicked, [this](int) { toolSelected(); });
    setCurrentTool(kTMToolSelect);
}

QAbstractButton* ToolPaletteController::toolButton(int tool) {
    loadWindow();
    return _toolMatrix->button(tool);
}

bool ToolPaletteController::isHighlighted(int tool) const {
    const QAbstractButton* button = _toolMatrix ? _toolMatrix->button(tool) : nullptr;
    return button && !button->styleSheet().isEmpty();
}

int ToolPaletteController::currentTool() const {
    const int tool = _toolMatrix ? _toolMatrix->checkedId() : kTMToolSelect;
    if (tool == kTMToolZoom && (CurrentEvent::modifierFlags() & AlternateKeyMask))
        return kTMToolZoomOut;
    return tool;
}

void ToolPaletteController::postToolSelectionChanged() {
    NotificationCenter::defaultCenter().postNotificationName(
        QString::fromLatin1(kToolSelectionChangedNotification), static_cast<const void*>(this));
}

void ToolPaletteController::setCurrentTool(int tool) {
    if (tool == _lastSelectedTool)
        return;
    setStickyMode(false);
    _lastSelectedTool = tool;
    if (_toolMatrix)
        if (QAbstractButton* button = _toolMatrix->button(tool))
            button->setChecked(true);
    postToolSelectionChanged();
}

void ToolPaletteController::resetTool() {
    if (!_stickyModeEnabled)
        setCurrentTool(kTMToolSelect);
}

void ToolPaletteController::toolSelected() {
    if (_toolMatrix)
        setCurrentTool(_toolMatrix->checkedId());
}

void ToolPaletteController::stickyClick() {
    setStickyMode(!_stickyModeEnabled);
}

void ToolPaletteController::setStickyMode(bool sticky) {
    if (sticky == _stickyModeEnabled)
        return;
    _stickyModeEnabled = sticky;
    if (sticky) {
        _stickyCell = _toolMatrix ? _toolMatrix->checkedButton() : nullptr;
        if (_stickyCell)
            _stickyCell->setStyleSheet(QString::fromLatin1(kStickyStyle));
    } else if (_stickyCell) {
        _stickyCell->setStyleSheet({});
        _stickyCell = nullptr;
    }
}

void ToolPaletteController::heartbeat() {
    const int tool = currentTool();
    if (tool == _lastSelectedTool)
        return;
    postToolSelectionChanged();
    _lastSelectedTool = tool;
}

void ToolPaletteController::activate() {
    loadWindow();
    PaletteController::activate();
}

void ToolPaletteController::mainWindowResigned(const Notification& notification) {
    if (!documentOfWindow(notification.object()))
        return;
    // Another editor window may already be main.
    if (servesMainWindow())
        return;
    PaletteController::mainWindowResigned(notification);
}
