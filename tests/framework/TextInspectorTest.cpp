#include "framework/inspectors/SSCircularSlider.h"
#include "framework/inspectors/TMShadowSection.h"
#include "framework/inspectors/TMTextObjectController.h"
#include "framework/model/ShadowAccessors.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/FontManager.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Stepper.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>


namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QVariantMap tag(const char* name) {
    return {{str("TagName"), str(name)}};
}

class TextInspectorTest : public ::testing::Test {
protected:
    TextInspectorTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
        text = TMTextObject::newTemplateObjectWithOriginSize({20, 20}, {200, 40});
        document.addObject(text);
        undo()->removeAllActions();
    }
    ~TextInspectorTest() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
        Resources::setSharePathForTesting(QString());
    }
    TMTextObjectController* inspector() {
        return qobject_cast<TMTextObjectController*>(
            TMObjectController::objectControllerForDocument(str("TMTextObjectController"),
                                                            &document));
    }
    UndoManager* undo() { return document.undoManager(); }
    template <class T> T* control(const char* name) {
        return inspector()->paletteView()->findChild<T*>(str(name));
    }
    void inspect(const TMObjectRef& object) {
        inspector()->setInspectedObject(object);
        inspector()->getInspectorPalette();
    }
    // Types the text into the field and leaves it, in one pass of the event loop.
    void type(const char* field, const QString& typed) {
        QLineEdit* f = control<QLineEdit>(field);
        f->setText(typed);
        Q_EMIT f->editingFinished();
        QCoreApplication::processEvents();
        inspector()->getInspectorPalette();
    }
    ShadowValue shadow() const { return text->shadow().value_or(ShadowValue()); }
    // Photo cells 1 to n on the page, in list order.
    QList<TMObjectRef> addPhotoCells(int count) {
        QList<TMObjectRef> cells;
        for (int i = 0; i < count; ++i) {
            cells.append(TMPhotoObject::newTemplateObjectWithOriginSize({float(10 + 60 * i), 200},
                                                                        {50, 50}));
            document.addObject(cells.last());
        }
        document.numberObjects();
        return cells;
    }
    // A tag file of our own: two EXIF tags, two File tags, one Template tag, no iPhoto.
    void useSmallTagFile() {
        ASSERT_TRUE(share.isValid());
        const QVariantMap file{
            {str("0"), QVariantMap{{str("10F"), tag("Make")}}},
            {str("EXIF"), QVariantMap{{str("829A"), tag("exposure Time")}}},
            {str("File"), QVariantMap{{str("F001"), tag("Name")}, {str("F002"), tag("Kind")}}},
            {str("Template"), QVariantMap{{str("T001"), tag("Page")}}},
        };
        ASSERT_TRUE(
            PropertyList::writeToFile(file, QDir(share.path()).filePath(str("Exif.plist"))));
        Resources::setSharePathForTesting(share.path());
    }
    QAction* propertyItem(const QString& fullName) {
        QMenu* root = inspector()->propertyNamePopUp()->menu();
        if (!root)
            return nullptr;
        for (QAction* group : root->actions())
            if (group->menu())
                for (QAction* item : group->menu()->actions())
                    if (item->data().toString() == fullName)
                        return item;
        return nullptr;
    }

    TestHome home;
    TestHost host;
    QTemporaryDir share;
    TemplateDocument document;
    TMTextObjectRef text;
};

// ---------------------------------------------------------------------------
// The shadow section

TEST(ShadowSection, DirectionIsShownAs450LessTheCastAngle) {
    struct Case {
        float cast;
        float shown;
    };
    for (const Case c :
         {Case{90, 0}, Case{0, 90}, Case{360, 90}, Case{45, 45}, Case{180, 270}, Case{270, 180}}) {
        SCOPED_TRACE(c.cast);
        EXPECT_FLOAT_EQ(TMShadowSection::directionForCastAngle(c.cast), c.shown);
    }
    for (const Case c : {Case{90, 0}, Case{360, 90}, Case{45, 45}, Case{270, 180}}) {
        SCOPED_TRACE(c.shown);
        const float cast = TMShadowSection::castAngleForDirection(c.shown);
        EXPECT_FLOAT_EQ(TMShadowSection::directionForCastAngle(cast), c.shown);
    }
}

