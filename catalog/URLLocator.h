#pragma once

#include "catalog/GenericDragReceiverView.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

// Posted when a locator run as a sheet ends with a URL: object the sheet's
// window controller, user info {"url", "entryPos": -1}.
inline constexpr char kURLLocatedNotify[] = "URLLocatedNotify";
inline constexpr char kURLLocatedURLKey[] = "url";
inline constexpr char kURLLocatedEntryPosKey[] = "entryPos";

// The small dialog in which the user types, pastes or drops the URL of a
// picture: run modally (locate) or as a sheet on a catalog window (add). OK is
// enabled only for a URL with scheme and host and, when valid file types are
// set, a file name whose extension is one of them (exactly, case included).
// Both runs go through the dialog seam, so tests answer the dialog. Drops of a
// URL or of text anywhere on the dialog reach it through its drag receiver.
class URLLocator : public QObject, public DragReceiverTarget {
    Q_OBJECT

public:
    URLLocator();
    ~URLLocator() override;

    QStringList validFileTypes() const { return _validFileTypes; }
    // Empty accepts any extension.
    void setValidFileTypes(const QStringList& types) { _validFileTypes = types; }

    // The URL entered, or an invalid one on Cancel or for text that is no URL.
    QUrl locateURLModally(const QUrl& url);
    // Returns at once; the result is posted as "URLLocatedNotify". The locator
    // deletes itself when the sheet ends: the caller hands it over.
    void locateURLInSheet(const QUrl& url, QWidget* parent);

    void buttonPressed(QObject* sender);
    void validateEnteredText(const QString& text);
    void setupDragReceiver();
    // Drops on the dialog: a URL or plain text.
    bool canHandleDrag(const Pasteboard& pasteboard) override;
    void handleDragAtPointFromView(const Pasteboard& pasteboard, Point point, View* view) override;

    // The dialog's parts, loaded on first use.
    QDialog* locatorWindow();
    QLineEdit* urlTextField();
    QPushButton* okButton();
    QPushButton* cancelButton();
    GenericDragReceiverView* dragReceiver();

private:
    void loadWindow();
    void openWithURL(const QUrl& url);
    void locateURLDidEnd(int returnCode);

    QPushButton* _cancelButton = nullptr;
    // A sheet's window lives in its parent window, which may close first.
    QPointer<QDialog> _locatorWindow;
    QPushButton* _okButton = nullptr;
    QLineEdit* _urlTextField = nullptr;
    QStringList _validFileTypes;
    bool _runningAsSheet = false;
    QPointer<QWidget> _parentWindow;
    GenericDragReceiverView* _dragReceiver = nullptr;
};
