// The template manager window over the user's installed templates, each case
// with a window of its own, shown offscreen and worked as a user would.
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateManagerWindowController.h"
#include "library/VQDragMatrix.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"
#include "support/TestHost.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

NewTemplateManager* library() {
    return NewTemplateManager::sharedTemplateManager();
}

// A template file written by the framework's own writer.
void writeTemplate(const QString& path, const QString& name, const QString& category,
                   const QString& description = QString()) {
    TemplateDocument page;
    page.setDocumentID(name + str("-id"));
    page.setDocName(name);
    page.setDocCategory(category);
    page.setDocDescription(description);
    PrintInfo info;
    info.setPaperName(str("Custom"));
    info.setPaperSize({200, 100});
    page.setPrintInfo(info);
    page.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {50, 50}));
    QString error;
    EXPECT_TRUE(page.writeToFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
}

// One in the user's templates.
TemplateHandleRef installTemplate(const QString& name, const QString& category,
                                  const QString& description = QString()) {
    EXPECT_TRUE(QDir().mkpath(library()->templatesFolderPath()));
    writeTemplate(QDir(library()->templatesFolderPath()).filePath(name + str(".vyxTemplate")), name,
                  category, description);
    library()->scanForChanges();
    const TemplateHandleRef handle = library()->templateWithName(name);
    EXPECT_TRUE(handle) << name.toStdString();
    return handle;
}

QAction* itemWithTag(TemplateManagerWindowController& controller, int tag) {
    for (QAction* item : controller.installedActionMenu()->actions())
        if (!item->isSeparator() && item->data().toInt() == tag)
            return item;
    return nullptr;
}

class TemplateManagerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        for (const char* key : {kTemplateManagerActivePanelKey, kTemplateManagerPreviewStateKey,
                                kTemplateManagerInstalledViewKey, kTemplateManagerCategoryKey,
                                kTemplateManagerFrameName, kDefaultTemplateFileNameKey})
            defaults.removeObjectForKey(str(key));
        emptyLibrary();
    }
    void TearDown() override {
        for (Document* document : DocumentController::sharedDocumentController().documents())
            document->close();
        controller.reset();
        emptyLibrary();
        drainEvents();
    }

    static void emptyLibrary() {
        QDir(library()->templatesFolderPath()).removeRecursively();
        library()->scanForChanges();
        ASSERT_TRUE(library()->templates().isEmpty());
    }

    // A window of its own, shown once its set-up has ended.
    TemplateManagerWindowController& open() {
        controller.reset();
        controller = std::make_unique<TemplateManagerWindowController>();
        controller->activate();
        EXPECT_TRUE(QTest::qWaitFor([this] { return controller->window()->isVisible(); }, 10000));
        drainEvents();
        return *controller;
    }

    void chooseCategory(const QString& title) {
        QComboBox& menu = *controller->installedCategoryMenu();
        const int index = menu.findText(title);
        ASSERT_GE(index, 0) << title.toStdString();
        menu.setCurrentIndex(index);
        Q_EMIT menu.activated(index);
        drainEvents();
    }

    void setIconContentWidth(int width) {
        QScrollArea& scroll = *controller->installedIconScrollView();
        scroll.resize(scroll.width() + width - controller->iconContentWidth(), scroll.height());
        ASSERT_EQ(controller->iconContentWidth(), width);
    }

    void clickCell(int index) {
        VQDragMatrix& matrix = *controller->iconMatrix();
        const int columns = matrix.numberOfColumns();
        QTest::mouseClick(&matrix, Qt::LeftButton, Qt::NoModifier,
                          matrix.cellFrameAtRowColumn(index / columns, index % columns).center());
    }

    QString selectedID() const {
        const TemplateButtonCell* cell =
            controller->iconMatrix() ? controller->iconMatrix()->selectedCell() : nullptr;
        return cell ? cell->documentID() : QString();
    }

    TestHost host;
    std::unique_ptr<TemplateManagerWindowController> controller;
};

