#include "photoview/CaptionController.h"

#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMCaptionObject.h"
#include "photoview/ModePaletteWindow.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ColorPanel.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/FontManager.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ToolWindow.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(qs(key));
}

constexpr char kCaptionPropertyAction[] = "CAP_PROPERTY";
constexpr int kSizes[] = {9, 10, 11, 12, 14, 18, 24, 36, 48, 64, 72, 96, 144};

TMCaptionObject* balloon(const TMObjectRef& caption) {
    return dynamic_cast<TMCaptionObject*>(caption.get());
}

void selectTag(QComboBox& popUp, int tag) {
    const int index = popUp.findData(tag);
    if (index >= 0)
        popUp.setCurrentIndex(index);
}

} // namespace

CaptionController* CaptionController::sharedCaptionController() {
    static CaptionController* shared = new CaptionController;
    return shared;
}

// The close box is the user's close, which ends caption mode.
CaptionController::CaptionController()
    : _window(std::make_unique<ModePaletteWindow>(ModePaletteWindow::Keyboard::Takes, [this] {
          _closedFromUser = true;
          windowWillClose();
      })) {
    _heartbeatTimer = new QTimer(this);
    _heartbeatTimer->setInterval(kHeartbeatMilliseconds);
    connect(_heartbeatTimer, &QTimer::timeout, this, [this] { heartbeat(); });
    _heartbeatTimer->start();
    NotificationCenter::defaultCenter().addObserver(
        this, qs(kTemplateObjectChangedNofity), nullptr,
        [this](const Notification& n) { captionObjectChanged(n); });
    buildWindow();
}

