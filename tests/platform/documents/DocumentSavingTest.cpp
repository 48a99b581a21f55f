#include "platform/documents/Document.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ModalAlert.h"
#include "support/FullFileSystem.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

constexpr char kNoteType[] = "Note";
const QByteArray kNoteMagic = "NOTE\n";

// A document whose contents are a text, stored after a magic line.
class NoteDocument : public Document {
public:
    QString text;
    QString refuseToWrite; // a reason, when the contents cannot be written
    QStringList* log = nullptr;

    void setText(const QString& value) {
        const QString old = text;
        undoManager()->registerUndo(this, [this, old] { setText(old); });
        text = value;
    }

    QByteArray dataOfType(const QString& type, QString* error) override {
        if (type != QLatin1String(kNoteType) || !refuseToWrite.isEmpty()) {
            *error = refuseToWrite;
            return {};
        }
        return kNoteMagic + text.toUtf8();
    }

    bool loadDataOfType(const QByteArray& data, const QString& type, QString* error) override {
        if (type != QLatin1String(kNoteType) || !data.startsWith(kNoteMagic)) {
            *error = QStringLiteral("This is not a note.");
            return false;
        }
        text = QString::fromUtf8(data.mid(kNoteMagic.size()));
        return true;
    }

    void makeWindowControllers() override {
        auto* controller = new WindowController(new QMainWindow);
        controller->setShouldCloseDocument(true);
        addWindowController(controller);
    }

