#include "ChangeCounter.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString formwell(const char* key) {
    return localizedString(str(key), str("Formwell"));
}

TMTextObjectRef read(const QVariantMap& representation) {
    return TMTextObject::newTemplateObjectWithRepresentation(representation);
}

bool hasShadowAttribute(const TextStorage& text) {
    for (const TextStorage::Run& run : text.runs())
        if (run.attributes.shadow)
            return true;
    return false;
}

TextStorage archivedText(const QVariantMap& representation) {
    const auto text =
        Unarchiver::unarchiveValue<TextStorage>(representation.value("text").toByteArray());
    EXPECT_TRUE(text);
    return text.value_or(TextStorage());
}

const Color kRed = Color::calibratedRGB(1, 0, 0);
const Color kBlue = Color::calibratedRGB(0, 0, 1);

} // namespace

TEST(TextObject, ANewTextHasTheDefaults) {
    TestHost host;
    TMTextObjectRef text = TMTextObject::newTemplateObject();
    EXPECT_EQ(text->kind(), "TMTextObject");
    EXPECT_EQ(text->text(), "A very fine text object");
    ASSERT_EQ(text->textStorage().runs().size(), 1u);
    EXPECT_EQ(text->textStorage().runs().front().attributes, TextAttributes{});
    EXPECT_FALSE(text->drawBackground());
    EXPECT_EQ(text->backgroundColor(), Color::whiteColor());
    EXPECT_EQ(text->variant(), 0);
    EXPECT_TRUE(text->name().isNull());
    EXPECT_TRUE(text->identifier().isNull());
    EXPECT_TRUE(text->propertyKey().isNull());
    EXPECT_TRUE(text->propertyCellID().isNull());
    EXPECT_EQ(text->editableTextNumber(), 0);
    EXPECT_EQ(text->photoNumber(), 0);
    EXPECT_FALSE(text->isInEditMode());
    EXPECT_FALSE(text->isEditableTextObject());
    EXPECT_FALSE(text->isPropertyObject());
    EXPECT_EQ(TMTextObject::classObjectControllerClass(), "TMTextObjectController");

    // Attribute getters answer defaults for a text without attributes.
    EXPECT_EQ(text->textColor(), Color::blackColor());
    EXPECT_EQ(text->alignment(), 0);
    EXPECT_EQ(text->kern(), 0.0f);
    EXPECT_EQ(text->baseline(), 0.0f);
    EXPECT_EQ(text->lineHeightMultiple(), 1.0f);
    EXPECT_EQ(text->lineSpacing(), 0.0f);
    EXPECT_EQ(text->font(), TMTextObject::defaultFont());

    // Its own softer shadow.
    ASSERT_TRUE(text->shadow());
    EXPECT_FLOAT_EQ(text->shadow()->blurRadius, 4.0f);
    EXPECT_FLOAT_EQ(text->shadow()->offset.width, 2.828427f);
    EXPECT_FLOAT_EQ(text->shadow()->offset.height, -2.828427f);
    EXPECT_NEAR(text->shadow()->color.alphaF(), 0.5, 0.01);
    EXPECT_EQ(text->shadow()->color.red(), 0);

    TMTextObjectRef placed = TMTextObject::newTemplateObjectWithOriginSize({10, 20}, {100, 50});
    EXPECT_EQ(placed->center(), (Point{60, 45}));
    // The registry makes text objects by kind.
    EXPECT_TRUE(std::dynamic_pointer_cast<TMTextObject>(
        TMObject::newTemplateObjectOfKind(str("TMTextObject"))));
}

TEST(TextObject, SwitchingTheVariantFillsInOrClearsItsIdentity) {
    TestHost host;
    TMTextObjectRef text = TMTextObject::newTemplateObject();
    text->setVariant(TMTextObject::PropertyText);
    EXPECT_TRUE(text->isPropertyObject());
    EXPECT_EQ(text->propertyKey(), "File-F001");
    EXPECT_EQ(text->propertyCellID(), "0");
    EXPECT_EQ(text->text(), formwell(kDefaultPropertyKey));
    EXPECT_NE(text->text(), str(kDefaultPropertyKey));

    text->setVariant(TMTextObject::EditableField);
    EXPECT_TRUE(text->isEditableTextObject());
    EXPECT_EQ(text->name(), "A name");
    EXPECT_EQ(text->identifier(), "An identifier");
    EXPECT_TRUE(text->propertyKey().isNull());
    EXPECT_TRUE(text->propertyCellID().isNull());

    text->setVariant(TMTextObject::PlainText);
    EXPECT_TRUE(text->name().isNull());
    EXPECT_TRUE(text->identifier().isNull());
    EXPECT_TRUE(text->propertyKey().isNull());
    EXPECT_TRUE(text->propertyCellID().isNull());

    // A property text that names its property keeps its text.
    text->setText(str("Kept"));
    text->setPropertyKey(str("EXIF-E001"));
    text->setVariant(TMTextObject::PropertyText);
    EXPECT_EQ(text->propertyKey(), "EXIF-E001");
    EXPECT_EQ(text->text(), "Kept");
}

