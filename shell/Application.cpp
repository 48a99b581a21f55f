#include "shell/Application.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/ModalAlert.h"

#include <QScopeGuard>
#include <exception>

namespace {

constexpr char kProgramErrorTitle[] = "A Program Error Occurred!";
constexpr char kProgramErrorMessage[] =
    "This may or may not be serious, but you may want to save your work just to be safe. "
    "If the problem persists, please contact technical support at %1.\n\n%2 %3\n";
constexpr char kSupportAddress[] = "support@lumisk.org";
constexpr char kUnknownExceptionName[] = "UnknownException";
constexpr char kUnknownExceptionReason[] = "An exception of unknown type was raised.";
constexpr char kStandardExceptionName[] = "std::exception";
constexpr char kOKKey[] = "OK";

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const Exception& exception) {
        reportException(exception.name(), exception.reason());
    } catch (const std::exception& exception) {
        reportException(QString::fromLatin1(kStandardExceptionName),
                        QString::fromLocal8Bit(exception.what()));
    } catch (...) {
        reportException(QString::fromLatin1(kUnknownExceptionName),
                        QString::fromLatin1(kUnknownExceptionReason));
    }
    return false;
}

QString Application::programErrorMessage(const QString& name, const QString& reason) {
    return QString::fromLatin1(kProgramErrorMessage)
        .arg(QString::fromLatin1(kSupportAddress), name, reason);
}

void Application::reportException(const QString& name, const QString& reason) {
    if (_reporting)
        return;
    _reporting = true;
    const auto done = qScopeGuard([this] { _reporting = false; });
    ModalAlert::beep();
    ModalAlert::Request alert(QString::fromLatin1(kProgramErrorTitle),
                              programErrorMessage(name, reason));
    alert.defaultButton = localizedString(QString::fromLatin1(kOKKey));
    alert.style = ModalAlert::Style::Critical;
    ModalAlert::run(alert);
}
