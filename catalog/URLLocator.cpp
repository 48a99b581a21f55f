#include "catalog/URLLocator.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"

#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// The text's last path component, trailing slashes ignored, as paths name it.
QString lastPathComponent(QString text) {
    while (text.size() > 1 && text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
}

QString pathExtension(const QString& text) {
    const QString last = lastPathComponent(text);
    const int dot = last.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? last.mid(dot + 1) : QString();
}

QUrl urlFromText(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !text.isEmpty() ? url : QUrl();
}

} // namespace

URLLocator::URLLocator() = default;

URLLocator::~URLLocator() {
    delete _locatorWindow;
}

QDialog* URLLocator::locatorWindow() {
    loadWindow();
    return _locatorWindow;
}

QLineEdit* URLLocator::urlTextField() {
    loadWindow();
    return _urlTextField;
}

QPushButton* URLLocator::okButton() {
    loadWindow();
    return _okButton;
}

void URLLocator::loadWindow() {
    if (_locatorWindow)
        return;
    _locatorWindow = new QDialog;
    _locatorWindow->setObjectName(qs("URLLocator"));
    _locatorWindow->setWindowTitle(localizedString(qs("URL_LOCATOR_TITLE")));
    _locatorWindow->setAcceptDrops(true);
    _locatorWindow->installEventFilter(this);
    auto* layout = new QVBoxLayout(_locatorWindow);
    layout->addWidget(new QLabel(localizedString(qs("URL_LOCATOR_PROMPT")), _locatorWindow));
    _urlTextField = new QLineEdit(_locatorWindow);
    _urlTextField->setObjectName(qs("urlTextField"));
    // The field takes no drops of its own: the dialog's receiver does.
    _urlTextField->setAcceptDrops(false);
    layout->addWidget(_urlTextField);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    _cancelButton = new QPushButton(localizedString(qs("CANCEL")), _locatorWindow);
    _okButton = new QPushButton(localizedString(qs("OK")), _locatorWindow);
    _okButton->setDefault(true);
    _okButton->setEnabled(false); // the field starts empty
    buttons->addWidget(_cancelButton);
    buttons->addWidget(_okButton);
    layout->addLayout(buttons);
    connect(_okButton, &QPushButton::clicked, this, [this] { buttonPressed(_okButton); });
    connect(_cancelButton, &QPushButton::clicked, this, [this] { buttonPressed(_cancelButton); });
    connect(_urlTextField, &QLineEdit::textChanged, this,
            [this](const QString& text) { validateEnteredText(text); });
}

void URLLocator::openWithURL(const QUrl& url) {
    loadWindow();
    const QSignalBlocker quiet(_urlTextField);
    if (url.isValid()) {
        _urlTextField->setText(url.toString(QUrl::FullyEncoded));
        _okButton->setEnabled(true);
    } else {
        _urlTextField->clear();
        _okButton->setEnabled(false);
    }
}

QUrl URLLocator::locateURLModally(const QUrl& url) {
    openWithURL(url);
    const int code = ModalAlert::runDialog(*_locatorWindow);
    _locatorWindow->close();
    return code == QDialog::Accepted ? urlFromText(_urlTextField->text()) : QUrl();
}

void URLLocator::locateURLInSheet(const QUrl& url, QWidget* parent) {
    openWithURL(url);
    _runningAsSheet = true;
    _parentWindow = parent;
    ModalAlert::beginDialogSheet(parent, _locatorWindow,
                                 [this](int code) { locateURLDidEnd(code); });
}

void URLLocator::locateURLDidEnd(int returnCode) {
    const QUrl url = urlFromText(_urlTextField->text());
    if (returnCode != 0 && url.isValid()) {
        QVariantMap info{{qs(kURLLocatedURLKey), url}, {qs(kURLLocatedEntryPosKey), -1}};
        NotificationCenter::defaultCenter().postNotificationName(
            qs(kURLLocatedNotify), WindowController::forWindow(_parentWindow), info);
    }
    _locatorWindow->close();
    _runningAsSheet = false;
    deleteLater();
}

void URLLocator::buttonPressed(QObject* sender) {
    loadWindow();
    _locatorWindow->done(sender == _okButton ? QDialog::Accepted : QDialog::Rejected);
}

void URLLocator::validateEnteredText(const QString& text) {
    loadWindow();
    bool valid = false;
    const QUrl url = urlFromText(text);
    if (url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty()) {
        valid = true;
        if (!_validFileTypes.isEmpty())
            valid = url.host() != lastPathComponent(text) &&
                    _validFileTypes.contains(pathExtension(text));
    }
    _okButton->setEnabled(valid);
}

bool URLLocator::canHandleDrag(const QMimeData* data) const {
    return data && (Pasteboard(data).hasType(qs(URLPboardType)) || data->hasText());
}

void URLLocator::handleDrag(const QMimeData* data) {
    loadWindow();
    if (!data)
        return;
    const Pasteboard pasteboard(data);
    QString text;
    if (pasteboard.hasType(qs(URLPboardType))) {
        const QUrl url(
            pasteboard.propertyListForType(qs(URLPboardType)).toList().value(0).toString());
        if (!url.isValid())
            return;
        text = url.toString(QUrl::FullyEncoded);
    } else {
        text = data->text();
    }
    if (text.isEmpty())
        return;
    _urlTextField->setText(text);
    _urlTextField->selectAll();
    validateEnteredText(text);
}

bool URLLocator::eventFilter(QObject* watched, QEvent* event) {
    if (watched != _locatorWindow)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (canHandleDrag(drag->mimeData()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!canHandleDrag(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        handleDrag(drop->mimeData());
        drop->acceptProposedAction();
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
