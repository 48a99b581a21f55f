#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMPhotoMask.h"
#include "platform/graphics/Image.h"

#include <QStringList>

class TemplateDocument;

inline constexpr char kPatternNameKey[] = "pattern_name";
inline constexpr char kPatternRotationKey[] = "pattern_rot";
// Prefix of the name under which a template document keeps a mask file.
inline constexpr char kMaskImageNamePrefix[] = ":mask:_";

// A mask made from a picture in the user's masks folder: grey values (or the
// alpha of a picture that has alpha) keep the photograph where they are
// light. The picture is stretched over the photograph and can be turned in
// quarter turns. The mask file is copied into the template document of its
// cell as a named image, so that the template keeps it.
//
// The pattern name is a path relative to the masks folder. Names come from
// template files, so only a plain relative path that stays inside the folder
// is ever read; any other name is a missing mask. A mask whose picture is
// missing or unusable leaves the photograph unmasked.
class FORMWELL_EXPORT TMBitmapPhotoMask : public TMPhotoMask {
public:
    TMBitmapPhotoMask() = default;
    TMBitmapPhotoMask(const TMBitmapPhotoMask&) = default;

    // The mask files below the masks folder, relative to it, and its
    // subfolders with a trailing "/", in case-insensitive order.
    static QStringList installedBitmapMasks();
    // The first installed file; empty when there is none.
    static QString defaultBitmapMask();
    // Whether a pattern name is a relative path that cannot leave the folder.
    static bool isPlainPatternName(const QString& name);

    void init() override;
    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    QString name() const override;

    // Undoable; the new file is copied into the document.
    QString maskPatternName() const { return _maskPatternName; }
    void setMaskPatternName(const QString& name);
    // Whole degrees: 0, 90, 180 or -90 turn the picture; other values leave
    // it unturned. Undoable.
    int patternRotation() const { return int(_maskPatternRotation); }
    void setPatternRotation(int degrees);

    // The picture as alpha coverage; a null image when there is none.
    Image maskingImage();
    // Copies the mask file of that name into the parent's template document,
    // unless the document has it already.
    void installImageInDocument(const QString& name);

    void setParentObject(TMObject* parent) override;
    void applyMasktoRect(const Rect& r) override;

private:
    TemplateDocument* parentTemplateDocument() const;
    void releaseImages();
    Image loadBaseImage() const;

    QString _maskPatternName;
    float _maskPatternRotation = 0;
    Image _baseImage;
    Image _maskingImage;
    // The missing picture of the current pattern has been logged.
    bool _missingReported = false;
};
