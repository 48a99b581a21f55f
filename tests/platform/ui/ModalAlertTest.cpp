#include "platform/ui/ModalAlert.h"
#include "platform/foundation/NotificationCenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

ModalAlert::Request request(const char* alternate, const char* other) {
    ModalAlert::Request r;
    r.title = QStringLiteral("Replace the file?");
    r.message = QStringLiteral("A file of that name exists.");
    r.defaultButton = QStringLiteral("Replace");
    r.alternateButton = QString::fromLatin1(alternate);
    r.otherButton = QString::fromLatin1(other);
    return r;
}

// Runs the alert with no responder and acts on the panel once it is shown.
int runAndAct(const ModalAlert::Request& r, std::function<void(QMessageBox&)> act,
              QStringList* buttons = nullptr) {
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* panel = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!panel)
            return;
        poll.stop();
        if (buttons)
            for (QAbstractButton* button : panel->buttons())
                *buttons << button->text();
        act(*panel);
    });
    poll.start();
    return ModalAlert::run(r);
}

std::function<void(QMessageBox&)> click(const char* text) {
    return [text](QMessageBox& panel) {
        for (QAbstractButton* button : panel.buttons())
            if (button->text() == QLatin1String(text))
                return button->click();
        ADD_FAILURE() << "no button " << text;
        panel.done(0);
    };
}

} // namespace

TEST(ModalAlert, AResponderAnswersInsteadOfThePanel) {
    std::vector<ModalAlert::Request> seen;
    int answer = ModalAlert::OtherReturn;
    {
        ModalAlert::ScopedResponder responder([&](const ModalAlert::Request& r) {
            seen.push_back(r);
            return answer;
        });
        EXPECT_EQ(ModalAlert::run(request("Cancel", "Keep Both")), ModalAlert::OtherReturn);
        answer = ModalAlert::AlternateReturn;
        ModalAlert::Request plain;
        plain.title = QStringLiteral("Done");
        plain.style = ModalAlert::Style::Informational;
        EXPECT_EQ(ModalAlert::run(plain), ModalAlert::AlternateReturn);

        // A nested responder takes over and hands back when it ends.
        {
            ModalAlert::ScopedResponder inner(
                [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
            EXPECT_EQ(ModalAlert::run(plain), ModalAlert::DefaultReturn);
        }
        EXPECT_EQ(ModalAlert::run(plain), ModalAlert::AlternateReturn);
    }
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].title, QStringLiteral("Replace the file?"));
    EXPECT_EQ(seen[0].message, QStringLiteral("A file of that name exists."));
    EXPECT_EQ(seen[0].defaultButton, QStringLiteral("Replace"));
    EXPECT_EQ(seen[0].alternateButton, QStringLiteral("Cancel"));
    EXPECT_EQ(seen[0].otherButton, QStringLiteral("Keep Both"));
    EXPECT_EQ(seen[0].style, ModalAlert::Style::Warning);
    // An alert without buttons has the default "OK".
    EXPECT_EQ(seen[1].defaultButton, QStringLiteral("OK"));
    EXPECT_EQ(seen[1].style, ModalAlert::Style::Informational);
}

