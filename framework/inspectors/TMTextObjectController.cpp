#include "framework/inspectors/TMTextObjectController.h"

#include "framework/Formwell.h"
#include "framework/inspectors/TMShadowSection.h"
#include "framework/model/MasterEXIFTagDictionary.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/FontManager.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Stepper.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObjectController::registerControllerClass(TMTextObject::classObjectControllerClass(), [] {
        return std::make_unique<TMTextObjectController>();
    });
    return true;
}();

constexpr int kPaletteWidth = 260;
constexpr int kShadowTop = 182;
constexpr int kVariantTop = kShadowTop + TMShadowSection::kHeight + 4;
constexpr int kContainerTop = kVariantTop + 30;
constexpr int kContainerHeight = 62;
constexpr int kPaletteHeight = kContainerTop + kContainerHeight;
// The cell pop-up's items before the photo cells: "none" and a separator.
constexpr int kFixedCellItems = 2;
constexpr float kStepperLimit = 10000;

constexpr char kPropertyKey[] = "PROPERTY";
constexpr char kPhotoCellLabelKey[] = "PHOTO_CELL_LABEL";

QString str(const char* text) {
    return QString::fromLatin1(text);
}

template <class T> T* named(T* widget, const char* name, QRect frame) {
    widget->setObjectName(str(name));
    widget->setGeometry(frame);
    return widget;
}

QLabel* label(QWidget* parent, const char* key, QRect frame) {
    auto* l = new QLabel(frameworkString(key), parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(frame);
    return l;
}

QString lastPathComponent(const QString& path) {
    return path.section(u'/', -1);
}

void selectItemWithData(QComboBox* popUp, int tag) {
    const QSignalBlocker quiet(popUp);
    popUp->setCurrentIndex(popUp->findData(tag));
}

struct Group {
    const char* prefix;
    const char* key;
};
// Menu order; names fall into the first group whose prefix they begin with,
// EXIF taking the rest.
constexpr Group kGroups[] = {
    {"File/", "FILE"}, {"iPhoto/", "IPHOTO"}, {"Template/", "TEMPLATE"}, {"", "EXIF"}};

QString namePrefixForKey(const QString& key) {
    if (key.startsWith(str("File")))
        return str("File/%1");
    if (key.startsWith(str("iPhoto")))
        return str("iPhoto/%1");
    if (key.startsWith(str("Template")))
        return str("Template/%1");
    return str("EXIF/%1");
}

} // namespace

