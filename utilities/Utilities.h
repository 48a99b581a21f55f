#pragma once

// The shared utility functions under their UT names.
#include "utilities/ControlText.h"
#include "utilities/FinderComment.h"
#include "utilities/GeometryUtilities.h"
#include "utilities/ImageUtilities.h"
#include "utilities/NumberText.h"
#include "utilities/OffscreenUtilities.h"
#include "utilities/VersionUtilities.h"