TEST_F(TemplateManagerWindow, TheIconGridHasAtLeastOneColumnAndFillsTheLastRowWithPrototypes) {
    struct Case {
        int templates, width, columns, rows;
        QSize size;
    };
    for (const Case c : {Case{3, 90, 1, 3, {104, 360}}, Case{12, 420, 4, 3, {416, 360}},
                         Case{13, 420, 4, 4, {416, 480}}}) {
        emptyLibrary();
        for (int i = 1; i <= c.templates; ++i)
            installTemplate(QString::asprintf("T%02d", i), str("Cards"));
        open();
        controller->switchView(1);
        chooseCategory(str("Cards"));
        // Narrowed or widened as the window's frame changes.
        setIconContentWidth(c.width);
        VQDragMatrix* matrix = controller->iconMatrix();
        ASSERT_NE(matrix, nullptr);
        EXPECT_EQ(matrix->numberOfColumns(), c.columns) << c.templates;
        EXPECT_EQ(matrix->numberOfRows(), c.rows) << c.templates;
        EXPECT_EQ(matrix->size(), c.size) << c.templates;
        for (int i = 0; i < matrix->cells().size(); ++i) {
            const TemplateButtonCell& cell = matrix->cells()[i];
            const bool used = i < c.templates;
            EXPECT_EQ(cell.isEnabled(), used) << i;
            EXPECT_EQ(cell.tag(), used ? i + 1 : 0) << i;
            if (!used) {
                EXPECT_EQ(cell.title(), str("A Button")) << i;
            }
        }
    }
    // The thirteen: a narrower grid keeps the selected cell.
    clickCell(9);
    ASSERT_EQ(selectedID(), str("T10-id"));
    setIconContentWidth(250);
    EXPECT_EQ(controller->iconMatrix()->numberOfColumns(), 2);
    EXPECT_EQ(controller->iconMatrix()->numberOfRows(), 7);
    EXPECT_EQ(selectedID(), str("T10-id"));
    EXPECT_EQ(controller->installedSelectedIdx(), 9);
}

TEST_F(TemplateManagerWindow, SetUpChoosesTheStoredCategoryElseTheDefaultsElseAll) {
    struct Case {
        bool templates;
        const char* stored; // none when null
        bool printIsDefault;
        const char* shown;
        int rows;
    };
    const Case cases[] = {
        // Without templates there is no default template.
        {false, nullptr, false, "All", 0},
        // Without a chosen default the library's first template is the default.
        {true, nullptr, false, "Cards", 1},
        {true, nullptr, true, "Prints", 1},
        {true, "Gone", true, "All", 2},
        {true, "Cards", true, "Cards", 1},
    };
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    for (const Case& c : cases) {
        if (c.templates && library()->templates().isEmpty()) {
            installTemplate(str("Card"), str("Cards"));
            installTemplate(str("Print"), str("Prints"));
        }
        if (c.stored)
            defaults.setObjectForKey(str(c.stored), str(kTemplateManagerCategoryKey));
        else
            defaults.removeObjectForKey(str(kTemplateManagerCategoryKey));
        if (c.printIsDefault)
            library()->setDefaultTemplate(library()->templateWithName(str("Print")));
        else
            defaults.removeObjectForKey(str(kDefaultTemplateFileNameKey));
        const std::string label = std::string(c.templates ? "templates " : "none ") +
                                  (c.stored ? c.stored : "-") + (c.printIsDefault ? " +" : "");
        open();
        EXPECT_EQ(controller->installedCategoryMenu()->currentText(), localizedString(str(c.shown)))
            << label;
        EXPECT_EQ(controller->installedTemplatesTable()->model()->rowCount(), c.rows) << label;
    }
}

