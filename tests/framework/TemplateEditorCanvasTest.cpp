#include "EditorFixture.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMTextObject.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char kSelectionChanged[] = "TemplateViewSelectionDidChangeNotification";

class TemplateEditorCanvasTest : public ::testing::Test, public EditorFixture {
protected:
    TemplateEditorCanvasTest() {
        a = addRectangle(10, 10);
        b = addRectangle(100, 10);
        c = addRectangle(200, 10);
        canvas->setFocus();
    }
    QList<bool> selection() const { return {a->selected(), b->selected(), c->selected()}; }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(canvas, Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
    }
    TMObjectRef a, b, c;
};

} // namespace

TEST_F(TemplateEditorCanvasTest, ArrowsMoveTheSelectionByTheGridOrByPoints) {
    struct Case {
        bool snaps;
        int key;
        Qt::KeyboardModifiers modifiers;
        Point delta;
    };
    // Grid of 8 divisions an inch: 9 points.
    const Case cases[] = {
        {true, Qt::Key_Right, Qt::NoModifier, {9, 0}},
        {true, Qt::Key_Right, Qt::AltModifier, {18, 0}},
        {true, Qt::Key_Up, Qt::NoModifier, {0, -9}},
        {false, Qt::Key_Left, Qt::NoModifier, {-1, 0}},
        {false, Qt::Key_Left, Qt::AltModifier, {-2, 0}},
        {false, Qt::Key_Down, Qt::NoModifier, {0, 1}},
        {false, Qt::Key_Up, Qt::AltModifier | Qt::ShiftModifier, {0, -2}},
    };
    document.pageDesc()->setGridDivisions(8);
    ASSERT_EQ(document.pageDesc()->gridSpacing(), 9.0f);
    b->setSelected(true);
    for (const Case& k : cases) {
        document.pageDesc()->setSnapsToGrid(k.snaps);
        const Point before = b->center();
        const Point untouched = a->center();
        press(k.key, k.modifiers);
        EXPECT_EQ(b->center().x - before.x, k.delta.x) << k.key << " snaps " << k.snaps;
        EXPECT_EQ(b->center().y - before.y, k.delta.y) << k.key << " snaps " << k.snaps;
        EXPECT_EQ(a->center(), untouched);
    }
}

TEST_F(TemplateEditorCanvasTest, EachArrowPressIsOneUndoStepAndEditsTheDocument) {
    a->setSelected(true);
    const Point start = a->center();
    EXPECT_FALSE(document.isDocumentEdited());
    press(Qt::Key_Right);
    press(Qt::Key_Down);
    EXPECT_EQ(a->center(), (Point{start.x + 1, start.y + 1}));
    EXPECT_TRUE(document.isDocumentEdited());

    UndoManager* undo = document.undoManager();
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(a->center(), (Point{start.x + 1, start.y}));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(a->center(), start);
    EXPECT_FALSE(document.isDocumentEdited());
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(a->center(), (Point{start.x + 1, start.y}));
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(TemplateEditorCanvasTest, ArrowsAndDeleteWithNothingSelectedChangeNothing) {
    press(Qt::Key_Right);
    press(Qt::Key_Delete);
    press(Qt::Key_Backspace);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(document.objects().size(), 3);
}

TEST_F(TemplateEditorCanvasTest, TabAndShiftTabWalkTheObjectsAndWrap) {
    NoticeCount notices(kSelectionChanged, static_cast<const QObject*>(canvas));
    press(Qt::Key_Tab); // nothing selected: the first
    EXPECT_EQ(selection(), QList<bool>({true, false, false}));
    press(Qt::Key_Tab);
    EXPECT_EQ(selection(), QList<bool>({false, true, false}));
    c->setSelected(true);
    press(Qt::Key_Tab); // after the last selected, wrapping
    EXPECT_EQ(selection(), QList<bool>({true, false, false}));
    press(Qt::Key_Backtab, Qt::ShiftModifier); // before the first, wrapping
    EXPECT_EQ(selection(), QList<bool>({false, false, true}));
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QList<bool>({false, true, false}));
    a->setSelected(false);
    b->setSelected(false);
    press(Qt::Key_Backtab, Qt::ShiftModifier); // nothing selected: the last
    EXPECT_EQ(selection(), QList<bool>({false, false, true}));
    EXPECT_GT(notices.count, 0);
    // The keyboard stayed with the canvas.
    EXPECT_EQ(QApplication::focusWidget(), canvas);
}