TEST(ModalAlert, ThePanelAnswersThePlatformReturnCodes) {
    ModalAlert::setResponder({});
    const struct {
        const char* name;
        const char* alternate;
        const char* other;
        std::function<void(QMessageBox&)> act;
        int expected;
    } cases[] = {
        {"default button", "Cancel", "Keep Both", click("Replace"), ModalAlert::DefaultReturn},
        {"alternate button", "Cancel", "Keep Both", click("Cancel"), ModalAlert::AlternateReturn},
        {"other button", "Cancel", "Keep Both", click("Keep Both"), ModalAlert::OtherReturn},
        {"Return key", "Cancel", "", [](QMessageBox& p) { QTest::keyClick(&p, Qt::Key_Return); },
         ModalAlert::DefaultReturn},
        {"Escape with an alternate", "Cancel", "",
         [](QMessageBox& p) { QTest::keyClick(&p, Qt::Key_Escape); }, ModalAlert::AlternateReturn},
        {"Escape with three buttons", "Skip", "Later",
         [](QMessageBox& p) { QTest::keyClick(&p, Qt::Key_Escape); }, ModalAlert::OtherReturn},
        {"Escape with one button", "", "",
         [](QMessageBox& p) { QTest::keyClick(&p, Qt::Key_Escape); }, ModalAlert::DefaultReturn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(runAndAct(request(c.alternate, c.other), c.act), c.expected);
    }

    QStringList buttons;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ModalAlert::Request plain;
    plain.title = QStringLiteral("Stopped");
    plain.message = QStringLiteral("The disk\ris full.");
    plain.style = ModalAlert::Style::Critical;
    const int answer = runAndAct(
        plain,
        [&](QMessageBox& p) {
            title = p.text();
            icon = p.icon();
            p.defaultButton()->click();
        },
        &buttons);
    EXPECT_EQ(answer, ModalAlert::DefaultReturn);
    EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(title, QStringLiteral("The disk\nis full.")); // carriage returns break lines
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(ModalAlert, BeepsAreCounted) {
    const int before = ModalAlert::beepCount();
    ModalAlert::beep();
    ModalAlert::beep();
    EXPECT_EQ(ModalAlert::beepCount(), before + 2);
}

TEST(ModalAlert, APanelResponderAnswersOpenAndSavePanels) {
    std::vector<ModalAlert::PanelRequest> seen;
    ModalAlert::ScopedPanelResponder responder([&](const ModalAlert::PanelRequest& r) {
        seen.push_back(r);
        return r.kind == ModalAlert::PanelRequest::Kind::Open ? QStringList{"/a.x", "/b.x"}
                                                              : QStringList();
    });
    ModalAlert::PanelRequest open;
    open.title = QStringLiteral("Open");
    open.extensions = {QStringLiteral("x")};
    open.multipleSelection = true;
    EXPECT_EQ(ModalAlert::runPanel(open), (QStringList{"/a.x", "/b.x"}));

    ModalAlert::PanelRequest save;
    save.kind = ModalAlert::PanelRequest::Kind::Save;
    save.fileName = QStringLiteral("Untitled");
    EXPECT_TRUE(ModalAlert::runPanel(save).isEmpty()); // cancelled
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].multipleSelection);
    EXPECT_EQ(seen[0].extensions, QStringList{"x"});
    EXPECT_EQ(seen[1].kind, ModalAlert::PanelRequest::Kind::Save);
    EXPECT_EQ(seen[1].fileName, QStringLiteral("Untitled"));
}

