#pragma once

#include "platform/foundation/Geometry.h"

#include <QByteArray>

// One rectangle of a red-eye list: four host-order 32-bit floats x, y, width,
// height. Data of another length reads as the zero rectangle.
Rect rectFromData(const QByteArray& data);
QByteArray dataFromRect(const Rect& r);