TEST_F(TemplateManagerWindow, ANewWindowRestoresTheViewTheCategoryAndThePreviewState) {
    installTemplate(str("Card"), str("Cards"));
    installTemplate(str("Print"), str("Prints"));
    open();
    // A first set-up: the list, the preview closed.
    EXPECT_EQ(controller->installedViewSwitcher()->value(), 0);
    EXPECT_EQ(controller->tabMainView()->currentWidget(), controller->installedListView());
    EXPECT_FALSE(controller->installedPreviewButton()->isChecked());

    VQViewSwitch& views = *controller->installedViewSwitcher();
    QTest::mouseClick(&views, Qt::LeftButton, Qt::NoModifier, views.cellRect(1).center());
    chooseCategory(str("Prints"));
    QTest::mouseClick(controller->installedPreviewButton(), Qt::LeftButton);
    ASSERT_TRUE(controller->installedPreviewButton()->isChecked());
    const int expanded = controller->installedPreviewView()->height();
    controller->close();

    open();
    EXPECT_EQ(controller->installedViewSwitcher()->value(), 1);
    EXPECT_EQ(controller->tabMainView()->currentWidget(), controller->installedIconView());
    EXPECT_EQ(controller->installedCategoryMenu()->currentText(), str("Prints"));
    EXPECT_EQ(controller->iconCount(), 1);
    EXPECT_TRUE(controller->installedPreviewButton()->isChecked());
    EXPECT_EQ(controller->installedPreviewView()->height(), expanded);
}

TEST_F(TemplateManagerWindow, AShowAskedForDuringSetUpWaitsForItsEnd) {
    for (int i = 1; i <= 5; ++i)
        installTemplate(QString::asprintf("T%d", i), str("Cards"));
    controller = std::make_unique<TemplateManagerWindowController>();
    controller->activate();
    EXPECT_FALSE(controller->isSetUpComplete());
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([this] { return controller->window()->isVisible(); }, 10000));
    EXPECT_TRUE(controller->isSetUpComplete());
    EXPECT_EQ(controller->installedTemplatesTable()->model()->rowCount(), 5);
}

TEST_F(TemplateManagerWindow, WhenTheCategorysLastTemplateGoesTheMenuFallsBack) {
    struct Case {
        bool withPrint;
        const char* shown;
        int rows;
    };
    // The default template's category, or all when no template is left.
    for (const Case c : {Case{true, "Prints", 1}, Case{false, "All", 0}}) {
        emptyLibrary();
        const TemplateHandleRef card = installTemplate(str("Card"), str("Cards"));
        if (c.withPrint)
            installTemplate(str("Print"), str("Prints"));
        open();
        chooseCategory(str("Cards"));
        library()->removeTemplate(card);
        drainEvents();
        QComboBox& menu = *controller->installedCategoryMenu();
        EXPECT_EQ(menu.findText(str("Cards")), -1);
        EXPECT_EQ(menu.currentText(), localizedString(str(c.shown))) << c.withPrint;
        EXPECT_EQ(controller->installedTemplatesTable()->model()->rowCount(), c.rows);
    }
}

TEST_F(TemplateManagerWindow, TheDisclosureKeepsThePreviewsTopEdgeAndTheGap) {
    installTemplate(str("Card"), str("Cards"));
    open();
    QToolButton& button = *controller->installedPreviewButton();
    if (!button.isChecked())
        QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_TRUE(button.isChecked());
    const QRect preview = controller->installedPreviewView()->geometry();
    const QRect info = controller->installedInfoView()->geometry();
    const int gap = info.top() - preview.bottom() - 1;

    QTest::mouseClick(&button, Qt::LeftButton);
    const QRect closedPreview = controller->installedPreviewView()->geometry();
    const QRect grownInfo = controller->installedInfoView()->geometry();
    EXPECT_EQ(closedPreview.top(), preview.top());
    EXPECT_EQ(closedPreview.height(), button.geometry().bottom() + 2);
    EXPECT_LT(closedPreview.height(), preview.height());
    EXPECT_EQ(grownInfo.bottom(), info.bottom());
    EXPECT_EQ(grownInfo.top() - closedPreview.bottom() - 1, gap);

    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(controller->installedPreviewView()->geometry(), preview);
    EXPECT_EQ(controller->installedInfoView()->geometry(), info);
}

