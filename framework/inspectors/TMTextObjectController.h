#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMShadowedObjectController.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"

#include <QPointer>
#include <QVariantMap>

class ColorWell;
class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class Stepper;

// Orders property entries ({"key", "name"}) by name: names beginning with
// "File" first, then the rest ignoring case ("EXIF/", "iPhoto/", "Template/").
// Negative, zero or positive as a comparison; the context is not used.
FORMWELL_EXPORT int propertySort(const QVariant& a, const QVariant& b, void* context);

// The inspector of text objects: font family, typeface and size, alignment,
// colours, background, kerning, baseline, line height and spacing, shadow and
// the kind of text: plain, a user-editable field with a name and an
// identifier, or a photo property of one photo cell, chosen from a menu of
// every property a template can show, grouped by where it comes from.
// Its palette ("TextPalette") carries the outlet names as object names.
class FORMWELL_EXPORT TMTextObjectController : public TMShadowedObjectController {
    Q_OBJECT

public:
    TMTextObjectController();
    ~TMTextObjectController() override;

    // The accessor pattern: a Font; ints; bools; Colors; floats; texts.
    QVariant font() const;
    void setFont(const QVariant& font);
    QVariant alignment() const;
    void setAlignment(const QVariant& alignment);
    QVariant drawBackground() const;
    void setDrawBackground(const QVariant& draw);
    QVariant backgroundColor() const;
    void setBackgroundColor(const QVariant& color);
    QVariant textColor() const;
    void setTextColor(const QVariant& color);
    QVariant kern() const;
    void setKern(const QVariant& kern);
    QVariant baseline() const;
    void setBaseline(const QVariant& baseline);
    QVariant lineHeightMultiple() const;
    void setLineHeightMultiple(const QVariant& multiple);
    QVariant lineSpacing() const;
    void setLineSpacing(const QVariant& spacing);
    QVariant variant() const;
    void setVariant(const QVariant& variant);
    QVariant name() const;
    void setName(const QVariant& name);
    QVariant identifier() const;
    void setIdentifier(const QVariant& identifier);
    QVariant propertyKey() const;
    void setPropertyKey(const QVariant& key);
    QVariant propertyCellID() const;
    void setPropertyCellID(const QVariant& cellID);

    void familyChanged(QObject* sender);
    void typefaceChanged(QObject* sender);
    // A size below 1 point beeps and keeps the font.
    void sizeChanged(QObject* sender);
    void alignmentChanged(QObject* sender);
    void drawBackgroundChanged(QObject* sender);
    void backgroundColorChanged(QObject* sender);
    void textColorChanged(QObject* sender);
    void kernChanged(QObject* sender);
    void baselineChanged(QObject* sender);
    void lineHeightChanged(QObject* sender);
    void lineSpacingChanged(QObject* sender);
    void variantChanged(QObject* sender);
    void userEditableAttributeChanged(QObject* sender);
    // A property item of the menu sets the key and, for an inspected object,
    // its text ("Property: EXIF/Exposure Time") in the same event.
    void propertyChanged(QObject* sender);
    void photoCellChanged(QObject* sender);

    void setInspectedObject(const TMObjectRef& object) override;
    void updateInspectorPalette() override;
    void updateVariantContainer();
    QWidget* getInspectorPalette() override;
    void buildPropertyMenus();

    QWidget* paletteView() const { return _paletteView; }
    QPushButton* propertyNamePopUp() const { return _propertyNamePopUp; }
    // The property entries ({"key", "name"}), once they are built.
    const QList<QVariantMap>& sortedProperties() const { return _sortedProperties; }

private:
    void loadPalette();
    // A measure's field and stepper and their action.
    void connectMeasure(QLineEdit* field, Stepper* stepper,
                        void (TMTextObjectController::*action)(QObject*));
    void measureChanged(QObject* sender, QLineEdit* field, Stepper* stepper,
                        void (TMTextObjectController::*setter)(const QVariant&));
    void refillPhotoCells();

    bool _drawBackground = false;
    Color _backgroundColor = Color::whiteColor();
    Color _textColor = Color::blackColor();
    Font _myFont;
    int32_t _myAlignment = 0;
    float _myKern = 0;
    float _myBaseline = 0;
    float _myLineHeightMultiple = 0;
    float _myLineSpacing = 0;
    int32_t _myVariant = 0;
    QString _name;
    QString _identifier;
    QString _propertyKey;
    QString _propertyCellID;
    QList<QVariantMap> _sortedProperties;

    QPointer<QWidget> _paletteView;
    QComboBox* _fontFamilyPopUp = nullptr;
    QComboBox* _fontTypefacePopUp = nullptr;
    QComboBox* _fontSizeComboBox = nullptr;
    QButtonGroup* _alignmentMatrix = nullptr;
    ColorWell* _textColorWell = nullptr;
    QCheckBox* _drawBackgroundSwitch = nullptr;
    ColorWell* _backgroundColorWell = nullptr;
    QLineEdit* _kernField = nullptr;
    Stepper* _kernStepper = nullptr;
    QLineEdit* _baselineField = nullptr;
    Stepper* _baselineStepper = nullptr;
    QLineEdit* _lineHeightField = nullptr;
    Stepper* _lineHeightStepper = nullptr;
    QLineEdit* _lineSpacingField = nullptr;
    Stepper* _lineSpacingStepper = nullptr;
    QLabel* _backgroundColorLabel = nullptr;
    QComboBox* _variantPopUp = nullptr;
    QWidget* _variantContainerView = nullptr;
    QPointer<QWidget> _userEditVariantView;
    QLineEdit* _fieldNameField = nullptr;
    QLineEdit* _fieldIdentifierField = nullptr;
    QPointer<QWidget> _propertyVariantView;
    QComboBox* _propertyPhotoCellsPopUp = nullptr;
    QPushButton* _propertyNamePopUp = nullptr;
};
