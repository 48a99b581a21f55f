#include "PrintFixture.h"

#include "catalog/ImageFixtures.h"
#include "layout/ColorProfileHandle.h"
#include "layout/TemplateView.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/UndoManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>

namespace {

// Picks the item with this data as a user would.
void choose(QComboBox* popUp, int data) {
    const int index = popUp->findData(data);
    ASSERT_GE(index, 0) << data;
    popUp->setCurrentIndex(index);
    popUp->activated(index);
}

void chooseIndex(QComboBox* popUp, int index) {
    popUp->setCurrentIndex(index);
    popUp->activated(index);
}

bool itemEnabled(QComboBox* popUp, int index) {
    auto* model = qobject_cast<QStandardItemModel*>(popUp->model());
    return model && model->item(index)->isEnabled();
}

// A 300 x 200 point page: a photo cell at the left under a print area, and a
// blue square under a print area of its own at the right.
const QList<Area> kCell{{10, 10, 100, 150}};
const QList<Area> kAreas{{10, 10, 100, 150}, {200, 40, 60, 60}};
const QList<Area> kSquare{{210, 50, 40, 40}};

class PrintCommand : public PrintFixture {
protected:
    void threePages() {
        useTemplate("three", {300, 200}, kCell, kAreas, kSquare);
        addPhotos({Qt::red, Qt::green, QColor(255, 160, 0)});
        ASSERT_EQ(document->templateMapper()->pageCount(), 3);
    }
};

} // namespace

TEST_F(PrintCommand, ThreePagesThroughThePanelMirroredBlankedAndAsBitmapsAtTheLimit) {
    threePages();
    const QString pdf = pdfPath("pages.pdf");
    ModalAlert::ScopedDialogResponder responder(panel(pdf, [this] {
        controller->printMirrorImageSwitch()->click();
        controller->printSkipEmptyPrintAreasSwitch()->click();
        controller->printLimitEnabledSwitch()->click();
        choose(controller->printLimitTypePopUp(), 1);
        choose(controller->printLimitResPopUp(), 150);
        // The run draws what the accessory says.
        EXPECT_TRUE(controller->printedTemplateView()->drawMirrored());
        EXPECT_TRUE(controller->printedTemplateView()->skipEmptyPrintAreas());
        EXPECT_TRUE(controller->printedTemplateView()->preRender());
        EXPECT_EQ(controller->printedTemplateView()->renderDPI(), 150.0f);
    }));
    controller->printDocument();
    EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    // Full-size images while the run lasts.
    EXPECT_FALSE(document->fileCatalog().deliverScreenResolution());
    ASSERT_TRUE(waitForPrintEnd());
    EXPECT_EQ(panelsShown, 1);
    EXPECT_TRUE(accessoryInPanel);
    EXPECT_TRUE(document->fileCatalog().deliverScreenResolution());
    EXPECT_FALSE(controller->printedTemplateView());
    EXPECT_FALSE(controller->printingMapper());

    const auto [pages, size] = pdfInfo(pdf);
    EXPECT_EQ(pages, 3);
    EXPECT_NEAR(size.width(), 300, 0.5);
    EXPECT_NEAR(size.height(), 200, 0.5);
    // Each page is one bitmap at the limit: 300 x 200 points at 150 dpi.
    const QList<QSize> images = pdfImageSizes(pdf);
    ASSERT_EQ(images.size(), 3);
    for (const QSize& image : images)
        EXPECT_EQ(image, QSize(625, 417));

    const QList<QImage> rendered = pdfPages(pdf);
    ASSERT_EQ(rendered.size(), 3);
    const QColor colors[] = {Qt::red, Qt::green, QColor(255, 160, 0)};
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p + 1);
        const QImage& page = rendered[p];
        ASSERT_EQ(page.size(), QSize(300, 200));
        // Mirrored: the cell at the left shows at the right ...
        EXPECT_TRUE(near(page.pixelColor(300 - 60, 85), colors[p]))
            << page.pixelColor(300 - 60, 85).name().toStdString();
        EXPECT_TRUE(near(page.pixelColor(60, 85), Qt::white));
        // ... and the square's empty print area, mirrored to the left, is blank.
        EXPECT_TRUE(near(page.pixelColor(300 - 230, 70), Qt::white))
            << page.pixelColor(300 - 230, 70).name().toStdString();
    }
}

TEST_F(PrintCommand, WithoutChoicesTheSquareShowsAndNothingIsMirroredOrABitmap) {
    threePages();
    const QString pdf = pdfPath("plain.pdf");
    ModalAlert::ScopedDialogResponder responder(panel(pdf));
    controller->printDocument();
    ASSERT_TRUE(waitForPrintEnd());
    const QList<QImage> rendered = pdfPages(pdf);
    ASSERT_EQ(rendered.size(), 3);
    EXPECT_TRUE(near(rendered[0].pixelColor(60, 85), Qt::red));
    EXPECT_TRUE(near(rendered[0].pixelColor(230, 70), Qt::blue));
    for (const QSize& image : pdfImageSizes(pdf))
        EXPECT_NE(image, QSize(300, 200));
}