TEST_F(TemplateManagerWindow, ListToolTipsNameTheRowNoneBelowTheLastAndFollowAReload) {
    const TemplateHandleRef alpha = installTemplate(str("Alpha"), str("Cards"));
    installTemplate(str("Beta"), str("Cards"));
    open();
    VQToolTipTableView& table = *controller->installedTemplatesTable();
    ASSERT_EQ(controller->tabMainView()->currentWidget(), controller->installedListView());
    const auto ask = [&table](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, table.viewport()->mapToGlobal(at));
        QApplication::sendEvent(table.viewport(), &help);
    };
    const auto tipAt = [&](QPoint at) {
        ask(at);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // A tip shown before goes away.
    const auto noTipAt = [&](QPoint at) {
        ask(at);
        return QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000);
    };
    const auto rowCentre = [&table](int row) {
        return table.visualRect(table.model()->index(row, 0)).center();
    };
    EXPECT_EQ(tipAt(rowCentre(0)), str("Alpha"));
    EXPECT_EQ(tipAt(rowCentre(1)), str("Beta"));
    const QRect last = table.visualRect(table.model()->index(1, 0));
    ASSERT_LT(last.bottom() + 10, table.viewport()->height());
    EXPECT_TRUE(noTipAt(QPoint(last.center().x(), last.bottom() + 10)));

    library()->removeTemplate(alpha);
    installTemplate(str("Gamma"), str("Cards"));
    drainEvents();
    EXPECT_EQ(tipAt(rowCentre(0)), str("Beta"));
    EXPECT_EQ(tipAt(rowCentre(1)), str("Gamma"));
}

TEST_F(TemplateManagerWindow, ADuplicateGetsAFreeNameBesideTheOriginalWithTheUsersFileMode) {
    struct Case {
        mode_t mask, mode;
    };
    const mode_t before = ::umask(022);
    for (const Case c : {Case{022, 0644}, Case{077, 0600}}) {
        emptyLibrary();
        const TemplateHandleRef original = installTemplate(str("Orig"), str("Cards"), str("Old"));
        ::umask(c.mask);
        open();
        controller->installedTemplatesTable()->selectRowIndex(0);
        QString shownName;
        ModalAlert::ScopedDialogResponder panel([&](QDialog& dialog) {
            EXPECT_EQ(&dialog, controller->createTemplatePanel());
            shownName = controller->createNameField()->text();
            EXPECT_EQ(controller->createDescriptionField()->text(), str("Old"));
            controller->createOKButton()->click();
            return dialog.result();
        });
        controller->duplicateTemplate();
        drainEvents();
        EXPECT_EQ(shownName,
                  formatString(localizedString(str("DUP_TEMPLATE_NAME_FORMAT")), {str("Orig")}));
        // The free name made from the chosen one, in the original's folder.
        const QString copy =
            QDir(QFileInfo(original->path()).absolutePath()).filePath(str("Orig_copy.vyxTemplate"));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &info), 0) << copy.toStdString();
        EXPECT_EQ(info.st_mode & 07777, c.mode) << std::oct << c.mask;
        EXPECT_NE(DocumentController::sharedDocumentController().documentForFileName(copy),
                  nullptr);
        for (Document* document : DocumentController::sharedDocumentController().documents())
            document->close();
        drainEvents();
    }
    ::umask(before);
}

