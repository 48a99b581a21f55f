#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/VQGradientFill.h"
#include "platform/documents/View.h"

#include <QByteArray>

class VQGradientDelegate;

// In-process drag types: their data is only a process-local id of one fill.
// A preset cell is dragged as settings, a gradient view as a view.
inline constexpr char kDragDropGradientSettingsPboardType[] = "DragDropGradientSettingsPboardType";
inline constexpr char kDragDropGradientViewPboardType[] = "DragDropGradientViewPboardType";

// Archive dictionary key of a gradient view.
inline constexpr char kVQGFillKey[] = "VQG_Fill";

// Shows one gradient fill with an optional white bezel and, for an axial
// fill, a compass line along its angle; with drag enabled it can be dragged
// out as a gradient. It draws nothing until it has a delegate. It takes no
// drops (a click on a preset sets the preview instead).
class FORMWELL_EXPORT VQGradientView : public View {
    Q_OBJECT

public:
    explicit VQGradientView(QWidget* parent = nullptr);
    ~VQGradientView() override;

    // Fills are compared by identity: the very fill held changes nothing.
    const VQGradientFillRef& gradientFill() const { return _gradientFill; }
    void setGradientFill(const VQGradientFillRef& fill);
    VQGradientDelegate* delegate() const { return _myDelegate; }
    void setDelegate(VQGradientDelegate* delegate);
    bool drawsCompass() const { return _drawsCompass; }
    void setDrawsCompass(bool draws);
    bool dragEnabled() const { return _dragEnabled; }
    void setDragEnabled(bool enabled) { _dragEnabled = enabled; }
    bool drawsBorder() const { return _drawsBorder; }
    void setDrawsBorder(bool draws);
    bool canIHandleDrag(const DraggingInfo& info) override;

    // Highlight or bezel, then the fill inside a 2-point margin.
    void drawInFrame(const Rect& frame);

    // A view with the same fill and delegate (both shared).
    VQGradientView* copy(QWidget* parent = nullptr) const;
    // The archive holds the view's dictionary ("VQG_Fill" when it has a fill);
    // reading it sets the fill when present and clears the delegate.
    QByteArray archivedData() const;
    bool initWithArchivedData(const QByteArray& data);

protected:
    void drawRect(const Rect& dirtyRect) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void concludeDragOperation(const DraggingInfo& info) override;

private:
    void drawCompass();
    void dragGradient();

    VQGradientDelegate* _myDelegate = nullptr;
    VQGradientFillRef _gradientFill;
    bool _drawsCompass = false;
    bool _dragEnabled = false;
    bool _drawsBorder = false;
    bool _dragging = false;
};
