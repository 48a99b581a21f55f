#include "framework/model/TMTextObject.h"
#include "framework/Formwell.h"

#include "framework/model/ShadowAccessors.h"
#include "framework/model/TemplateImageSource.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/HostServices.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"

#include <QAbstractTextDocumentLayout>
#include <QDebug>
#include <QImage>
#include <QPalette>
#include <QTextDocument>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMTextObject>(QStringLiteral("TMTextObject"));
    return true;
}();

constexpr char kDefaultText[] = "A very fine text object";
// The first system with line height multiples (and shadows) is 10.3.
constexpr uint32_t kLastSystemWithoutLineHeightMultiple = 0x102F;
constexpr float kPointsPerInch = 72.0f;
constexpr float kDashPattern[] = {2.0f, 2.0f};

QString key(const char* name) {
    return QString::fromLatin1(name);
}

bool hasLineHeightMultiple() {
    return host().osSystemVersion() > kLastSystemWithoutLineHeightMultiple;
}

// The image source counts fields and cells from 0.
int32_t indexOfNumber(int32_t number) {
    return int32_t(int64_t(number) - 1);
}

bool isValidAlignment(int32_t alignment) {
    return alignment >= ParagraphStyle::Left && alignment <= ParagraphStyle::Natural;
}

// Old property lists hold flags as booleans or integers.
bool isOn(const QVariant& value) {
    return value.toInt() != 0 || value.toBool();
}

std::optional<Color> colorFromData(const QVariant& value) {
    return Unarchiver::unarchiveValue<Color>(value.toByteArray());
}

// The turn of the box's half diagonal: where the box's origin lies from its centre.
Point rotatedHalfSize(float width, float height, float rotation) {
    AffineTransform turn;
    turn.rotateByDegrees(rotation);
    return turn.transformPoint({width / 2, height / 2});
}

// A device that only sizes text: 72 dots per inch, so that a point of a
// font is a unit of the page.
const QImage& pagePointDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = int(std::lround(kPointsPerInch / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

} // namespace

TMTextEditor::~TMTextEditor() = default;
TMTextEditorHost::~TMTextEditorHost() = default;

// ---------------------------------------------------------------------------
// Construction

TMTextObject::TMTextObject() : _objectText(QString::fromLatin1(kDefaultText)) {}

TMTextObject::~TMTextObject() {
    if (_editView)
        _editView->endEditing();
}

TMTextObjectRef TMTextObject::newTemplateObject() {
    return create<TMTextObject>();
}

TMTextObjectRef
TMTextObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMTextObject>(representation);
}

TMTextObjectRef TMTextObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMTextObject>(origin, size);
}

Font TMTextObject::defaultFont() {
    return Font(QStringLiteral("Helvetica"), 12);
}

void TMTextObject::layOutInPagePoints(QTextDocument& document) {
    document.setDefaultFont(defaultFont().toQFont());
    document.setDocumentMargin(0);
    document.documentLayout()->setPaintDevice(const_cast<QImage*>(&pagePointDevice()));
}

void TMTextObject::initShadow() {
    ShadowValue shadow;
    shadow.blurRadius = 4.0f;
    shadow.color = Color::calibratedWhite(0, 0.5f).toQColor();
    shadow.offset = {2.828427f, -2.828427f};
    _shadow = shadow;
}

void TMTextObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    auto find = [&](const char* name) { return representation.constFind(key(name)); };
    const auto end = representation.cend();
    auto wholeText = [this](const std::function<void(TextAttributes&)>& change) {
        _objectText.modifyAttributes(0, _objectText.length(), change);
    };

    if (const auto v = find(kTextStorageKey); v != end) {
        QString error;
        if (auto text = Unarchiver::unarchiveValue<TextStorage>(v->toByteArray(), &error))
            _objectText = std::move(*text);
        else
            qWarning().noquote() << QStringLiteral(
                                        "A text object's text could not be read (%1); the "
                                        "default text stays.")
                                        .arg(error.isEmpty() ? QStringLiteral("not a text")
                                                             : error);
    } else if (const auto data = find(kTextOldDataKey); data != end) {
        _objectText.replaceCharacters(0, _objectText.length(), data->toString());
        if (const auto v = find(kTextOldFontKey); v != end) {
            const QVariantMap old = v->toMap();
            Font font = defaultFont();
            if (const auto family = old.constFind(key(kTextOldFontFamilyKey)); family != old.cend())
                font = font.withFamily(family->toString());
            if (const auto size = old.constFind(key(kTextOldFontSizeKey)); size != old.cend())
                font = font.withSize(size->toFloat());
            font = font.withBold(isOn(old.value(key(kTextOldFontBoldKey))));
            font = font.withItalic(isOn(old.value(key(kTextOldFontItalicKey))));
            wholeText([&](TextAttributes& a) { a.font = font; });
        }
        if (const auto v = find(kTextOldLayoutKey); v != end) {
            const QVariantMap layout = v->toMap();
            if (const auto a = layout.constFind(key(kTextOldAlignmentKey)); a != layout.cend()) {
                const int32_t alignment = a->toInt();
                if (isValidAlignment(alignment))
                    changeParagraphStyle(
                        [alignment](ParagraphStyle& p) { p.alignment = alignment; });
            }
            if (isOn(layout.value(key(kTextOldForeFlagKey))))
                if (auto color = colorFromData(layout.value(key(kTextOldForeColorKey))))
                    wholeText([&](TextAttributes& a) { a.foregroundColor = *color; });
            if (isOn(layout.value(key(kTextOldBackFlagKey)))) {
                _drawBackground = true;
                if (auto color = colorFromData(layout.value(key(kTextOldBackColorKey))))
                    _backgroundColor = *color;
            }
        }
    }

    if (const auto v = find(kTextDrawBackgroundKey); v != end)
        _drawBackground = v->toBool();
    if (const auto v = find(kTextBackgroundColorKey); v != end)
        if (auto color = colorFromData(*v))
            _backgroundColor = *color;
    if (const auto v = find(kTextVariantKey); v != end)
        _variant = v->toInt();
    if (const auto v = find(kTextFieldNumberKey); v != end)
        _editableTextFieldNumber = v->toInt();
    if (const auto v = find(kTextPhotoNumberKey); v != end)
        _photoNumber = v->toInt();
    if (const auto v = find(kTextOldEditableKey); v != end && isOn(*v))
        _variant = EditableField;

    if (_variant == EditableField) {
        if (const auto v = find(kTextOldFieldNameKey); v != end)
            _name = v->toString();
        else if (const auto n = find(kTextNameKey); n != end)
            _name = n->toString();
        if (const auto v = find(kTextIdentifierKey); v != end)
            _identifier = v->toString();
        else if (const auto i = find(kTextOldFieldIDKey); i != end)
            _identifier = i->toString();
    } else if (_variant == PropertyText) {
        // A property text always names a property and a cell, so that it can
        // be written and drawn.
        const auto property = find(kTextPropertyKey);
        _propertyKey = property != end ? property->toString() : key(kDefaultPropertyTag);
        const auto cell = find(kTextPropertyCellIDKey);
        _propertyCellID = cell != end ? cell->toString() : key(kDefaultPropertyCellID);
    }

    if (shadowEnabled().toBool())
        setShadowAttribute(_objectText, _shadow);
}

QVariantMap TMTextObject::dictRepresentation() const {
    // Writing ends editing and settles the field's identity: both change the
    // object, as saving it should.
    auto* self = const_cast<TMTextObject*>(this);
    self->textDidEndEditing();
    if (_variant == EditableField)
        self->ensureIdentity();

    QVariantMap d = TMObject::dictRepresentation();
    self->setShadowAttribute(self->_objectText, std::nullopt);
    d.insert(key(kTextStorageKey), Archiver::archivedValue(_objectText));
    d.insert(key(kTextDrawBackgroundKey), QVariant(_drawBackground));
    d.insert(key(kTextBackgroundColorKey), Archiver::archivedValue(_backgroundColor));
    d.insert(key(kTextVariantKey), QVariant(int(_variant)));
    d.insert(key(kTextFieldNumberKey), QVariant(int(_editableTextFieldNumber)));
    d.insert(key(kTextPhotoNumberKey), QVariant(int(_photoNumber)));
    if (_variant == EditableField) {
        d.insert(key(kTextNameKey), _name);
        d.insert(key(kTextIdentifierKey), _identifier);
    } else if (_variant == PropertyText) {
        if (!_propertyKey.isNull())
            d.insert(key(kTextPropertyKey), _propertyKey);
        if (!_propertyCellID.isNull())
            d.insert(key(kTextPropertyCellIDKey), _propertyCellID);
    }
    if (shadowEnabled().toBool())
        self->setShadowAttribute(self->_objectText, _shadow);
    return d;
}