TEST_F(TemplateManagerWindow, ANewTemplateIsWrittenToTheTemplatesFolderAndOpened) {
    installTemplate(str("Taken"), str("Cards"));
    open();
    struct Step {
        const char* name;
        const char* category;
        bool okEnabled;
    };
    QList<ModalAlert::Request> sheets;
    ModalAlert::ScopedResponder alerts([&](const ModalAlert::Request& request) {
        sheets.append(request);
        return int(ModalAlert::DefaultReturn);
    });
    ModalAlert::ScopedDialogResponder panel([&](QDialog& dialog) {
        QLineEdit& name = *controller->createNameField();
        QComboBox& category = *controller->createCategoryComboBox();
        for (const Step s :
             {Step{"", "Cards", false}, Step{"X", "", false}, Step{"X", "Cards", true}}) {
            name.clear();
            QTest::keyClicks(&name, str(s.name));
            category.lineEdit()->clear();
            QTest::keyClicks(category.lineEdit(), str(s.category));
            EXPECT_EQ(controller->createOKButton()->isEnabled(), s.okEnabled)
                << s.name << "/" << s.category;
        }
        // A name an installed template has, whatever its case: the sheet, and
        // the panel stays.
        name.clear();
        QTest::keyClicks(&name, str("tAKEN"));
        controller->createOKButton()->click();
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_EQ(sheets.size(), 1);
        name.clear();
        QTest::keyClicks(&name, str("Fresh: one"));
        controller->createOKButton()->click();
        return dialog.result();
    });
    controller->newTemplate();
    drainEvents();
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0].title, localizedString(str("DUP_TMP_NAME_MSG")));
    EXPECT_EQ(sheets[0].message,
              formatString(localizedString(str("DUP_TMP_NAME_TXT")), {str("tAKEN")}));

    const QString written = QDir(FileAccess::expandTilde(localizedString(str("TEMPLATES_PATH"))))
                                .filePath(str("Fresh__one.vyxTemplate"));
    const TemplateHandleRef read = TemplateHandle::templateHandleWithFile(written);
    ASSERT_TRUE(read) << written.toStdString();
    EXPECT_EQ(read->name(), str("Fresh: one"));
    EXPECT_EQ(read->category(), str("Cards"));
    EXPECT_NE(DocumentController::sharedDocumentController().documentForFileName(written), nullptr);
}

TEST_F(TemplateManagerWindow, AddedFilesInstallLaterInOrderStoppingAtTheFirstRefused) {
    struct Case {
        bool withBroken;
        bool thirdInstalled;
        const char* shown;
    };
    QTemporaryDir elsewhere;
    const QString first = elsewhere.filePath(str("first.vyxTemplate"));
    const QString broken = elsewhere.filePath(str("broken.vyxTemplate"));
    const QString third = elsewhere.filePath(str("third.vyxTemplate"));
    writeTemplate(first, str("First"), str("Prints"));
    writeTemplate(third, str("Third"), str("Posters"));
    QFile junk(broken);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a template");
    junk.close();
    // The category of the last file once all are in; else the one chosen stays.
    for (const Case c : {Case{true, false, "Cards"}, Case{false, true, "Posters"}}) {
        emptyLibrary();
        installTemplate(str("Card"), str("Cards"));
        open();
        chooseCategory(str("Cards"));
        ModalAlert::PanelRequest asked;
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
            asked = request;
            return c.withBroken ? QStringList{first, broken, third} : QStringList{first, third};
        });
        controller->addTemplate();
        EXPECT_EQ(asked.title, localizedString(str("ADD_TEMPLATE")));
        EXPECT_EQ(asked.prompt, localizedString(str("SELECT_TEMPLATE")));
        EXPECT_TRUE(asked.multipleSelection);
        EXPECT_EQ(asked.extensions, QStringList{str("vyxTemplate")});
        // Not while the panel goes away.
        EXPECT_FALSE(library()->templateWithName(str("First")));
        EXPECT_TRUE(QTest::qWaitFor(
            [] { return library()->templateWithName(str("First")) != nullptr; }, 3000));
        QTest::qWait(100);
        EXPECT_EQ(library()->templateWithName(str("Third")) != nullptr, c.thirdInstalled);
        EXPECT_EQ(controller->installedCategoryMenu()->currentText(), str(c.shown));
    }
}

