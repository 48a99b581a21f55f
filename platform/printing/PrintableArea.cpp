#include "platform/printing/PrintableArea.h"

#include "platform/printing/PrintInfo.h"

#include <QHash>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <utility>

namespace {

// Asking the printer goes through the print system and is slow, so each
// paper is asked once (main thread).
QMarginsF printerMinimumMargins(const PrintInfo& info) {
    static QHash<QString, QMarginsF> known;
    const QString key = QStringLiteral("%1 %2x%3 %4")
                            .arg(info.paperName())
                            .arg(double(info.paperSize().width))
                            .arg(double(info.paperSize().height))
                            .arg(int(info.orientation()));
    if (const auto it = known.constFind(key); it != known.cend())
        return *it;
    QMarginsF margins;
    if (const QPrinterInfo device = QPrinterInfo::defaultPrinter(); !device.isNull()) {
        QPrinter printer(device, QPrinter::HighResolution);
        printer.setPageLayout(info.toPageLayout());
        QPageLayout layout = printer.pageLayout();
        layout.setUnits(QPageLayout::Point);
        margins = layout.minimumMargins();
    }
    known.insert(key, margins);
    return margins;
}

PrintableArea::MinimumMarginsSource& installedSource() {
    static PrintableArea::MinimumMarginsSource source;
    return source;
}

} // namespace

namespace PrintableArea {

Rect imageablePageBounds(const PrintInfo& info) {
    const MinimumMarginsSource& source = installedSource();
    const QMarginsF m = source ? source(info) : printerMinimumMargins(info);
    const Size paper = info.paperSize();
    return {float(m.left()), float(m.bottom()), paper.width - float(m.left() + m.right()),
            paper.height - float(m.top() + m.bottom())};
}

MinimumMarginsSource setMinimumMarginsSource(MinimumMarginsSource source) {
    return std::exchange(installedSource(), std::move(source));
}

} // namespace PrintableArea