// ---------------------------------------------------------------------------
// Representation

TEST(TextObject, EveryVariantRoundTripsWithTextAttributesAndFields) {
    TestHost host;
    for (int32_t variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        TMTextObjectRef text = TMTextObject::newTemplateObjectWithOriginSize({10, 10}, {200, 80});
        text->setText(str("Two lines\nof text"));
        text->setFont(Font(str("DejaVu Serif"), 18, QFont::Bold, true));
        text->setTextColor(kRed);
        text->setAlignment(2);
        text->setKern(1.5f);
        text->setBaseline(-2);
        text->setLineHeightMultiple(1.25f);
        text->setLineSpacing(3);
        text->setDrawBackground(true);
        text->setBackgroundColor(kBlue);
        text->setShadowEnabled(true);
        text->setVariant(variant);
        if (variant == 1) {
            text->setName(str("Greeting"));
            text->setIdentifier(str("greeting"));
        } else if (variant == 2) {
            text->setPropertyKey(str("EXIF-E002"));
            text->setPropertyCellID(str("CELL-UID"));
        }
        text->setEditableTextNumber(3);
        text->setPhotoNumber(4);

        const QVariantMap representation = text->dictRepresentation();
        EXPECT_EQ(representation.value("variant").metaType().id(), QMetaType::Int);
        EXPECT_EQ(representation.value("fNum").metaType().id(), QMetaType::Int);
        EXPECT_EQ(representation.value("draw_background").metaType().id(), QMetaType::Bool);
        EXPECT_EQ(representation.contains("name"), variant == 1);
        EXPECT_EQ(representation.contains("identifier"), variant == 1);
        EXPECT_EQ(representation.contains("property"), variant == 2);
        EXPECT_EQ(representation.contains("propertyCellID"), variant == 2);

        // The archived text has no shadow attribute; the object's has it again.
        EXPECT_FALSE(hasShadowAttribute(archivedText(representation)));
        EXPECT_TRUE(hasShadowAttribute(text->textStorage()));

        TMTextObjectRef back = read(representation);
        EXPECT_EQ(back->text(), text->text());
        EXPECT_EQ(back->font(), text->font());
        EXPECT_EQ(back->textColor(), kRed);
        EXPECT_EQ(back->alignment(), 2);
        EXPECT_EQ(back->kern(), 1.5f);
        EXPECT_EQ(back->baseline(), -2.0f);
        EXPECT_EQ(back->lineHeightMultiple(), 1.25f);
        EXPECT_EQ(back->lineSpacing(), 3.0f);
        EXPECT_TRUE(back->drawBackground());
        EXPECT_EQ(back->backgroundColor(), kBlue);
        EXPECT_EQ(back->variant(), variant);
        EXPECT_EQ(back->name(), text->name());
        EXPECT_EQ(back->identifier(), text->identifier());
        EXPECT_EQ(back->propertyKey(), text->propertyKey());
        EXPECT_EQ(back->propertyCellID(), text->propertyCellID());
        EXPECT_EQ(back->editableTextNumber(), 3);
        EXPECT_EQ(back->photoNumber(), 4);
        EXPECT_EQ(back->uniqueID(), text->uniqueID());
        // Read with the shadow on, the text carries the shadow attribute again.
        EXPECT_EQ(back->textStorage(), text->textStorage());
    }
}

TEST(TextObject, AFieldIsWrittenWithANameAndAPropertyTextIsReadWithOne) {
    TestHost host;
    // A field without name or identifier gets them when written.
    TMTextObjectRef field = read({{"kind", "TMTextObject"}, {"variant", 1}});
    EXPECT_TRUE(field->name().isNull());
    const QVariantMap written = field->dictRepresentation();
    EXPECT_EQ(written.value("name"), "A name");
    EXPECT_EQ(written.value("identifier"), "An identifier");

    // A property text without its keys reads the default property of cell "0".
    TMTextObjectRef property = read({{"kind", "TMTextObject"}, {"variant", 2}});
    EXPECT_EQ(property->propertyKey(), "File-F001");
    EXPECT_EQ(property->propertyCellID(), "0");
    EXPECT_EQ(property->text(), "A very fine text object");
    const QVariantMap again = property->dictRepresentation();
    EXPECT_EQ(again.value("property"), "File-F001");
    EXPECT_EQ(again.value("propertyCellID"), "0");

    // Missing or damaged keys keep the defaults.
    TMTextObjectRef damaged =
        read({{"text", QByteArray("not an archive")}, {"background_color", QByteArray("x")}});
    EXPECT_EQ(damaged->text(), "A very fine text object");
    EXPECT_EQ(damaged->backgroundColor(), Color::whiteColor());
}

