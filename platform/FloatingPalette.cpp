#include "platform/FloatingPalette.h"

FloatingPalette::~FloatingPalette() = default;
