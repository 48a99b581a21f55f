#include "catalog/URLLocator.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Room for a typical picture address without scrolling.
constexpr int kFieldMinimumWidth = 380;

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

QPushButton* URLLocator::cancelButton() {
    loadWindow();
    return _cancelButton;
}

GenericDragReceiverView* URLLocator::dragReceiver() {
    loadWindow();
    return _dragReceiver;
}

void URLLocator::loadWindow() {
    if (_locatorWindow)
        return;
    _locatorWindow = new QDialog;
    _locatorWindow->setObjectName(qs("URLLocator"));
    _locatorWindow->setWindowTitle(localizedString(qs("URL_LOCATOR_TITLE")));
    auto* whole = new QVBoxLayout(_locatorWindow);
    whole->setContentsMargins(0, 0, 0, 0);
    // The controls live inside the receiver, so that a drop on any of them is its.
    _dragReceiver = new GenericDragReceiverView(_locatorWindow);
    _dragReceiver->setObjectName(qs("dragReceiver"));
    whole->addWidget(_dragReceiver);
    auto* layout = new QVBoxLayout(_dragReceiver);
    layout->addWidget(new QLabel(localizedString(qs("URL_LOCATOR_PROMPT")), _dragReceiver));
    _urlTextField = new QLineEdit(_dragReceiver);
    _urlTextField->setObjectName(qs("urlTextField"));
    _urlTextField->setAcceptDrops(false);
    _urlTextField->setMinimumWidth(kFieldMinimumWidth);
    layout->addWidget(_urlTextField);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    _cancelButton = new QPushButton(localizedString(qs("CANCEL")), _dragReceiver);
    _okButton = new QPushButton(localizedString(qs("OK")), _dragReceiver);
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
    {
        const QSignalBlocker quiet(_urlTextField);
        if (url.isValid()) {
            _urlTextField->setText(url.toString(QUrl::FullyEncoded));
            _okButton->setEnabled(true);
        } else {
            _urlTextField->clear();
            _okButton->setEnabled(false);
        }
    }
    setupDragReceiver();
}

void URLLocator::setupDragReceiver() {
    loadWindow();
    _dragReceiver->setupForDragTypesWithTarget({qs(URLPboardType), qs(StringPboardType)}, this);
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
    if (parent) {
        _locatorWindow->setParent(parent, _locatorWindow->windowFlags() | Qt::Sheet);
        // Should the window go with its sheet still up, the locator goes too.
        connect(_locatorWindow, &QObject::destroyed, this, [this] {
            if (_runningAsSheet)
                deleteLater();
        });
    }
    ModalAlert::beginDialogSheet(parent, _locatorWindow, [self = QPointer(this)](int code) {
        if (self)
            self->locateURLDidEnd(code);
    });
}

void URLLocator::locateURLDidEnd(int returnCode) {
    const QUrl url = _locatorWindow ? urlFromText(_urlTextField->text()) : QUrl();
    if (returnCode != 0 && url.isValid()) {
        QVariantMap info{{qs(kURLLocatedURLKey), url}, {qs(kURLLocatedEntryPosKey), -1}};
        NotificationCenter::defaultCenter().postNotificationName(
            qs(kURLLocatedNotify), WindowController::forWindow(_parentWindow), info);
    }
    if (_locatorWindow)
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

bool URLLocator::canHandleDrag(const Pasteboard& pasteboard) {
    return pasteboard.hasType(qs(URLPboardType)) || pasteboard.hasType(qs(StringPboardType));
}

void URLLocator::handleDragAtPointFromView(const Pasteboard& pasteboard, Point, View*) {
    loadWindow();
    QString text;
    if (pasteboard.hasType(qs(URLPboardType))) {
        const QUrl url(
            pasteboard.propertyListForType(qs(URLPboardType)).toList().value(0).toString());
        if (!url.isValid())
            return;
        text = url.toString(QUrl::FullyEncoded);
    } else {
        text = pasteboard.propertyListForType(qs(StringPboardType)).toString();
    }
    if (text.isEmpty())
        return;
    _urlTextField->setText(text);
    _urlTextField->selectAll();
    validateEnteredText(text);
}
