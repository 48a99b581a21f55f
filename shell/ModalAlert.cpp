#include "shell/ModalAlert.h"

#include "platform/foundation/LocalizedStrings.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr char kOkKey[] = "OK";

// Messages mark line breaks with a carriage return, as the platform's alerts read
// them; a message box wants new lines.
QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

int showMessageBox(const ModalAlert& alert) {
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(alert.title);
    box.setText(displayText(alert.title));
    box.setInformativeText(displayText(alert.message));
    const QString defaultText = alert.defaultButton.isEmpty() && alert.alternateButton.isEmpty() &&
                                        alert.otherButton.isEmpty()
                                    ? localizedString(QString::fromLatin1(kOkKey))
                                    : alert.defaultButton;
    QPushButton* defaultButton = nullptr;
    QPushButton* alternateButton = nullptr;
    QPushButton* otherButton = nullptr;
    if (!defaultText.isEmpty())
        defaultButton = box.addButton(defaultText, QMessageBox::AcceptRole);
    if (!alert.alternateButton.isEmpty())
        alternateButton = box.addButton(alert.alternateButton, QMessageBox::RejectRole);
    if (!alert.otherButton.isEmpty())
        otherButton = box.addButton(alert.otherButton, QMessageBox::ActionRole);
    if (defaultButton)
        box.setDefaultButton(defaultButton);
    // Escape takes the choice that commits to least.
    if (QPushButton* escape = otherButton ? otherButton : alternateButton)
        box.setEscapeButton(escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == alternateButton)
        return kAlertAlternateReturn;
    if (clicked && clicked == otherButton)
        return kAlertOtherReturn;
    return kAlertDefaultReturn;
}

ModalAlertHandler& installedHandler() {
    static ModalAlertHandler handler;
    return handler;
}

} // namespace

int runModalAlert(const ModalAlert& alert) {
    const ModalAlertHandler handler = installedHandler();
    return handler ? handler(alert) : showMessageBox(alert);
}

ModalAlertHandler setModalAlertHandler(ModalAlertHandler handler) {
    ModalAlertHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
