#include "documents/RoduvudeDadevizi.h"
#include "platform/documents/DocumentController.h"
#include "shell/AppDelegate.h"
#include "shell/Application.h"
#include "shell/ImageLoader.h"
#include "shell/InstanceChannel.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

void onTerminate(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(gSignalPipe[1], &c, 1);
}

// A terminal's Ctrl-C or a session's TERM ends the application the way its Quit
// command does, so the ordered end runs.
void quitOnSignals(Application& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        char c;
        [[maybe_unused]] auto n = ::read(gSignalPipe[0], &c, 1);
        QApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

} // namespace

int main(int argc, char* argv[]) {
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumisk"));
    QApplication::setOrganizationName(QStringLiteral("Lumisk"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Files and folders named on the command line, as the file manager's Open With
    // names them too. A Lumisk that runs already takes them, and this one ends.
    QStringList paths;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        paths << QFileInfo(arguments[i]).absoluteFilePath();
    InstanceChannel channel;
    if (channel.handOverOrListen(paths) == InstanceChannel::Outcome::HandedOver)
        return 0;

    quitOnSignals(app);
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    ImageLoader::registerDocumentTypes(documents);

    AppDelegate delegate;
    QObject::connect(
        &channel, &InstanceChannel::pathsReceived, &app,
        [&delegate](const QStringList& handed) { delegate.openHandedOverPaths(handed); });
    return delegate.applicationMain(paths);
}
