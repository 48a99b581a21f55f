#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QMarginsF>
#include <functional>

class PrintInfo;

// The part of a print info's paper that a printer can mark.
namespace PrintableArea {

// In page coordinates (y up from the lower left): the paper less the default
// printer's minimum margins for it, the whole paper without a printer.
LUMISK_PLATFORM_EXPORT Rect imageablePageBounds(const PrintInfo& info);

// Answers a paper's minimum margins in points in place of the printer; tests
// install one. An empty source restores the printer's; the one replaced is
// answered.
using MinimumMarginsSource = std::function<QMarginsF(const PrintInfo&)>;
LUMISK_PLATFORM_EXPORT MinimumMarginsSource setMinimumMarginsSource(MinimumMarginsSource source);

} // namespace PrintableArea
