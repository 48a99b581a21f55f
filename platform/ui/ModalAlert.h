#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
#include <utility>

class QWidget;

// Modal alerts and the system beep. Every modal alert of the program goes
// through run(), so that one installed responder can answer them all: tests
// install one, and without one the user answers an alert panel.
//
// An alert has a title, a message and up to three buttons; run() answers the
// button that ended it in the platform's return codes.
namespace ModalAlert {

enum Return : int { DefaultReturn = 1, AlternateReturn = 0, OtherReturn = -1 };

enum class Style { Warning, Informational, Critical };

struct Request {
    Request() = default;
    Request(QString title, QString message)
        : title(std::move(title)), message(std::move(message)) {}

    QString title;
    QString message;
    QString defaultButton;   // "OK" when empty
    QString alternateButton; // no such button when empty
    QString otherButton;     // no such button when empty
    Style style = Style::Warning;
};

// Receives the request with its default button named, answers a Return.
using Responder = std::function<int(const Request&)>;

// Shows the alert and waits (main thread only). With no widget application
// (command-line tools, fuzz targets) or off the main thread it is logged and
// answers DefaultReturn.
LUMISK_PLATFORM_EXPORT int run(Request request);

// Installs a responder (an empty one restores the alert panel) and answers
// the one it replaces.
LUMISK_PLATFORM_EXPORT Responder setResponder(Responder responder);

// A responder installed for the lifetime of the object.
class LUMISK_PLATFORM_EXPORT ScopedResponder {
public:
    explicit ScopedResponder(Responder responder);
    ~ScopedResponder();
    ScopedResponder(const ScopedResponder&) = delete;
    ScopedResponder& operator=(const ScopedResponder&) = delete;

private:
    Responder _previous;
};

// Open and save panels go through the same seam: one installed panel
// responder answers them all in place of the user.
struct PanelRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString directory;
    QString fileName;       // the name a save panel suggests
    QStringList extensions; // those the panel offers, without dots; empty: any file
    bool multipleSelection = false;
    bool chooseDirectories = false; // an open panel that chooses folders, not files
    // Controls shown below the panel's own; not owned, and left unparented after.
    QWidget* accessory = nullptr;
    QString prompt; // the OK button's text; the panel's own when empty
};

// Answers the chosen files' paths; none for a cancelled panel.
using PanelResponder = std::function<QStringList(const PanelRequest&)>;

// Runs an application-modal panel. With no widget application or off the main
// thread it is logged and answers none.
LUMISK_PLATFORM_EXPORT QStringList runPanel(PanelRequest request);

// Installs a panel responder (an empty one restores the file dialog) and
// answers the one it replaces.
LUMISK_PLATFORM_EXPORT PanelResponder setPanelResponder(PanelResponder responder);

class LUMISK_PLATFORM_EXPORT ScopedPanelResponder {
public:
    explicit ScopedPanelResponder(PanelResponder responder);
    ~ScopedPanelResponder();
    ScopedPanelResponder(const ScopedPanelResponder&) = delete;
    ScopedPanelResponder& operator=(const ScopedPanelResponder&) = delete;

private:
    PanelResponder _previous;
};

// Sheets: modal to `window` alone (to the application without one), they
// return at once and end in `done`, which always runs later, from the event
// loop, also when a responder answers.
LUMISK_PLATFORM_EXPORT void beginSheet(QWidget* window, Request request,
                                       std::function<void(int)> done);
LUMISK_PLATFORM_EXPORT void beginPanelSheet(QWidget* window, PanelRequest request,
                                            std::function<void(const QStringList&)> done);
// A dialog of the program's own as a sheet: the dialog responder answers it
// when one is installed (done still runs later), else it opens modal to the
// window. The caller keeps the dialog until done has run.
LUMISK_PLATFORM_EXPORT void beginDialogSheet(QWidget* window, QDialog* dialog,
                                             std::function<void(int)> done);
// Whether a sheet begun on the window has not ended yet (its done not run).
LUMISK_PLATFORM_EXPORT bool hasAttachedSheet(const QWidget* window);
// Posted with the window as object once a sheet begun on it has ended and its
// done has run.
inline constexpr char kWindowDidEndSheetNotification[] = "NSWindowDidEndSheetNotification";

// The system beep, counted so that tests can see it happen.
LUMISK_PLATFORM_EXPORT void beep();
LUMISK_PLATFORM_EXPORT int beepCount();

// The program's own modal dialogs (a format's settings, for one) go through
// runDialog(), so that the same kind of responder answers them: it receives the
// dialog built and not yet shown, may work its controls as a user would, and
// answers QDialog::Accepted or QDialog::Rejected. Without one the dialog is run
// with exec().
using DialogResponder = std::function<int(QDialog&)>;

LUMISK_PLATFORM_EXPORT int runDialog(QDialog& dialog);

// The program's own dialog as a sheet: modal to `window` alone (to the
// application without one), returning at once; `done` gets the dialog's
// result later, from the event loop. An installed dialog responder answers
// in place of the user, as for runDialog().
LUMISK_PLATFORM_EXPORT void beginDialogSheet(QWidget* window, QDialog& dialog,
                                             std::function<void(int)> done);

// Installs a dialog responder (an empty one restores exec()) and answers the one it replaces.
LUMISK_PLATFORM_EXPORT DialogResponder setDialogResponder(DialogResponder responder);

class LUMISK_PLATFORM_EXPORT ScopedDialogResponder {
public:
    explicit ScopedDialogResponder(DialogResponder responder);
    ~ScopedDialogResponder();
    ScopedDialogResponder(const ScopedDialogResponder&) = delete;
    ScopedDialogResponder& operator=(const ScopedDialogResponder&) = delete;

private:
    DialogResponder _previous;
};

} // namespace ModalAlert
