#include "framework/model/PageDesc.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/printing/PrintInfo.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QLocale>
#include <gtest/gtest.h>
#include <vector>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Counts one notification, from one sender or any.
class NoticeCounter {
public:
    explicit NoticeCounter(const char* name, const void* sender = nullptr) {
        NotificationCenter::defaultCenter().addObserver(this, str(name), sender,
                                                        [this](const Notification& n) {
                                                            ++count;
                                                            lastSender = n.object();
                                                        });
    }
    ~NoticeCounter() { NotificationCenter::defaultCenter().removeObserver(this); }

    // Lets the queue post what it holds.
    int posted() {
        QCoreApplication::processEvents();
        return count;
    }

    int count = 0;
    const void* lastSender = nullptr;
};

struct Unit {
    int setting;
    const char* name;
    int tag;
    float pointsPerUnit;
};

const std::vector<Unit> kUnits = {
    {1, "Inches", 1, 72.0f}, {2, "Centimeters", 2, 28.35f}, {3, "Picas", 3, 12.0f},
    {4, "Points", 4, 1.0f},  {0, "Inches", 1, 72.0f},       {9, "Inches", 1, 72.0f},
};

// Settings of a fixed page size in the unit of setting 48.
void useFixedPageSettings(TestHost& host, int unit, Size size, int divisions = 8) {
    host.settings[46] = false;
    host.settings[47] = size.toQSizeF();
    host.settings[48] = unit;
    host.settings[49] = divisions;
}

void useA4SharedPaper() {
    PrintInfo::sharedPrintInfo().setPaperName(str("A4"));
    PrintInfo::sharedPrintInfo().setPaperSize({595, 842});
}

PrintInfo letter() {
    PrintInfo info;
    info.setPaperName(str("Letter"));
    info.setPaperSize({612, 792});
    return info;
}

} // namespace

TEST(PageDesc, DefaultsFollowTheSettingsInEveryUnit) {
    for (const Unit& unit : kUnits) {
        SCOPED_TRACE(unit.setting);
        TestHost host;
        useFixedPageSettings(host, unit.setting, {10, 20}, 4);
        const PageDescRef page = PageDesc::newPageDesc();
        EXPECT_EQ(page->displayUnit(), str(unit.name));
        EXPECT_EQ(page->displayUnitTag(), unit.tag);
        EXPECT_EQ(page->pointsPerUnit(), unit.pointsPerUnit);
        EXPECT_FALSE(page->autoPageSize());
        EXPECT_EQ(page->name(), str("Custom"));
        EXPECT_FLOAT_EQ(page->pageSize().width, 10);
        EXPECT_FLOAT_EQ(page->pageSize().height, 20);
        EXPECT_FLOAT_EQ(page->frame().width(), 10 * unit.pointsPerUnit);
        EXPECT_FLOAT_EQ(page->frame().height(), 20 * unit.pointsPerUnit);
        EXPECT_EQ(page->gridDivisions(), 4);
        EXPECT_FLOAT_EQ(page->gridSpacing(), unit.pointsPerUnit / 4);

        EXPECT_TRUE(page->flipped());
        EXPECT_FALSE(page->showsMargin());
        EXPECT_FALSE(page->snapsToGrid());
        EXPECT_FALSE(page->showsGrid());
        EXPECT_TRUE(page->showsGuides());
        EXPECT_TRUE(page->snapsToGuides());
        EXPECT_EQ(page->gridColor(), PageDesc::standardGridColor());
        EXPECT_EQ(page->guideColor(),
                  Color::calibratedRGB(20.0f / 255, 130.0f / 255, 168.0f / 255, 0.5f));
        EXPECT_TRUE(page->horizontalGuides().isEmpty());
        EXPECT_TRUE(page->verticalGuides().isEmpty());
        EXPECT_EQ(page->parentDocument(), nullptr);
    }
}

TEST(PageDesc, GridDivisionsBelowOneCountAsOne) {
    TestHost host;
    useFixedPageSettings(host, 2, {21, 29}, 0);
    const PageDescRef page = PageDesc::newPageDesc();
    EXPECT_EQ(page->gridDivisions(), 1);
    EXPECT_FLOAT_EQ(page->gridSpacing(), 28.35f);

    for (int divisions : {0, -3}) {
        QVariantMap rep = page->dictRepresentation();
        rep[str("grid_divisions")] = divisions;
        const PageDescRef read = PageDesc::newPageDescWithRepresentation(rep);
        EXPECT_EQ(read->gridDivisions(), 1);
        EXPECT_FLOAT_EQ(read->gridSpacing(), read->pointsPerUnit());
    }
    page->setGridDivisions(4);
    page->setGridDivisions(0);
    EXPECT_EQ(page->gridDivisions(), 1);
    EXPECT_FLOAT_EQ(page->gridSpacing(), 28.35f);
}