CaptionController::~CaptionController() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void CaptionController::buildWindow() {
    _window->setObjectName(qs("CaptionPanel"));
    _window->setWindowTitle(text("CAPTION"));
    _content = new QStackedWidget(_window.get());
    auto* none = new QLabel(text("CAPTION_NO_SELECTION"));
    none->setAlignment(Qt::AlignCenter);
    auto* several = new QLabel(text("CAPTION_MULTI_SELECTION"));
    several->setAlignment(Qt::AlignCenter);
    auto* properties = new QWidget;

    _fontFamilyPopUp = new QComboBox;
    _fontFamilyPopUp->setObjectName(qs("fontFamily"));
    QStringList families = FontManager::sharedFontManager().availableFontFamilies();
    families.sort();
    _fontFamilyPopUp->addItems(families);
    _fontTypefacePopUp = new QComboBox;
    _fontTypefacePopUp->setObjectName(qs("fontTypeface"));
    _fontSizeComboBox = new QComboBox;
    _fontSizeComboBox->setObjectName(qs("fontSize"));
    _fontSizeComboBox->setEditable(true);
    for (int size : kSizes)
        _fontSizeComboBox->addItem(QString::number(size));
    _textColorWell = new ColorWell;
    _textColorWell->setObjectName(qs("textColor"));
    _fillColorWell = new ColorWell;
    _fillColorWell->setObjectName(qs("fillColor"));
    _basicShapePopUp = new QComboBox;
    _basicShapePopUp->setObjectName(qs("shape"));
    const std::pair<const char*, int> shapes[] = {
        {"CAPTION_SHAPE_OVAL", TMCaptionObject::Oval},
        {"CAPTION_SHAPE_ROUNDED", TMCaptionObject::Rounded},
        {"CAPTION_SHAPE_SMALL_CLOUD", TMCaptionObject::SmallCloud},
        {"CAPTION_SHAPE_MEDIUM_CLOUD", TMCaptionObject::MediumCloud},
        {"CAPTION_SHAPE_LARGE_CLOUD", TMCaptionObject::LargeCloud}};
    for (const auto& [key, tag] : shapes)
        _basicShapePopUp->addItem(text(key), tag);
    _tailStylePopUp = new QComboBox;
    _tailStylePopUp->setObjectName(qs("tailStyle"));
    _tailStylePopUp->addItem(text("CAPTION_TAIL_WEDGE"), int(TMCaptionObject::Wedge));
    _tailStylePopUp->addItem(text("CAPTION_TAIL_BUBBLES"), int(TMCaptionObject::Bubbles));
    _rotateLeftButton = new QPushButton(text("CAPTION_ROTATE_LEFT"));
    _rotateLeftButton->setObjectName(qs("rotateLeft"));
    _rotateRightButton = new QPushButton(text("CAPTION_ROTATE_RIGHT"));
    _rotateRightButton->setObjectName(qs("rotateRight"));

    auto* form = new QFormLayout(properties);
    form->addRow(text("CAPTION_FONT_LABEL"), _fontFamilyPopUp);
    form->addRow(text("CAPTION_TYPEFACE_LABEL"), _fontTypefacePopUp);
    form->addRow(text("CAPTION_SIZE_LABEL"), _fontSizeComboBox);
    auto* colours = new QHBoxLayout;
    colours->addWidget(new QLabel(text("CAPTION_TEXT_COLOR_LABEL")));
    colours->addWidget(_textColorWell);
    colours->addWidget(new QLabel(text("CAPTION_FILL_COLOR_LABEL")));
    colours->addWidget(_fillColorWell);
    form->addRow(colours);
    form->addRow(text("CAPTION_SHAPE_LABEL"), _basicShapePopUp);
    form->addRow(text("CAPTION_TAIL_LABEL"), _tailStylePopUp);
    auto* turns = new QHBoxLayout;
    turns->addWidget(_rotateLeftButton);
    turns->addWidget(_rotateRightButton);
    form->addRow(turns);

    _content->insertWidget(NoSelection, none);
    _content->insertWidget(Properties, properties);
    _content->insertWidget(MultiSelection, several);
    auto* layout = new QVBoxLayout(_window.get());
    layout->addWidget(_content);

    const auto user = [this](void (CaptionController::*action)()) {
        return [this, action] {
            if (!_updating)
                (this->*action)();
        };
    };
    connect(_fontFamilyPopUp, &QComboBox::activated, this, user(&CaptionController::familyChanged));
    connect(_fontTypefacePopUp, &QComboBox::activated, this,
            user(&CaptionController::typefaceChanged));
    connect(_fontSizeComboBox, &QComboBox::activated, this, user(&CaptionController::sizeChanged));
    connect(_fontSizeComboBox->lineEdit(), &QLineEdit::returnPressed, this,
            user(&CaptionController::sizeChanged));
    connect(_basicShapePopUp, &QComboBox::activated, this, user(&CaptionController::shapeChanged));
    connect(_tailStylePopUp, &QComboBox::activated, this,
            user(&CaptionController::tailStyleChanged));
    connect(_textColorWell, &ColorWell::colorChosen, this,
            user(&CaptionController::textColorChanged));
    connect(_fillColorWell, &ColorWell::colorChosen, this,
            user(&CaptionController::fillColorChanged));
    connect(_rotateRightButton, &QPushButton::clicked, this, user(&CaptionController::rotateRight));
    connect(_rotateLeftButton, &QPushButton::clicked, this, user(&CaptionController::rotateLeft));
    setSelection({});
    _window->adjustSize();
}

QWidget* CaptionController::window() const {
    return _window.get();
}

void CaptionController::showWindow(PhotoView* associatedView) {
    if (associatedView) {
        _associatedView = associatedView;
        // A panel that goes takes the palette with it, and nothing is posted.
        connect(associatedView, &QObject::destroyed, this, [this] {
            if (!_associatedView)
                close();
        });
    }
    showToolWindow(*_window);
}

void CaptionController::close() {
    if (!_window->isVisible())
        return;
    _window->hide();
    windowWillClose();
}

bool CaptionController::isVisible() const {
    return _window->isVisible();
}

void CaptionController::setOrigin(QPoint frameBottomLeft) {
    _window->moveFrameBottomLeftTo(frameBottomLeft);
}

void CaptionController::windowWillClose() {
    if (_closedFromUser) {
        _closedFromUser = false;
        NotificationCenter::defaultCenter().postNotificationName(qs(kCaptionPanelClosedNofity),
                                                                 static_cast<const QObject*>(this));
    }
    if (_associatedView)
        _associatedView->deselectAllCaptions();
    _textColorWell->deactivate();
    _fillColorWell->deactivate();
    _associatedView = nullptr;
    setCurrentCaption(nullptr);
}