TEST_F(TemplateManagerWindow, RemovingAsksAndOnlyYesRemoves) {
    struct Case {
        int answer;
        bool removed;
    };
    for (const Case c :
         {Case{ModalAlert::AlternateReturn, false}, Case{ModalAlert::DefaultReturn, true}}) {
        emptyLibrary();
        installTemplate(str("Doomed"), str("Cards"));
        open();
        controller->installedTemplatesTable()->selectRowIndex(0);
        QList<ModalAlert::Request> asked;
        ModalAlert::ScopedResponder alerts([&](const ModalAlert::Request& request) {
            asked.append(request);
            return c.answer;
        });
        controller->removeTemplate();
        drainEvents();
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(asked[0].title, localizedString(str("REMOVE")));
        EXPECT_EQ(asked[0].message,
                  formatString(localizedString(str("REMOVE_WARN_DESC")), {str("Doomed")}));
        EXPECT_EQ(asked[0].defaultButton, localizedString(str("YES")));
        EXPECT_EQ(asked[0].alternateButton, localizedString(str("NO")));
        EXPECT_EQ(library()->templateWithName(str("Doomed")) == nullptr, c.removed);
        EXPECT_EQ(controller->installedTemplatesTable()->model()->rowCount(), c.removed ? 0 : 1);
    }
}

TEST_F(TemplateManagerWindow, CommandsWithoutASelectionOrACatalogWindowBeepAndChangeNothing) {
    installTemplate(str("Card"), str("Cards"));
    open();
    ModalAlert::ScopedResponder alerts([](const ModalAlert::Request&) {
        ADD_FAILURE() << "no alert expected";
        return int(ModalAlert::DefaultReturn);
    });
    ModalAlert::ScopedDialogResponder panels([](QDialog&) {
        ADD_FAILURE() << "no panel expected";
        return int(QDialog::Rejected);
    });
    const std::pair<const char*, void (TemplateManagerWindowController::*)()> commands[] = {
        {"edit", &TemplateManagerWindowController::editTemplate},
        {"duplicate", &TemplateManagerWindowController::duplicateTemplate},
        {"remove", &TemplateManagerWindowController::removeTemplate},
        {"make default", &TemplateManagerWindowController::makeDefaultTemplate},
        {"apply", &TemplateManagerWindowController::applyTemplate},
    };
    for (const auto& [name, command] : commands) {
        const int beeps = ModalAlert::beepCount();
        (controller.get()->*command)();
        EXPECT_EQ(ModalAlert::beepCount(), beeps + 1) << name;
    }
    // Apply also wants a catalog window in front.
    controller->installedTemplatesTable()->selectRowIndex(0);
    const int beeps = ModalAlert::beepCount();
    controller->applyTemplate();
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    EXPECT_EQ(library()->templates().size(), 1);
    EXPECT_TRUE(DocumentController::sharedDocumentController().documents().isEmpty());
}

TEST_F(TemplateManagerWindow, ActionItemsFollowTheSelectionTheDefaultAndSheets) {
    const TemplateHandleRef card = installTemplate(str("Card"), str("Cards"));
    installTemplate(str("Print"), str("Prints"));
    library()->setDefaultTemplate(card);
    open();
    chooseCategory(localizedString(str("All")));
    struct Case {
        const char* state;
        int row; // -1: none selected
        bool sheet;
        QList<int> enabled;
    };
    const QList<int> tags{kAddTemplateTag,       kNewTemplateTag,         kEditTemplateTag,
                          kDuplicateTemplateTag, kMakeDefaultTemplateTag, kRemoveTemplateTag,
                          kApplyTemplateTag};
    const Case cases[] = {
        {"none selected", -1, false, {kAddTemplateTag, kNewTemplateTag}},
        {"the default",
         0,
         false,
         {kAddTemplateTag, kNewTemplateTag, kEditTemplateTag, kDuplicateTemplateTag,
          kRemoveTemplateTag}},
        {"another",
         1,
         false,
         {kAddTemplateTag, kNewTemplateTag, kEditTemplateTag, kDuplicateTemplateTag,
          kMakeDefaultTemplateTag, kRemoveTemplateTag}},
        {"a sheet up", 1, true, {}},
    };
    for (const Case& c : cases) {
        VQToolTipTableView& table = *controller->installedTemplatesTable();
        if (c.row < 0)
            table.deselectAll();
        else
            table.selectRowIndex(c.row);
        std::optional<ModalAlert::ScopedResponder> answer;
        if (c.sheet) {
            answer.emplace(
                [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
            ModalAlert::beginSheet(controller->window(), ModalAlert::Request(str("t"), str("m")),
                                   nullptr);
        }
        Q_EMIT controller->installedActionMenu()->aboutToShow();
        for (int tag : tags) {
            QAction* item = itemWithTag(*controller, tag);
            ASSERT_NE(item, nullptr) << tag;
            EXPECT_EQ(item->isEnabled(), c.enabled.contains(tag)) << c.state << " " << tag;
        }
        drainEvents();
    }
    // The action menu is also the context menu of the list and the grid.
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5));
    EXPECT_EQ(controller->menuForEvent(&event), controller->installedActionMenu());
}

