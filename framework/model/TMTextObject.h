#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/TextStorage.h"

#include <cstdint>
#include <memory>
#include <optional>

// Keys of the representation.
inline constexpr char kTextStorageKey[] = "text";
inline constexpr char kTextDrawBackgroundKey[] = "draw_background";
inline constexpr char kTextBackgroundColorKey[] = "background_color";
inline constexpr char kTextVariantKey[] = "variant";
inline constexpr char kTextFieldNumberKey[] = "fNum";
inline constexpr char kTextPhotoNumberKey[] = "pNum";
inline constexpr char kTextNameKey[] = "name";
inline constexpr char kTextIdentifierKey[] = "identifier";
inline constexpr char kTextPropertyKey[] = "property";
inline constexpr char kTextPropertyCellIDKey[] = "propertyCellID";
// Keys of the older generation.
inline constexpr char kTextOldDataKey[] = "data";
inline constexpr char kTextOldFontKey[] = "font";
inline constexpr char kTextOldFontFamilyKey[] = "family";
inline constexpr char kTextOldFontSizeKey[] = "size";
inline constexpr char kTextOldFontBoldKey[] = "bold";
inline constexpr char kTextOldFontItalicKey[] = "italic";
inline constexpr char kTextOldLayoutKey[] = "layout";
inline constexpr char kTextOldAlignmentKey[] = "alignment";
inline constexpr char kTextOldForeFlagKey[] = "foreFlag";
inline constexpr char kTextOldForeColorKey[] = "foreColor";
inline constexpr char kTextOldBackFlagKey[] = "backFlag";
inline constexpr char kTextOldBackColorKey[] = "backColor";
inline constexpr char kTextOldEditableKey[] = "editable";
inline constexpr char kTextOldFieldNameKey[] = "f_Name";
inline constexpr char kTextOldFieldIDKey[] = "f_ID";

// Localization keys of the framework's bundle.
inline constexpr char kTextChangeActionKey[] = "TEXT_CHANGE";
inline constexpr char kFontActionKey[] = "FONT";
inline constexpr char kTextColorActionKey[] = "TCOLOR";
inline constexpr char kTextAlignActionKey[] = "TEXT_ALIGN";
inline constexpr char kKernActionKey[] = "KERN";
inline constexpr char kBaselineActionKey[] = "BASELINE";
inline constexpr char kLineHeightActionKey[] = "LINE_HEIGHT";
inline constexpr char kLineSpacingActionKey[] = "LINE_SPACING";
inline constexpr char kDrawBackgroundActionKey[] = "DRAW_BACKGROUND";
inline constexpr char kBackgroundColorActionKey[] = "BCOLOR";
inline constexpr char kVariantActionKey[] = "VARIANT";
inline constexpr char kNameChangeActionKey[] = "NAME_CHANGE";
inline constexpr char kIDChangeActionKey[] = "ID_CHANGE";
inline constexpr char kPropertyChangeActionKey[] = "PROPERTY_CHANGE";
inline constexpr char kDefaultPropertyKey[] = "DEFAULT_PROPERTY";

// What a new field or property text is called until the user names it.
inline constexpr char kDefaultFieldName[] = "A name";
inline constexpr char kDefaultFieldIdentifier[] = "An identifier";
inline constexpr char kDefaultPropertyTag[] = "File-F001";
inline constexpr char kDefaultPropertyCellID[] = "0";

class QTextDocument;
class TMTextObject;
using TMTextObjectRef = std::shared_ptr<TMTextObject>;

// The in-place editor of a text object: a text widget over the object in the
// canvas it was last drawn in. It edits the object's own text: every change it
// makes reaches the object at once (editorTextDidChange), and losing the
// keyboard ends the editing (textDidEndEditing).
class FORMWELL_EXPORT TMTextEditor {
public:
    virtual ~TMTextEditor();
    // Shows the object's text again after the object changed it itself.
    virtual void showText(const TextStorage& text) = 0;
    virtual void setDrawsBackground(bool draws, const Color& color) = 0;
    // Puts the insertion point at the start, takes the editor off its canvas
    // and gives the canvas the keyboard again.
    virtual void endEditing() = 0;
};

// A canvas that can put an in-place text editor over a text object.
class FORMWELL_EXPORT TMTextEditorHost {
public:
    virtual ~TMTextEditorHost();
    // An editor over `frame` (page points) showing the object's text, holding
    // the keyboard with all the text selected; null when none can be made.
    virtual std::unique_ptr<TMTextEditor> makeTextEditor(const TMTextObjectRef& object,
                                                         const Rect& frame) = 0;
};

// Rich text on a template page, clipped to the object's frame and turned with
// it, optionally over a background. A plain text (variant 0) draws its own
// text; an editable field (1) and a property text (2) draw what the image
// source answers for their field or for the photograph of the cell they are
// bound to, for that draw only.
//
// The shadow lives twice: as the object's shadow and as the shadow attribute
// of the text. Qt text knows no shadow, so the attribute is what drawing casts
// through the graphics context's shadow; it is kept out of the archived text.
class FORMWELL_EXPORT TMTextObject : public TMObject {
public:
    enum Variant : int32_t { PlainText = 0, EditableField = 1, PropertyText = 2 };

    // The defaults: "A very fine text object", no background (white), variant 0.
    TMTextObject();
    ~TMTextObject() override;

    static TMTextObjectRef newTemplateObject();
    static TMTextObjectRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    // Centre = origin + size / 2.
    static TMTextObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() { return QStringLiteral("TMTextObjectController"); }
    QString objectControllerClass() const override {
        return QStringLiteral("TMTextObjectController");
    }