TEST_F(TextInspectorTest, ShadowFieldsAreHeldToTheirRangesOneShadowStepEach) {
    struct Case {
        const char* field;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"_shadowCastField", "400", "0"},   {"_shadowCastField", "-5", "0"},
        {"_shadowCastField", "360", "0"},   {"_shadowCastField", "135", "135"},
        {"_shadowOffsetField", "0.5", "1"}, {"_shadowOffsetField", "40", "32"},
        {"_shadowOffsetField", "7", "7"},   {"_shadowBlurField", "40", "32"},
        {"_shadowBlurField", "-1", "0"},    {"_shadowBlurField", "2.5", "2.5"},
    };
    text->setShadowEnabled(true);
    undo()->removeAllActions();
    inspect(text);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        const ShadowValue before = shadow();
        type(c.field, str(c.typed));
        EXPECT_EQ(control<QLineEdit>(c.field)->text(), str(c.shown));
        const float shown = str(c.shown).toFloat();
        if (std::string(c.field) == "_shadowCastField")
            EXPECT_NEAR(TMShadowSection::directionForCastAngle(castAngle(shadow())), shown, 1e-3);
        else if (std::string(c.field) == "_shadowOffsetField")
            EXPECT_NEAR(castOffset(shadow()), shown, 1e-4);
        else
            EXPECT_FLOAT_EQ(shadow().blurRadius, shown);
        if (shadow() == before)
            continue;
        EXPECT_EQ(undo()->undoActionName(), str("Shadow"));
        ASSERT_TRUE(undo()->undo());
        EXPECT_EQ(shadow(), before);
        ASSERT_TRUE(undo()->redo());
    }
    // 400 becomes 0, whose cast angle is 90: straight down the page.
    type("_shadowCastField", str("400"));
    EXPECT_NEAR(castAngle(shadow()), 90, 1e-3);
}

TEST_F(TextInspectorTest, TheShownDirectionFollowsTheObjectsCastAngle) {
    struct Case {
        float cast;
        const char* shown;
    };
    text->setShadowEnabled(true);
    for (const Case c : {Case{90, "0"}, Case{0, "90"}, Case{360, "90"}, Case{300, "150"}}) {
        SCOPED_TRACE(c.cast);
        ShadowValue value = shadow();
        setCastAngle(value, c.cast);
        text->setShadow(value);
        inspect(nullptr);
        inspect(text);
        EXPECT_EQ(control<QLineEdit>("_shadowCastField")->text(), str(c.shown));
        EXPECT_EQ(inspector()->shadowSection()->shadowCastSlider()->degrees(),
                  str(c.shown).toInt());
    }
}

TEST_F(TextInspectorTest, EveryShadowEditSetsANewShadowAndTheSwitchGreysTheRest) {
    inspect(text);
    TMShadowSection* section = inspector()->shadowSection();
    EXPECT_FALSE(section->shadowEnabledSwitch()->isChecked());
    EXPECT_FALSE(section->shadowCastField()->isEnabled());
    section->shadowEnabledSwitch()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(text->shadowEnabled(), QVariant(true));
    inspector()->getInspectorPalette();
    for (QWidget* control : std::initializer_list<QWidget*>{
             section->shadowCastField(), section->shadowCastSlider(), section->shadowColorWell(),
             section->shadowBlurStepper(), section->shadowBlurField(),
             section->shadowOffsetStepper(), section->shadowOffsetField()})
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();

    // The dial turned to the right: the shadow falls to the right, cast angle 0.
    const ShadowValue before = shadow();
    section->shadowCastSlider()->setValue(90);
    QCoreApplication::processEvents();
    EXPECT_NEAR(castAngle(shadow()), 0, 1e-3);
    EXPECT_NEAR(castOffset(shadow()), castOffset(before), 1e-4);
    EXPECT_EQ(section->shadowCastField()->text(), str("90"));
    section->shadowBlurStepper()->setValue(12);
    QCoreApplication::processEvents();
    EXPECT_FLOAT_EQ(shadow().blurRadius, 12);
    EXPECT_EQ(section->shadowBlurField()->text(), str("12"));

    for (int step = 0; step < 2; ++step) {
        EXPECT_EQ(undo()->undoActionName(), str("Shadow"));
        ASSERT_TRUE(undo()->undo());
    }
    EXPECT_EQ(shadow(), before);
    EXPECT_EQ(undo()->undoActionName(), str("Shadow"));
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(text->shadowEnabled(), QVariant(false));
}

