#include "framework/model/TMUtilities.h"

#include "utilities/Utilities.h"

Size TMScaleSizeToFit(Size size, Size bounds) {
    return UTScaleSizeToFit(size, bounds);
}
Rect TMCenterRectInRect(Rect rect, Rect bounds) {
    return UTCenterRectInRect(rect, bounds);
}
Rect TMCenterRectOnPoint(Rect rect, Point point) {
    return UTCenterRectOnPoint(rect, point);
}
Rect TMRectFromPoints(Point a, Point b) {
    return UTRectFromPoints(a, b);
}
Rect TMBindRectInRect(Rect rect, Rect bounds) {
    return UTBindRectInRect(rect, bounds);
}
Rect TMMapRect(Rect from, Rect to, Rect rect) {
    return UTMapRect(from, to, rect);
}
Point TMMapPoint(Rect from, Rect to, Point point) {
    return UTMapPoint(from, to, point);
}
Rect TMRotateRectRight90(Rect rect, Rect bounds) {
    return UTRotateRectRight90(rect, bounds);
}
Rect TMRotateRectLeft90(Rect rect, Rect bounds) {
    return UTRotateRectLeft90(rect, bounds);
}

int32_t TM_EncodeVersion(const QString& version) {
    return EncodeVersion(version);
}
QString TM_DecodeVersion(int32_t packed) {
    return DecodeVersion(packed);
}

Image TMFlipImage(const Image& image) {
    return UTFlipImage(image);
}
Image TMQuadRotateImage(const Image& image, int degrees) {
    return UTQuadRotateImage(image, degrees);
}
QString TM_LocalizeDecimalString(const QString& text) {
    return UTLocalizeDecimalString(text);
}
void TM_EnableControlText(QWidget* control, bool enabled) {
    EnableControlText(control, enabled);
}