// ---------------------------------------------------------------------------
// Undoable setters

template <class Step> void TMTextObject::registerTextUndo(Step step, const char* actionKey) {
    registerUndo(
        [step = std::move(step)](TMObject& self) { step(static_cast<TMTextObject&>(self)); },
        actionKey);
}

void TMTextObject::textStorageChanged() {
    if (!_inEditMode || !_editView || _showingInEditor)
        return;
    _showingInEditor = true;
    _editView->showText(_objectText);
    _showingInEditor = false;
}

void TMTextObject::setText(const QString& text) {
    if (text == this->text())
        return;
    registerTextUndo([old = this->text()](TMTextObject& self) { self.setText(old); },
                     kTextChangeActionKey);
    _objectText.replaceCharacters(0, _objectText.length(), text);
    textStorageChanged();
    recache();
    changeMade();
}

void TMTextObject::setTextStorage(const TextStorage& text) {
    if (text == _objectText)
        return;
    registerTextUndo([old = _objectText](TMTextObject& self) { self.setTextStorage(old); },
                     kTextChangeActionKey);
    _objectText = text;
    textStorageChanged();
    recache();
    changeMade();
}

Font TMTextObject::font() const {
    return _objectText.attributesAtIndex(0).font.value_or(defaultFont());
}

void TMTextObject::setFont(const Font& font) {
    if (font == this->font())
        return;
    registerTextUndo([old = this->font()](TMTextObject& self) { self.setFont(old); },
                     kFontActionKey);
    _objectText.modifyAttributes(0, _objectText.length(),
                                 [&](TextAttributes& a) { a.font = font; });
    textStorageChanged();
    recache();
    changeMade();
}

Color TMTextObject::textColor() const {
    return _objectText.attributesAtIndex(0).foregroundColor.value_or(Color::blackColor());
}

void TMTextObject::setTextColor(const Color& color) {
    if (color == textColor())
        return;
    registerTextUndo([old = textColor()](TMTextObject& self) { self.setTextColor(old); },
                     kTextColorActionKey);
    _objectText.modifyAttributes(0, _objectText.length(),
                                 [&](TextAttributes& a) { a.foregroundColor = color; });
    textStorageChanged();
    changeMade();
}

ParagraphStyle TMTextObject::paragraphStyle() const {
    return _objectText.attributesAtIndex(0).paragraphStyle.value_or(ParagraphStyle{});
}

void TMTextObject::setParagraphStyle(const ParagraphStyle& style) {
    if (!isValidAlignment(style.alignment))
        return;
    _objectText.modifyAttributes(0, _objectText.length(),
                                 [&](TextAttributes& a) { a.paragraphStyle = style; });
    textStorageChanged();
}

void TMTextObject::changeParagraphStyle(const std::function<void(ParagraphStyle&)>& change) {
    ParagraphStyle style = paragraphStyle();
    change(style);
    _objectText.modifyAttributes(0, _objectText.length(),
                                 [&](TextAttributes& a) { a.paragraphStyle = style; });
}

int32_t TMTextObject::alignment() const {
    const int32_t alignment = paragraphStyle().alignment;
    return alignment == ParagraphStyle::Natural ? ParagraphStyle::Left : alignment;
}

void TMTextObject::setAlignment(int32_t alignment) {
    // An alignment the archive cannot hold would make the text unreadable.
    if (!isValidAlignment(alignment) || alignment == this->alignment())
        return;
    registerTextUndo([old = this->alignment()](TMTextObject& self) { self.setAlignment(old); },
                     kTextAlignActionKey);
    changeParagraphStyle([alignment](ParagraphStyle& p) { p.alignment = alignment; });
    textStorageChanged();
    changeMade();
}

float TMTextObject::kern() const {
    return _objectText.attributesAtIndex(0).kern.value_or(0.0f);
}

void TMTextObject::setKern(float kern) {
    // Values that are no numbers would make the archived text unreadable.
    if (!std::isfinite(kern) || kern == this->kern())
        return;
    registerTextUndo([old = this->kern()](TMTextObject& self) { self.setKern(old); },
                     kKernActionKey);
    _objectText.modifyAttributes(0, _objectText.length(),
                                 [&](TextAttributes& a) { a.kern = kern; });
    textStorageChanged();
    changeMade();
}

float TMTextObject::baseline() const {
    return _objectText.attributesAtIndex(0).baselineOffset.value_or(0.0f);
}