TEST(PageDesc, AutomaticSizeFollowsThePrintInfoInEveryUnit) {
    useA4SharedPaper();
    for (const Unit& unit : kUnits) {
        SCOPED_TRACE(unit.setting);
        TestHost host;
        useFixedPageSettings(host, unit.setting, {1, 1});
        host.settings[46] = true;

        // Without a document: the shared print info.
        const PageDescRef page = PageDesc::newPageDesc();
        EXPECT_TRUE(page->autoPageSize());
        EXPECT_EQ(page->name(), str("A4"));
        EXPECT_FLOAT_EQ(page->pageSize().width, 595 / unit.pointsPerUnit);
        EXPECT_FLOAT_EQ(page->pageSize().height, 842 / unit.pointsPerUnit);
        EXPECT_FLOAT_EQ(page->frame().width(), 595);
        EXPECT_FLOAT_EQ(page->frame().height(), 842);

        // With one: that document's print info, when it is given the page.
        TemplateDocument document;
        document.GenericDocument::setPrintInfo(letter());
        page->setParentDocument(&document);
        EXPECT_EQ(page->parentDocument(), &document);
        EXPECT_EQ(page->name(), str("Letter"));
        EXPECT_FLOAT_EQ(page->pageSize().width, 612 / unit.pointsPerUnit);
        EXPECT_FLOAT_EQ(page->pageSize().height, 792 / unit.pointsPerUnit);

        // Turned off the size stays and the name goes; turned on it follows again.
        page->setAutoPageSize(false);
        EXPECT_EQ(page->name(), str(""));
        EXPECT_FLOAT_EQ(page->frame().width(), 612);
        document.GenericDocument::setPrintInfo(PrintInfo::sharedPrintInfo());
        page->setAutoPageSize(true);
        EXPECT_EQ(page->name(), str("A4"));
        EXPECT_FLOAT_EQ(page->pageSize().width, 595 / unit.pointsPerUnit);

        // The document's page set-up sets its page whatever the automatic flag.
        const PageDescRef own = document.pageDesc();
        own->setAutoPageSize(false);
        document.setPrintInfo(letter());
        EXPECT_EQ(own->name(), str("Letter"));
        EXPECT_FLOAT_EQ(own->pageSize().width, 612 / unit.pointsPerUnit);
        EXPECT_FLOAT_EQ(own->pageSize().height, 792 / unit.pointsPerUnit);
    }
}

TEST(PageDesc, RepresentationRoundTripsGuidesAndGrid) {
    TestHost host;
    useFixedPageSettings(host, 1, {8.5f, 11});
    const PageDescRef page = PageDesc::newPageDesc();
    page->setDisplayUnit(str("Centimeters"));
    page->setGridDivisions(5);
    page->setGridColor(Color::calibratedRGB(1, 0, 0));
    page->setShowsGrid(true);
    page->setSnapsToGrid(true);
    page->setShowsMargin(true);
    page->setGuideColor(Color::deviceRGB(0, 1, 0, 0.25f));
    page->setShowsGuides(false);
    page->setSnapsToGuides(false);
    page->setFlipped(false);
    page->setHorizontalGuides({10.5f, 200.0f});
    page->setVerticalGuides({33.0f});

    const QVariantMap rep = page->dictRepresentation();
    EXPECT_EQ(rep.size(), 17);
    const struct {
        const char* key;
        QMetaType::Type type;
    } kinds[] = {
        {"ppu", QMetaType::Float},
        {"auto_size", QMetaType::Bool},
        {"height", QMetaType::Float},
        {"width", QMetaType::Float},
        {"flipped", QMetaType::Bool},
        {"name", QMetaType::QString},
        {"display_unit", QMetaType::QString},
        {"grid_divisions", QMetaType::Int},
        {"show_margins", QMetaType::Bool},
        {"snap_grid", QMetaType::Bool},
        {"show_grid", QMetaType::Bool},
        {"grid_color", QMetaType::QByteArray},
        {"snap_guides", QMetaType::Bool},
        {"show_guides", QMetaType::Bool},
        {"guide_color", QMetaType::QByteArray},
        {"h_guides", QMetaType::QVariantList},
        {"v_guides", QMetaType::QVariantList},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.key);
        ASSERT_TRUE(rep.contains(str(kind.key)));
        EXPECT_EQ(rep.value(str(kind.key)).metaType().id(), int(kind.type));
    }
    EXPECT_EQ(rep.value(str("grid_color")), Archiver::archivedValue(Color::calibratedRGB(1, 0, 0)));

    const PageDescRef back = PageDesc::newPageDescWithRepresentation(rep);
    EXPECT_TRUE(back->isEqual(page.get()));
    EXPECT_EQ(back->horizontalGuides(), page->horizontalGuides());
    EXPECT_EQ(back->verticalGuides(), page->verticalGuides());
    EXPECT_EQ(back->gridColor(), Color::calibratedRGB(1, 0, 0));
    EXPECT_EQ(back->guideColor(), Color::deviceRGB(0, 1, 0, 0.25f));
    EXPECT_FALSE(back->flipped());
    EXPECT_EQ(back->dictRepresentation(), rep);

    const PageDescRef copy = page->copy();
    EXPECT_NE(copy.get(), page.get());
    EXPECT_EQ(copy->dictRepresentation(), rep);
}

