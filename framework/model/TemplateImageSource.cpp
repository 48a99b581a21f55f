#include "framework/model/TemplateImageSource.h"

TemplateImageSource::~TemplateImageSource() = default;
