#include "framework/model/TemplateImageSource.h"

TemplateImageSource::~TemplateImageSource() = default;

void TemplateImageSource::keepDrawnOffsetForCell(Point offset, int32_t cell) {
    const bool wasDisabled = notificationsDisabled();
    setNotificationsDisabled(true);
    setOffsetForCell(offset, cell);
    setNotificationsDisabled(wasDisabled);
}