TEST(TextObject, OlderKeysReadIntoTheSameObjectAsTheCurrentOnes) {
    TestHost host;
    const QVariantMap old{
        {"kind", "text"},
        {"origin", QVariantMap{{"x", 1.0}, {"y", 2.0}}},
        {"size", QVariantMap{{"width", 3.0}, {"height", 1.0}}},
        {"data", "Old words"},
        {"font", QVariantMap{{"family", "DejaVu Serif"}, {"size", 20}, {"bold", 1}, {"italic", 0}}},
        {"layout", QVariantMap{{"alignment", 1},
                               {"foreFlag", 1},
                               {"foreColor", Archiver::archivedValue(kRed)},
                               {"backFlag", 1},
                               {"backColor", Archiver::archivedValue(kBlue)}}},
        {"editable", 1},
        {"f_Name", "Old field"},
        {"f_ID", "old-id"},
    };
    TMTextObjectRef text = read(old);
    EXPECT_EQ(text->kind(), "TMTextObject");
    EXPECT_EQ(text->size(), (Size{216, 72}));
    EXPECT_EQ(text->text(), "Old words");
    EXPECT_EQ(text->font(), Font(str("DejaVu Serif"), 20, QFont::Bold, false));
    EXPECT_EQ(text->alignment(), 1);
    EXPECT_EQ(text->textColor(), kRed);
    EXPECT_TRUE(text->drawBackground());
    EXPECT_EQ(text->backgroundColor(), kBlue);
    EXPECT_EQ(text->variant(), 1);
    EXPECT_EQ(text->name(), "Old field");
    EXPECT_EQ(text->identifier(), "old-id");

    // Written with the current keys and read again, nothing changes.
    TMTextObjectRef current = read(text->dictRepresentation());
    EXPECT_EQ(current->textStorage(), text->textStorage());
    EXPECT_EQ(current->backgroundColor(), kBlue);
    EXPECT_TRUE(current->drawBackground());
    EXPECT_EQ(current->name(), "Old field");
    EXPECT_EQ(current->identifier(), "old-id");
    EXPECT_EQ(current->size(), text->size());

    // The current names win over the older ones where both are given, as read.
    TMTextObjectRef both = read({{"variant", 1},
                                 {"name", "new name"},
                                 {"f_Name", "old name"},
                                 {"identifier", "new id"},
                                 {"f_ID", "old id"}});
    EXPECT_EQ(both->name(), "old name");
    EXPECT_EQ(both->identifier(), "new id");

    // The older font flags off: neither bold nor italic.
    TMTextObjectRef plain = read({{"data", "x"}, {"font", QVariantMap{{"size", 9}}}});
    EXPECT_EQ(plain->font(), TMTextObject::defaultFont().withSize(9));
    EXPECT_EQ(plain->variant(), 0);
}

TEST(TextObject, TextsRoundTripThroughATemplateFile) {
    TestHost host;
    QTemporaryDir folder;
    const QString target = folder.path() + "/texts.vyxTemplate";
    QString cellID;
    {
        TemplateDocument document;
        TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
        cellID = cell->uniqueID();
        document.addObject(cell);
        TMTextObjectRef field = TMTextObject::newTemplateObject();
        field->setVariant(TMTextObject::EditableField);
        field->setName(str("Title"));
        document.addObject(field);
        TMTextObjectRef property = TMTextObject::newTemplateObject();
        property->setVariant(TMTextObject::PropertyText);
        property->setPropertyCellID(cellID);
        property->setShadowEnabled(true);
        document.addObject(property);
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    QString error;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType), &error))
        << error.toStdString();
    ASSERT_EQ(reopened.objects().size(), 3);
    auto field = std::dynamic_pointer_cast<TMTextObject>(reopened.objects().at(1));
    auto property = std::dynamic_pointer_cast<TMTextObject>(reopened.objects().at(2));
    ASSERT_TRUE(field && property);
    EXPECT_EQ(field->name(), "Title");
    EXPECT_EQ(field->editableTextNumber(), 1);
    EXPECT_EQ(property->propertyCellID(), cellID);
    EXPECT_EQ(property->photoNumber(), 1);
    EXPECT_TRUE(hasShadowAttribute(property->textStorage()));
}

