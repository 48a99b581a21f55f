#include "platform/ui/ModalAlert.h"

#include "platform/foundation/NotificationCenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <atomic>
#include <mutex>

namespace ModalAlert {

namespace {

std::mutex gResponderMutex;
Responder gResponder;
DialogResponder gDialogResponder;
PanelResponder gPanelResponder;
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

// Without a widget application, or off the main thread, no panel can be shown:
// the request is logged instead.
bool canShowPanels(const QString& what) {
    QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<QApplication*>(app) && QThread::currentThread() == app->thread())
        return true;
    qWarning("%s", qPrintable(what));
    return false;
}

struct AlertButtons {
    QPushButton* defaultButton = nullptr;
    QPushButton* alternateButton = nullptr;
    QPushButton* otherButton = nullptr;

    int answer(const QAbstractButton* clicked) const {
        if (clicked == defaultButton || !clicked)
            return DefaultReturn;
        return clicked == alternateButton ? AlternateReturn : OtherReturn;
    }
};

AlertButtons setUpAlert(QMessageBox& panel, const Request& request) {
    panel.setIcon(iconFor(request.style));
    panel.setWindowTitle(request.title);
    panel.setText(displayText(request.message));
    AlertButtons buttons;
    buttons.defaultButton = panel.addButton(request.defaultButton, QMessageBox::AcceptRole);
    if (!request.alternateButton.isEmpty())
        buttons.alternateButton = panel.addButton(request.alternateButton, QMessageBox::RejectRole);
    if (!request.otherButton.isEmpty())
        buttons.otherButton = panel.addButton(request.otherButton, QMessageBox::ActionRole);
    panel.setDefaultButton(buttons.defaultButton);
    // Escape takes the choice that commits to least: the other button ("Remind Me
    // Later"), else the alternate one, else the default that only dismisses.
    panel.setEscapeButton(buttons.otherButton       ? buttons.otherButton
                          : buttons.alternateButton ? buttons.alternateButton
                                                    : buttons.defaultButton);
    return buttons;
}

int runAlertPanel(const Request& request) {
    QMessageBox panel(QApplication::activeWindow());
    const AlertButtons buttons = setUpAlert(panel, request);
    panel.exec();
    return buttons.answer(panel.clickedButton());
}

// The folder the last accepted panel was in: the next one that names none
// starts there, as the user expects, not in the program's working folder.
QString& lastPanelFolder() {
    static QString folder;
    return folder;
}

QString startFolder(const PanelRequest& request) {
    if (!request.directory.isEmpty())
        return request.directory;
    if (!lastPanelFolder().isEmpty() && QFileInfo(lastPanelFolder()).isDir())
        return lastPanelFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void rememberFolder(const QFileDialog& dialog, int result) {
    if (result == QDialog::Accepted)
        lastPanelFolder() = dialog.directory().absolutePath();
}

void setUpFileDialog(QFileDialog& dialog, const PanelRequest& request) {
    dialog.setWindowTitle(request.title);
    if (!request.prompt.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.prompt);
    dialog.setDirectory(startFolder(request));
    if (!request.extensions.isEmpty()) {
        QStringList patterns;
        for (const QString& extension : request.extensions)
            patterns << QStringLiteral("*.") + extension;
        dialog.setNameFilter(patterns.join(QLatin1Char(' ')));
    }
    if (request.kind == PanelRequest::Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.extensions.isEmpty())
            dialog.setDefaultSuffix(request.extensions.first());
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.multipleSelection ? QFileDialog::ExistingFiles
                                                     : QFileDialog::ExistingFile);
        if (request.chooseDirectories) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
        }
    }
    if (request.accessory) {
        // Only the panel drawn by Qt itself takes extra controls.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(request.accessory, grid->rowCount(), 0, 1, grid->columnCount());
        request.accessory->show();
    }
}

Request withDefaultButton(Request request) {
    if (request.defaultButton.isEmpty())
        request.defaultButton = QCoreApplication::translate("QPlatformTheme", "OK");
    return request;
}

Responder currentResponder() {
    std::lock_guard lock(gResponderMutex);
    return gResponder;
}

PanelResponder currentPanelResponder() {
    std::lock_guard lock(gResponderMutex);
    return gPanelResponder;
}

// Runs `done` from the event loop; dropped when the application is gone.
void later(std::function<void()> done) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(done), Qt::QueuedConnection);
}

// Sheets not ended yet, by window (main thread only, as sheets are).
QHash<const QWidget*, int>& openSheets() {
    static QHash<const QWidget*, int> sheets;
    return sheets;
}