    // The font of text that has none of its own.
    static Font defaultFont();
    // Sets a document up as text objects lay out: the default font, no
    // margin, and font sizes in points of the page (72 per inch) whatever
    // device shows it.
    static void layOutInPagePoints(QTextDocument& document);

    // Softer than the base's: blur 4, black at half alpha, 4 points at -45 degrees.
    void initShadow() override;
    void initWithRepresentation(const QVariantMap& representation) override;
    // Ends in-place editing first; the archived text carries no shadow attribute.
    QVariantMap dictRepresentation() const override;

    bool isEditableTextObject() const override { return _variant == EditableField; }
    bool isPropertyObject() const override { return _variant == PropertyText; }

    // The rich text itself; while editing, as typed so far.
    const TextStorage& textStorage() const { return _objectText; }

    // Undoable setters ("TEXT_CHANGE" and so on); each does nothing for an
    // unchanged value. Attributes are read at the first character and set on
    // the whole text.
    QString text() const { return _objectText.string(); }
    void setText(const QString& text);
    Font font() const;
    void setFont(const Font& font);
    // Black when the text has none.
    Color textColor() const;
    void setTextColor(const Color& color);
    // Natural alignment is answered as left (0).
    int32_t alignment() const;
    void setAlignment(int32_t alignment);
    float kern() const;
    void setKern(float kern);
    float baseline() const;
    void setBaseline(float baseline);
    // 1 when the paragraph style has none.
    float lineHeightMultiple() const;
    void setLineHeightMultiple(float multiple);
    float lineSpacing() const;
    void setLineSpacing(float spacing);
    // A default style when the text has none; the setter registers no undo
    // and announces nothing.
    ParagraphStyle paragraphStyle() const;
    void setParagraphStyle(const ParagraphStyle& style);
    bool drawBackground() const { return _drawBackground; }
    void setDrawBackground(bool draw);
    const Color& backgroundColor() const { return _backgroundColor; }
    void setBackgroundColor(const Color& color);
    // Undo restores the field's name and identifier, the property and the
    // text as they were before the switch, not only the number.
    int32_t variant() const { return _variant; }
    void setVariant(int32_t variant);
    QString name() const { return _name; }
    void setName(const QString& name);
    QString identifier() const { return _identifier; }
    void setIdentifier(const QString& identifier);
    QString propertyKey() const { return _propertyKey; }
    void setPropertyKey(const QString& key);
    QString propertyCellID() const { return _propertyCellID; }
    void setPropertyCellID(const QString& cellID);

    // Also set on the text as its shadow attribute.
    void setShadowEnabled(bool enabled) override;
    void setShadow(const std::optional<ShadowValue>& shadow) override;
    // Sets the shadow, scaled to the destination resolution, as the text's
    // shadow attribute, or removes the attribute; announces the change.
    using TMObject::applyShadow;
    void applyShadow(const std::optional<ShadowValue>& shadow);

    // Set by the document's numbering; no undo, no notification.
    int32_t editableTextNumber() const override { return _editableTextFieldNumber; }
    void setEditableTextNumber(int32_t number) override;
    int32_t photoNumber() const override { return _photoNumber; }
    void setPhotoNumber(int32_t number) override;

    // Fills in or clears the name, identifier, property and cell of the variant.
    void ensureIdentity();

    // Moving, resizing, turning or removing the object ends in-place editing.
    void setCenter(Point center) override;
    void setSize(Size size) override;
    void setRotation(float rotation) override;
    void objectWillBeRemoved(Document* document) override;

    // The end of the drag that created the object starts editing, as does a double click.
    void setInCreation(bool inCreation) override;
    void doubleClicked() override;

    // In-place editing in the canvas the object was last drawn in; nothing
    // when that canvas cannot edit text.
    bool isInEditMode() const { return _inEditMode; }
    void beginTextEditing();
    // Ends editing; a changed text becomes one undoable "TEXT_CHANGE".
    void textDidEndEditing();
    // The editor's text after each change it made.
    void editorTextDidChange(const TextStorage& text);
    void textDidChange() {}

    void drawObject(bool drawHandles) override;

private:
    struct VariantState {
        int32_t variant;
        QString name;
        QString identifier;
        QString propertyKey;
        QString propertyCellID;
        TextStorage text;
    };

    template <class Step> void registerTextUndo(Step step, const char* actionKey);
    // The steps behind the undoable setters.
    void setTextStorage(const TextStorage& text);
    void setVariantState(const VariantState& state);
    void changeParagraphStyle(const std::function<void(ParagraphStyle&)>& change);
    void setShadowAttribute(TextStorage& text, const std::optional<ShadowValue>& shadow) const;
    // The object changed its own text: an open editor shows it again.
    void textStorageChanged();
    // The text drawn now: the image source's value for fields and properties.
    TextStorage drawnText() const;
    void drawText(const TextStorage& text, float width, float height);

    TextStorage _objectText;
    [[maybe_unused]] bool _richText = false;
    bool _drawBackground = false;
    Color _backgroundColor = Color::whiteColor();
    int32_t _variant = PlainText;
    QString _name;
    QString _identifier;
    QString _propertyKey;
    QString _propertyCellID;
    int32_t _editableTextFieldNumber = 0;
    int32_t _photoNumber = 0;
    bool _inEditMode = false;
    std::unique_ptr<TMTextEditor> _editView;
    // The text when editing began, to register its change when editing ends.
    TextStorage _textBeforeEditing;
    // Set while the object's own change is shown in the editor.
    bool _showingInEditor = false;
};
