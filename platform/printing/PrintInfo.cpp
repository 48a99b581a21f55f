#include "platform/printing/PrintInfo.h"

#include <QHash>
#include <QLocale>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <utility>

void PrintInfo::setOrientation(Orientation orientation) {
    _orientation = orientation;
    const float shortSide = std::min(_paperSize.width, _paperSize.height);
    const float longSide = std::max(_paperSize.width, _paperSize.height);
    _paperSize = orientation == Orientation::Landscape ? Size{longSide, shortSide}
                                                       : Size{shortSide, longSide};
}

QPageLayout PrintInfo::toPageLayout() const {
    // QPageSize is always upright; the layout's orientation turns it.
    const bool landscape = _orientation == Orientation::Landscape;
    const QSizeF upright = landscape ? QSizeF(_paperSize.height, _paperSize.width)
                                     : QSizeF(_paperSize.width, _paperSize.height);
    const QPageSize pageSize(upright, QPageSize::Point, _paperName, QPageSize::ExactMatch);
    QPageLayout layout(pageSize, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(), QPageLayout::Point);
    layout.setMode(QPageLayout::FullPageMode);
    layout.setMargins(QMarginsF(_leftMargin, _topMargin, _rightMargin, _bottomMargin));
    return layout;
}

void PrintInfo::setFromPageLayout(const QPageLayout& layout) {
    _orientation = layout.orientation() == QPageLayout::Landscape ? Orientation::Landscape
                                                                  : Orientation::Portrait;
    _paperSize = Size::fromQSizeF(layout.fullRect(QPageLayout::Point).size());
    _paperName = layout.pageSize().name();
    const QMarginsF m = layout.margins(QPageLayout::Point);
    _leftMargin = float(m.left());
    _rightMargin = float(m.right());
    _topMargin = float(m.top());
    _bottomMargin = float(m.bottom());
}

namespace {

// Asking the printer is slow (it goes through the print system), so each
// paper is asked once.
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

PrintInfo::MinimumMarginsSource& minimumMarginsSource() {
    static PrintInfo::MinimumMarginsSource source;
    return source;
}

} // namespace

Rect PrintInfo::imageablePageBounds() const {
    const MinimumMarginsSource& source = minimumMarginsSource();
    const QMarginsF m = source ? source(*this) : printerMinimumMargins(*this);
    return {float(m.left()), float(m.bottom()), _paperSize.width - float(m.left() + m.right()),
            _paperSize.height - float(m.top() + m.bottom())};
}

PrintInfo::MinimumMarginsSource PrintInfo::setMinimumMarginsSource(MinimumMarginsSource source) {
    return std::exchange(minimumMarginsSource(), std::move(source));
}

PrintInfo PrintInfo::fromPageLayout(const QPageLayout& layout) {
    PrintInfo info;
    info.setFromPageLayout(layout);
    return info;
}

PrintInfo& PrintInfo::sharedPrintInfo() {
    static PrintInfo shared = [] {
        PrintInfo info;
        QPageSize paper;
        if (const QPrinterInfo printer = QPrinterInfo::defaultPrinter(); !printer.isNull())
            paper = printer.defaultPageSize();
        if (!paper.isValid())
            paper = QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem
                                  ? QPageSize::Letter
                                  : QPageSize::A4);
        info.setPaperName(paper.name());
        info.setPaperSize(Size::fromQSizeF(paper.size(QPageSize::Point)));
        return info;
    }();
    return shared;
}