TEST_F(TextInspectorTest, OnAnOldSystemARoundSliderStandsInAndShadowAndLineHeightAreOff) {
    host.systemVersion = 0x1028;
    TemplateDocument old;
    auto oldText = TMTextObject::newTemplateObjectWithOriginSize({20, 20}, {200, 40});
    old.addObject(oldText);
    auto* controller = qobject_cast<TMTextObjectController*>(
        TMObjectController::objectControllerForDocument(str("TMTextObjectController"), &old));
    ASSERT_NE(controller, nullptr);
    controller->setInspectedObject(oldText);
    QWidget* palette = controller->getInspectorPalette();
    TMShadowSection* section = controller->shadowSection();
    EXPECT_EQ(section->shadowCastSlider(), nullptr);
    EXPECT_EQ(palette->findChild<QDial*>(), nullptr);
    SSCircularSlider* round = section->circularSlider();
    ASSERT_NE(round, nullptr);
    EXPECT_EQ(round->size(), QSize(50, 50));
    EXPECT_FALSE(round->isEnabled());
    EXPECT_FALSE(round->allowsCenterPoint());
    EXPECT_FALSE(round->allowsNonEdgePositions());
    EXPECT_TRUE(palette->isAncestorOf(round));
    EXPECT_FALSE(section->shadowEnabledSwitch()->isEnabled());
    EXPECT_FALSE(palette->findChild<QLineEdit*>(str("_lineHeightField"))->isEnabled());
    EXPECT_FALSE(palette->findChild<Stepper*>(str("_lineHeightStepper"))->isEnabled());
}

// ---------------------------------------------------------------------------
// Text values

TEST_F(TextInspectorTest, FieldsAndSteppersMirrorEachOtherWithoutLimits) {
    struct Case {
        const char* field;
        const char* stepper;
        const char* typed;
        float value;
        const char* undoName;
        float (TMTextObject::*getter)() const;
    };
    const Case cases[] = {
        {"_kernField", "_kernStepper", "-3.5", -3.5f, "Kerning", &TMTextObject::kern},
        {"_baselineField", "_baselineStepper", "500", 500, "Baseline", &TMTextObject::baseline},
        {"_lineHeightField", "_lineHeightStepper", "2.5", 2.5f, "Line Height",
         &TMTextObject::lineHeightMultiple},
        {"_lineSpacingField", "_lineSpacingStepper", "-40", -40, "Line Spacing",
         &TMTextObject::lineSpacing},
    };
    inspect(text);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        type(c.field, str(c.typed));
        EXPECT_FLOAT_EQ(((*text).*c.getter)(), c.value);
        EXPECT_DOUBLE_EQ(control<Stepper>(c.stepper)->value(), double(c.value));
        EXPECT_EQ(undo()->undoActionName(), str(c.undoName));
        // A step of the stepper shows in the field.
        control<Stepper>(c.stepper)->stepUp();
        QCoreApplication::processEvents();
        const float stepped = float(control<Stepper>(c.stepper)->value());
        EXPECT_NE(stepped, c.value);
        EXPECT_FLOAT_EQ(((*text).*c.getter)(), stepped);
        EXPECT_FLOAT_EQ(control<QLineEdit>(c.field)->text().toFloat(), stepped);
    }
}