TEST(PageDesc, RepresentationKeepsItsOwnUnitAndTakesTheOldPointsKey) {
    TestHost host;
    useFixedPageSettings(host, 2, {21.59f, 27.94f});
    const PageDescRef metric = PageDesc::newPageDesc();
    const QVariantMap rep = metric->dictRepresentation();

    // Read where the settings say inches: the size stays in centimetres.
    useFixedPageSettings(host, 1, {8.5f, 11});
    const PageDescRef read = PageDesc::newPageDescWithRepresentation(rep);
    EXPECT_EQ(read->displayUnit(), str("Centimeters"));
    EXPECT_FLOAT_EQ(read->pageSize().width, 21.59f);
    EXPECT_FLOAT_EQ(read->pageSize().height, 27.94f);

    QVariantMap old = rep;
    old.remove(str("ppu"));
    old.insert(str("_dpi"), 28.35f);
    EXPECT_TRUE(PageDesc::newPageDescWithRepresentation(old)->isEqual(read.get()));
}

TEST(PageDesc, DisplayUnitChangeKeepsThePhysicalSize) {
    TestHost host;
    useFixedPageSettings(host, 1, {8.5f, 11}, 4);
    TemplateDocument document;
    const PageDescRef page = document.pageDesc();
    NoticeCounter units("pageDesc.unitschange");

    page->setDisplayUnit(str("Centimeters"));
    EXPECT_EQ(units.count, 1); // at once
    EXPECT_EQ(units.lastSender, static_cast<const void*>(&document));
    EXPECT_EQ(page->displayUnitTag(), 2);
    EXPECT_FLOAT_EQ(page->pageSize().width, 612 / 28.35f);
    EXPECT_FLOAT_EQ(page->pageSize().height, 792 / 28.35f);
    EXPECT_NEAR(page->pageSize().width, 21.59f, 0.01f);
    EXPECT_FLOAT_EQ(page->gridSpacing(), 28.35f / 4);
    EXPECT_EQ(page->abbrevDisplayUnit(), str("cm"));

    page->setDisplayUnit(str("Centimeters"));
    EXPECT_EQ(units.count, 1);

    // An unknown unit counts as inches but keeps its name.
    page->setDisplayUnit(str("Furlongs"));
    EXPECT_EQ(page->displayUnit(), str("Furlongs"));
    EXPECT_EQ(page->displayUnitTag(), 1);
    EXPECT_NEAR(page->pageSize().width, 8.5f, 1e-4f);
    EXPECT_EQ(units.count, 2);
}

TEST(PageDesc, NoticesOnlyWithAParentDocument) {
    TestHost host;
    useFixedPageSettings(host, 1, {8.5f, 11}, 8);
    const PageDescRef loose = PageDesc::newPageDesc();
    NoticeCounter looseDynamics("pageDesc.dynchange", loose.get());
    NoticeCounter looseLayout("pageDesc.laychange", loose.get());
    loose->setPageSize({5, 5});
    loose->setShowsGrid(true);
    loose->setGridDivisions(2);
    EXPECT_EQ(looseDynamics.posted(), 0);
    EXPECT_EQ(looseLayout.posted(), 0);

    TemplateDocument document;
    const PageDescRef page = document.pageDesc();
    NoticeCounter dynamics("pageDesc.dynchange", page.get());
    NoticeCounter layout("pageDesc.laychange", page.get());
    page->setGridDivisions(8);
    page->setSnapsToGrid(true);
    page->setSnapsToGuides(false);
    page->setName(str("Other"));
    EXPECT_EQ(layout.posted(), 0);

    page->setGridDivisions(4);
    EXPECT_FLOAT_EQ(page->gridSpacing(), 18);
    page->setShowsGrid(true);
    page->setGridColor(Color::blackColor());
    EXPECT_EQ(layout.count, 0); // queued
    EXPECT_EQ(layout.posted(), 1);
    EXPECT_EQ(layout.lastSender, static_cast<const void*>(page.get()));

    page->setPageSize({4, 6});
    page->setPageSize({4, 6});
    EXPECT_EQ(dynamics.posted(), 1);
    page->setPageSize({4, 6});
    EXPECT_EQ(dynamics.posted(), 1);
}

