#include "platform/ui/ModalAlert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <mutex>

namespace ModalAlert {

namespace {

std::mutex gResponderMutex;
Responder gResponder;
DialogResponder gDialogResponder;
std::atomic<int> gBeeps = 0;

QMessageBox::Icon iconFor(Style style) {
    switch (style) {
    case Style::Informational:
        return QMessageBox::Information;
    case Style::Critical:
        return QMessageBox::Critical;
    case Style::Warning:
        break;
    }
    return QMessageBox::Warning;
}

// Messages mark line breaks with a carriage return, as the platform's alert
// texts do; a message box wants new lines.
QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

int runPanel(const Request& request) {
    QMessageBox panel(iconFor(request.style), request.title, displayText(request.message),
                      QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* defaultButton = panel.addButton(request.defaultButton, QMessageBox::AcceptRole);
    QPushButton* alternateButton =
        request.alternateButton.isEmpty()
            ? nullptr
            : panel.addButton(request.alternateButton, QMessageBox::RejectRole);
    QPushButton* otherButton = request.otherButton.isEmpty()
                                   ? nullptr
                                   : panel.addButton(request.otherButton, QMessageBox::ActionRole);
    panel.setDefaultButton(defaultButton);
    // Escape takes the choice that commits to least: the other button ("Remind Me
    // Later"), else the alternate one, else the default that only dismisses.
    panel.setEscapeButton(otherButton       ? otherButton
                          : alternateButton ? alternateButton
                                            : defaultButton);
    panel.exec();
    const QAbstractButton* clicked = panel.clickedButton();
    if (clicked == defaultButton || !clicked)
        return DefaultReturn;
    return clicked == alternateButton ? AlternateReturn : OtherReturn;
}

} // namespace

int run(Request request) {
    if (request.defaultButton.isEmpty())
        request.defaultButton = QCoreApplication::translate("QPlatformTheme", "OK");
    Responder responder;
    {
        std::lock_guard lock(gResponderMutex);
        responder = gResponder;
    }
    if (responder)
        return responder(request);
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QApplication*>(app) || QThread::currentThread() != app->thread()) {
        qWarning("%s: %s", qPrintable(request.title), qPrintable(request.message));
        return DefaultReturn;
    }
    return runPanel(request);
}

Responder setResponder(Responder responder) {
    std::lock_guard lock(gResponderMutex);
    return std::exchange(gResponder, std::move(responder));
}

ScopedResponder::ScopedResponder(Responder responder)
    : _previous(setResponder(std::move(responder))) {}

ScopedResponder::~ScopedResponder() {
    setResponder(std::move(_previous));
}

void beep() {
    ++gBeeps;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

int beepCount() {
    return gBeeps;
}

int runDialog(QDialog& dialog) {
    DialogResponder responder;
    {
        std::lock_guard lock(gResponderMutex);
        responder = gDialogResponder;
    }
    if (responder)
        return responder(dialog);
    return dialog.exec();
}

DialogResponder setDialogResponder(DialogResponder responder) {
    std::lock_guard lock(gResponderMutex);
    return std::exchange(gDialogResponder, std::move(responder));
}

ScopedDialogResponder::ScopedDialogResponder(DialogResponder responder)
    : _previous(setDialogResponder(std::move(responder))) {}

ScopedDialogResponder::~ScopedDialogResponder() {
    setDialogResponder(std::move(_previous));
}

} // namespace ModalAlert