    QMainWindow* window() const {
        return windowControllers().isEmpty()
                   ? nullptr
                   : qobject_cast<QMainWindow*>(windowControllers().first()->window());
    }

protected:
    void documentDidSave(bool saved, SaveOperation) override {
        if (log)
            *log << (saved ? QStringLiteral("document: saved")
                           : QStringLiteral("document: failed"));
    }
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Answers alerts and panels from queues, as a user at them would, and keeps
// what they asked.
struct User {
    std::deque<int> answers;
    std::deque<QStringList> files;
    std::vector<ModalAlert::Request> alerts;
    std::vector<ModalAlert::PanelRequest> panels;
    ModalAlert::ScopedResponder alertResponder{[this](const ModalAlert::Request& r) {
        alerts.push_back(r);
        if (answers.empty())
            return int(ModalAlert::DefaultReturn);
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }};
    ModalAlert::ScopedPanelResponder panelResponder{[this](const ModalAlert::PanelRequest& r) {
        panels.push_back(r);
        if (files.empty())
            return QStringList();
        QStringList chosen = files.front();
        files.pop_front();
        return chosen;
    }};
};

constexpr int kSave = ModalAlert::DefaultReturn;
constexpr int kDontSave = ModalAlert::AlternateReturn;
constexpr int kCancel = ModalAlert::OtherReturn;

class DocumentSavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        controller.registerDocumentType({QString::fromLatin1(kNoteType),
                                         {QStringLiteral("note")},
                                         [] { return std::make_shared<NoteDocument>(); }});
    }

    void TearDown() override {
        // Leftover windows would take part in the next case's activation.
        for (Document* document : controller.documents())
            document->close();
        QCoreApplication::processEvents();
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    NoteDocument* newNote() {
        auto document = controller.openUntitledDocumentOfType(QString::fromLatin1(kNoteType), true);
        return static_cast<NoteDocument*>(document.get());
    }

    NoteDocument* openNote(const QString& name, const QString& text) {
        EXPECT_TRUE(writeFile(path(name), kNoteMagic + text.toUtf8()));
        QString error;
        auto document = controller.openDocumentWithContentsOfFile(path(name), true, &error);
        EXPECT_TRUE(document) << error.toStdString();
        return static_cast<NoteDocument*>(document.get());
    }

    // Edits the note as a user action does: one undoable change.
    static void edit(NoteDocument* note, const QString& text) {
        note->undoManager()->beginUndoGrouping();
        note->setText(text);
        note->undoManager()->endUndoGrouping();
    }

    // Closes the document's window as the user does, and waits for the
    // sheets that the close starts to end.
    static void closeWindow(NoteDocument* note) {
        QMainWindow* window = note->window();
        ASSERT_NE(window, nullptr);
        window->close();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    QTemporaryDir folder;
    DocumentController controller;
};

TEST_F(DocumentSavingTest, UntitledDocumentsAreNumberedAndTheWindowTitleFollows) {
    NoteDocument* first = newNote();
    NoteDocument* second = newNote();
    NoteDocument* third = newNote();
    EXPECT_EQ(first->displayName(), QStringLiteral("Untitled"));
    EXPECT_EQ(second->displayName(), QStringLiteral("Untitled 2"));
    EXPECT_EQ(third->displayName(), QStringLiteral("Untitled 3"));
    EXPECT_EQ(second->window()->windowTitle(), QStringLiteral("Untitled 2[*]"));
    EXPECT_FALSE(second->window()->isWindowModified());

    edit(second, QStringLiteral("x"));
    EXPECT_TRUE(second->window()->isWindowModified());

    // The lowest number no open untitled document has is taken again.
    first->close();
    NoteDocument* fourth = newNote();
    EXPECT_EQ(fourth->displayName(), QStringLiteral("Untitled"));
}

TEST_F(DocumentSavingTest, SavingAnUntitledDocumentAsksForAFileAndThenRunsTheCallersStep) {
    NoteDocument* note = newNote();
    QStringList log;
    note->log = &log;
    edit(note, QStringLiteral("hello"));

    User user;
    user.files.push_back({path("first")}); // the type's extension is added
    note->saveDocument([&](bool saved, const QString& reason) {
        log << QStringLiteral("caller: %1 '%2'").arg(saved).arg(reason);
    });
    QTRY_COMPARE(log.size(), 2);
    EXPECT_EQ(log, (QStringList{"document: saved", "caller: 1 ''"}));
    ASSERT_EQ(user.panels.size(), 1u);
    EXPECT_EQ(user.panels[0].kind, ModalAlert::PanelRequest::Kind::Save);
    EXPECT_EQ(user.panels[0].fileName, QStringLiteral("Untitled"));
    EXPECT_EQ(user.panels[0].extensions, QStringList{"note"});
    EXPECT_EQ(contents(path("first.note")), kNoteMagic + "hello");
    EXPECT_EQ(note->fileName(), path("first.note"));
    EXPECT_FALSE(note->isDocumentEdited());
    EXPECT_EQ(note->window()->windowTitle(), QStringLiteral("first.note[*]"));

    // Saved again, to its own file without asking.
    edit(note, QStringLiteral("again"));
    bool done = false;
    note->saveDocument([&](bool saved, const QString&) { done = saved; });
    QTRY_VERIFY(done);
    EXPECT_EQ(user.panels.size(), 1u);
    EXPECT_EQ(contents(path("first.note")), kNoteMagic + "again");

    // A cancelled panel writes nothing and leaves the document as it was.
    edit(note, QStringLiteral("third"));
    std::optional<std::pair<bool, QString>> result;
    note->saveDocumentAs([&](bool saved, const QString& reason) { result = {saved, reason}; });
    QTRY_VERIFY(result.has_value());
    EXPECT_EQ(*result, std::make_pair(false, QString()));
    EXPECT_TRUE(note->isDocumentEdited());
    EXPECT_EQ(note->fileName(), path("first.note"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"first.note"});
}

TEST_F(DocumentSavingTest, SaveAsMovesTheDocumentAndSaveToWritesACopy) {
    NoteDocument* note = openNote("own.note", QStringLiteral("old"));
    edit(note, QStringLiteral("new"));
    User user;
    user.files.push_back({path("copy.note")});
    user.files.push_back({path("moved.NOTE")}); // extensions compare without case
    bool copied = false, moved = false;
    note->saveDocumentTo([&](bool saved, const QString&) { copied = saved; });
    QTRY_VERIFY(copied);
    EXPECT_EQ(contents(path("copy.note")), kNoteMagic + "new");
    EXPECT_EQ(contents(path("own.note")), kNoteMagic + "old");
    EXPECT_EQ(note->fileName(), path("own.note"));
    EXPECT_TRUE(note->isDocumentEdited());

    note->saveDocumentAs([&](bool saved, const QString&) { moved = saved; });
    QTRY_VERIFY(moved);
    EXPECT_EQ(note->fileName(), path("moved.NOTE"));
    EXPECT_EQ(contents(path("moved.NOTE")), kNoteMagic + "new");
    EXPECT_FALSE(note->isDocumentEdited());
    EXPECT_EQ(user.panels[0].directory, folder.path());
    EXPECT_EQ(user.panels[0].fileName, QStringLiteral("own"));
}

TEST_F(DocumentSavingTest, AFailedWriteIsAFailedSaveWithItsReasonAndChangesNothing) {
    const struct {
        const char* name;
        std::optional<FullFileSystem::Kind> full;
        const char* refusal;
    } cases[] = {
        {"disk full (tmpfs)", FullFileSystem::Kind::Tmpfs, ""},
        {"file size limit", FullFileSystem::Kind::SizeLimit, ""},
        {"contents refused", std::nullopt, "The photos are still loading."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The old file fits; the new contents do not.
        std::optional<FullFileSystem> full;
        QString file = path(QStringLiteral("saved.note"));
        if (c.full) {
            full.emplace(*c.full, 8192);
            if (!full->ready()) {
                std::cout << "skipped: " << c.name << " cannot be set up here\n";
                continue;
            }
            file = full->filePath(QStringLiteral("saved.note"));
        }
        ASSERT_TRUE(writeFile(file, kNoteMagic + "the saved text"));
        const QByteArray before = contents(file);
        std::shared_ptr<Document> opened = controller.openDocumentWithContentsOfFile(file, true);
        auto* note = static_cast<NoteDocument*>(opened.get());
        ASSERT_NE(note, nullptr);
        edit(note, QString(64 * 1024, QLatin1Char('z')));
        note->refuseToWrite = QString::fromLatin1(c.refusal);
        QStringList log;
        note->log = &log;
        const QString expectedReason =
            c.full ? full->systemReason() : QString::fromLatin1(c.refusal);

        User user;
        std::optional<std::pair<bool, QString>> result;
        note->saveDocument([&](bool saved, const QString& reason) {
            log << QStringLiteral("caller");
            result = {saved, reason};
        });
        QTRY_VERIFY(result.has_value());
        const QStringList left = QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files);
        const QByteArray after = contents(file);
        full.reset();

        EXPECT_FALSE(result->first);
        EXPECT_EQ(result->second, expectedReason);
        EXPECT_EQ(log, (QStringList{"document: failed", "caller"}));
        ASSERT_EQ(user.alerts.size(), 1u);
        EXPECT_EQ(user.alerts[0].title,
                  QStringLiteral("The document \"saved.note\" could not be saved."));
        EXPECT_EQ(user.alerts[0].message, expectedReason);
        EXPECT_EQ(after, before);
        EXPECT_EQ(left, QStringList{"saved.note"}); // no temporary file stays
        EXPECT_TRUE(note->isDocumentEdited());
        EXPECT_EQ(note->fileName(), file);
        note->close();
        QCoreApplication::processEvents();
    }
}

TEST_F(DocumentSavingTest, FilesOpenByTheirExtensionOnceAndDamagedOnesAreRefused) {
    NoteDocument* note = openNote("a.note", QStringLiteral("alpha"));
    EXPECT_EQ(note->text, QStringLiteral("alpha"));
    EXPECT_EQ(note->fileType(), QStringLiteral("Note"));
    EXPECT_EQ(note->displayName(), QStringLiteral("a.note"));
    EXPECT_FALSE(note->isDocumentEdited());
    ASSERT_NE(note->window(), nullptr);
    EXPECT_TRUE(note->window()->isVisible());

    // The same file, by another path, is the open document.
    QString error;
    EXPECT_EQ(
        controller.openDocumentWithContentsOfFile(folder.path() + "/./a.note", true, &error).get(),
        note);
    EXPECT_EQ(controller.documents().size(), 1);

    const struct {
        const char* name;
        const char* bytes;
        const char* reason;
    } refused[] = {
        {"b.note", "not a note", "This is not a note."},
        {"c.txt", "NOTE\nwrong kind", "Files of this kind cannot be opened."},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(writeFile(path(r.name), r.bytes));
        error.clear();
        EXPECT_FALSE(controller.openDocumentWithContentsOfFile(path(r.name), true, &error));
        EXPECT_EQ(error, QString::fromLatin1(r.reason));
    }
    EXPECT_FALSE(controller.openDocumentWithContentsOfFile(path("missing.note"), true, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(controller.documents(), QList<Document*>{note});

    // The Open command: chosen in the panel, a refused one shown in an alert.
    User user;
    ASSERT_TRUE(writeFile(path("d.note"), "NOTE\ndelta"));
    user.files.push_back({path("d.note"), path("b.note")});
    controller.openDocument();
    ASSERT_EQ(user.panels.size(), 1u);
    EXPECT_EQ(user.panels[0].kind, ModalAlert::PanelRequest::Kind::Open);
    EXPECT_EQ(user.panels[0].extensions, QStringList{"note"});
    ASSERT_EQ(controller.documents().size(), 2);
    EXPECT_EQ(controller.documents().first()->fileName(), path("d.note"));
    ASSERT_EQ(user.alerts.size(), 1u);
    EXPECT_EQ(user.alerts[0].title, QStringLiteral("The document \"b.note\" could not be opened."));
    EXPECT_EQ(user.alerts[0].message, QStringLiteral("This is not a note."));
}

TEST_F(DocumentSavingTest, TheDocumentsRunFrontToBackAndTheActiveWindowsIsCurrent) {
    NoteDocument* first = openNote("1.note", "one");
    NoteDocument* second = openNote("2.note", "two");
    NoteDocument* third = newNote();
    EXPECT_EQ(controller.documents(), (QList<Document*>{third, second, first}));

    for (NoteDocument* note : {first, second}) {
        note->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(note->window()));
        EXPECT_EQ(controller.currentDocument(), note);
        EXPECT_EQ(controller.documents().first(), note);
    }
    EXPECT_EQ(controller.documents(), (QList<Document*>{second, first, third}));

    // A window that is no document's is no current document.
    QMainWindow other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(controller.currentDocument(), nullptr);
}

TEST_F(DocumentSavingTest, ClosingAnEditedWindowAsksWhetherToSave) {
    const struct {
        const char* name;
        std::vector<int> answers;
        bool untitled;
        const char* chosen; // the save panel's answer: a name in the folder, or cancelled
        bool failWrite;
        bool closes;
        QByteArray onDisk;
    } cases[] = {
        {"cancel", {kCancel}, false, nullptr, false, false, "NOTE\nold"},
        {"don't save", {kDontSave}, false, nullptr, false, true, "NOTE\nold"},
        {"save", {kSave}, false, nullptr, false, true, "NOTE\nnew"},
        {"save fails",
         {kSave, ModalAlert::DefaultReturn},
         false,
         nullptr,
         true,
         false,
         "NOTE\nold"},
        {"save untitled", {kSave}, true, "named", false, true, "NOTE\nnew"},
        {"save untitled, panel cancelled", {kSave}, true, nullptr, false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NoteDocument* note = c.untitled ? newNote() : openNote("close.note", "old");
        edit(note, QStringLiteral("new"));
        if (c.failWrite)
            note->refuseToWrite = QStringLiteral("No room.");
        User user;
        user.answers.assign(c.answers.begin(), c.answers.end());
        if (c.chosen)
            user.files.push_back({path(QString::fromLatin1(c.chosen))});
        QStringList log;
        note->log = &log;
        QPointer<QMainWindow> window = note->window();

        closeWindow(note);

        ASSERT_GE(user.alerts.size(), 1u);
        EXPECT_EQ(user.alerts[0].title,
                  QStringLiteral("Do you want to save the changes you made in the document "
                                 "\"%1\"?")
                      .arg(c.untitled ? QStringLiteral("Untitled") : QStringLiteral("close.note")));
        EXPECT_EQ(user.alerts[0].defaultButton, QStringLiteral("Save"));
        EXPECT_EQ(user.alerts[0].alternateButton, QStringLiteral("Don't Save"));
        EXPECT_EQ(user.alerts[0].otherButton, QStringLiteral("Cancel"));
        EXPECT_EQ(controller.documents().contains(note), !c.closes);
        const QString file = c.untitled ? path("named.note") : path("close.note");
        EXPECT_EQ(contents(file), c.onDisk);
        if (c.closes) {
            EXPECT_TRUE(window.isNull() || !window->isVisible());
            QTRY_VERIFY(window.isNull()); // the document goes, and its window with it
        } else {
            EXPECT_TRUE(window->isVisible());
            EXPECT_TRUE(note->isDocumentEdited());
            note->close();
        }
        QCoreApplication::processEvents();
        QFile::remove(file);
    }
}

TEST_F(DocumentSavingTest, AnUneditedWindowClosesWithoutAsking) {
    NoteDocument* note = openNote("plain.note", "text");
    User user;
    QPointer<QMainWindow> window = note->window();
    closeWindow(note);
    EXPECT_TRUE(user.alerts.empty());
    EXPECT_TRUE(controller.documents().isEmpty());
    QTRY_VERIFY(window.isNull());
}

TEST_F(DocumentSavingTest, TheQuitReviewGoesThroughEveryEditedDocument) {
    const struct {
        const char* name;
        std::vector<int> answers;
        bool allClosed;
        int stillOpen;
    } cases[] = {
        {"save, don't save", {kSave, kDontSave}, true, 0},
        {"cancel at the first", {kCancel}, false, 3},
        {"save, then cancel", {kSave, kCancel}, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NoteDocument* back = openNote("back.note", "b");
        NoteDocument* unedited = openNote("unedited.note", "u");
        NoteDocument* front = openNote("front.note", "f");
        edit(back, QStringLiteral("back edited"));
        edit(front, QStringLiteral("front edited"));
        User user;
        user.answers.assign(c.answers.begin(), c.answers.end());

        std::optional<bool> result;
        controller.closeAllDocuments([&](bool allClosed) { result = allClosed; });
        QTRY_VERIFY(result.has_value());
        EXPECT_EQ(*result, c.allClosed);
        EXPECT_EQ(controller.documents().size(), c.stillOpen);
        // Asked front to back, only about the edited ones.
        ASSERT_EQ(user.alerts.size(), c.answers.size());
        EXPECT_TRUE(user.alerts[0].title.contains(QStringLiteral("front.note")));
        if (c.answers.size() > 1) {
            EXPECT_TRUE(user.alerts[1].title.contains(QStringLiteral("back.note")));
        }
        EXPECT_EQ(contents(path("front.note")),
                  c.answers[0] == kSave ? QByteArray("NOTE\nfront edited") : QByteArray("NOTE\nf"));
        EXPECT_EQ(contents(path("back.note")), "NOTE\nb");
        for (Document* document : controller.documents())
            document->close();
        QCoreApplication::processEvents();
        (void)unedited;
    }
}

TEST_F(DocumentSavingTest, RevertReadsTheFileAgainAndARefusedFileChangesNothing) {
    NoteDocument* note = openNote("revert.note", "saved");
    edit(note, QStringLiteral("changed"));
    User user;

    // Cancelled: nothing changes.
    user.answers = {ModalAlert::AlternateReturn};
    std::optional<std::pair<bool, QString>> result;
    note->revertDocumentToSaved([&](bool ok, const QString& reason) { result = {ok, reason}; });
    QTRY_VERIFY(result.has_value());
    EXPECT_FALSE(result->first);
    EXPECT_EQ(note->text, QStringLiteral("changed"));

    // The file damaged meanwhile: refused with its reason, the document as it was.
    ASSERT_TRUE(writeFile(path("revert.note"), "damaged"));
    result.reset();
    note->revertDocumentToSaved([&](bool ok, const QString& reason) { result = {ok, reason}; });
    QTRY_VERIFY(result.has_value());
    EXPECT_EQ(*result, std::make_pair(false, QStringLiteral("This is not a note.")));
    EXPECT_EQ(user.alerts.back().title,
              QStringLiteral("The document \"revert.note\" could not be reverted."));
    EXPECT_EQ(note->text, QStringLiteral("changed"));
    EXPECT_TRUE(note->isDocumentEdited());
    EXPECT_TRUE(note->undoManager()->canUndo());

    ASSERT_TRUE(writeFile(path("revert.note"), "NOTE\nsaved"));
    result.reset();
    note->revertDocumentToSaved([&](bool ok, const QString& reason) { result = {ok, reason}; });
    QTRY_VERIFY(result.has_value());
    EXPECT_TRUE(result->first);
    EXPECT_EQ(note->text, QStringLiteral("saved"));
    EXPECT_FALSE(note->isDocumentEdited());
    EXPECT_FALSE(note->window()->isWindowModified());
    EXPECT_FALSE(note->undoManager()->canUndo());
    EXPECT_EQ(user.alerts[0].defaultButton, QStringLiteral("Revert"));
}

} // namespace

namespace {

TEST_F(DocumentSavingTest, AQuitRequestWaitsForTheReviewAndACancelledOneKeepsRunning) {
    controller.setReviewsUnsavedDocumentsAtQuit(true);
    NoteDocument* back = openNote("back.note", "b");
    NoteDocument* front = openNote("front.note", "f");
    edit(back, QStringLiteral("back edited"));
    edit(front, QStringLiteral("front edited"));
    User user;
    user.answers = {kCancel};
    int openAfterCancel = -1;
    QTimer::singleShot(0, qApp, [&] {
        QCoreApplication::quit();
        QTimer::singleShot(100, qApp, [&] {
            openAfterCancel = int(controller.documents().size());
            user.answers = {kSave, kDontSave};
            QCoreApplication::quit();
        });
    });
    // Ends the loop should the quit never come.
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(7); });

    EXPECT_EQ(QApplication::exec(), 0);
    controller.setReviewsUnsavedDocumentsAtQuit(false);
    EXPECT_EQ(openAfterCancel, 2);
    EXPECT_EQ(user.alerts.size(), 3u);
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_EQ(contents(path("front.note")), "NOTE\nfront edited");
    EXPECT_EQ(contents(path("back.note")), "NOTE\nb");
}

} // namespace