TEST_F(PrintCommand, SuccessStoresTheChoicesAsUndoableSettingsCancelStoresNothing) {
    threePages();
    UndoManager& undo = *document->undoManager();
    // The print shows the layout panel first; a switch of panels is a change
    // of its own, made here before the choices are counted.
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    drainEvents();
    undo.removeAllActions();
    document->updateChangeCount(Document::ChangeCleared);
    const int mode = document->getPrintArrangementMode();
    const PrintInfo before = document->printInfo();
    const auto chooseAll = [this] {
        controller->printMirrorImageSwitch()->click();
        controller->printLimitEnabledSwitch()->click();
        choose(controller->printLimitTypePopUp(), 0);
        choose(controller->printLimitResPopUp(), 300);
        controller->printProfileEnabledSwitch()->click();
        chooseIndex(controller->printProfilePopUp(), 1);
    };

    // Cancelled: nothing reaches the document.
    {
        ModalAlert::ScopedDialogResponder responder(panel(QString(), chooseAll));
        controller->printDocument();
        ASSERT_TRUE(waitForPrintEnd());
    }
    EXPECT_FALSE(QFile::exists(pdfPath("cancelled.pdf")));
    EXPECT_FALSE(document->printMirrorImage());
    EXPECT_FALSE(document->printLimitEnabled());
    EXPECT_EQ(document->printLimitDPI(), 0);
    EXPECT_FALSE(document->templateMapper()->usesOutputProfile());
    EXPECT_FALSE(document->templateMapper()->bypassColorMatching());
    EXPECT_EQ(document->changeCount(), 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_TRUE(document->fileCatalog().deliverScreenResolution());
    EXPECT_EQ(document->getPrintArrangementMode(), mode);

    // Printed: the choices are the document's, and one undo takes them back.
    {
        ModalAlert::ScopedDialogResponder responder(panel(pdfPath("done.pdf"), chooseAll));
        controller->printDocument();
        ASSERT_TRUE(waitForPrintEnd());
    }
    EXPECT_TRUE(document->printMirrorImage());
    EXPECT_TRUE(document->printLimitEnabled());
    EXPECT_EQ(document->printLimitType(), 0);
    EXPECT_EQ(document->printLimitDPI(), 300);
    EXPECT_TRUE(document->templateMapper()->usesOutputProfile());
    EXPECT_TRUE(document->templateMapper()->bypassColorMatching());
    EXPECT_TRUE(document->fileCatalog().deliverScreenResolution());
    EXPECT_EQ(undo.undoActionName(), localizedString(str(kPrintSettingAction)));
    EXPECT_EQ(document->changeCount(), 1);
    // Only the margins of the page set-up changed.
    PrintInfo expected = before;
    expected.setLeftMargin(0);
    expected.setRightMargin(0);
    expected.setTopMargin(0);
    expected.setBottomMargin(0);
    EXPECT_EQ(document->printInfo(), expected);

    ASSERT_TRUE(undo.undo());
    EXPECT_FALSE(document->printMirrorImage());
    EXPECT_FALSE(document->printLimitEnabled());
    EXPECT_EQ(document->printLimitDPI(), 0);
    EXPECT_FALSE(document->templateMapper()->usesOutputProfile());
    EXPECT_FALSE(document->templateMapper()->bypassColorMatching());
    EXPECT_EQ(document->changeCount(), 0);
}

TEST_F(PrintCommand, NothingMarkedDoesNothingAndASecondPrintDuringARunBeeps) {
    useTemplate("none", {300, 200}, kCell);
    addPhotos({Qt::red});
    document->fileCatalog().setMarkerAtIndexTo(0, false);
    ModalAlert::ScopedDialogResponder responder(panel(pdfPath("x.pdf")));
    controller->printDocument();
    EXPECT_FALSE(controller->printOperation());
    drainEvents();
    EXPECT_EQ(panelsShown, 0);

    document->fileCatalog().setMarkerAtIndexTo(0, true);
    controller->printDocument();
    ASSERT_TRUE(controller->printOperation());
    const int beeps = ModalAlert::beepCount();
    controller->printDocument();
    controller->printWithResolution(0, 0, false, false, true);
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 2);
    ASSERT_TRUE(waitForPrintEnd());
    EXPECT_EQ(panelsShown, 1);
}