void CaptionController::heartbeat() {
    if (!_window->isVisible())
        return;
    if (!_associatedView) {
        close();
        return;
    }
    QWidget* active = QApplication::activeWindow();
    const bool colourPanel =
        ColorPanel::sharedColorPanelExists() && active == ColorPanel::sharedColorPanel()->dialog();
    if (active == _window.get() || active == _associatedView->window() ||
        _associatedView->isEditingCaptionText() || colourPanel)
        return;
    _closedFromUser = true;
    _window->hide();
    windowWillClose();
}

// ---------------------------------------------------------------------------
// What is shown

CaptionController::Content CaptionController::content() const {
    return Content(_content->currentIndex());
}

void CaptionController::setCurrentCaption(const TMObjectRef& caption) {
    _currentCaption = caption;
}

void CaptionController::setSelection(const QList<TMObjectRef>& captions) {
    if (captions.size() == 1) {
        _multiSelection = false;
        setCurrentCaption(captions.first());
        updateDisplayedInfo();
        return;
    }
    setCurrentCaption(nullptr);
    _multiSelection = captions.size() > 1;
    _content->setCurrentIndex(_multiSelection ? MultiSelection : NoSelection);
}

void CaptionController::updateDisplayedInfo() {
    TMCaptionObject* caption = balloon(_currentCaption);
    if (!caption) {
        _content->setCurrentIndex(NoSelection);
        return;
    }
    _updating = true;
    const Font& font = caption->font();
    _fontFamilyPopUp->setCurrentIndex(_fontFamilyPopUp->findText(font.familyName()));
    _fontSizeComboBox->setCurrentText(QString::number(int(font.pointSize())));
    FontManager& fonts = FontManager::sharedFontManager();
    const QList<FontMember> members = fonts.availableMembersOfFontFamily(font.familyName());
    QStringList faces;
    for (const FontMember& member : members)
        faces.append(member.faceName);
    faces.sort();
    _fontTypefacePopUp->clear();
    _fontTypefacePopUp->addItems(faces);
    const QString name = fonts.fontName(font);
    for (const FontMember& member : members)
        if (member.fontName == name)
            _fontTypefacePopUp->setCurrentIndex(_fontTypefacePopUp->findText(member.faceName));
    _textColorWell->setColor(caption->textColor().toQColor());
    _fillColorWell->setColor(caption->fillColor().toQColor());
    selectTag(*_basicShapePopUp, caption->shape());
    selectTag(*_tailStylePopUp, caption->tailStyle());
    _content->setCurrentIndex(Properties);
    _updating = false;
}

void CaptionController::captionObjectChanged(const Notification& notification) {
    if (_currentCaption && notification.object() == static_cast<const void*>(_currentCaption.get()))
        updateDisplayedInfo();
}

// ---------------------------------------------------------------------------
// Changes

namespace {

// Each undo of a property sets the old value back and registers the inverse,
// so redo repeats the change.
template <class Value, class Get, class Set>
std::function<void()> propertyUndo(UndoManager* manager, TMObjectRef caption, Value old, Get get,
                                   Set set) {
    return [manager, caption, old, get, set] {
        TMCaptionObject* b = balloon(caption);
        if (!b)
            return;
        manager->registerUndo(caption.get(), propertyUndo(manager, caption, get(*b), get, set));
        set(*b, old);
    };
}

template <class Get, class Set>
void registerPropertyUndo(UndoManager* manager, const TMObjectRef& caption, Get get, Set set) {
    if (TMCaptionObject* b = balloon(caption); b && manager)
        manager->registerUndo(caption.get(), propertyUndo(manager, caption, get(*b), get, set));
}

const auto fontOf = [](TMCaptionObject& c) { return c.font(); };
const auto setFontOf = [](TMCaptionObject& c, const Font& f) { c.setFont(f); };
const auto textColorOf = [](TMCaptionObject& c) { return c.textColor(); };
const auto setTextColorOf = [](TMCaptionObject& c, const Color& v) { c.setTextColor(v); };
const auto fillColorOf = [](TMCaptionObject& c) { return c.fillColor(); };
const auto setFillColorOf = [](TMCaptionObject& c, const Color& v) { c.setFillColor(v); };
const auto shapeOf = [](TMCaptionObject& c) { return c.shape(); };
const auto setShapeOf = [](TMCaptionObject& c, int32_t v) { c.setShape(v); };
const auto tailStyleOf = [](TMCaptionObject& c) { return c.tailStyle(); };
const auto setTailStyleOf = [](TMCaptionObject& c, int32_t v) { c.setTailStyle(v); };
const auto geometryOf = [](TMCaptionObject& c) { return c.geometry(); };
const auto setGeometryOf = [](TMCaptionObject& c, const QVariantMap& v) { c.setGeometry(v); };

} // namespace