void TMTextObject::setBaseline(float baseline) {
    if (!std::isfinite(baseline) || baseline == this->baseline())
        return;
    registerTextUndo([old = this->baseline()](TMTextObject& self) { self.setBaseline(old); },
                     kBaselineActionKey);
    _objectText.modifyAttributes(0, _objectText.length(),
                                 [&](TextAttributes& a) { a.baselineOffset = baseline; });
    textStorageChanged();
    changeMade();
}

float TMTextObject::lineHeightMultiple() const {
    if (!hasLineHeightMultiple())
        return 1.0f;
    const float multiple = paragraphStyle().lineHeightMultiple;
    return multiple == 0 ? 1.0f : multiple;
}

void TMTextObject::setLineHeightMultiple(float multiple) {
    if (!std::isfinite(multiple) || multiple == lineHeightMultiple())
        return;
    registerTextUndo(
        [old = lineHeightMultiple()](TMTextObject& self) { self.setLineHeightMultiple(old); },
        kLineHeightActionKey);
    changeParagraphStyle([multiple](ParagraphStyle& p) {
        p.minimumLineHeight = 0;
        if (hasLineHeightMultiple())
            p.lineHeightMultiple = multiple;
    });
    textStorageChanged();
    changeMade();
}

float TMTextObject::lineSpacing() const {
    return paragraphStyle().lineSpacing;
}

void TMTextObject::setLineSpacing(float spacing) {
    if (!std::isfinite(spacing) || spacing == lineSpacing())
        return;
    registerTextUndo([old = lineSpacing()](TMTextObject& self) { self.setLineSpacing(old); },
                     kLineSpacingActionKey);
    changeParagraphStyle([spacing](ParagraphStyle& p) { p.lineSpacing = spacing; });
    textStorageChanged();
    changeMade();
}

void TMTextObject::setDrawBackground(bool draw) {
    if (draw == _drawBackground)
        return;
    registerTextUndo([old = _drawBackground](TMTextObject& self) { self.setDrawBackground(old); },
                     kDrawBackgroundActionKey);
    _drawBackground = draw;
    if (_inEditMode && _editView)
        _editView->setDrawsBackground(_drawBackground, _backgroundColor);
    recache();
    changeMade();
}

void TMTextObject::setBackgroundColor(const Color& color) {
    if (color == _backgroundColor)
        return;
    registerTextUndo([old = _backgroundColor](TMTextObject& self) { self.setBackgroundColor(old); },
                     kBackgroundColorActionKey);
    _backgroundColor = color;
    if (_inEditMode && _editView)
        _editView->setDrawsBackground(_drawBackground, _backgroundColor);
    recache();
    changeMade();
}

void TMTextObject::setVariant(int32_t variant) {
    if (variant == _variant)
        return;
    // The switch fills in or clears the field and the property: undo brings
    // back all of it, so that a field's name survives switching back.
    VariantState old{_variant, _name, _identifier, _propertyKey, _propertyCellID, _objectText};
    registerTextUndo([old = std::move(old)](TMTextObject& self) { self.setVariantState(old); },
                     kVariantActionKey);
    _variant = variant;
    ensureIdentity();
    recache();
    changeMade();
}

void TMTextObject::setVariantState(const VariantState& state) {
    VariantState old{_variant, _name, _identifier, _propertyKey, _propertyCellID, _objectText};
    registerTextUndo([old = std::move(old)](TMTextObject& self) { self.setVariantState(old); },
                     kVariantActionKey);
    _variant = state.variant;
    _name = state.name;
    _identifier = state.identifier;
    _propertyKey = state.propertyKey;
    _propertyCellID = state.propertyCellID;
    _objectText = state.text;
    textStorageChanged();
    recache();
    changeMade();
}

void TMTextObject::setName(const QString& name) {
    if (name == _name)
        return;
    registerTextUndo([old = _name](TMTextObject& self) { self.setName(old); },
                     kNameChangeActionKey);
    _name = name;
    recache();
    changeMade();
}

void TMTextObject::setIdentifier(const QString& identifier) {
    if (identifier == _identifier)
        return;
    registerTextUndo([old = _identifier](TMTextObject& self) { self.setIdentifier(old); },
                     kIDChangeActionKey);
    _identifier = identifier;
    recache();
    changeMade();
}

void TMTextObject::setPropertyKey(const QString& key) {
    if (key == _propertyKey)
        return;
    registerTextUndo([old = _propertyKey](TMTextObject& self) { self.setPropertyKey(old); },
                     kPropertyChangeActionKey);
    _propertyKey = key;
    recache();
    changeMade();
}