// ---------------------------------------------------------------------------
// Numbering

TEST(TextObject, APropertyTextFollowsTheNumberOfItsCell) {
    TestHost host;
    TemplateDocument document;
    TMPhotoObjectRef first = TMPhotoObject::newTemplateObject();
    TMPhotoObjectRef second = TMPhotoObject::newTemplateObject();
    TMTextObjectRef property = TMTextObject::newTemplateObject();
    property->setVariant(TMTextObject::PropertyText);
    property->setPropertyCellID(second->uniqueID());
    TMTextObjectRef field = TMTextObject::newTemplateObject();
    field->setVariant(TMTextObject::EditableField);
    document.addObject(property);
    document.addObject(first);
    document.addObject(field);
    document.addObject(second);
    EXPECT_EQ(property->photoNumber(), 2);
    EXPECT_EQ(field->editableTextNumber(), 1);
    EXPECT_EQ(field->photoNumber(), 0);

    document.replaceObjects({second, first, property, field});
    EXPECT_EQ(second->photoNumber(), 1);
    EXPECT_EQ(property->photoNumber(), 1);

    // Its cell gone, the property text has no photograph.
    document.removeObject(second);
    EXPECT_EQ(property->photoNumber(), 0);
}

// ---------------------------------------------------------------------------
// Setters

struct TextObjectSetters : ::testing::Test {
    TextObjectSetters() {
        undo = document.undoManager();
        text = TMTextObject::newTemplateObject();
        text->setParentDocument(&document);
        QCoreApplication::processEvents();
    }

    TestHost host;
    TemplateDocument document;
    UndoManager* undo = nullptr;
    TMTextObjectRef text;
};