TEST_F(TemplateEditorCanvasTest, SelectionCommandsAndTheirNotices) {
    NoticeCount notices(kSelectionChanged, static_cast<const QObject*>(canvas));
    canvas->selectAll();
    EXPECT_EQ(selection(), QList<bool>({true, true, true}));
    EXPECT_EQ(notices.count, 1);
    canvas->selectAll(); // nothing changes, nothing posted
    EXPECT_EQ(notices.count, 1);
    EXPECT_EQ(canvas->selectedObjects(), QList<TMObjectRef>({a, b, c}));
    EXPECT_EQ(canvas->boundsOfSelection(), (Rect{10, 10, 230, 30}));
    EXPECT_EQ(canvas->centerOfSelection(), (Point{125, 25}));

    canvas->deselectAllObjects(); // one notice per object
    EXPECT_EQ(notices.count, 4);
    EXPECT_TRUE(canvas->selectedObjects().isEmpty());
    EXPECT_EQ(canvas->boundsOfSelection(), Rect{});

    b->setSelected(true);
    c->setSelected(true);
    canvas->deselect(); // one notice for all
    EXPECT_EQ(notices.count, 5);
    canvas->deselect();
    EXPECT_EQ(notices.count, 5);
}

TEST_F(TemplateEditorCanvasTest, SelectAllWithShiftOptionCommandBeepsInstead) {
    const int beeps = ModalAlert::beepCount();
    {
        const CurrentEvent::Scope held(ShiftKeyMask | AlternateKeyMask | CommandKeyMask);
        canvas->selectAll();
    }
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    EXPECT_EQ(selection(), QList<bool>({false, false, false}));
    {
        const CurrentEvent::Scope held(ShiftKeyMask | CommandKeyMask);
        canvas->selectAll();
    }
    EXPECT_EQ(selection(), QList<bool>({true, true, true}));
}

TEST_F(TemplateEditorCanvasTest, MovingTheSelectionRecordsNoUndoButRecordingTheOriginDoes) {
    a->setSelected(true);
    c->setSelected(true);
    canvas->moveSelection({5, 7});
    EXPECT_EQ(a->center(), (Point{35, 32}));
    EXPECT_EQ(b->center(), (Point{120, 25}));
    EXPECT_FALSE(document.undoManager()->canUndo());

    canvas->recordSelectionOriginForUndo();
    canvas->moveSelection({-5, -7});
    QCoreApplication::processEvents();
    ASSERT_TRUE(document.undoManager()->undo());
    EXPECT_EQ(a->center(), (Point{35, 32}));
    EXPECT_EQ(c->center(), (Point{225, 32}));
}

TEST_F(TemplateEditorCanvasTest, CreatingDestroyingAndReorderingUndoEachOther) {
    UndoManager* undo = document.undoManager();
    TMObjectRef d = TMRectangleObject::newTemplateObjectWithOriginSize({0, 0}, {5, 5});
    d->setSelected(true);
    canvas->createNewObject(d);
    QCoreApplication::processEvents();
    EXPECT_FALSE(d->selected());
    EXPECT_EQ(document.objects().size(), 4);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document.objects().size(), 3);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(document.objects().last(), d);

    canvas->destroyNewObject(b);
    QCoreApplication::processEvents();
    EXPECT_EQ(document.objects(), QList<TMObjectRef>({a, c, d}));
    ASSERT_TRUE(undo->undo());
    EXPECT_TRUE(document.objects().contains(b));

    const QList<TMObjectRef> before = document.objects();
    canvas->restoreObjectOrder({d, c, b, a});
    QCoreApplication::processEvents();
    EXPECT_EQ(document.objects(), QList<TMObjectRef>({d, c, b, a}));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document.objects(), before);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(document.objects(), QList<TMObjectRef>({d, c, b, a}));
}

