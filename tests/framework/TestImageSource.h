#pragma once

#include "framework/model/TemplateImageSource.h"

#include <QHash>

// An image source for page-object tests: one photograph per cell as set, the
// rest fixed answers that tests change through the fields.
class TestImageSource : public TemplateImageSource {
public:
    Image imageForCell(int32_t cell) override {
        ++calls.screenImage;
        ++calls.screenImageOfCell[cell];
        return images.value(cell);
    }
    Image hiresImageForCell(int32_t cell) override {
        ++calls.hiresImage;
        return images.value(cell);
    }
    Rect naturalImageBoundsForCell(int32_t cell) override {
        const Image image = images.value(cell);
        return image.isNull() ? kZeroRect
                              : Rect(0, 0, float(image.pixelSize().width()),
                                     float(image.pixelSize().height()));
    }
    Rect cropRectForCell(int32_t) override { return kZeroRect; }
    Point offsetForCell(int32_t cell) override { return offsets.value(cell); }
    void setOffsetForCell(Point offset, int32_t cell) override {
        ++calls.setOffset;
        if (images.contains(cell))
            offsets[cell] = offset;
    }
    int32_t scalingModeForCell(int32_t) override { return scalingMode; }
    std::vector<std::shared_ptr<TMObject>> captionArrayForCell(int32_t) override {
        return captions;
    }
    float preferredDPI() override { return 0; }
    int32_t destinationDevice() override { return device; }
    bool notificationsDisabled() override { return disabled; }
    void setNotificationsDisabled(bool value) override { disabled = value; }
    void colorMatchImage(Image&) override {}
    // Never null, as the mapper's.
    QString editValueForField(int32_t field) override {
        return fieldValues.value(field, QStringLiteral(""));
    }
    // Null for a key that has no value, as the mapper's for an unknown template key.
    QString propertyForCell(const QString& key, int32_t cell) override {
        return properties.value({key, cell});
    }

    // How often the drawing asked.
    struct Calls {
        int screenImage = 0;
        int hiresImage = 0;
        int setOffset = 0;
        QHash<int32_t, int> screenImageOfCell;
    };

    QHash<int32_t, Image> images;
    Calls calls;
    QHash<int32_t, Point> offsets;
    QHash<int32_t, QString> fieldValues;
    QHash<QPair<QString, int32_t>, QString> properties;
    // The captions of every cell's photograph.
    std::vector<std::shared_ptr<TMObject>> captions;
    int32_t scalingMode = ScalingModeFill;
    int32_t device = 0;
    bool disabled = false;
};