void TMTextObject::setPropertyCellID(const QString& cellID) {
    if (cellID == _propertyCellID)
        return;
    registerTextUndo([old = _propertyCellID](TMTextObject& self) { self.setPropertyCellID(old); },
                     kPropertyChangeActionKey);
    _propertyCellID = cellID;
    recache();
    changeMade();
}

void TMTextObject::ensureIdentity() {
    switch (_variant) {
    case EditableField:
        if (_name.isNull())
            _name = key(kDefaultFieldName);
        if (_identifier.isNull())
            _identifier = key(kDefaultFieldIdentifier);
        _propertyKey.clear();
        _propertyCellID.clear();
        break;
    case PropertyText:
        if (_propertyKey.isNull()) {
            _propertyKey = key(kDefaultPropertyTag);
            _objectText.replaceCharacters(0, _objectText.length(),
                                          frameworkString(kDefaultPropertyKey));
            textStorageChanged();
        }
        if (_propertyCellID.isNull())
            _propertyCellID = key(kDefaultPropertyCellID);
        _name.clear();
        _identifier.clear();
        break;
    default:
        _name.clear();
        _identifier.clear();
        _propertyKey.clear();
        _propertyCellID.clear();
        break;
    }
}

// ---------------------------------------------------------------------------
// Shadow

void TMTextObject::setShadowEnabled(bool enabled) {
    if (enabled == _shadowEnabled)
        return;
    recache();
    TMObject::setShadowEnabled(enabled);
    applyShadow(enabled ? _shadow : std::nullopt);
}

void TMTextObject::setShadow(const std::optional<ShadowValue>& shadow) {
    if (shadow == _shadow)
        return;
    recache();
    TMObject::setShadow(shadow);
    if (_shadowEnabled)
        applyShadow(shadow);
}

void TMTextObject::applyShadow(const std::optional<ShadowValue>& shadow) {
    if (!supportsShadow())
        return;
    setShadowAttribute(_objectText, shadow);
    textStorageChanged();
    changeMade();
}

void TMTextObject::setShadowAttribute(TextStorage& text,
                                      const std::optional<ShadowValue>& shadow) const {
    if (!supportsShadow())
        return;
    std::optional<ShadowValue> attribute = shadow;
    if (attribute && _destinationDPI != 0) {
        const float scale = float(_destinationDPI) / kPointsPerInch;
        attribute->offset = {attribute->offset.width * scale, attribute->offset.height * scale};
        attribute->blurRadius *= scale;
    }
    text.modifyAttributes(0, text.length(), [&](TextAttributes& a) { a.shadow = attribute; });
}

// ---------------------------------------------------------------------------
// Numbers and geometry

void TMTextObject::setEditableTextNumber(int32_t number) {
    _editableTextFieldNumber = number;
}

void TMTextObject::setPhotoNumber(int32_t number) {
    _photoNumber = number;
}

void TMTextObject::setCenter(Point center) {
    textDidEndEditing();
    TMObject::setCenter(center);
}

void TMTextObject::setSize(Size size) {
    textDidEndEditing();
    TMObject::setSize(size);
}

void TMTextObject::setRotation(float rotation) {
    textDidEndEditing();
    TMObject::setRotation(rotation);
}

void TMTextObject::objectWillBeRemoved(Document* document) {
    textDidEndEditing();
    TMObject::objectWillBeRemoved(document);
}

void TMTextObject::setInCreation(bool inCreation) {
    if (!inCreation && _inCreation)
        beginTextEditing();
    TMObject::setInCreation(inCreation);
}

void TMTextObject::doubleClicked() {
    beginTextEditing();
}

// ---------------------------------------------------------------------------
// In-place editing

void TMTextObject::beginTextEditing() {
    if (_inEditMode)
        return;
    auto* host = dynamic_cast<TMTextEditorHost*>(lastDrawnInView());
    TMTextObjectRef self = std::static_pointer_cast<TMTextObject>(weak_from_this().lock());
    if (!host || !self)
        return;
    const float inset = halfKnobWidth();
    Rect frame = insetRect(unrotatedRect(), inset, inset);
    if (_rotation != 0) {
        const Point p = rotatedHalfSize(frame.width(), frame.height(), _rotation);
        frame = offsetRect(frame, frame.width() / 2 - p.x, frame.height() / 2 - p.y);
    }
    _textBeforeEditing = _objectText;
    _inEditMode = true;
    _editView = host->makeTextEditor(self, frame);
    if (!_editView) {
        _inEditMode = false;
        return;
    }
    setNeedsDisplay();
}