TEST_F(TemplateEditorCanvasTest, UndoStepsThroughTheCanvasGoWithIt) {
    canvas->restoreObjectOrder({c, b, a});
    QCoreApplication::processEvents();
    ASSERT_TRUE(document.undoManager()->canUndo());
    delete canvas;
    EXPECT_FALSE(document.undoManager()->canUndo());
}

TEST_F(TemplateEditorCanvasTest, AssertObjectViewMakesTheCanvasEveryObjectsView) {
    for (const TMObjectRef& object : document.objects())
        object->setLastDrawnInView(nullptr);
    canvas->assertObjectView();
    for (const TMObjectRef& object : document.objects())
        EXPECT_EQ(object->lastDrawnInView(), canvas);
}

TEST_F(TemplateEditorCanvasTest, GuidesItemIsRetitledByWhetherGuidesShow) {
    QAction item;
    Commands::setItemTag(&item, EditorTag::ToggleGuides);
    document.pageDesc()->setShowsGuides(true);
    EXPECT_TRUE(canvas->validateMenuItem(item));
    EXPECT_EQ(item.text(), str("Hide Guides"));
    document.pageDesc()->setShowsGuides(false);
    EXPECT_TRUE(canvas->validateMenuItem(item));
    EXPECT_EQ(item.text(), str("Show Guides"));
}

TEST_F(TemplateEditorCanvasTest, TextAlignmentOnlyBeeps) {
    const int beeps = ModalAlert::beepCount();
    canvas->alignTextSelection();
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
}

// ---------------------------------------------------------------------------
// The enable rule, as a pure function of tag, objects, guides and clipboard.

namespace {

enum Clip { Empty, Objects, Tiff, Png, Text };

// A polygon of as many corners as asked.
class Polygon : public TMPolygonObject {
public:
    static std::shared_ptr<Polygon> withCorners(int corners) {
        TMObject::registerKind<Polygon>(QStringLiteral("TestCorneredPolygon"));
        auto polygon = create<Polygon>();
        for (int i = 0; i < corners; ++i)
            polygon->appendSegmentPoint({float(i * 10), float(i % 2 * 10)});
        return polygon;
    }
};

std::unique_ptr<QMimeData> clipboardWith(Clip clip) {
    auto data = std::make_unique<QMimeData>();
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (clip) {
    case Objects:
        data->setData(Pasteboard::mimeTypeForType(str(kObjectPasteboardType)), "objects");
        break;
    case Tiff:
        picture.save(&buffer, "TIFF");
        data->setData(str("image/tiff"), bytes);
        break;
    case Png:
        picture.save(&buffer, "PNG");
        data->setData(str("image/png"), bytes);
        break;
    case Text:
        data->setText(str("words"));
        break;
    case Empty:
        break;
    }
    return data;
}

} // namespace

