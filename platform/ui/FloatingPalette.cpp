#include "platform/ui/FloatingPalette.h"

FloatingPalette::~FloatingPalette() = default;
