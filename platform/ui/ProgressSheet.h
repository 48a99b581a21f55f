#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The sheet a window shows while a long run works through its items on the main
// thread (pages written to disk, images for an e-mail, exported photos): a message
// line, a bar and a Cancel button. The event loop does not run during such a run,
// so the run polls the sheet between items; a poll delivers the input that is
// waiting, among it a click on Cancel, repaints the sheet and answers at once.
//
// While shown the sheet is modal to the whole application: the run is still inside
// the action that started it, and no other window may start or change anything
// under it meanwhile. A cancel takes effect when the run next polls.
class LUMISK_PLATFORM_EXPORT ProgressSheet : public QDialog {
    Q_OBJECT

public:
    // How long end() leaves the full bar in view before the sheet closes.
    static constexpr int kLingerMilliseconds = 500;

    explicit ProgressSheet(QWidget* window);
    ~ProgressSheet() override;

    // Shows the sheet over its window with the bar at 0 of `maximum` and no cancel asked.
    void begin(int maximum);
    void setMessage(const QString& message);
    QString message() const;
    void setValue(int value);
    int value() const;
    int maximum() const;
    void advance() { setValue(value() + 1); }

    // Handles the waiting input and repaints; whether Cancel has been asked for.
    bool pollCancel();
    bool isCancelled() const { return _cancelled; }

    // Fills the bar and closes the sheet kLingerMilliseconds later, without waiting for it.
    void end();

    QLabel* messageField() const { return _messageField; }
    QProgressBar* progressBar() const { return _progressBar; }
    QPushButton* cancelButton() const { return _cancelButton; }

Q_SIGNALS:
    void cancelRequested();

protected:
    // Escape asks to cancel, as the button does; only end() closes the sheet.
    void reject() override;

private:
    void requestCancel();

    QLabel* _messageField;
    QProgressBar* _progressBar;
    QPushButton* _cancelButton;
    bool _cancelled = false;
    int _closeTicket = 0;
};