TEST_F(PrintCommand, AFailedRunIsShownStoresNothingAndRestoresTheCatalog) {
    useTemplate("fails", {300, 200}, kCell);
    addPhotos({Qt::red});
    QStringList alerts;
    ModalAlert::ScopedResponder alertResponder([&](const ModalAlert::Request& request) {
        alerts << request.title;
        return int(ModalAlert::DefaultReturn);
    });
    // A file that cannot be made: the printer cannot start.
    ModalAlert::ScopedDialogResponder responder(panel(str("/nonexistent-folder/out.pdf"), [this] {
        controller->printMirrorImageSwitch()->click();
    }));
    controller->printDocument();
    ASSERT_TRUE(waitForPrintEnd());
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_FALSE(document->printMirrorImage());
    EXPECT_TRUE(document->fileCatalog().deliverScreenResolution());
}

TEST_F(PrintCommand, AnOlderTemplateLimitsOnlyWholePages) {
    struct Case {
        bool old;
        int stored;
        int expected;
        bool firstItemEnabled;
    };
    for (const Case& c : {Case{true, 0, 1, false}, Case{true, 1, 1, false}, Case{false, 0, 0, true},
                          Case{false, 1, 1, true}}) {
        SCOPED_TRACE(testing::Message() << c.old << " " << c.stored);
        const TemplateHandleRef master = c.old ? useOldTemplate(c.stored ? "old1" : "old0")
                                               : useTemplate("new", {300, 200}, kCell);
        ASSERT_TRUE(master);
        EXPECT_EQ(master->fileFormat() < 512, c.old);
        if (document->fileCatalog().fileCount() == 0)
            addPhotos({Qt::red});
        document->undoManager()->disableUndoRegistration();
        document->setPrintLimitEnabled(true);
        document->setPrintLimitType(c.stored);
        document->setPrintLimitDPI(150);
        document->undoManager()->enableUndoRegistration();
        int typeInRun = -1;
        bool enabledInRun = !c.firstItemEnabled;
        bool preRender = false;
        ModalAlert::ScopedDialogResponder responder(panel(QString(), [&] {
            typeInRun = controller->printLimitType();
            enabledInRun = itemEnabled(controller->printLimitTypePopUp(), 0);
            preRender = controller->printedTemplateView()->preRender();
        }));
        controller->printDocument();
        ASSERT_TRUE(waitForPrintEnd());
        EXPECT_EQ(typeInRun, c.expected);
        EXPECT_EQ(enabledInRun, c.firstItemEnabled);
        EXPECT_EQ(preRender, c.expected == 1);
    }
}

TEST_F(PrintCommand, TheProfileMenuSelectsByBypassAndOutputProfile) {
    useTemplate("profiles", {300, 200}, kCell);
    addPhotos({Qt::red});
    // Two listed profiles, named out of order; one more that is not listed.
    QList<std::shared_ptr<ColorProfileHandle>> listed;
    for (const char* name : {"zeta", "Alpha"}) {
        const QString path = pdfPath(name) + str(".icc");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(gammaProfile(2.2, name));
        file.close();
        listed.append(ColorProfileHandle::profileWithPath(path));
        ASSERT_TRUE(listed.last());
    }
    const QString otherPath = pdfPath("other.icc");
    {
        QFile file(otherPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(gammaProfile(1.8, "Other"));
    }
    ColorProfileHandle::setActiveProfiles(listed, UserDefaults::standardUserDefaults());

    struct Case {
        bool bypass;
        int profile; // -1 none, 0 "zeta", 1 "Alpha", 2 unlisted
        int selected;
    };
    for (const Case& c : {Case{false, -1, 0}, Case{true, -1, 1}, Case{false, 0, 5},
                          Case{false, 1, 4}, Case{false, 2, 0}, Case{true, 2, 1}}) {
        SCOPED_TRACE(testing::Message() << c.bypass << " " << c.profile);
        const TemplateMapperRef mapper = document->templateMapper();
        mapper->setBypassColorMatching(c.bypass);
        mapper->setOutputProfile(c.profile < 0   ? nullptr
                                 : c.profile < 2 ? listed[c.profile]
                                                 : ColorProfileHandle::profileWithPath(otherPath));
        int selected = -1;
        QStringList titles;
        ModalAlert::ScopedDialogResponder responder(panel(QString(), [&] {
            QComboBox* popUp = controller->printProfilePopUp();
            selected = popUp->currentIndex();
            for (int i = 0; i < popUp->count(); ++i)
                titles << popUp->itemText(i);
        }));
        controller->printDocument();
        ASSERT_TRUE(waitForPrintEnd());
        EXPECT_EQ(selected, c.selected);
        ASSERT_EQ(titles.size(), 6);
        EXPECT_EQ(titles[4], str("Alpha"));
        EXPECT_EQ(titles[5], str("zeta"));
    }

    // A chosen file whose profile is named as a listed one selects that one.
    const QString again = pdfPath("again.icc");
    {
        QFile file(again);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(gammaProfile(1.0, "Alpha"));
    }
    document->templateMapper()->setOutputProfile(nullptr);
    ModalAlert::ScopedPanelResponder files([&](const ModalAlert::PanelRequest& request) {
        EXPECT_TRUE(request.extensions.contains(str("icc")));
        return QStringList{again};
    });
    std::shared_ptr<ColorProfileHandle> chosen;
    int selected = -1;
    ModalAlert::ScopedDialogResponder responder(panel(QString(), [&] {
        chooseIndex(controller->printProfilePopUp(), controller->printProfilePopUp()->findData(-2));
        chosen = controller->printingMapper()->outputProfile();
        selected = controller->printProfilePopUp()->currentIndex();
    }));
    controller->printDocument();
    ASSERT_TRUE(waitForPrintEnd());
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path(), listed[1]->path());
    EXPECT_EQ(selected, 4);
    EXPECT_EQ(ColorProfileHandle::activeProfiles(UserDefaults::standardUserDefaults()).size(), 2);
}

