#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QDoubleSpinBox>

// A pair of arrows that step a number up and down, shown beside the field
// that writes the number out: the spin box without its own text.
class LUMISK_PLATFORM_EXPORT Stepper : public QDoubleSpinBox {
    Q_OBJECT

public:
    explicit Stepper(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
};
