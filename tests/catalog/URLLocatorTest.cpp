#include "GridFixture.h"

#include "catalog/URLLocator.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
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

TEST_F(URLLocatorTest, ACancelledSheetPostsNothing) {
    ModalAlert::ScopedDialogResponder dialogs([](QDialog&) { return int(QDialog::Rejected); });
    int located = 0;
    NotificationCenter::defaultCenter().addObserver(this, str(kURLLocatedNotify), nullptr,
                                                    [&](const Notification&) { ++located; });
    QPointer<URLLocator> locator = new URLLocator;
    locator->locateURLInSheet(QUrl(str("http://127.0.0.1/a.jpg")), window());
    drainEvents();
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(located, 0);
    EXPECT_TRUE(locator.isNull()); // it let itself go
}

TEST_F(URLLocatorTest, DropsFillTheField) {
    URLLocator locator;
    locator.setValidFileTypes({str("png")});
    QDialog* dialog = locator.locatorWindow();
    QMimeData web;
    web.setUrls({QUrl(str("http://127.0.0.1/x%20y.png"))});
    sendDrag(dialog, QEvent::DragEnter, &web, QPoint(5, 5), Qt::CopyAction);
    sendDrag(dialog, QEvent::Drop, &web, QPoint(5, 5), Qt::CopyAction);
    EXPECT_EQ(locator.urlTextField()->text(), str("http://127.0.0.1/x%20y.png"));
    EXPECT_EQ(locator.urlTextField()->selectedText(), locator.urlTextField()->text());
    EXPECT_TRUE(locator.okButton()->isEnabled());
    QMimeData text;
    text.setText(str("just words"));
    sendDrag(dialog, QEvent::DragEnter, &text, QPoint(5, 5), Qt::CopyAction);
    sendDrag(dialog, QEvent::Drop, &text, QPoint(5, 5), Qt::CopyAction);
    EXPECT_EQ(locator.urlTextField()->text(), str("just words"));
    EXPECT_FALSE(locator.okButton()->isEnabled());
    QMimeData nothing;
    sendDrag(dialog, QEvent::DragEnter, &nothing, QPoint(5, 5), Qt::CopyAction);
    sendDrag(dialog, QEvent::Drop, &nothing, QPoint(5, 5), Qt::CopyAction);
    EXPECT_EQ(locator.urlTextField()->text(), str("just words"));
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
