#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "platform/graphics/Image.h"

#include <cstdint>
#include <memory>
#include <optional>

// Keys of the representation.
inline constexpr char kImageRefKey[] = "image_ref";
inline constexpr char kImageRawKey[] = "image_raw";
inline constexpr char kImageCompKey[] = "image_comp";
inline constexpr char kImageOpacityKey[] = "image_opacity";
inline constexpr char kImageHFlipKey[] = "image_hflip";
inline constexpr char kImageVFlipKey[] = "image_vflip";
// The older generation's keys.
inline constexpr char kOldImageFileKey[] = "file";
inline constexpr char kOldImageDataKey[] = "data";
inline constexpr char kOldImageCompositionKey[] = "composition";
inline constexpr char kOldImageOpacityKey[] = "opacity";

// Localization keys of the framework's bundle.
inline constexpr char kCompositionActionKey[] = "COMPOSITION";
inline constexpr char kHorizontalFlipActionKey[] = "HORIZ_FLIP";
inline constexpr char kVerticalFlipActionKey[] = "VERT_FLIP";

class TMImageObject;
using TMImageObjectRef = std::shared_ptr<TMImageObject>;

// A fixed picture on the page (a logo, a frame, a background): its own, or a
// named image of its document that several objects share and the file keeps
// once. The name wins over the own picture while the document has an image
// under it. Drawn scaled to the frame with an opacity, a compositing
// operation, optional mirroring, the object's rotation and its shadow.
//
// On screen the picture is resampled once to the object's size and kept until
// something sends recache(); output always draws the full picture.
class FORMWELL_EXPORT TMImageObject : public TMObject {
public:
    TMImageObject() = default;

    static TMImageObjectRef newTemplateObject();
    static TMImageObjectRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    // Centre = origin + size / 2.
    static TMImageObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMImageObjectController");
    }
    QString objectControllerClass() const override {
        return QStringLiteral("TMImageObjectController");
    }

    // 10 points at minus 45 degrees.
    void initShadow() override;
    void initWithRepresentation(const QVariantMap& representation) override;
    // Without any picture no image key is written.
    QVariantMap dictRepresentation() const override;

    // What is drawn: the named image, else the own one; null for none.
    Image image() const;
    // The own picture, drawn upright in the page; not undoable. A name still wins.
    void setImage(const Image& image);
    const std::optional<Image>& ownImage() const { return _theImage; }

    bool supportsSharedIamges() const override { return true; }
    QString sharedImageRef() const override { return _theImageName; }
    // Drops the own picture; not undoable.
    void setSharedImageRef(const QString& name) override;

    // Set by the editor; not stored.
    float imageDpi() const { return _imageDpi; }
    void setImageDpi(float dpi) { _imageDpi = dpi; }

    // Undoable.
    float opacity() const { return _opacity; }
    void setOpacity(float opacity);
    // A compositing operation by its stored number.
    int32_t composition() const { return _composition; }
    void setComposition(int32_t composition);
    bool flipHorizontal() const { return _flippedHoriz; }
    void setFlipHorizontal(bool flip);
    bool flipVertical() const { return _flippedVert; }
    void setFlipVertical(bool flip);

    // Drops the on-screen picture.
    void recache() override;
    void drawObject(bool drawHandles) override;

    // The on-screen picture; null when there is none yet.
    const std::optional<Image>& cachedImage() const { return _cachedImage; }

    // Objects larger than this many points (on a side, or in all) are drawn
    // from the full picture on screen too, rather than through a picture of
    // their size.
    static constexpr double kMaxCacheSide = 16384;
    static constexpr double kMaxCachePoints = 64.0 * 1024 * 1024;

private:
    std::optional<Image> makeCache(const Image& source) const;

    std::optional<Image> _theImage;
    std::optional<Image> _cachedImage;
    QString _theImageName;
    float _imageDpi = 0;
    float _opacity = 1.0f;
    int32_t _composition = int32_t(CompositingOperation::SourceOver);
    bool _flippedHoriz = false;
    bool _flippedVert = false;
};