// Counts the sheet as attached to its window until the answer is handed on.
template <class... Args>
std::function<void(Args...)> attached(QWidget* window, std::function<void(Args...)> done) {
    if (!window)
        return done;
    ++openSheets()[window];
    return [window, alive = QPointer<QWidget>(window), done = std::move(done)](Args... args) {
        if (--openSheets()[window] <= 0)
            openSheets().remove(window);
        if (done)
            done(args...);
        if (alive)
            NotificationCenter::defaultCenter().postNotificationName(
                QString::fromLatin1(kWindowDidEndSheetNotification),
                static_cast<const QObject*>(alive.data()));
    };
}

} // namespace

int run(Request request) {
    request = withDefaultButton(std::move(request));
    if (const Responder responder = currentResponder())
        return responder(request);
    if (!canShowPanels(request.title + QStringLiteral(": ") + request.message))
        return DefaultReturn;
    return runAlertPanel(request);
}

void beginSheet(QWidget* window, Request request, std::function<void(int)> done) {
    done = attached(window, std::move(done));
    request = withDefaultButton(std::move(request));
    if (const Responder responder = currentResponder()) {
        const int answer = responder(request);
        later([done = std::move(done), answer] {
            if (done)
                done(answer);
        });
        return;
    }
    if (!canShowPanels(request.title + QStringLiteral(": ") + request.message)) {
        later([done = std::move(done)] {
            if (done)
                done(DefaultReturn);
        });
        return;
    }
    auto* panel = new QMessageBox(window);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    const AlertButtons buttons = setUpAlert(*panel, request);
    QObject::connect(panel, &QDialog::finished, panel,
                     [panel, buttons, done = std::move(done)](int) {
                         if (done)
                             done(buttons.answer(panel->clickedButton()));
                     });
    panel->open();
}

QStringList runPanel(PanelRequest request) {
    if (const PanelResponder responder = currentPanelResponder())
        return responder(request);
    if (!canShowPanels(request.title))
        return {};
    QFileDialog dialog(QApplication::activeWindow());
    setUpFileDialog(dialog, request);
    const int result = dialog.exec();
    rememberFolder(dialog, result);
    const QStringList chosen = result == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    if (request.accessory)
        request.accessory->setParent(nullptr);
    return chosen;
}

void beginPanelSheet(QWidget* window, PanelRequest request,
                     std::function<void(const QStringList&)> done) {
    done = attached(window, std::move(done));
    QStringList answer;
    if (const PanelResponder responder = currentPanelResponder())
        answer = responder(request);
    else if (canShowPanels(request.title)) {
        auto* dialog = new QFileDialog(window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
        setUpFileDialog(*dialog, request);
        QObject::connect(dialog, &QDialog::finished, dialog,
                         [dialog, accessory = QPointer<QWidget>(request.accessory),
                          done = std::move(done)](int result) {
                             rememberFolder(*dialog, result);
                             if (accessory)
                                 accessory->setParent(nullptr);
                             if (done)
                                 done(result == QDialog::Accepted ? dialog->selectedFiles()
                                                                  : QStringList());
                         });
        dialog->open();
        return;
    }
    later([done = std::move(done), answer] {
        if (done)
            done(answer);
    });
}

void beginDialogSheet(QWidget* window, QDialog* dialog, std::function<void(int)> done) {
    done = attached(window, std::move(done));
    DialogResponder responder;
    {
        std::lock_guard lock(gResponderMutex);
        responder = gDialogResponder;
    }
    if (responder || !canShowPanels(dialog->windowTitle())) {
        const int answer = responder ? responder(*dialog) : int(QDialog::Rejected);
        later([done = std::move(done), answer] { done(answer); });
        return;
    }
    dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(dialog, &QDialog::finished, dialog,
                                   [connection, done = std::move(done)](int result) {
                                       QObject::disconnect(*connection);
                                       done(result);
                                   });
    dialog->open();
}

bool hasAttachedSheet(const QWidget* window) {
    return openSheets().value(window) > 0;
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

PanelResponder setPanelResponder(PanelResponder responder) {
    std::lock_guard lock(gResponderMutex);
    return std::exchange(gPanelResponder, std::move(responder));
}

ScopedPanelResponder::ScopedPanelResponder(PanelResponder responder)
    : _previous(setPanelResponder(std::move(responder))) {}

ScopedPanelResponder::~ScopedPanelResponder() {
    setPanelResponder(std::move(_previous));
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

void beginDialogSheet(QWidget* window, QDialog& dialog, std::function<void(int)> done) {
    DialogResponder responder;
    {
        std::lock_guard lock(gResponderMutex);
        responder = gDialogResponder;
    }
    if (responder) {
        const int answer = responder(dialog);
        later([done = std::move(done), answer] {
            if (done)
                done(answer);
        });
        return;
    }
    dialog.setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&dialog, &QDialog::finished, &dialog,
                                   [connection, done = std::move(done)](int result) {
                                       QObject::disconnect(*connection);
                                       if (done)
                                           done(result);
                                   });
    dialog.open();
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
