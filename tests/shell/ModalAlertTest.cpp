#include "shell/ModalAlert.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Presses the button with `text` in the message box that is up, once one is.
void pressWhenShown(const QString& text, QStringList* seen) {
    QTimer::singleShot(20, [text, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            pressWhenShown(text, seen);
            return;
        }
        for (QAbstractButton* button : box->buttons())
            *seen << button->text();
        *seen << box->informativeText();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == text)
                QTest::mouseClick(button, Qt::LeftButton);
    });
}

} // namespace

TEST(ModalAlertTest, TheMessageBoxAnswersWithTheButtonChosen) {
    const ModalAlert alert{QStringLiteral("Title"), QStringLiteral("one\rtwo"),
                           QStringLiteral("Download"), QStringLiteral("Skip"),
                           QStringLiteral("Later")};
    struct Case {
        const char* button;
        int answer;
    };
    for (const Case& c : {Case{"Download", kAlertDefaultReturn},
                          Case{"Skip", kAlertAlternateReturn}, Case{"Later", kAlertOtherReturn}}) {
        QStringList seen;
        pressWhenShown(QString::fromLatin1(c.button), &seen);
        EXPECT_EQ(runModalAlert(alert), c.answer) << c.button;
        EXPECT_TRUE(seen.contains(QStringLiteral("one\ntwo"))) << seen.join(u'|').toStdString();
    }
}

TEST(ModalAlertTest, AnAlertWithoutButtonsHasOK) {
    QStringList seen;
    pressWhenShown(QStringLiteral("OK"), &seen);
    EXPECT_EQ(runModalAlert({QStringLiteral("Title"), QStringLiteral("Text"), {}, {}, {}}),
              kAlertDefaultReturn);
    EXPECT_TRUE(seen.contains(QStringLiteral("OK")));
}

TEST(ModalAlertTest, AnInstalledHandlerAnswersInstead) {
    QString asked;
    const ModalAlertHandler previous = setModalAlertHandler([&](const ModalAlert& alert) {
        asked = alert.title;
        return kAlertOtherReturn;
    });
    EXPECT_EQ(runModalAlert({QStringLiteral("Question"), {}, {}, {}, {}}), kAlertOtherReturn);
    EXPECT_EQ(asked, QStringLiteral("Question"));
    setModalAlertHandler(previous);
}
