#include "GridFixture.h"

#include "catalog/URLLocator.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWindow>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// A drag that enters the shown dialog at `at` and is dropped there, built as
// the window system hands it to the dialog's window: Qt finds the widget under
// the point that takes drops. Whether the dialog took it.
bool dropOnDialog(QDialog& dialog, QMimeData& data, QPoint at, bool* hilighted = nullptr) {
    QWindow* window = dialog.windowHandle();
    if (!window)
        return false;
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (hilighted) {
        const auto* receiver = dialog.findChild<GenericDragReceiverView*>();
        *hilighted = receiver && receiver->dragHilight();
    }
    if (!enter.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(window, &leave);
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

QPoint centreIn(const QWidget& widget, const QWidget& ancestor) {
    return widget.mapTo(&ancestor, widget.rect().center());
}

} // namespace

class URLLocatorTest : public GridFixture {};

TEST_F(URLLocatorTest, OKNeedsSchemeHostAndAValidFileType) {
    struct Case {
        const char* text;
        QStringList types;
        bool ok;
    };
    const Case cases[] = {
        {"http://example.com/photos/a.jpg", {str("jpg")}, true},
        {"http://example.com/photos/a.JPG", {str("jpg")}, false}, // exact match
        {"http://example.com/photos/a.JPG", {str("JPG")}, true},
        {"http://example.com", {str("jpg")}, false}, // only a host
        {"http://example.com/", {str("jpg")}, false},
        {"http://example.com", {}, true},
        {"http://example.com/", {}, true},
        {"a.jpg", {str("jpg")}, false}, // no scheme or host
        {"a.jpg", {}, false},
        {"http://exa mple.com/a.jpg", {}, false},
        {"", {}, false},
        {"file:///photos/a.jpg", {str("jpg")}, false}, // no host
        {"http:///a.jpg", {}, false},
        {"ftp://example.com/a.jpg", {str("jpg")}, true},
        {"http://example.com/photos/", {str("jpg")}, false}, // a folder has no extension
        {"http://example.com/photos/", {}, true},
        {"http://example.com/a.png", {str("jpg"), str("png")}, true},
        {"http://example.com/a.jpg?size=2", {str("jpg")}, false}, // the text's extension
        {"http://example.com/a.jpg?size=2", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        URLLocator locator;
        locator.setValidFileTypes(c.types);
        locator.urlTextField()->setText(str(c.text)); // as typed
        EXPECT_EQ(locator.okButton()->isEnabled(), c.ok);
    }
}

TEST_F(URLLocatorTest, AModalRunAnswersTheURLOrNothing) {
    URLLocator locator;
    locator.setValidFileTypes({str("jpg")});
    QString shown;
    bool okAtStart = false;
    ModalAlert::ScopedDialogResponder dialogs([&](QDialog& dialog) {
        auto* field = dialog.findChild<QLineEdit*>(str("urlTextField"));
        shown = field->text();
        okAtStart = locator.okButton()->isEnabled();
        field->setText(str("http://127.0.0.1/b.jpg"));
        locator.buttonPressed(locator.okButton());
        return dialog.result();
    });
    EXPECT_EQ(locator.locateURLModally(QUrl(str("http://127.0.0.1/a.jpg"))),
              QUrl(str("http://127.0.0.1/b.jpg")));
    EXPECT_EQ(shown, str("http://127.0.0.1/a.jpg"));
    EXPECT_TRUE(okAtStart);
    ModalAlert::ScopedDialogResponder cancel([&](QDialog&) {
        okAtStart = locator.okButton()->isEnabled();
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(locator.locateURLModally(QUrl()).isValid());
    EXPECT_FALSE(okAtStart); // no URL given: OK starts off
    ModalAlert::ScopedDialogResponder noURL([&](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(str("urlTextField"))->setText(str("http://exa mple/"));
        return int(QDialog::Accepted);
    });
    EXPECT_FALSE(locator.locateURLModally(QUrl(str("http://127.0.0.1/a.jpg"))).isValid());
}

TEST_F(URLLocatorTest, TheAddCommandRunsItAsASheetAndAddsTheURL) {
    ModalAlert::ScopedDialogResponder dialogs([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(str("urlTextField"))->setText(str("http://127.0.0.1:9/p.jpg"));
        return int(QDialog::Accepted);
    });
    QList<QVariantMap> located;
    NotificationCenter::defaultCenter().addObserver(
        this, str(kURLLocatedNotify), nullptr, [&](const Notification& n) {
            EXPECT_EQ(n.object(), static_cast<const void*>(controller));
            located.append(n.userInfo());
        });
    controller->addURL();
    EXPECT_TRUE(ModalAlert::hasAttachedSheet(window()));
    drainEvents();
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_FALSE(ModalAlert::hasAttachedSheet(window()));
    ASSERT_EQ(located.size(), 1);
    EXPECT_EQ(located.front().value(str("url")).toUrl(), QUrl(str("http://127.0.0.1:9/p.jpg")));
    EXPECT_EQ(located.front().value(str("entryPos")).toInt(), -1);
    ASSERT_EQ(catalog().fileCount(), 1);
    EXPECT_TRUE(catalog().getFileAttributeAtIndex(kCatalogAttrIsURL, 0).toBool());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrURL, 0).toUrl(),
              QUrl(str("http://127.0.0.1:9/p.jpg")));
}

TEST_F(URLLocatorTest, ASheetPostsOnlyForOKWithAURL) {
    const struct {
        const char* what;
        int answer;
        const char* text;
    } cases[] = {
        {"Cancel", QDialog::Rejected, "http://127.0.0.1/a.jpg"},
        {"OK with no URL", QDialog::Accepted, "http://exa mple.com/a.jpg"},
        {"OK with an empty field", QDialog::Accepted, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ModalAlert::ScopedDialogResponder dialogs([&](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(str("urlTextField"))->setText(str(c.text));
            return c.answer;
        });
        int located = 0;
        NotificationCenter::defaultCenter().addObserver(this, str(kURLLocatedNotify), nullptr,
                                                        [&](const Notification&) { ++located; });
        QPointer<URLLocator> locator = new URLLocator;
        locator->locateURLInSheet(QUrl(str("http://127.0.0.1/a.jpg")), window());
        drainEvents();
        NotificationCenter::defaultCenter().removeObserver(this);
        EXPECT_EQ(located, 0);
        EXPECT_TRUE(locator.isNull()); // it let itself go
        EXPECT_FALSE(ModalAlert::hasAttachedSheet(window()));
    }
    EXPECT_EQ(catalog().fileCount(), 0);
}

TEST_F(URLLocatorTest, AWindowClosedUnderItsSheetTakesTheLocatorAlong) {
    int located = 0;
    NotificationCenter::defaultCenter().addObserver(this, str(kURLLocatedNotify), nullptr,
                                                    [&](const Notification&) { ++located; });
    auto* parent = new QWidget;
    parent->show();
    QPointer<URLLocator> locator = new URLLocator;
    locator->locateURLInSheet(QUrl(str("http://127.0.0.1/a.jpg")), parent);
    QPointer<QDialog> sheet = locator->locatorWindow();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->parentWidget(), parent);
    delete parent;
    // Deleted outside any event loop: its deferred deletions are flushed by hand.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    drainEvents();
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_TRUE(sheet.isNull());
    EXPECT_TRUE(locator.isNull());
    EXPECT_EQ(located, 0);
}

TEST_F(URLLocatorTest, DropsAnywhereOnTheDialogFillAndSelectTheField) {
    URLLocator locator;
    locator.setValidFileTypes({str("png")});
    QDialog* dialog = locator.locatorWindow();
    locator.setupDragReceiver();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    QLineEdit* field = locator.urlTextField();
    const QPoint onField = centreIn(*field, *dialog);
    const QPoint onButton = centreIn(*locator.cancelButton(), *dialog);

    QMimeData web;
    web.setUrls({QUrl(str("http://127.0.0.1/x%20y.png"))});
    QMimeData webAndText;
    webAndText.setUrls({QUrl(str("http://127.0.0.1/first.png"))});
    webAndText.setText(str("a caption"));
    QMimeData words;
    words.setText(str("just words"));
    QMimeData address;
    address.setText(str("http://127.0.0.1/typed.png"));
    const struct {
        const char* what;
        QMimeData* data;
        QPoint at;
        const char* text;
        bool ok;
    } cases[] = {
        {"a web address on the field", &web, onField, "http://127.0.0.1/x%20y.png", true},
        {"text on a button", &words, onButton, "just words", false},
        {"a web address with text", &webAndText, onButton, "http://127.0.0.1/first.png", true},
        {"an address as text", &address, onField, "http://127.0.0.1/typed.png", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        field->setText(str("before"));
        bool hilighted = false;
        EXPECT_TRUE(dropOnDialog(*dialog, *c.data, c.at, &hilighted));
        EXPECT_TRUE(hilighted);
        EXPECT_FALSE(locator.dragReceiver()->dragHilight());
        EXPECT_FALSE(locator.dragReceiver()->inDragHandler());
        EXPECT_EQ(field->text(), str(c.text));
        EXPECT_EQ(field->selectedText(), field->text());
        EXPECT_EQ(locator.okButton()->isEnabled(), c.ok);
    }

    // Nothing it takes: the field stays as it is.
    QMimeData image;
    image.setImageData(QImage(4, 4, QImage::Format_RGB32));
    bool hilighted = true;
    EXPECT_FALSE(dropOnDialog(*dialog, image, onField, &hilighted));
    EXPECT_FALSE(hilighted);
    EXPECT_EQ(field->text(), str("http://127.0.0.1/typed.png"));
}

TEST_F(URLLocatorTest, AClickOnTheFieldReachesIt) {
    URLLocator locator;
    QDialog* dialog = locator.locatorWindow();
    locator.setupDragReceiver();
    QLineEdit* field = locator.urlTextField();
    field->setText(str("http://127.0.0.1/a/long/path/to/a.jpg"));
    dialog->show();
    QApplication::setActiveWindow(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    locator.cancelButton()->setFocus();
    ASSERT_EQ(field->cursorPosition(), field->text().size());
    // Through the window, as the pointer would: near the field's left end.
    const QPoint at = field->mapTo(dialog, QPoint(4, field->height() / 2));
    QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    drainEvents();
    EXPECT_TRUE(field->hasFocus());
    EXPECT_LT(field->cursorPosition(), 3);
}

TEST_F(URLLocatorTest, RefreshFetchesAURLEntryAnew) {
    catalog().addURLEntryAtPosition(QUrl(str("http://127.0.0.1:9/r.jpg")), -1);
    addPhotos(1);
    sizeForColumns(2);
    // The grid's thumbnail loader tries the unreachable address on its own
    // thread; its verdict must not land after the refresh below.
    static_cast<void>(QTest::qWaitFor(
        [&] { return !catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 0).toBool(); }, 5000));
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEnabled, 0, false);
    catalog().setSelectionAtIndex(1);
    QMenu* menu = grid()->menuForEvent(grid()->getCellRectAtIndex(1).center(), 0);
    QAction* refresh = nullptr;
    for (QAction* action : menu->actions())
        if (action->data().toInt() == kTagRefresh)
            refresh = action;
    ASSERT_NE(refresh, nullptr);
    EXPECT_FALSE(grid()->validateMenuItem(refresh)); // a file entry only
    catalog().setSelectionAtIndex(0);
    EXPECT_TRUE(grid()->validateMenuItem(refresh));
    document->updateChangeCount(Document::ChangeCleared);
    refresh->trigger();
    EXPECT_TRUE(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 0).toBool());
    EXPECT_TRUE(document->isDocumentEdited());
}
