#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "platform/documents/View.h"

#include <QList>

// An offscreen canvas that draws copies of page objects, without handles,
// at 72 dpi whatever part is asked: how a set of objects becomes PDF.
class FORMWELL_EXPORT TMCaptureView : public View {
    Q_OBJECT

public:
    // The frame in points; the bounds start equal to it.
    explicit TMCaptureView(const Rect& frame, QWidget* parent = nullptr);
    ~TMCaptureView() override;

    bool isFlipped() const override { return true; }

    // Keeps copies of the objects, in place of those it had.
    void setObjects(const QList<TMObjectRef>& objects);
    const QList<TMObjectRef>& objects() const { return _objects; }

    // A one-page PDF of a part of the bounds, the page that part's size in
    // points; null for an empty part.
    QByteArray dataWithPDFInsideRect(const Rect& rect);

protected:
    void drawRect(const Rect& dirtyRect) override;

private:
    QList<TMObjectRef> _objects;
};
