#include "framework/editor/TMCaptureView.h"

#include "framework/model/TMRenderPass.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

TMCaptureView::TMCaptureView(const Rect& frame, QWidget* parent) : View(parent) {
    setGeometry(int(frame.minX()), int(frame.minY()), int(std::ceil(frame.width())),
                int(std::ceil(frame.height())));
    setBoundsSize(frame.size);
}

TMCaptureView::~TMCaptureView() = default;

void TMCaptureView::setObjects(const QList<TMObjectRef>& objects) {
    QList<TMObjectRef> copies;
    copies.reserve(objects.size());
    for (const TMObjectRef& object : objects)
        if (object)
            copies.append(object->copy());
    _objects = copies;
}

void TMCaptureView::drawRect(const Rect&) {
    TMRenderPass pass(_objects, TMRenderState{.destinationDPI = 72.0f},
                      TMRenderPass::Renderings::Drop);
    for (const TMObjectRef& object : _objects)
        object->drawObject(false);
}

QByteArray TMCaptureView::dataWithPDFInsideRect(const Rect& rect) {
    if (rect.isEmpty())
        return {};
    QByteArray pdf;
    QBuffer buffer(&pdf);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    QPdfWriter writer(&buffer);
    // One device unit a point, so the page is the rectangle exactly.
    writer.setResolution(72);
    writer.setPageLayout(QPageLayout(QPageSize(QSizeF(rect.width(), rect.height()),
                                               QPageSize::Point, QString(), QPageSize::ExactMatch),
                                     QPageLayout::Portrait, QMarginsF(), QPageLayout::Point));
    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    {
        GraphicsContext context(painter, rect.size, DestinationKind::Printer, isFlipped());
        AffineTransform toRect;
        toRect.translateXByYBy(-rect.minX(), -rect.minY());
        context.concat(toRect);
        displayRectInContext(rect, context);
    }
    if (!painter.end())
        return {};
    return pdf;
}
