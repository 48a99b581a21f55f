#include "platform/printing/PrintInfo.h"

#include <QLocale>
#include <QPageSize>
#include <QPrinterInfo>
#include <algorithm>

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