TEST_F(TextInspectorTest, FamilyFaceAndSizeGiveTheFontTheFontManagerConvertsTo) {
    FontManager& manager = FontManager::sharedFontManager();
    const QStringList families = manager.availableFontFamilies();
    // A family with a bold face and one other family.
    QString withBold, other;
    for (const QString& family : families) {
        bool bold = false;
        for (const FontMember& member : manager.availableMembersOfFontFamily(family))
            bold = bold || (member.traits & FontMember::BoldTrait);
        if (bold && withBold.isEmpty())
            withBold = family;
        else if (other.isEmpty())
            other = family;
    }
    if (withBold.isEmpty() || other.isEmpty())
        GTEST_SKIP() << "SKIPPED: needs two font families, one with a bold face";
    text->setFont(Font(withBold, 12));
    undo()->removeAllActions();
    inspect(text);

    QComboBox* sizes = control<QComboBox>("_fontSizeComboBox");
    sizes->setEditText(str("30"));
    inspector()->sizeChanged(sizes);
    EXPECT_EQ(text->font(), *manager.convertFontToSize(Font(withBold, 12), 30));
    EXPECT_EQ(undo()->undoActionName(), str("Font"));

    // Below 1 point: a beep, and the font stays.
    const int beeps = ModalAlert::beepCount();
    sizes->setEditText(str("0.5"));
    inspector()->sizeChanged(sizes);
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    EXPECT_FLOAT_EQ(text->font().pointSize(), 30);
    EXPECT_EQ(sizes->currentText(), str("30"));

    QComboBox* faces = control<QComboBox>("_fontTypefacePopUp");
    FontMember bold;
    for (const FontMember& member : manager.availableMembersOfFontFamily(withBold))
        if ((member.traits & FontMember::BoldTrait) && !(member.traits & FontMember::ItalicTrait))
            bold = member;
    ASSERT_FALSE(bold.faceName.isEmpty());
    const Font before = text->font();
    faces->setCurrentIndex(faces->findText(bold.faceName));
    inspector()->typefaceChanged(faces);
    EXPECT_EQ(text->font(), *manager.convertFontToFace(before, bold.fontName));
    EXPECT_TRUE(text->font().isBold());
    inspector()->getInspectorPalette();
    EXPECT_EQ(faces->currentText(), bold.faceName);

    QComboBox* familyPopUp = control<QComboBox>("_fontFamilyPopUp");
    const Font bolder = text->font();
    familyPopUp->setCurrentIndex(familyPopUp->findText(other));
    inspector()->familyChanged(familyPopUp);
    EXPECT_EQ(text->font(), manager.convertFontToFamily(bolder, other));
    inspector()->getInspectorPalette();
    EXPECT_EQ(familyPopUp->currentText(), other);
    EXPECT_EQ(sizes->currentText(), str("30"));
}

TEST_F(TextInspectorTest, ThePhotoCellPopUpListsTheCellsAfterItsTwoFixedItems) {
    const QList<TMObjectRef> cells = addPhotoCells(3);
    text->setVariant(TMTextObject::PropertyText);
    inspect(text);
    // In the palette while the text shows a property.
    QComboBox* popUp = control<QComboBox>("_propertyPhotoCellsPopUp");
    ASSERT_NE(popUp, nullptr);
    struct Case {
        QString cellID;
        int selected;
    };
    const Case cases[] = {{cells.at(1)->uniqueID(), 3},
                          {cells.at(0)->uniqueID(), 2},
                          {str("no such cell"), 0},
                          {str(""), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cellID.toStdString());
        text->setPropertyCellID(c.cellID);
        inspect(nullptr);
        inspect(text);
        ASSERT_EQ(popUp->count(), 5);
        EXPECT_EQ(popUp->itemText(2), str("Photo 1"));
        EXPECT_EQ(popUp->itemText(4), str("Photo 3"));
        EXPECT_EQ(popUp->currentIndex(), c.selected);
    }

    // A cell chosen binds the text to it; the fixed items bind it to none.
    struct Choice {
        int index;
        QString cellID;
    };
    for (const Choice& c : {Choice{4, cells.at(2)->uniqueID()}, Choice{0, str("")},
                            Choice{3, cells.at(1)->uniqueID()}, Choice{1, str("")}}) {
        SCOPED_TRACE(c.index);
        popUp->setCurrentIndex(c.index);
        inspector()->photoCellChanged(popUp);
        EXPECT_EQ(text->propertyCellID(), c.cellID);
        EXPECT_FALSE(text->propertyCellID().isNull());
    }
    EXPECT_EQ(undo()->undoActionName(), str("Property"));
}