TEST(TemplateEditorValidation, EnableRulesByTag) {
    TestHost host;
    TMObjectRef r1 = TMRectangleObject::newTemplateObjectWithOriginSize({0, 0}, {10, 10});
    TMObjectRef r2 = TMRectangleObject::newTemplateObjectWithOriginSize({20, 0}, {10, 10});
    TMTextObjectRef text = TMTextObject::newTemplateObject();
    const auto one = Polygon::withCorners(2);
    const auto two = Polygon::withCorners(3);
    ASSERT_EQ(one->segmentCount(), 1);
    ASSERT_EQ(two->segmentCount(), 2);
    TMObjectGroupRef group = TMObjectGroup::newTemplateObject();
    const QList<TMObjectRef> all = {r1, r2, text, one, two, group};

    struct Case {
        int tag;
        QList<TMObjectRef> selected;
        int knob; // of a selected polygon
        bool guides;
        Clip clip;
        bool expected;
        const char* what;
    };
    using namespace EditorTag;
    const QList<TMObjectRef> none;
    const Case cases[] = {
        {100, none, 0, false, Empty, true, "tool equivalents"},
        {ImportGraphic, none, 0, false, Empty, true, "import"},
        {Cut, none, 0, false, Empty, false, "cut, nothing selected"},
        {Copy, {r1}, 0, false, Empty, true, "copy"},
        {Clear, none, 0, false, Empty, false, "clear"},
        {Duplicate, {r2}, 0, false, Empty, true, "duplicate"},
        {Deselect, none, 0, false, Empty, false, "deselect"},
        {Paste, none, 0, false, Objects, true, "paste objects"},
        {Paste, none, 0, false, Tiff, true, "paste only a TIFF"},
        {Paste, none, 0, false, Png, true, "paste a PNG"},
        {Paste, none, 0, false, Text, false, "paste text"},
        {Paste, none, 0, false, Empty, false, "paste nothing"},
        {SelectAll, none, 0, false, Empty, true, "select all"},
        {309, none, 0, false, Empty, true, "309"},
        {BringToFront, none, 0, false, Empty, false, "front, none"},
        {SendToBack, {r1}, 0, false, Empty, true, "back"},
        {ScaleByPercent, {r1}, 0, false, Empty, true, "scale"},
        {AlignLeft, {r1}, 0, false, Empty, false, "align one"},
        {AlignVerticalCenters, {r1, r2}, 0, false, Empty, true, "align two"},
        {CenterVertically, {r1}, 0, false, Empty, true, "centre one"},
        {CenterHorizontally, none, 0, false, Empty, false, "centre none"},
        {1419, none, 0, false, Empty, true, "1419"},
        {AddSegments, {two}, 0, false, Empty, true, "add segments, one polygon"},
        {AddSegments, {two, r1}, 0, false, Empty, false, "add segments, two selected"},
        {AddSegments, {r1}, 0, false, Empty, false, "add segments, no polygon"},
        {InsertSegment, {two}, 0, false, Empty, false, "insert, no knob"},
        {InsertSegment, {two}, 1, false, Empty, false, "insert, first knob"},
        {InsertSegment, {two}, 2, false, Empty, true, "insert, second knob"},
        {DeleteSegment, {two}, 2, false, Empty, true, "delete, two segments"},
        {DeleteSegment, {two}, 0, false, Empty, false, "delete, no knob"},
        {DeleteSegment, {one}, 1, false, Empty, false, "delete, one segment"},
        {AlignTextLeft, {r1, text}, 0, false, Empty, true, "text alignment"},
        {AlignTextJustified, {r1}, 0, false, Empty, false, "text alignment, no text"},
        {Group, {r1}, 0, false, Empty, false, "group one"},
        {Group, {r1, text}, 0, false, Empty, true, "group two"},
        {Ungroup, {r1, group}, 0, false, Empty, true, "ungroup"},
        {Ungroup, {r1, r2}, 0, false, Empty, false, "ungroup, no group"},
        {ToggleGuides, none, 0, false, Empty, true, "guides"},
        {ClearGuides, none, 0, false, Empty, false, "clear guides, none"},
        {ClearGuides, none, 0, true, Empty, true, "clear guides"},
        {5000, none, 0, false, Empty, true, "unknown"},
    };
    for (const Case& k : cases) {
        for (const TMObjectRef& object : all)
            object->setSelected(k.selected.contains(object));
        for (const TMObjectRef& object : k.selected)
            if (auto* polygon = dynamic_cast<TMPolygonObject*>(object.get()))
                polygon->setSelectedKnob(k.knob);
        const std::unique_ptr<QMimeData> clip = clipboardWith(k.clip);
        EXPECT_EQ(TM_TemplateView::validateMenuItemTag(k.tag, all, k.guides, clip.get()),
                  k.expected)
            << k.what;
    }
    // Select all needs an object.
    EXPECT_FALSE(TM_TemplateView::validateMenuItemTag(SelectAll, {}, false, nullptr));
}
