#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QDial>

// A wrapping dial of whole degrees, 0 at the top and growing clockwise, as
// the angle fields next to it count. QDial puts its minimum at the bottom, so
// the dial runs from -180 there to 179 and degrees() brings that to 0...359.
class LUMISK_PLATFORM_EXPORT AngleDial : public QDial {
    Q_OBJECT

public:
    explicit AngleDial(QWidget* parent = nullptr);

    // 0 up to 359.
    int degrees() const;
    // Any whole number of degrees, brought into one turn; reports nothing.
    void setDegrees(int degrees);
};
