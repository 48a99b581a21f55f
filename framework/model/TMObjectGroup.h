#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"

#include <QList>
#include <memory>

// Key of the representation: an archive of the members' representations.
inline constexpr char kGroupContainerKey[] = "group_container";

class TMObjectGroup;
using TMObjectGroupRef = std::shared_ptr<TMObjectGroup>;

// Page objects moved, resized, rotated, flipped, drawn and hit as one. The
// group's centre and size are those of the union of its members' frames when
// the members are set; its rotation is its own and is carried to the members
// when it changes. Members are drawn in list order, the last on top.
//
// Whenever the group changes a member's geometry it does so quietly: the
// member forgets its view for the change (so it asks no view to redraw or to
// keep it in bounds) and then gets the group's.
class FORMWELL_EXPORT TMObjectGroup : public TMObject {
public:
    // Groups nested deeper than this are dropped when a representation is
    // read, as members of unknown kinds are: reading recurses once a level.
    static constexpr int kMaxNestingDepth = 64;

    // What the recursive queries collect.
    enum class Query {
        PhotoObjects,
        EditableTextObjects,
        PropertyTextObjects,
        SharedImageObjects,
        PrintAreaObjects,
    };
    static bool takes(Query query, const TMObject& object);
    // The objects of the list the query takes, in list order; a group that is
    // not taken contributes, in its place, what it holds that the query takes.
    static QList<TMObjectRef> objectsTakenBy(const QList<TMObjectRef>& objects, Query query);

    static TMObjectGroupRef newTemplateObject();
    static TMObjectGroupRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    // Centre = origin + size / 2.
    static TMObjectGroupRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // Members of kinds without a class are left out, as are groups too deep.
    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;
    QStringList readProblems() const override { return _readProblems; }

    const QList<TMObjectRef>& groupedObjects() const { return _groupedObjects; }
    // The group takes the members' union frame and deselects them; rotated
    // members forbid resizing. No change is announced. Without members the
    // group keeps its frame.
    void setGroupedObjects(const QList<TMObjectRef>& objects);

    // Members first, then the group.
    void setParentDocument(Document* document) override;

    bool supportsSizeLock() const override { return !_disallowResize; }
    // Refused with a beep while resizing is forbidden.
    void setLockedSizeMask(int32_t mask) override;

    QList<TMObjectRef> containedPhotoObjects() const;
    QList<TMObjectRef> containedEditableTextObjects() const;
    QList<TMObjectRef> containedPropertyTextObjects() const;
    QList<TMObjectRef> containedSharedImageObjects() const;
    QList<TMObjectRef> containedPrintAreaObjects() const;

    Rect encapsulatingFrame() const override;
    Rect visibleFrame() const override;
    void moveBy(Point delta) override;
    void setAbsoluteCenter(Point center) override;
    // Factors of 0 or without a finite value are ignored.
    void setAbsoluteSize(Size size) override;
    void setAbsoluteRotation(float rotation) override;
    void flipHorizontally() override;
    void flipVertically() override;
    // The topmost member hit answers.
    bool hitTest(Point point) const override;
    void drawObject(bool drawHandles) override;

private:
    void initWithRepresentationAtDepth(const QVariantMap& representation, int depth);
    template <class Change> void changeQuietly(TMObject& member, Change&& change);
    void flip(bool horizontal);

    QList<TMObjectRef> _groupedObjects;
    QStringList _readProblems;
    bool _disallowResize = false;
};
