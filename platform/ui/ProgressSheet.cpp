#include "platform/ui/ProgressSheet.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Wide enough for a file name and a page message without the sheet resizing.
constexpr int kMessageWidth = 360;

} // namespace

ProgressSheet::ProgressSheet(QWidget* window)
    : QDialog(window), _messageField(new QLabel(this)), _progressBar(new QProgressBar(this)),
      _cancelButton(
          new QPushButton(QCoreApplication::translate("QPlatformTheme", "Cancel"), this)) {
    setWindowModality(Qt::ApplicationModal);
    _messageField->setObjectName(QStringLiteral("message"));
    _messageField->setMinimumWidth(kMessageWidth);
    _progressBar->setObjectName(QStringLiteral("progress"));
    _progressBar->setTextVisible(false);
    _cancelButton->setObjectName(QStringLiteral("cancel"));
    _cancelButton->setAutoDefault(false);
    connect(_cancelButton, &QPushButton::clicked, this, &ProgressSheet::requestCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(_messageField);
    layout->addWidget(_progressBar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(_cancelButton);
    layout->addLayout(buttons);
}

ProgressSheet::~ProgressSheet() = default;

void ProgressSheet::begin(int maximum) {
    ++_closeTicket;
    _cancelled = false;
    _cancelButton->setEnabled(true);
    _progressBar->setRange(0, std::max(maximum, 0));
    _progressBar->setValue(0);
    show();
    raise();
    activateWindow();
}

void ProgressSheet::setMessage(const QString& message) {
    _messageField->setText(message);
}

QString ProgressSheet::message() const {
    return _messageField->text();
}

void ProgressSheet::setValue(int value) {
    _progressBar->setValue(std::clamp(value, _progressBar->minimum(), _progressBar->maximum()));
}

int ProgressSheet::value() const {
    return _progressBar->value();
}

int ProgressSheet::maximum() const {
    return _progressBar->maximum();
}

bool ProgressSheet::pollCancel() {
    // Only what is already waiting: the run goes on at once when nothing is.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return _cancelled;
}

void ProgressSheet::end() {
    setValue(maximum());
    _cancelButton->setEnabled(false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const int ticket = ++_closeTicket;
    QTimer::singleShot(kLingerMilliseconds, this, [this, ticket] {
        // A sheet begun again meanwhile stays.
        if (ticket == _closeTicket)
            hide();
    });
}

void ProgressSheet::reject() {
    requestCancel();
}

void ProgressSheet::requestCancel() {
    if (_cancelled || !isVisible() || !_cancelButton->isEnabled())
        return;
    _cancelled = true;
    Q_EMIT cancelRequested();
}