int propertySort(const QVariant& a, const QVariant& b, void*) {
    const QString first = a.toMap().value(str("name")).toString();
    const QString second = b.toMap().value(str("name")).toString();
    const bool firstIsFile = first.startsWith(str("File"));
    const bool secondIsFile = second.startsWith(str("File"));
    if (firstIsFile && !secondIsFile)
        return -1;
    if (secondIsFile && !firstIsFile)
        return 1;
    const int order = first.compare(second, Qt::CaseInsensitive);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

TMTextObjectController::TMTextObjectController() : _myFont(Font::systemFontOfSize(12)) {
    loadPalette();
}

TMTextObjectController::~TMTextObjectController() {
    // The variant views may be out of the palette.
    delete _userEditVariantView;
    delete _propertyVariantView;
    delete _paletteView;
}

// ---------------------------------------------------------------------------
// The palette

void TMTextObjectController::loadPalette() {
    _paletteView = new QWidget;
    _paletteView->setObjectName(str("TextPalette"));
    _paletteView->setFixedSize(kPaletteWidth, kPaletteHeight);
    QWidget* view = _paletteView;

    _fontFamilyPopUp = named(new QComboBox(view), "_fontFamilyPopUp", {10, 4, 240, 24});
    QStringList families = FontManager::sharedFontManager().availableFontFamilies();
    families.sort();
    _fontFamilyPopUp->addItems(families);
    QObject::connect(_fontFamilyPopUp, &QComboBox::activated, _fontFamilyPopUp,
                     [this] { familyChanged(_fontFamilyPopUp); });

    _fontTypefacePopUp = named(new QComboBox(view), "_fontTypefacePopUp", {10, 32, 160, 24});
    QObject::connect(_fontTypefacePopUp, &QComboBox::activated, _fontTypefacePopUp,
                     [this] { typefaceChanged(_fontTypefacePopUp); });
    _fontSizeComboBox = named(new QComboBox(view), "_fontSizeComboBox", {176, 32, 74, 24});
    _fontSizeComboBox->setEditable(true);
    _fontSizeComboBox->setInsertPolicy(QComboBox::NoInsert);
    for (int size : {9, 10, 11, 12, 13, 14, 18, 24, 36, 48, 64, 72, 96, 144, 288})
        _fontSizeComboBox->addItem(QString::number(size));
    QObject::connect(_fontSizeComboBox, &QComboBox::activated, _fontSizeComboBox,
                     [this] { sizeChanged(_fontSizeComboBox); });
    QObject::connect(_fontSizeComboBox->lineEdit(), &QLineEdit::editingFinished, _fontSizeComboBox,
                     [this] { sizeChanged(_fontSizeComboBox); });

    _alignmentMatrix = new QButtonGroup(view);
    _alignmentMatrix->setObjectName(str("_alignmentMatrix"));
    struct Cell {
        int tag;
        const char* key;
    };
    const Cell cells[] = {{ParagraphStyle::Left, "INSP_ALIGN_LEFT"},
                          {ParagraphStyle::Center, "INSP_ALIGN_CENTER"},
                          {ParagraphStyle::Right, "INSP_ALIGN_RIGHT"},
                          {ParagraphStyle::Justified, "INSP_ALIGN_JUSTIFIED"}};
    int x = 10;
    for (const Cell& cell : cells) {
        auto* button = new QToolButton(view);
        button->setObjectName(str("alignmentCell%1").arg(cell.tag));
        button->setText(frameworkString(cell.key));
        button->setCheckable(true);
        button->setGeometry(x, 62, 30, 24);
        _alignmentMatrix->addButton(button, cell.tag);
        x += 31;
    }
    QObject::connect(_alignmentMatrix, &QButtonGroup::idClicked, _alignmentMatrix,
                     [this] { alignmentChanged(_alignmentMatrix); });
    label(view, "INSP_TEXT_COLOR", {140, 65, 66, 18});
    _textColorWell = named(new ColorWell(view), "_textColorWell", {212, 61, 38, 26});
    QObject::connect(_textColorWell, &ColorWell::colorChosen, _textColorWell,
                     [this] { textColorChanged(_textColorWell); });

    _drawBackgroundSwitch = named(new QCheckBox(frameworkString("INSP_BACKGROUND"), view),
                                  "_drawBackgroundSwitch", {10, 95, 120, 20});
    QObject::connect(_drawBackgroundSwitch, &QCheckBox::clicked, _drawBackgroundSwitch,
                     [this] { drawBackgroundChanged(_drawBackgroundSwitch); });
    _backgroundColorLabel = label(view, "INSP_BACKGROUND_COLOR", {140, 96, 66, 18});
    _backgroundColorLabel->setObjectName(str("_backgroundColorLabel"));
    _backgroundColorWell = named(new ColorWell(view), "_backgroundColorWell", {212, 92, 38, 26});
    QObject::connect(_backgroundColorWell, &ColorWell::colorChosen, _backgroundColorWell,
                     [this] { backgroundColorChanged(_backgroundColorWell); });

    const auto measure = [&](const char* key, const char* fieldName, const char* stepperName,
                             QPoint at, double step, QLineEdit*& field, Stepper*& stepper) {
        label(view, key, {at.x(), at.y() + 2, 60, 18});
        field = named(new QLineEdit(view), fieldName, {at.x() + 64, at.y(), 42, 22});
        stepper = named(new Stepper(view), stepperName, {at.x() + 107, at.y() - 1, 19, 24});
        stepper->setRange(-kStepperLimit, kStepperLimit);
        stepper->setSingleStep(step);
    };
    measure("INSP_KERN", "_kernField", "_kernStepper", {0, 124}, 0.1, _kernField, _kernStepper);
    measure("INSP_BASELINE", "_baselineField", "_baselineStepper", {128, 124}, 1.0, _baselineField,
            _baselineStepper);
    measure("INSP_LINE_HEIGHT", "_lineHeightField", "_lineHeightStepper", {0, 152}, 0.1,
            _lineHeightField, _lineHeightStepper);
    measure("INSP_LINE_SPACING", "_lineSpacingField", "_lineSpacingStepper", {128, 152}, 1.0,
            _lineSpacingField, _lineSpacingStepper);
    connectMeasure(_kernField, _kernStepper, &TMTextObjectController::kernChanged);
    connectMeasure(_baselineField, _baselineStepper, &TMTextObjectController::baselineChanged);
    connectMeasure(_lineHeightField, _lineHeightStepper,
                   &TMTextObjectController::lineHeightChanged);
    connectMeasure(_lineSpacingField, _lineSpacingStepper,
                   &TMTextObjectController::lineSpacingChanged);

    buildShadowSection(view, kShadowTop);

    label(view, "INSP_TEXT_KIND", {4, kVariantTop + 3, 66, 18});
    _variantPopUp = named(new QComboBox(view), "_variantPopUp", {74, kVariantTop, 176, 24});
    _variantPopUp->addItem(frameworkString("INSP_PLAIN_TEXT"), TMTextObject::PlainText);
    _variantPopUp->addItem(frameworkString("INSP_EDITABLE_FIELD"), TMTextObject::EditableField);
    _variantPopUp->addItem(frameworkString("INSP_PROPERTY_FIELD"), TMTextObject::PropertyText);
    QObject::connect(_variantPopUp, &QComboBox::activated, _variantPopUp,
                     [this] { variantChanged(_variantPopUp); });

    _variantContainerView = named(new QWidget(view), "_variantContainerView",
                                  {0, kContainerTop, kPaletteWidth, kContainerHeight});

    _userEditVariantView =
        named(new QWidget, "_userEditVariantView", {0, 0, kPaletteWidth, kContainerHeight});
    label(_userEditVariantView, "INSP_FIELD_NAME", {4, 6, 66, 18});
    _fieldNameField =
        named(new QLineEdit(_userEditVariantView), "_fieldNameField", {74, 4, 176, 22});
    label(_userEditVariantView, "INSP_FIELD_IDENTIFIER", {4, 34, 66, 18});
    _fieldIdentifierField =
        named(new QLineEdit(_userEditVariantView), "_fieldIdentifierField", {74, 32, 176, 22});
    for (QLineEdit* field : {_fieldNameField, _fieldIdentifierField})
        QObject::connect(field, &QLineEdit::editingFinished, field,
                         [this, field] { userEditableAttributeChanged(field); });

    _propertyVariantView =
        named(new QWidget, "_propertyVariantView", {0, 0, kPaletteWidth, kContainerHeight});
    label(_propertyVariantView, "INSP_PHOTO_CELL", {4, 5, 66, 18});
    _propertyPhotoCellsPopUp =
        named(new QComboBox(_propertyVariantView), "_propertyPhotoCellsPopUp", {74, 2, 176, 24});
    _propertyPhotoCellsPopUp->addItem(frameworkString("INSP_NO_PHOTO_CELL"));
    _propertyPhotoCellsPopUp->insertSeparator(1);
    QObject::connect(_propertyPhotoCellsPopUp, &QComboBox::activated, _propertyPhotoCellsPopUp,
                     [this] { photoCellChanged(_propertyPhotoCellsPopUp); });
    label(_propertyVariantView, "INSP_PROPERTY", {4, 34, 66, 18});
    _propertyNamePopUp =
        named(new QPushButton(_propertyVariantView), "_propertyNamePopUp", {74, 31, 176, 24});

    if (isOldSystem()) {
        _lineHeightField->setEnabled(false);
        _lineHeightStepper->setEnabled(false);
    }
}

void TMTextObjectController::connectMeasure(QLineEdit* field, Stepper* stepper,
                                            void (TMTextObjectController::*action)(QObject*)) {
    QObject::connect(field, &QLineEdit::editingFinished, field,
                     [this, field, action] { (this->*action)(field); });
    QObject::connect(stepper, &QDoubleSpinBox::valueChanged, stepper,
                     [this, stepper, action] { (this->*action)(stepper); });
}

// ---------------------------------------------------------------------------
// Properties

QVariant TMTextObjectController::font() const {
    return propertyValue(&TMTextObject::font, _myFont);
}
void TMTextObjectController::setFont(const QVariant& font) {
    setPropertyValue(font, &TMTextObject::setFont, _myFont);
}
QVariant TMTextObjectController::alignment() const {
    return propertyValue(&TMTextObject::alignment, _myAlignment);
}
void TMTextObjectController::setAlignment(const QVariant& alignment) {
    setPropertyValue(alignment, &TMTextObject::setAlignment, _myAlignment);
}
QVariant TMTextObjectController::drawBackground() const {
    return propertyValue(&TMTextObject::drawBackground, _drawBackground);
}
void TMTextObjectController::setDrawBackground(const QVariant& draw) {
    setPropertyValue(draw, &TMTextObject::setDrawBackground, _drawBackground);
}
QVariant TMTextObjectController::backgroundColor() const {
    return propertyValue(&TMTextObject::backgroundColor, _backgroundColor);
}
void TMTextObjectController::setBackgroundColor(const QVariant& color) {
    setPropertyValue(color, &TMTextObject::setBackgroundColor, _backgroundColor);
}
QVariant TMTextObjectController::textColor() const {
    return propertyValue(&TMTextObject::textColor, _textColor);
}
void TMTextObjectController::setTextColor(const QVariant& color) {
    setPropertyValue(color, &TMTextObject::setTextColor, _textColor);
}
QVariant TMTextObjectController::kern() const {
    return propertyValue(&TMTextObject::kern, _myKern);
}
void TMTextObjectController::setKern(const QVariant& kern) {
    setPropertyValue(kern, &TMTextObject::setKern, _myKern);
}
QVariant TMTextObjectController::baseline() const {
    return propertyValue(&TMTextObject::baseline, _myBaseline);
}
void TMTextObjectController::setBaseline(const QVariant& baseline) {
    setPropertyValue(baseline, &TMTextObject::setBaseline, _myBaseline);
}
QVariant TMTextObjectController::lineHeightMultiple() const {
    return propertyValue(&TMTextObject::lineHeightMultiple, _myLineHeightMultiple);
}
void TMTextObjectController::setLineHeightMultiple(const QVariant& multiple) {
    setPropertyValue(multiple, &TMTextObject::setLineHeightMultiple, _myLineHeightMultiple);
}
QVariant TMTextObjectController::lineSpacing() const {
    return propertyValue(&TMTextObject::lineSpacing, _myLineSpacing);
}
void TMTextObjectController::setLineSpacing(const QVariant& spacing) {
    setPropertyValue(spacing, &TMTextObject::setLineSpacing, _myLineSpacing);
}
QVariant TMTextObjectController::variant() const {
    return propertyValue(&TMTextObject::variant, _myVariant);
}
void TMTextObjectController::setVariant(const QVariant& variant) {
    setPropertyValue(variant, &TMTextObject::setVariant, _myVariant);
}
QVariant TMTextObjectController::name() const {
    return propertyValue(&TMTextObject::name, _name);
}
void TMTextObjectController::setName(const QVariant& name) {
    setPropertyValue(name, &TMTextObject::setName, _name);
}
QVariant TMTextObjectController::identifier() const {
    return propertyValue(&TMTextObject::identifier, _identifier);
}
void TMTextObjectController::setIdentifier(const QVariant& identifier) {
    setPropertyValue(identifier, &TMTextObject::setIdentifier, _identifier);
}
QVariant TMTextObjectController::propertyKey() const {
    return propertyValue(&TMTextObject::propertyKey, _propertyKey);
}
void TMTextObjectController::setPropertyKey(const QVariant& key) {
    setPropertyValue(key, &TMTextObject::setPropertyKey, _propertyKey);
}
QVariant TMTextObjectController::propertyCellID() const {
    return propertyValue(&TMTextObject::propertyCellID, _propertyCellID);
}
void TMTextObjectController::setPropertyCellID(const QVariant& cellID) {
    setPropertyValue(cellID, &TMTextObject::setPropertyCellID, _propertyCellID);
}

// ---------------------------------------------------------------------------
// Actions

void TMTextObjectController::familyChanged(QObject*) {
    const Font current = font().value<Font>();
    setFont(QVariant::fromValue(FontManager::sharedFontManager().convertFontToFamily(
        current, _fontFamilyPopUp->currentText())));
}

void TMTextObjectController::typefaceChanged(QObject*) {
    const FontManager& manager = FontManager::sharedFontManager();
    const Font current = font().value<Font>();
    const QString face = _fontTypefacePopUp->currentText();
    for (const FontMember& member : manager.availableMembersOfFontFamily(current.familyName())) {
        if (member.faceName != face)
            continue;
        if (const std::optional<Font> converted =
                manager.convertFontToFace(current, member.fontName))
            setFont(QVariant::fromValue(*converted));
        return;
    }
}

void TMTextObjectController::sizeChanged(QObject*) {
    const Font current = font().value<Font>();
    const std::optional<Font> converted = FontManager::sharedFontManager().convertFontToSize(
        current, textValue(_fontSizeComboBox->currentText()));
    if (!converted) {
        ModalAlert::beep();
        updateInspectorPalette();
        return;
    }
    setFont(QVariant::fromValue(*converted));
}

void TMTextObjectController::alignmentChanged(QObject*) {
    setAlignment(_alignmentMatrix->checkedId());
}

void TMTextObjectController::drawBackgroundChanged(QObject*) {
    setDrawBackground(_drawBackgroundSwitch->isChecked());
}

void TMTextObjectController::backgroundColorChanged(QObject*) {
    setBackgroundColor(QVariant::fromValue(Color::fromQColor(_backgroundColorWell->color())));
}

void TMTextObjectController::textColorChanged(QObject*) {
    setTextColor(QVariant::fromValue(Color::fromQColor(_textColorWell->color())));
}

void TMTextObjectController::measureChanged(
    QObject* sender, QLineEdit* field, Stepper* stepper,
    void (TMTextObjectController::*setter)(const QVariant&)) {
    const float value = sender == stepper ? float(stepper->value()) : fieldValue(field);
    (this->*setter)(value);
    if (sender == stepper) {
        showNumber(field, value);
    } else {
        const QSignalBlocker quiet(stepper);
        stepper->setValue(double(value));
    }
}

void TMTextObjectController::kernChanged(QObject* sender) {
    measureChanged(sender, _kernField, _kernStepper, &TMTextObjectController::setKern);
}

void TMTextObjectController::baselineChanged(QObject* sender) {
    measureChanged(sender, _baselineField, _baselineStepper, &TMTextObjectController::setBaseline);
}

void TMTextObjectController::lineHeightChanged(QObject* sender) {
    measureChanged(sender, _lineHeightField, _lineHeightStepper,
                   &TMTextObjectController::setLineHeightMultiple);
}

void TMTextObjectController::lineSpacingChanged(QObject* sender) {
    measureChanged(sender, _lineSpacingField, _lineSpacingStepper,
                   &TMTextObjectController::setLineSpacing);
}

void TMTextObjectController::variantChanged(QObject*) {
    setVariant(_variantPopUp->currentIndex());
    if (variant().toInt() == TMTextObject::EditableField) {
        // The name field is in the palette only once the container shows the field's view.
        updateInspectorPalette();
        QWidget* window = _fieldNameField->window();
        window->raise();
        window->activateWindow();
        makeFirstResponder(_fieldNameField);
    }
}

void TMTextObjectController::userEditableAttributeChanged(QObject* sender) {
    if (sender == _fieldNameField)
        setName(_fieldNameField->text());
    else if (sender == _fieldIdentifierField)
        setIdentifier(_fieldIdentifierField->text());
}

void TMTextObjectController::propertyChanged(QObject* sender) {
    const auto* item = qobject_cast<const QAction*>(sender);
    if (!item)
        return;
    const QString chosen = item->data().toString();
    for (const QVariantMap& entry : std::as_const(_sortedProperties)) {
        const QString entryName = entry.value(str("name")).toString();
        if (entryName != chosen)
            continue;
        setPropertyKey(entry.value(str("key")).toString());
        if (const std::shared_ptr<TMTextObject> object = inspected<TMTextObject>())
            object->setText(str("%1: %2").arg(frameworkString(kPropertyKey), entryName));
        return;
    }
}

void TMTextObjectController::photoCellChanged(QObject*) {
    QString cellID;
    const int index = _propertyPhotoCellsPopUp->currentIndex();
    const TMObjectRef object = inspectedObject();
    auto* document = object ? qobject_cast<TemplateDocument*>(object->parentDocument()) : nullptr;
    if (index >= kFixedCellItems && document) {
        const QString title = _propertyPhotoCellsPopUp->itemText(index);
        const int number = title.mid(frameworkString(kPhotoCellLabelKey).size()).toInt();
        cellID = document->idOfPhotoObjectWithNumber(number);
    }
    // No cell is the empty text, never none.
    setPropertyCellID(cellID.isNull() ? QStringLiteral("") : cellID);
}

// ---------------------------------------------------------------------------
// Showing the values

void TMTextObjectController::setInspectedObject(const TMObjectRef& object) {
    if (object == inspectedObject())
        return;
    _textColorWell->deactivate();
    _backgroundColorWell->deactivate();
    TMObjectController::setInspectedObject(object);
}

void TMTextObjectController::updateInspectorPalette() {
    const Font current = font().value<Font>();
    const FontManager& manager = FontManager::sharedFontManager();
    {
        const QSignalBlocker quiet(_fontFamilyPopUp);
        _fontFamilyPopUp->setCurrentIndex(_fontFamilyPopUp->findText(current.familyName()));
    }
    {
        const QSignalBlocker quiet(_fontSizeComboBox);
        _fontSizeComboBox->setEditText(QString::number(int(current.pointSize())));
    }
    {
        const QSignalBlocker quiet(_fontTypefacePopUp);
        const QList<FontMember> members =
            manager.availableMembersOfFontFamily(current.familyName());
        QStringList faces;
        for (const FontMember& member : members)
            faces.append(member.faceName);
        faces.sort();
        _fontTypefacePopUp->clear();
        _fontTypefacePopUp->addItems(faces);
        const QString fontName = manager.fontName(current);
        for (const FontMember& member : members)
            if (member.fontName == fontName) {
                _fontTypefacePopUp->setCurrentIndex(_fontTypefacePopUp->findText(member.faceName));
                break;
            }
    }
    if (QAbstractButton* cell = _alignmentMatrix->button(alignment().toInt()))
        cell->setChecked(true);

    const bool background = drawBackground().toBool();
    {
        const QSignalBlocker quiet(_drawBackgroundSwitch);
        _drawBackgroundSwitch->setChecked(background);
    }
    _backgroundColorWell->setColor(backgroundColor().value<Color>().toQColor());
    _backgroundColorWell->setEnabled(background);
    _textColorWell->setColor(textColor().value<Color>().toQColor());

    const auto showMeasure = [](QLineEdit* field, Stepper* stepper, float value) {
        showNumber(field, value);
        const QSignalBlocker quiet(stepper);
        stepper->setValue(double(value));
    };
    showMeasure(_kernField, _kernStepper, kern().toFloat());
    showMeasure(_baselineField, _baselineStepper, baseline().toFloat());
    showMeasure(_lineHeightField, _lineHeightStepper, lineHeightMultiple().toFloat());
    showMeasure(_lineSpacingField, _lineSpacingStepper, lineSpacing().toFloat());
    if (isOldSystem()) {
        _lineHeightField->setEnabled(false);
        _lineHeightStepper->setEnabled(false);
    }

    _shadowSection->updateShadowControls();
    TM_EnableControlText(_backgroundColorLabel, background);

    selectItemWithData(_variantPopUp, variant().toInt());
    updateVariantContainer();
}

void TMTextObjectController::updateVariantContainer() {
    const auto empty = [this] {
        for (QWidget* shown : {_userEditVariantView.data(), _propertyVariantView.data()})
            if (shown && shown->parentWidget() == _variantContainerView) {
                shown->hide();
                shown->setParent(nullptr);
            }
    };
    const auto add = [this](QWidget* view) {
        view->setParent(_variantContainerView);
        view->move(0, 0);
        view->show();
    };
    switch (variant().toInt()) {
    case TMTextObject::PlainText:
        empty();
        break;
    case TMTextObject::EditableField:
        if (_userEditVariantView->parentWidget() != _variantContainerView) {
            empty();
            add(_userEditVariantView);
        }
        _fieldNameField->setText(name().toString());
        _fieldIdentifierField->setText(identifier().toString());
        break;
    case TMTextObject::PropertyText: {
        if (_propertyVariantView->parentWidget() != _variantContainerView) {
            empty();
            add(_propertyVariantView);
            buildPropertyMenus();
        }
        refillPhotoCells();
        const QString key = propertyKey().toString();
        for (const QVariantMap& entry : std::as_const(_sortedProperties))
            if (entry.value(str("key")).toString() == key) {
                _propertyNamePopUp->setText(lastPathComponent(entry.value(str("name")).toString()));
                break;
            }
        break;
    }
    default:
        break;
    }
}

void TMTextObjectController::refillPhotoCells() {
    const QSignalBlocker quiet(_propertyPhotoCellsPopUp);
    while (_propertyPhotoCellsPopUp->count() > kFixedCellItems)
        _propertyPhotoCellsPopUp->removeItem(kFixedCellItems);
    int selected = 0;
    const TMObjectRef object = inspectedObject();
    if (auto* document =
            object ? qobject_cast<TemplateDocument*>(object->parentDocument()) : nullptr) {
        const QString label = frameworkString(kPhotoCellLabelKey);
        for (int32_t number = 1; number <= document->countPhotoObjects(); ++number)
            _propertyPhotoCellsPopUp->addItem(str("%1%2").arg(label).arg(number));
        const int32_t bound = document->photoObjectNumberWithID(propertyCellID().toString());
        // The cell items follow the two fixed ones.
        selected = bound == 0 ? 0 : bound + 1;
    }
    _propertyPhotoCellsPopUp->setCurrentIndex(selected);
}

QWidget* TMTextObjectController::getInspectorPalette() {
    updateInspectorPalette();
    return _paletteView;
}

void TMTextObjectController::buildPropertyMenus() {
    if (variant().toInt() != TMTextObject::PropertyText)
        return;
    refillPhotoCells();

    if (_sortedProperties.isEmpty()) {
        const QVariantMap tags = GetMasterEXIFTagDictionary().toMap();
        QVariantList entries;
        for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
            const QString tagName = it.value().toMap().value(str("TagName")).toString();
            entries.append(QVariantMap{{str("key"), it.key()},
                                       {str("name"), namePrefixForKey(it.key()).arg(tagName)}});
        }
        std::stable_sort(entries.begin(), entries.end(), [](const QVariant& a, const QVariant& b) {
            return propertySort(a, b, nullptr) < 0;
        });
        for (const QVariant& entry : std::as_const(entries))
            _sortedProperties.append(entry.toMap());
    }

    // The menus are made anew each time; the old ones go with their button's.
    if (QMenu* old = _propertyNamePopUp->menu()) {
        _propertyNamePopUp->setMenu(nullptr);
        old->deleteLater();
    }
    auto* root = new QMenu(_propertyNamePopUp);
    root->setObjectName(str("propertyMenu"));
    QList<QMenu*> submenus;
    for (const Group& group : kGroups) {
        auto* submenu = new QMenu(frameworkString(group.key), root);
        submenu->setObjectName(str(group.key));
        submenus.append(submenu);
    }
    for (const QVariantMap& entry : std::as_const(_sortedProperties)) {
        const QString entryName = entry.value(str("name")).toString();
        qsizetype group = 0;
        while (group + 1 < qsizetype(std::size(kGroups)) &&
               !entryName.startsWith(str(kGroups[group].prefix)))
            ++group;
        QAction* item = submenus.at(group)->addAction(lastPathComponent(entryName));
        item->setData(entryName);
        QObject::connect(item, &QAction::triggered, item, [this, item] { propertyChanged(item); });
    }
    for (QMenu* submenu : std::as_const(submenus)) {
        if (submenu->isEmpty())
            delete submenu;
        else
            root->addMenu(submenu);
    }
    _propertyNamePopUp->setMenu(root);
}
