#include "platform/ui/CurrentEvent.h"

#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A widget that handles its mouse presses with the event made current, as
// views do, and notes what the model would read.
class PressRecorder : public QWidget {
public:
    struct Seen {
        uint32_t flags;
        int clicks;
    };
    std::vector<Seen> seen;

protected:
    void mousePressEvent(QMouseEvent* event) override { record(*event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { record(*event); }

private:
    void record(const QMouseEvent& event) {
        CurrentEvent::Scope current(event);
        seen.push_back({CurrentEvent::modifierFlags(), CurrentEvent::clickCount()});
    }
};

} // namespace

TEST(CurrentEvent, WithoutAnEventTheKeysLastSeenCount) {
    QWidget widget;
    widget.resize(50, 50);
    widget.show();
    QTest::mouseMove(&widget, {5, 5});
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, {10, 10});
    EXPECT_FALSE(CurrentEvent::isCurrent());
    EXPECT_EQ(CurrentEvent::modifierFlags(), 0u);
    EXPECT_EQ(CurrentEvent::clickCount(), 0);
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::AltModifier, {10, 10});
    EXPECT_EQ(CurrentEvent::modifierFlags(), uint32_t(AlternateKeyMask));
    EXPECT_EQ(CurrentEvent::clickCount(), 0);
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, {10, 10});
}

TEST(CurrentEvent, ScopesNestAndRestore) {
    {
        CurrentEvent::Scope outer(AlternateKeyMask, 1);
        EXPECT_EQ(CurrentEvent::modifierFlags(), uint32_t(AlternateKeyMask));
        EXPECT_EQ(CurrentEvent::clickCount(), 1);
        {
            CurrentEvent::Scope inner(ShiftKeyMask | CommandKeyMask, 2);
            EXPECT_EQ(CurrentEvent::modifierFlags(), uint32_t(ShiftKeyMask | CommandKeyMask));
            EXPECT_EQ(CurrentEvent::clickCount(), 2);
            inner.setModifierFlags(0);
            inner.setClickCount(3);
            EXPECT_EQ(CurrentEvent::modifierFlags(), 0u);
            EXPECT_EQ(CurrentEvent::clickCount(), 3);
        }
        EXPECT_EQ(CurrentEvent::modifierFlags(), uint32_t(AlternateKeyMask));
        EXPECT_EQ(CurrentEvent::clickCount(), 1);
    }
    EXPECT_FALSE(CurrentEvent::isCurrent());
}

TEST(CurrentEvent, AScopeEndingOutOfOrderTakesOnlyItselfOut) {
    auto outer = std::make_unique<CurrentEvent::Scope>(ShiftKeyMask, 1);
    {
        CurrentEvent::Scope inner(AlternateKeyMask, 2);
        outer.reset();
        EXPECT_EQ(CurrentEvent::modifierFlags(), uint32_t(AlternateKeyMask));
    }
    EXPECT_FALSE(CurrentEvent::isCurrent());
}

TEST(CurrentEvent, QtModifiersMapOntoTheFlags) {
    const std::pair<Qt::KeyboardModifiers, uint32_t> cases[] = {
        {Qt::NoModifier, 0},
        {Qt::ShiftModifier, ShiftKeyMask},
        {Qt::AltModifier, AlternateKeyMask},
        {Qt::ControlModifier, CommandKeyMask},
        {Qt::MetaModifier, ControlKeyMask},
        {Qt::ShiftModifier | Qt::AltModifier, ShiftKeyMask | AlternateKeyMask},
        {Qt::KeypadModifier, 0},
    };
    for (const auto& [modifiers, flags] : cases)
        EXPECT_EQ(CurrentEvent::modifierFlagsFromQt(modifiers), flags) << int(modifiers);
}

TEST(CurrentEvent, HandledMouseEventsAreCurrentWithTheirClicks) {
    PressRecorder widget;
    widget.resize(50, 50);
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::AltModifier, {10, 10});
    QTest::mouseDClick(&widget, Qt::LeftButton, Qt::ShiftModifier, {10, 10});
    ASSERT_FALSE(widget.seen.empty());
    EXPECT_EQ(widget.seen.front().flags, uint32_t(AlternateKeyMask));
    EXPECT_EQ(widget.seen.front().clicks, 1);
    EXPECT_EQ(widget.seen.back().flags, uint32_t(ShiftKeyMask));
    EXPECT_EQ(widget.seen.back().clicks, 2);
    EXPECT_FALSE(CurrentEvent::isCurrent());
}