void TMTextObject::textDidEndEditing() {
    if (!_inEditMode)
        return;
    _inEditMode = false;
    std::unique_ptr<TMTextEditor> editor = std::move(_editView);
    if (editor)
        editor->endEditing();
    editor.reset();
    setNeedsDisplay();
    // Typing went straight into the text; the change becomes undoable now,
    // as one step from the text before editing.
    TextStorage typed = std::move(_objectText);
    _objectText = std::move(_textBeforeEditing);
    _textBeforeEditing = {};
    if (typed.string() != _objectText.string())
        setTextStorage(typed);
    else
        _objectText = std::move(typed);
}

void TMTextObject::editorTextDidChange(const TextStorage& text) {
    if (!_inEditMode || _showingInEditor)
        return;
    _objectText = text;
}

// ---------------------------------------------------------------------------
// Drawing

TextStorage TMTextObject::drawnText() const {
    if (!_imageSource || (_variant != EditableField && _variant != PropertyText))
        return _objectText;
    // The source's value is for this draw only: the template keeps its own text.
    const QString value =
        _variant == EditableField
            ? _imageSource->editValueForField(indexOfNumber(_editableTextFieldNumber))
            : _imageSource->propertyForCell(_propertyKey, indexOfNumber(_photoNumber));
    TextStorage shown = _objectText;
    shown.replaceCharacters(0, shown.length(), value);
    return shown;
}

void TMTextObject::drawObject(bool drawHandles) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    if (!_inEditMode) {
        TextStorage shown = drawnText();
        if (shadowEnabled().toBool())
            setShadowAttribute(shown, _shadow);

        context->saveGraphicsState();
        context->addClip(path());
        const float inset = halfKnobWidth();
        const float width = _size.width - 2 * inset;
        const float height = _size.height - 2 * inset;
        const Point p = rotatedHalfSize(width, height, _rotation);
        AffineTransform box;
        box.translateXByYBy(_center.x - p.x, _center.y - p.y);
        box.rotateByDegrees(_rotation);
        context->concat(box);
        if (_drawBackground) {
            context->setFillColor(_backgroundColor.toQColor());
            context->fillPath(BezierPath::bezierPathWithRect({0, 0, width, height}));
            context->setColor(Color::blackColor().toQColor());
        }
        if (shown.length() > 0 && width > 0 && height > 0)
            drawText(shown, width, height);
        context->restoreGraphicsState();
    }

    if (inCreation() || (drawHandles && selected())) {
        BezierPath outline = path();
        outline.setLineDashCountPhase(kDashPattern, 2, 0);
        context->setStrokeColor(Color::blackColor().toQColor());
        outline.stroke();
    }
    context->setColor(Color::blackColor().toQColor());
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}

// Draws the text into the box (0, 0, width, height) of the current user space,
// from the box's top, with the text's shadow attribute as its shadow.
void TMTextObject::drawText(const TextStorage& text, float width, float height) {
    GraphicsContext* context = GraphicsContext::currentContext();
    // Lines run down the device: where the box's y grows up on it (a page
    // that is not flipped), the box is turned over in place first.
    if (context->deviceTransform().determinant() < 0) {
        AffineTransform over;
        over.translateXByYBy(0, height);
        over.scaleXByYBy(1, -1);
        context->concat(over);
    }
    std::unique_ptr<QTextDocument> document = text.toTextDocument();
    layOutInPagePoints(*document);
    document->setTextWidth(width);

    std::optional<ShadowValue> cast = text.attributesAtIndex(0).shadow;
    // A thumbnail is drawn into a flipped image, whose own space runs down.
    if (cast && drawingThumbnail())
        cast = flippedShadow(*cast);
    context->saveGraphicsState();
    if (cast)
        context->setShadow(*cast);
    else
        context->clearShadow();
    const float reach = halfKnobWidth() + 1;
    const Rect bounds = insetRect(Rect(0, 0, width, height), -reach, -reach);
    context->drawWithPainter(bounds, [&document](QPainter& painter) {
        QAbstractTextDocumentLayout::PaintContext paint;
        paint.palette.setColor(QPalette::Text, Qt::black);
        document->documentLayout()->draw(&painter, paint);
    });
    context->restoreGraphicsState();
}