TEST(ModalAlert, SheetsAnsweredByAResponderEndLaterInTheirCallback) {
    ModalAlert::ScopedResponder alerts(
        [](const ModalAlert::Request&) { return int(ModalAlert::OtherReturn); });
    ModalAlert::ScopedPanelResponder panels(
        [](const ModalAlert::PanelRequest&) { return QStringList{"/chosen.x"}; });
    QWidget window;
    int answer = 99;
    QStringList chosen;
    ModalAlert::beginSheet(&window, request("Cancel", "Keep Both"), [&](int a) { answer = a; });
    ModalAlert::beginPanelSheet(&window, {}, [&](const QStringList& c) { chosen = c; });
    // The caller goes on before the sheet ends, as with a user at the panel.
    EXPECT_EQ(answer, 99);
    EXPECT_TRUE(chosen.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(answer, ModalAlert::OtherReturn);
    EXPECT_EQ(chosen, QStringList{"/chosen.x"});
}

TEST(ModalAlert, ASheetIsModalToItsWindowAlone) {
    ModalAlert::setResponder({});
    ModalAlert::setPanelResponder({});
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    int answer = 99;
    ModalAlert::beginSheet(&window, request("Cancel", ""), [&](int a) { answer = a; });
    QMessageBox* sheet = window.findChild<QMessageBox*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(answer, 99);
    click("Cancel")(*sheet);
    EXPECT_EQ(answer, ModalAlert::AlternateReturn);
    QTRY_VERIFY(!window.findChild<QMessageBox*>()); // gone once answered

    bool ended = false;
    QStringList chosen{"untouched"};
    ModalAlert::PanelRequest save;
    save.kind = ModalAlert::PanelRequest::Kind::Save;
    ModalAlert::beginPanelSheet(&window, save, [&](const QStringList& c) {
        ended = true;
        chosen = c;
    });
    QFileDialog* panel = window.findChild<QFileDialog*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
    panel->reject();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(chosen.isEmpty());
}

TEST(ModalAlert, AWindowHasASheetUntilItsAnswerIsHandedOn) {
    ModalAlert::ScopedResponder alerts(
        [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
    ModalAlert::ScopedDialogResponder dialogs([](QDialog& dialog) {
        dialog.setWindowTitle(QStringLiteral("answered"));
        return int(QDialog::Accepted);
    });
    QWidget window;
    QWidget other;
    QWidget third;
    QDialog dialog;
    bool sawSheetInDone = true;
    int answers = 0;
    ModalAlert::beginSheet(&window, request("Cancel", ""), [&](int) {
        sawSheetInDone = ModalAlert::hasAttachedSheet(&window);
        ++answers;
    });
    ModalAlert::beginDialogSheet(&other, &dialog, [&](int code) {
        EXPECT_EQ(code, QDialog::Accepted);
        ++answers;
    });
    QList<const void*> ended;
    NotificationCenter::defaultCenter().addObserver(
        &ended, QString::fromLatin1(ModalAlert::kWindowDidEndSheetNotification), nullptr,
        [&](const Notification& n) { ended.append(n.object()); });
    EXPECT_TRUE(ModalAlert::hasAttachedSheet(&window));
    EXPECT_TRUE(ModalAlert::hasAttachedSheet(&other));
    EXPECT_FALSE(ModalAlert::hasAttachedSheet(&third));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("answered"));
    QCoreApplication::processEvents();
    EXPECT_EQ(answers, 2);
    EXPECT_FALSE(sawSheetInDone);
    EXPECT_FALSE(ModalAlert::hasAttachedSheet(&window));
    EXPECT_FALSE(ModalAlert::hasAttachedSheet(&other));
    // Each window hears that its sheet has ended, after the answer was handed on.
    EXPECT_EQ(ended, (QList<const void*>{&window, &other}));
    NotificationCenter::defaultCenter().removeObserver(&ended);
}

TEST(ModalAlert, APanelStartsInDocumentsThenWhereTheLastOneWasAccepted) {
    ModalAlert::setPanelResponder({});
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(documents.startsWith(QDir::homePath()));
    ASSERT_TRUE(QDir().mkpath(documents));
    QTemporaryDir elsewhere;
    const auto shownPanel = [&window]() -> QFileDialog* {
        for (QFileDialog* panel : window.findChildren<QFileDialog*>())
            if (panel->isVisible())
                return panel;
        return nullptr;
    };
    // The folder a panel starts in; it is then answered in `folder` with OK or Cancel.
    const auto startAndAnswer = [&](const ModalAlert::PanelRequest& request, const QString& folder,
                                    bool accept) {
        ModalAlert::beginPanelSheet(&window, request, [](const QStringList&) {});
        QFileDialog* panel = shownPanel();
        EXPECT_NE(panel, nullptr);
        if (!panel)
            return QString();
        const QString started = panel->directory().absolutePath();
        panel->setDirectory(folder);
        QMetaObject::invokeMethod(panel, "done",
                                  Q_ARG(int, accept ? QDialog::Accepted : QDialog::Rejected));
        EXPECT_EQ(shownPanel(), nullptr);
        return started;
    };
    const ModalAlert::PanelRequest open;
    // Never the working folder of the program.
    EXPECT_EQ(startAndAnswer(open, elsewhere.path(), false), documents);
    EXPECT_EQ(startAndAnswer(open, elsewhere.path(), true), documents);
    EXPECT_EQ(startAndAnswer(open, documents, true), elsewhere.path());
    // A folder the request names wins.
    ModalAlert::PanelRequest named;
    named.directory = elsewhere.path();
    EXPECT_EQ(startAndAnswer(named, documents, false), elsewhere.path());
}

TEST(ModalAlert, ADialogSheetIsModalToItsWindow) {
    ModalAlert::setDialogResponder({});
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QDialog dialog(&window);
    int answer = 99;
    ModalAlert::beginDialogSheet(&window, &dialog, [&](int code) { answer = code; });
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
    EXPECT_TRUE(ModalAlert::hasAttachedSheet(&window));
    dialog.done(1);
    EXPECT_EQ(answer, 1);
    EXPECT_FALSE(ModalAlert::hasAttachedSheet(&window));
}