UndoManager* CaptionController::undoManager() const {
    return _associatedView && _associatedView->document()
               ? _associatedView->document()->undoManager()
               : nullptr;
}

void CaptionController::changeMade() {
    updateDisplayedInfo();
    if (UndoManager* manager = undoManager())
        manager->setActionName(text(kCaptionPropertyAction));
}

void CaptionController::setFont(const Font& font) {
    registerPropertyUndo(undoManager(), _currentCaption, fontOf, setFontOf);
    balloon(_currentCaption)->setFont(font);
    changeMade();
}

void CaptionController::familyChanged() {
    if (TMCaptionObject* b = balloon(_currentCaption))
        setFont(FontManager::sharedFontManager().convertFontToFamily(
            b->font(), _fontFamilyPopUp->currentText()));
}

void CaptionController::typefaceChanged() {
    TMCaptionObject* b = balloon(_currentCaption);
    if (!b)
        return;
    FontManager& fonts = FontManager::sharedFontManager();
    const QList<FontMember> members = fonts.availableMembersOfFontFamily(b->font().familyName());
    const auto member = std::find_if(members.begin(), members.end(), [&](const FontMember& m) {
        return m.faceName == _fontTypefacePopUp->currentText();
    });
    if (member == members.end())
        return;
    if (const std::optional<Font> font = fonts.convertFontToFace(b->font(), member->fontName))
        setFont(*font);
}

void CaptionController::sizeChanged() {
    TMCaptionObject* b = balloon(_currentCaption);
    if (!b)
        return;
    bool ok = false;
    const float size = _fontSizeComboBox->currentText().toFloat(&ok);
    const std::optional<Font> font =
        ok ? FontManager::sharedFontManager().convertFontToSize(b->font(), size) : std::nullopt;
    if (!font) {
        // A size the font cannot take: refused, and the box shows the size again.
        ModalAlert::beep();
        updateDisplayedInfo();
        return;
    }
    setFont(*font);
}

void CaptionController::textColorChanged() {
    if (TMCaptionObject* b = balloon(_currentCaption)) {
        registerPropertyUndo(undoManager(), _currentCaption, textColorOf, setTextColorOf);
        b->setTextColor(Color::fromQColor(_textColorWell->color()));
        changeMade();
    }
}

void CaptionController::fillColorChanged() {
    if (TMCaptionObject* b = balloon(_currentCaption)) {
        registerPropertyUndo(undoManager(), _currentCaption, fillColorOf, setFillColorOf);
        b->setFillColor(Color::fromQColor(_fillColorWell->color()));
        changeMade();
    }
}

void CaptionController::shapeChanged() {
    if (TMCaptionObject* b = balloon(_currentCaption)) {
        registerPropertyUndo(undoManager(), _currentCaption, shapeOf, setShapeOf);
        b->setShape(_basicShapePopUp->currentData().toInt());
        changeMade();
    }
}

void CaptionController::tailStyleChanged() {
    if (TMCaptionObject* b = balloon(_currentCaption)) {
        registerPropertyUndo(undoManager(), _currentCaption, tailStyleOf, setTailStyleOf);
        b->setTailStyle(_tailStylePopUp->currentData().toInt());
        changeMade();
    }
}

void CaptionController::rotateBy(float degrees) {
    TMCaptionObject* b = balloon(_currentCaption);
    if (!b)
        return;
    float rotation = b->rotation() + degrees;
    if (rotation < 0)
        rotation += 360;
    if (rotation >= 360)
        rotation -= 360;
    registerPropertyUndo(undoManager(), _currentCaption, geometryOf, setGeometryOf);
    b->setRotation(rotation);
    changeMade();
}

void CaptionController::rotateRight() {
    rotateBy(-90);
}

void CaptionController::rotateLeft() {
    rotateBy(90);
}
