#pragma once

#include "platform/documents/View.h"

#include <cstdint>

class DraggingInfo;
class Pasteboard;

// The object that decides about and takes what a GenericDragReceiverView is given.
class DragReceiverTarget {
public:
    virtual ~DragReceiverTarget() = default;
    virtual bool canHandleDrag(const Pasteboard& pasteboard) = 0;
    // `point` in the view's bounds.
    virtual void handleDragAtPointFromView(const Pasteboard& pasteboard, Point point,
                                           View* view) = 0;
};

// Takes drops of the registered types for its target and frames itself while
// one it can take hovers. A dialog's controls sit inside it and take no drops
// of their own, so a drop anywhere on them reaches it; it answers no click
// itself, so clicks go to the controls as if it were not there.
class GenericDragReceiverView : public View {
    Q_OBJECT

public:
    explicit GenericDragReceiverView(QWidget* parent = nullptr);

    // The target is not owned and must outlive the registration.
    void setupForDragTypesWithTarget(const QStringList& types, DragReceiverTarget* target);
    void disableDrags();

    // Whether a drag callback is running; nested calls are counted.
    bool inDragHandler() const { return _inDragHandler > 0; }
    void setInDragHandler(bool flag);
    bool canIHandleDrag(const DraggingInfo& info) override;

protected:
    void drawRect(const Rect& dirtyRect) override;
    uint32_t draggingEntered(const DraggingInfo& info) override;
    void draggingExited() override;
    bool prepareForDragOperation(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    void concludeDragOperation(const DraggingInfo& info) override;

private:
    DragReceiverTarget* _targetObject = nullptr;
    int8_t _inDragHandler = 0;
};