TEST_F(TextInspectorTest, PropertyMenusGroupTheTagsAndLeaveEmptyGroupsOut) {
    useSmallTagFile();
    text->setVariant(TMTextObject::PropertyText);
    inspect(text);
    QMenu* root = inspector()->propertyNamePopUp()->menu();
    ASSERT_NE(root, nullptr);
    QStringList groups;
    QStringList items;
    for (QAction* group : root->actions()) {
        groups.append(group->text());
        for (QAction* item : group->menu()->actions())
            items.append(item->text() + str("=") + item->data().toString());
    }
    EXPECT_EQ(groups, (QStringList{str("File"), str("Template"), str("EXIF")}));
    EXPECT_EQ(items,
              (QStringList{str("Kind=File/Kind"), str("Name=File/Name"), str("Page=Template/Page"),
                           str("exposure Time=EXIF/exposure Time"), str("Make=EXIF/Make")}));
    QStringList keys;
    for (const QVariantMap& entry : inspector()->sortedProperties())
        keys.append(entry.value(str("key")).toString());
    EXPECT_EQ(keys, (QStringList{str("File-F002"), str("File-F001"), str("EXIF-829A"), str("0-10F"),
                                 str("Template-T001")}));
}

TEST_F(TextInspectorTest, AChosenPropertySetsKeyAndTextAsOneUndoStep) {
    useSmallTagFile();
    text->setVariant(TMTextObject::PropertyText);
    const QString keyBefore = text->propertyKey();
    const QString textBefore = text->text();
    QCoreApplication::processEvents();
    undo()->removeAllActions();
    inspect(text);
    QAction* item = propertyItem(str("EXIF/Make"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(text->propertyKey(), str("0-10F"));
    EXPECT_EQ(text->text(), str("Property: EXIF/Make"));
    inspector()->getInspectorPalette();
    EXPECT_EQ(inspector()->propertyNamePopUp()->text(), str("Make"));
    QCoreApplication::processEvents();

    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(text->propertyKey(), keyBefore);
    EXPECT_EQ(text->text(), textBefore);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(TextInspectorTest, WithNothingInspectedAChosenPropertySetsTheHeldKeyOnly) {
    useSmallTagFile();
    inspect(nullptr);
    QComboBox* kinds = control<QComboBox>("_variantPopUp");
    kinds->setCurrentIndex(TMTextObject::PropertyText);
    inspector()->variantChanged(kinds);
    EXPECT_EQ(inspector()->variant(), QVariant(int(TMTextObject::PropertyText)));
    QAction* item = propertyItem(str("File/Name"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(inspector()->propertyKey(), QVariant(str("File-F001")));
    EXPECT_EQ(inspector()->propertyNamePopUp()->text(), str("Name"));
    EXPECT_EQ(text->propertyKey(), QString());
    EXPECT_FALSE(undo()->canUndo());
    // With nothing inspected the cell pop-up holds its two fixed items only.
    EXPECT_EQ(control<QComboBox>("_propertyPhotoCellsPopUp")->count(), 2);
}

TEST_F(TextInspectorTest, AnEditableFieldShowsItsNameAndIdentifierAndTakesTheKeyboard) {
    inspect(text);
    QWidget* palette = inspector()->paletteView();
    palette->show();
    QComboBox* kinds = control<QComboBox>("_variantPopUp");
    kinds->setCurrentIndex(TMTextObject::EditableField);
    inspector()->variantChanged(kinds);
    EXPECT_EQ(text->variant(), TMTextObject::EditableField);
    inspector()->getInspectorPalette();
    QLineEdit* nameField = control<QLineEdit>("_fieldNameField");
    ASSERT_NE(nameField, nullptr);
    EXPECT_TRUE(nameField->isVisibleTo(palette));
    EXPECT_EQ(palette->focusWidget(), nameField);
    EXPECT_EQ(nameField->text(), text->name());
    EXPECT_EQ(control<QLineEdit>("_fieldIdentifierField")->text(), text->identifier());

    type("_fieldNameField", str("Greeting"));
    EXPECT_EQ(text->name(), str("Greeting"));
    EXPECT_EQ(undo()->undoActionName(), str("Field Name"));
    type("_fieldIdentifierField", str("greeting-1"));
    EXPECT_EQ(text->identifier(), str("greeting-1"));
    EXPECT_EQ(undo()->undoActionName(), str("Field Identifier"));

    // Back to plain text: the container is empty.
    kinds->setCurrentIndex(TMTextObject::PlainText);
    inspector()->variantChanged(kinds);
    inspector()->getInspectorPalette();
    EXPECT_EQ(control<QLineEdit>("_fieldNameField"), nullptr);
    palette->hide();
}

TEST_F(TextInspectorTest, AccessorsAnswerValuesOfTheirOwnKind) {
    inspect(nullptr);
    TMTextObjectController* c = inspector();
    EXPECT_EQ(c->drawBackground().typeId(), QMetaType::Bool);
    EXPECT_EQ(c->kern().typeId(), QMetaType::Float);
    EXPECT_EQ(c->alignment().typeId(), QMetaType::Int);
    EXPECT_EQ(c->variant().typeId(), QMetaType::Int);
    EXPECT_EQ(c->name().typeId(), QMetaType::QString);
    EXPECT_EQ(c->font().value<Font>(), Font::systemFontOfSize(12));
    EXPECT_EQ(c->shadowEnabled(), QVariant(false));
    EXPECT_FALSE(c->shadow().isValid());
    inspect(text);
    EXPECT_EQ(c->kern().typeId(), QMetaType::Float);
    EXPECT_EQ(c->alignment().typeId(), QMetaType::Int);
    EXPECT_EQ(c->font().value<Font>(), text->font());
    EXPECT_EQ(c->shadow().value<ShadowValue>(), *text->shadow());
}

TEST_F(TextInspectorTest, TheColourWellsLetGoOnlyWhenAnotherObjectIsInspected) {
    inspect(text);
    ColorWell* well = control<ColorWell>("_textColorWell");
    well->activate();
    inspect(text);
    EXPECT_TRUE(well->isActive());
    auto other = TMTextObject::newTemplateObjectWithOriginSize({20, 100}, {100, 40});
    document.addObject(other);
    inspect(other);
    EXPECT_FALSE(well->isActive());
}

// ---------------------------------------------------------------------------
// propertySort

TEST(PropertySort, FileFirstThenTheRestIgnoringCase) {
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"File/Name", "EXIF/Aperture", -1},
        {"EXIF/Aperture", "File/Name", 1},
        {"File/kind", "File/Name", -1},
        {"File/Name", "File/name", 0},
        {"EXIF/Zoom", "iPhoto/Album", -1},
        {"iPhoto/Album", "Template/Page", -1},
        {"template/page", "iPhoto/Album", 1},
        {"EXIF/exposure", "EXIF/Exposure", 0},
        {"Files/x", "EXIF/a", -1},
        {"Template/Page", "EXIF/Make", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " " + c.b);
        const QVariant a = QVariantMap{{str("name"), str(c.a)}};
        const QVariant b = QVariantMap{{str("name"), str(c.b)}};
        EXPECT_EQ(propertySort(a, b, nullptr), c.order);
    }
}

} // namespace