TEST_F(TemplateManagerWindow, ListRowsAndGridCellsDragTheTemplatesDocumentID) {
    installTemplate(str("Card"), str("Cards"), str("A card"));
    open();
    std::unique_ptr<PasteboardData> dragged;
    DragSession::ScopedObserver observer(
        [&](const PasteboardData& data) { dragged.reset(data.clone()); });
    const QString type = str(kDragDropInstalledTemplatePboardType);

    VQToolTipTableView& table = *controller->installedTemplatesTable();
    const QPoint row = table.visualRect(table.model()->index(0, 0)).center();
    QTest::mousePress(table.viewport(), Qt::LeftButton, Qt::NoModifier, row);
    const QPoint away = row + QPoint(30, 0);
    for (const QPoint at : {row + QPoint(2, 0), away}) {
        QMouseEvent drag(QEvent::MouseMove, QPointF(at), table.viewport()->mapToGlobal(QPointF(at)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(table.viewport(), &drag);
    }
    QTest::mouseRelease(table.viewport(), Qt::LeftButton, Qt::NoModifier, away);
    ASSERT_TRUE(dragged);
    EXPECT_EQ(Pasteboard(dragged.get()).propertyListForType(type).toString(), str("Card-id"));

    dragged.reset();
    controller->switchView(1);
    VQDragMatrix& matrix = *controller->iconMatrix();
    const QPoint cell = matrix.cellFrameAtRowColumn(0, 0).center();
    // A cell's tip: the name over the description.
    QHelpEvent help(QEvent::ToolTip, cell, matrix.mapToGlobal(cell));
    QApplication::sendEvent(&matrix, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), str("Card\nA card"));
    QTest::mousePress(&matrix, Qt::LeftButton, Qt::NoModifier, cell);
    EXPECT_EQ(controller->installedMessageField()->text(), str("A card"));
    // The first move drags, however short.
    QMouseEvent move(QEvent::MouseMove, QPointF(cell + QPoint(1, 0)),
                     matrix.mapToGlobal(QPointF(cell + QPoint(1, 0))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&matrix, &move);
    ASSERT_TRUE(dragged);
    EXPECT_EQ(Pasteboard(dragged.get()).propertyListForType(type).toString(), str("Card-id"));
    QTest::mouseRelease(&matrix, Qt::LeftButton, Qt::NoModifier, cell);
    // The drag shows the cell's picture at half opacity.
    const QImage picture = matrix.selectedCell()->image().pixels();
    const QImage shown = matrix.dragImage().toImage();
    ASSERT_EQ(shown.size(), picture.size());
    const QPoint middle(picture.width() / 2, picture.height() / 2);
    ASSERT_EQ(picture.pixelColor(middle).alpha(), 255);
    EXPECT_NEAR(shown.pixelColor(middle).alpha(), 128, 2);
}

TEST_F(TemplateManagerWindow, BlandTextsHaveEveryControlCharacterAsOneBlank) {
    EXPECT_EQ(TemplateManagerWindowController::makeBlandStringFromString(str("a\r\nb\tc\fd")),
              str("a  b c d"));
}

} // namespace
