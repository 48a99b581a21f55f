#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "framework/model/TMPhotoMask.h"
#include "platform/graphics/Image.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Keys of the representation.
inline constexpr char kPhotoNumKey[] = "photo_num";
inline constexpr char kPhotoOpacityKey[] = "photo_opacity";
inline constexpr char kPhotoMaskEnabledKey[] = "photo_mask_en";
inline constexpr char kPhotoMaskKey[] = "photo_mask";

// Localization keys of the framework's bundle.
inline constexpr char kOpacityActionKey[] = "OPACITY";
inline constexpr char kMaskEnabledActionKey[] = "MASK_ENABLED";
inline constexpr char kPhotoCellLabelKey[] = "PHOTO_CELL_LABEL";

class TMPhotoObject;
using TMPhotoObjectRef = std::shared_ptr<TMPhotoObject>;

// A numbered photo cell: where a photograph goes on a template page. With an
// image source it draws the source's photograph of its cell (filled, fitted or
// stretched, cropped and offset as the source says) with its opacity, photo
// mask, shadow and the photograph's captions; in the editor, without a
// source, a grey placeholder with its label and number.
//
// The cell renders photograph and mask into an image of the destination's
// pixel size and draws that image turned into the page, whose coordinates run
// top-down as the editor's canvas and the page renderer's images do. On
// screen the rendering is kept until something sends recache().
class FORMWELL_EXPORT TMPhotoObject : public TMObject {
public:
    // The defaults: number 0, opacity 1, the default oval mask, masking off.
    TMPhotoObject();
    ~TMPhotoObject() override;

    static TMPhotoObjectRef newTemplateObject();
    static TMPhotoObjectRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    // Centre = origin + size / 2.
    static TMPhotoObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMPhotoObjectController");
    }
    QString objectControllerClass() const override {
        return QStringLiteral("TMPhotoObjectController");
    }

    // A shadow twice as far as the base's default.
    void initShadow() override;
    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;
    QStringList readProblems() const override;

    // The base's, with room for the rendered shadow: 72 points more on every side.
    Rect visibleFrame() const override;

    bool isPhotoObject() const override { return true; }
    int32_t photoNumber() const override { return _photoNumber; }
    // Set by the document's numbering; no undo, no notification.
    void setPhotoNumber(int32_t number) override;

    // Undoable.
    float opacity() const { return _opacity; }
    void setOpacity(float opacity);
    // Undoable.
    bool maskEnabled() const { return _photoMaskEnabled; }
    void setMaskEnabled(bool enabled);
    // Undoable; the cell becomes the new mask's parent.
    const TMPhotoMaskRef& mask() const { return _photoMask; }
    void setMask(const TMPhotoMaskRef& mask);

    // A bitmap mask's picture is a named image of the document.
    bool supportsSharedIamges() const override;
    QString sharedImageRef() const override;

    // Re-attaches the mask, so that a bitmap mask's picture reaches the new document.
    void setParentDocument(Document* document) override;

    // The pixel size the cell renders at: its size in points on screen and
    // without an image source, else at the source's preferred resolution or
    // the photograph's natural one (at least 72 dpi).
    Size destPhotoCellSize() const;

    // Drops the rendering.
    void recache() override;

    void drawObject(bool drawHandles) override;
    // Draws the cell's photograph into r of the current destination, in the
    // pixels of the cell's rendering; false when there is none.
    bool drawPhotoInRect(const Rect& r);
    // The placeholder: a grey fill with the cell's label.
    void drawObjectContentsInRect(const Rect& r);

    // The rendering kept between draws on screen; null when there is none.
    const std::optional<Image>& cachedImage() const { return _cachedImage; }

    // Renderings larger than this many pixels (on a side, or in all) are not
    // attempted; the cell then draws nothing.
    static constexpr double kMaxRenderSide = 65536;
    static constexpr double kMaxRenderPixels = 256.0 * 1024 * 1024;

private:
    bool drawPhotoInRectToScreen(const Rect& r, bool toScreen);
    void drawCaptions(const std::vector<std::shared_ptr<TMObject>>& captions, const Rect& drawn,
                      const Rect& destination, const Rect& imageBounds, const Rect& natural);
    void adoptMask(const TMPhotoMaskRef& mask);
    // Renders photograph, placeholder and mask into a new image; nothing when
    // the image cannot be made.
    // Draws into `recycled`'s pixels when they have the size needed.
    std::optional<Image> render(bool toScreen, float marginX, float marginY, Image recycled = {});

    int32_t _photoNumber = 0;
    float _opacity = 1.0f;
    bool _photoMaskEnabled = false;
    TMPhotoMaskRef _photoMask;
    std::optional<Image> _cachedImage;
    // Masks this cell has been parent of, so none keeps pointing at it after it is gone.
    std::vector<std::weak_ptr<TMPhotoMask>> _adoptedMasks;
    QString _maskReadProblem;
};
