#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "platform/graphics/Color.h"

#include <cstdint>
#include <memory>

// Keys of the representation.
inline constexpr char kTMPrintAreaObjectCutMarksEnabledKey[] =
    "TMPrintAreaObjectCutMarksEnabledKey";
inline constexpr char kTMPrintAreaObjectCutMarksLengthKey[] = "TMPrintAreaObjectCutMarksLengthKey";
inline constexpr char kTMPrintAreaObjectCutMarksOffsetKey[] = "TMPrintAreaObjectCutMarksOffsetKey";
inline constexpr char kTMPrintAreaObjectCutMarksColorKey[] = "kTMPrintAreaObjectCutMarksColorKey";
inline constexpr char kTMPrintAreaNumberKey[] = "TMPrintAreaNumberKey";

// Localization keys of the framework's bundle.
inline constexpr char kPrintAreaLabelKey[] = "PRINT_AREA_LABEL";
inline constexpr char kCutMarksStateActionKey[] = "CMSTATE";
inline constexpr char kCutMarksLengthActionKey[] = "CMLENGTH";
inline constexpr char kCutMarksOffsetActionKey[] = "CMOFFSET";
inline constexpr char kCutMarksColorActionKey[] = "CMCOLOR";

class TMPrintAreaObject;
using TMPrintAreaObjectRef = std::shared_ptr<TMPrintAreaObject>;

// A numbered area of the page that output cuts out, with cut marks beyond its
// corners wherever it is drawn. In the editor it shows as a translucent box
// with its label. It never rotates.
class FORMWELL_EXPORT TMPrintAreaObject : public TMObject {
public:
    // Cut marks on, 18 points long, starting at the frame lines, black.
    TMPrintAreaObject();

    static TMPrintAreaObjectRef newTemplateObject();
    static TMPrintAreaObjectRef
    newTemplateObjectWithRepresentation(const QVariantMap& representation);
    // Centre = origin + size / 2.
    static TMPrintAreaObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMPrintAreaObjectController");
    }
    QString objectControllerClass() const override {
        return QStringLiteral("TMPrintAreaObjectController");
    }

    // Missing length and offset are 1 point each.
    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;

    // The base's, grown by the marks' reach while they are on.
    Rect visibleFrame() const override;

    bool supportsRotation() const override { return false; }
    // Stays locked.
    void setRotationLocked(bool locked) override;

    // Undoable.
    bool cutMarksState() const { return _cutMarksEnabled; }
    void setCutMarksState(bool enabled);
    float cutMarkLength() const { return _cutMarkLen; }
    void setCutMarkLength(float length);
    float cutMarkOffset() const { return _cutMarkOffset; }
    void setCutMarkOffset(float offset);
    const Color& cutMarkColor() const { return _cutMarkColor; }
    void setCutMarkColor(const Color& color);

    // Given by the document; not undoable.
    int32_t printAreaNumber() const { return _printAreaNumber; }
    void setPrintAreaNumber(int32_t number);

    void drawObject(bool drawHandles) override;
    // Nothing in thumbnails.
    void drawPrintAreaLabelInRect(const Rect& r);

    static constexpr float kCutMarkLineWidth = 0.5f;

private:
    // Both the old and the new reach of the marks are redrawn.
    template <class Store> void changeMarks(Store&& store);

    bool _cutMarksEnabled = true;
    float _cutMarkLen = 18;
    float _cutMarkOffset = 0;
    Color _cutMarkColor = Color::blackColor();
    int32_t _printAreaNumber = 0;
};