TEST(PageDesc, EqualityIgnoresTheGuides) {
    TestHost host;
    useFixedPageSettings(host, 1, {8.5f, 11});
    const PageDescRef a = PageDesc::newPageDesc();
    const PageDescRef b = PageDesc::newPageDesc();
    b->setHorizontalGuides({1.0f, 2.0f});
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_FALSE(a->isEqual(nullptr));
    b->setGuideColor(Color::whiteColor());
    EXPECT_FALSE(a->isEqual(b.get()));
}

TEST(PageDesc, ConvertsBetweenPointsAndDisplayUnits) {
    TestHost host;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const struct {
        const char* unit;
        const char* text;
        float pointsPerValue;
    } cases[] = {
        {"Inches", "1.500 in", 72},
        {"Centimeters", "3.81 cm", 28.35f},
        {"Picas", "9.00 pc", 12},
        {"Points", "108.0 pt", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        useFixedPageSettings(host, 1, {8.5f, 11});
        const PageDescRef page = PageDesc::newPageDesc();
        page->setDisplayUnit(str(c.unit));
        EXPECT_EQ(page->convertPointToDisplayUnit(108), str(c.text));
        EXPECT_FLOAT_EQ(page->convertDisplayUnitToPoint(2), 2 * c.pointsPerValue);
    }

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const PageDescRef page = PageDesc::newPageDesc();
    EXPECT_EQ(page->convertPointToDisplayUnit(108), str("1,500 in"));
}

TEST(PageDesc, PageSettingsUndoAndRedoThroughTheUndoManager) {
    TestHost host;
    useFixedPageSettings(host, 1, {8.5f, 11}, 8);
    TemplateDocument document;
    UndoManager* undo = document.undoManager();
    const PageDescRef page = document.pageDesc();
    const QVariantMap before = page->dictRepresentation();

    // Outside undo and redo the page registers nothing itself.
    page->setDictRepresentation(before);
    EXPECT_FALSE(undo->canUndo());

    // What the Inspector does: change a copy, register the old state, apply.
    const PageDescRef changed = page->copy();
    changed->setDisplayUnit(str("Centimeters"));
    changed->setShowsGrid(true);
    changed->setGridDivisions(2);
    changed->setGridColor(Color::calibratedRGB(0, 0, 1));
    changed->setPageSize({10, 10});
    undo->beginUndoGrouping();
    undo->registerUndo(page.get(), [page, before] { page->setDictRepresentation(before); });
    page->setDictRepresentation(changed->dictRepresentation());
    undo->endUndoGrouping();
    EXPECT_TRUE(page->isEqual(changed.get()));

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(page->dictRepresentation(), before);
    EXPECT_EQ(undo->redoActionName(), str("Page Settings"));

    ASSERT_TRUE(undo->redo());
    EXPECT_TRUE(page->isEqual(changed.get()));
    EXPECT_FLOAT_EQ(page->frame().width(), 283.5f);

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(page->dictRepresentation(), before);
}

TEST(PageDesc, AppliedRepresentationWithoutPointsMeansInchesAndLeavesGuides) {
    TestHost host;
    useFixedPageSettings(host, 4, {600, 800});
    TemplateDocument document;
    const PageDescRef page = document.pageDesc();
    page->setHorizontalGuides({5.0f});
    NoticeCounter dynamics("pageDesc.dynchange", page.get());

    QVariantMap rep;
    rep.insert(str("h_guides"), QVariantList{1.0f});
    rep.insert(str("show_grid"), true);
    page->setDictRepresentation(rep);
    EXPECT_EQ(page->pointsPerUnit(), 72);
    EXPECT_EQ(page->pageSize(), (Size{600, 800}));
    EXPECT_TRUE(page->showsGrid());
    EXPECT_EQ(page->horizontalGuides(), QVariantList{5.0f});
    EXPECT_EQ(dynamics.posted(), 1);
}