TEST_F(PrintCommand, MakeDefaultFollowsTheStoredSettingsButNotTheBypass) {
    useTemplate("defaults", {300, 200}, kCell);
    addPhotos({Qt::red});
    QList<bool> states;
    bool storedMirror = false;
    QVariant storedProfile = QVariant(1);
    ModalAlert::ScopedDialogResponder responder(panel(QString(), [&] {
        QPushButton* button = controller->printMakeDefaultButton();
        states << button->isEnabled();
        // Only the bypass: nothing to make default.
        chooseIndex(controller->printProfilePopUp(), 1);
        states << button->isEnabled();
        chooseIndex(controller->printProfilePopUp(), 0);
        controller->printMirrorImageSwitch()->click();
        states << button->isEnabled();
        button->click();
        states << button->isEnabled();
        storedMirror = host.preferencesBOOLFor(PrefPrintMirroredEnabled);
        storedProfile =
            UserDefaults::standardUserDefaults().objectForKey(str(kPrefDefaultProfileKey));
    }));
    controller->printDocument();
    ASSERT_TRUE(waitForPrintEnd());
    EXPECT_EQ(states, (QList<bool>{false, false, true, false}));
    EXPECT_TRUE(storedMirror);
    EXPECT_FALSE(storedProfile.isValid());
}

TEST_F(PrintCommand, ScriptedResolutionZeroOrLessPrintsWithoutALimit) {
    struct Case {
        int resolution;
        int scope;
        bool pageBitmaps;
    };
    useTemplate("scripted", {300, 200}, kCell);
    addPhotos({Qt::red, Qt::green});
    document->updateChangeCount(Document::ChangeCleared);
    int run = 0;
    for (const Case& c :
         {Case{0, 1, false}, Case{-5, 1, false}, Case{150, 1, true}, Case{150, 0, false}}) {
        SCOPED_TRACE(testing::Message() << c.resolution << " " << c.scope);
        const QString pdf = pdfPath("scripted") + QString::number(run++) + str(".pdf");
        ModalAlert::ScopedDialogResponder responder(panel(pdf));
        document->doPrint({{str("Resolution"), c.resolution}, {str("Scope"), c.scope}});
        drainEvents(); // the panel comes up after the script is answered
        EXPECT_FALSE(controller->printOperation());
        const auto [pages, size] = pdfInfo(pdf);
        EXPECT_EQ(pages, 2);
        // The template's page, not the default paper.
        EXPECT_NEAR(size.width(), 300, 0.5);
        int bitmaps = 0;
        for (const QSize& image : pdfImageSizes(pdf))
            bitmaps += image == QSize(625, 417);
        EXPECT_EQ(bitmaps, c.pageBitmaps ? 2 : 0);
        const QList<QImage> rendered = pdfPages(pdf);
        ASSERT_EQ(rendered.size(), 2);
        EXPECT_TRUE(near(rendered[1].pixelColor(60, 85), Qt::green));
    }
    // Nothing reached the document but the switch to the layout panel.
    EXPECT_FALSE(document->printLimitEnabled());
    EXPECT_EQ(document->undoManager()->undoActionName(), str("Switch Panel"));
}

TEST_F(PrintCommand, AScriptedPrintWithoutInteractionShowsNoPanel) {
    useTemplate("quiet", {300, 200}, kCell);
    addPhotos({Qt::red});
    ModalAlert::ScopedDialogResponder responder(panel(pdfPath("quiet.pdf")));
    ModalAlert::ScopedResponder alerts(
        [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
    document->doPrint({{str("Interaction"), false}});
    EXPECT_EQ(panelsShown, 0);
    EXPECT_TRUE(document->fileCatalog().deliverScreenResolution());
}
