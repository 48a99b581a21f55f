#pragma once

#include <QString>
#include <functional>

// An alert the application asks a question with and waits for: a title, a
// message and up to three buttons. Empty button texts are left out; with none at
// all there is one "OK".
struct ModalAlert {
    QString title;
    QString message;
    QString defaultButton;
    QString alternateButton;
    QString otherButton;
};

// The button chosen, as the platform's alert panels answer.
inline constexpr int kAlertDefaultReturn = 1;
inline constexpr int kAlertAlternateReturn = 0;
inline constexpr int kAlertOtherReturn = -1;

// Shows the alert through the installed handler (main thread only) and answers
// the button chosen.
int runModalAlert(const ModalAlert& alert);

// Tests answer alerts themselves; an empty handler puts back the application's
// own, which shows a message box. Returns the handler it replaces.
using ModalAlertHandler = std::function<int(const ModalAlert&)>;
ModalAlertHandler setModalAlertHandler(ModalAlertHandler handler);
