#pragma once

#include <QApplication>
#include <QString>

// The application object. An exception that reaches the event loop ends in the
// program-error alert instead of ending the program.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Beeps and shows the program-error alert naming the exception. While one
    // alert is up, further exceptions are dropped: an exception raised while
    // painting would otherwise open alerts without end.
    void reportException(const QString& name, const QString& reason);

    // The alert's message for an exception.
    static QString programErrorMessage(const QString& name, const QString& reason);

private:
    bool _reporting = false;
};