TEST_F(TextObjectSetters, EverySetterUndoesAndRedoesUnderItsActionName) {
    struct Case {
        const char* action;
        std::function<void(TMTextObject&)> set;
        std::function<QVariant(const TMTextObject&)> get;
    };
    const Case cases[] = {
        {"TEXT_CHANGE", [](TMTextObject& t) { t.setText("New text"); },
         [](const TMTextObject& t) { return QVariant(t.text()); }},
        {"FONT", [](TMTextObject& t) { t.setFont(Font("DejaVu Sans", 30)); },
         [](const TMTextObject& t) { return QVariant::fromValue(t.font()); }},
        {"TCOLOR", [](TMTextObject& t) { t.setTextColor(kRed); },
         [](const TMTextObject& t) { return QVariant::fromValue(t.textColor()); }},
        {"TEXT_ALIGN", [](TMTextObject& t) { t.setAlignment(3); },
         [](const TMTextObject& t) { return QVariant(t.alignment()); }},
        {"KERN", [](TMTextObject& t) { t.setKern(2); },
         [](const TMTextObject& t) { return QVariant(t.kern()); }},
        {"BASELINE", [](TMTextObject& t) { t.setBaseline(4); },
         [](const TMTextObject& t) { return QVariant(t.baseline()); }},
        {"LINE_HEIGHT", [](TMTextObject& t) { t.setLineHeightMultiple(2); },
         [](const TMTextObject& t) { return QVariant(t.lineHeightMultiple()); }},
        {"LINE_SPACING", [](TMTextObject& t) { t.setLineSpacing(5); },
         [](const TMTextObject& t) { return QVariant(t.lineSpacing()); }},
        {"DRAW_BACKGROUND", [](TMTextObject& t) { t.setDrawBackground(true); },
         [](const TMTextObject& t) { return QVariant(t.drawBackground()); }},
        {"BCOLOR", [](TMTextObject& t) { t.setBackgroundColor(kBlue); },
         [](const TMTextObject& t) { return QVariant::fromValue(t.backgroundColor()); }},
        {"VARIANT", [](TMTextObject& t) { t.setVariant(1); },
         [](const TMTextObject& t) { return QVariant(t.variant()); }},
        {"NAME_CHANGE", [](TMTextObject& t) { t.setName("Field"); },
         [](const TMTextObject& t) { return QVariant(t.name()); }},
        {"ID_CHANGE", [](TMTextObject& t) { t.setIdentifier("field"); },
         [](const TMTextObject& t) { return QVariant(t.identifier()); }},
        {"PROPERTY_CHANGE", [](TMTextObject& t) { t.setPropertyKey("EXIF-E001"); },
         [](const TMTextObject& t) { return QVariant(t.propertyKey()); }},
        {"PROPERTY_CHANGE", [](TMTextObject& t) { t.setPropertyCellID("CELL"); },
         [](const TMTextObject& t) { return QVariant(t.propertyCellID()); }},
        {"SHADOW", [](TMTextObject& t) { t.setShadowEnabled(true); },
         [](const TMTextObject& t) { return QVariant(hasShadowAttribute(t.textStorage())); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        const QVariant before = c.get(*text);
        ChangeCounter changes(text);
        c.set(*text);
        const QVariant after = c.get(*text);
        ASSERT_NE(after, before);
        EXPECT_GE(changes.posted(), 1);
        EXPECT_EQ(undo->undoActionName(), formwell(c.action));

        // The same value again changes nothing and registers nothing.
        c.set(*text);
        QCoreApplication::processEvents();
        const int changesBefore = changes.count;
        c.set(*text);
        EXPECT_EQ(changes.posted(), changesBefore);

        ASSERT_TRUE(undo->undo());
        EXPECT_EQ(c.get(*text), before);
        EXPECT_EQ(undo->redoActionName(), formwell(c.action));
        ASSERT_TRUE(undo->redo());
        EXPECT_EQ(c.get(*text), after);
        ASSERT_TRUE(undo->undo());
        EXPECT_EQ(c.get(*text), before);
    }
    // Every change registered and undone: the document is back where it began.
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST_F(TextObjectSetters, UndoingAVariantSwitchBringsBackTheFieldItLeft) {
    text->setVariant(TMTextObject::EditableField);
    text->setName(str("Title"));
    text->setIdentifier(str("title"));
    text->setText(str("Hello"));
    QCoreApplication::processEvents();

    text->setVariant(TMTextObject::PropertyText);
    EXPECT_TRUE(text->name().isNull());
    EXPECT_EQ(text->text(), formwell(kDefaultPropertyKey));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(text->variant(), 1);
    EXPECT_EQ(text->name(), "Title");
    EXPECT_EQ(text->identifier(), "title");
    EXPECT_EQ(text->text(), "Hello");
    EXPECT_TRUE(text->propertyKey().isNull());
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(text->variant(), 2);
    EXPECT_EQ(text->propertyKey(), "File-F001");
    EXPECT_EQ(text->text(), formwell(kDefaultPropertyKey));
}

TEST_F(TextObjectSetters, SettersKeepTheTextReadableAndTheNumbersAnnounceNothing) {
    // Values the archive cannot hold are refused.
    text->setAlignment(9);
    text->setKern(std::numeric_limits<float>::quiet_NaN());
    text->setLineSpacing(std::numeric_limits<float>::infinity());
    EXPECT_EQ(text->alignment(), 0);
    EXPECT_EQ(text->kern(), 0.0f);
    EXPECT_EQ(text->lineSpacing(), 0.0f);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_TRUE(read(text->dictRepresentation())->text() == text->text());

    ChangeCounter changes(text);
    text->setEditableTextNumber(5);
    text->setPhotoNumber(6);
    ParagraphStyle style;
    style.alignment = ParagraphStyle::Center;
    text->setParagraphStyle(style);
    EXPECT_EQ(text->alignment(), 2);
    EXPECT_EQ(changes.posted(), 0);
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(TextObjectSetters, TheShadowAttributeFollowsTheShadowAndTheResolution) {
    text->setShadowEnabled(true);
    ASSERT_TRUE(text->textStorage().attributesAtIndex(0).shadow);
    EXPECT_EQ(*text->textStorage().attributesAtIndex(0).shadow, *text->shadow());

    ShadowValue far = *text->shadow();
    far.offset = {10, -10};
    far.blurRadius = 2;
    text->setDestinationDPI(300);
    text->setShadow(far);
    const ShadowValue attribute = *text->textStorage().attributesAtIndex(0).shadow;
    EXPECT_FLOAT_EQ(attribute.offset.width, 10 * 300 / 72.0f);
    EXPECT_FLOAT_EQ(attribute.offset.height, -10 * 300 / 72.0f);
    EXPECT_FLOAT_EQ(attribute.blurRadius, 2 * 300 / 72.0f);
    EXPECT_EQ(undo->undoActionName(), formwell(kShadowActionKey));

    text->setShadowEnabled(false);
    EXPECT_FALSE(hasShadowAttribute(text->textStorage()));

    // Without shadows on the system, no attribute is set.
    host.systemVersion = 0x1028;
    TMTextObjectRef old = TMTextObject::newTemplateObject();
    old->setShadowEnabled(true);
    EXPECT_FALSE(hasShadowAttribute(old->textStorage()));
    EXPECT_EQ(old->lineHeightMultiple(), 1.0f);
}
