#pragma once

#include "photoview/CatalogPaletteController.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QStackedWidget;
class QTabWidget;
class QTextEdit;
class RoduvudeDadevizi;

// The shared photo information palette of the catalog windows: what is known
// about the one photo selected in the main catalog window, on three tabs (the
// file's facts, its EXIF tags, and its comment with the iPhoto fields). Each tab
// is a container that shows either its panel or a message ("NO_SELECTION",
// "MULTI_SELECTION", "NO_EXIF"). The comment is the file's own and is written
// back when the user edits it. There is no iPhoto library on this system: its
// fields stay disabled and read "NA".
class PhotoInfoWindowController : public CatalogPaletteController {
public:
    enum Tab : int { BasicTab = 0, EXIFTab = 1, MoreInfoTab = 2 };

    static PhotoInfoWindowController* sharedPhotoInfoController();
    ~PhotoInfoWindowController() override;

    void updateValues();
    // Shows the view in the container (a stack of its alternatives).
    static void setSubviewInContainer(QWidget* view, QStackedWidget* container);
    // The comment field's action.
    void doFinderCommentChanged();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    void documentChanged() override;

private:
    friend class PaletteController;
    // Brings a palette that missed notices while hidden up to date as it shows.
    class ShowWatcher : public QObject {
    public:
        explicit ShowWatcher(PhotoInfoWindowController& owner) : _owner(owner) {}
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        PhotoInfoWindowController& _owner;
    };
    PhotoInfoWindowController();
    void buildWindow();
    void observe();
    void showMessage(const QString& message);
    // The formatted date, or "--" without one.
    static QString dateText(const QDateTime& date);

    QTabWidget* _tabPanelView = nullptr;
    QStackedWidget* _basicContainerView = nullptr;
    QStackedWidget* _exifContainerView = nullptr;
    QStackedWidget* _moreInfoContainerView = nullptr;
    QLabel* _badSelectLabel1Field = nullptr;
    QWidget* _badSelectPanel1View = nullptr;
    QLabel* _badSelectLabel2Field = nullptr;
    QWidget* _badSelectPanel2View = nullptr;
    QLabel* _badSelectLabel3Field = nullptr;
    QWidget* _badSelectPanel3View = nullptr;

    QWidget* _basicPanelView = nullptr;
    QLabel* _basicFileNameField = nullptr;
    QLabel* _basicCreationDateField = nullptr;
    QLabel* _basicModifiedDateField = nullptr;
    QLabel* _basicFileIcon = nullptr;
    QLabel* _basicFileKindField = nullptr;
    QLabel* _basicFilePathField = nullptr;
    QLabel* _basicFileSizeField = nullptr;
    QLabel* _basicImageDimensionsField = nullptr;
    QLabel* _basicImageTransformsField = nullptr;

    QWidget* _exifPanelView = nullptr;
    QTextEdit* _exifDataTextView = nullptr;
    QLabel* _exifLabelField = nullptr;

    QWidget* _moreInfoPanelView = nullptr;
    QLabel* _moreInfoFinderCommentsLabel = nullptr;
    QLineEdit* _moreInfoFinderCommentsField = nullptr;
    QLabel* _moreInfoIPhotoCaptionLabel = nullptr;
    QLineEdit* _moreInfoIPhotoCaptionField = nullptr;
    QLabel* _moreInfoIPhotoRatingLabel = nullptr;
    QLabel* _moreInfoIPhotoRatingField = nullptr;
    QLabel* _moreInfoIPhotoCommentsLabel = nullptr;
    QLineEdit* _moreInfoIPhotoCommentsField = nullptr;

    // The file whose comment the field shows; empty for none.
    QString _commentPath;
    bool _stale = false;
    std::unique_ptr<ShowWatcher> _showWatcher;
};
