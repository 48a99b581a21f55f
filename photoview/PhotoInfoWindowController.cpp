#include "photoview/PhotoInfoWindowController.h"

#include "catalog/FileAttributeInfo.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/FileDisplay.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/FinderComment.h"

#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* valueLabel(const char* name) {
    auto* label = named(new QLabel, name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

// A message panel of one tab: its text centred in grey.
QWidget* messagePanel(const char* panelName, const char* labelName, QLabel*& label) {
    auto* panel = named(new QWidget, panelName);
    auto* layout = new QVBoxLayout(panel);
    label = named(new QLabel, labelName);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: gray;"));
    layout->addWidget(label);
    return panel;
}

constexpr int kIconSize = 32;

} // namespace

PhotoInfoWindowController* PhotoInfoWindowController::sharedPhotoInfoController() {
    return sharedInstance<PhotoInfoWindowController>();
}

PhotoInfoWindowController::PhotoInfoWindowController()
    : CatalogPaletteController(QStringLiteral("PhotoInfoPanel"), QSize(300, 380)) {
    buildWindow();
    _showWatcher = std::make_unique<ShowWatcher>(*this);
    window()->installEventFilter(_showWatcher.get());
    observe();
    setFrameAutosaveName(QStringLiteral("_photo_info_window"));
    updateValues();
}

PhotoInfoWindowController::~PhotoInfoWindowController() {
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
}

QPoint PhotoInfoWindowController::defaultOrigin(const QRect& visibleFrame,
                                                const QSize& frameSize) const {
    // Right edge 2 points in, top 377 points below the top of the visible area.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2,
            visibleFrame.y() + 377};
}

void PhotoInfoWindowController::buildWindow() {
    QWidget* top = window();
    top->setWindowTitle(text("INFO_PANEL_TITLE"));
    auto* outer = new QVBoxLayout(top);
    _tabPanelView = named(new QTabWidget, "_tabPanelView");
    outer->addWidget(_tabPanelView);

    // File facts.
    _basicContainerView = named(new QStackedWidget, "_basicContainerView");
    _badSelectPanel1View =
        messagePanel("_badSelectPanel1View", "_badSelectLabel1Field", _badSelectLabel1Field);
    _basicPanelView = named(new QWidget, "_basicPanelView");
    auto* basic = new QFormLayout(_basicPanelView);
    _basicFileIcon = named(new QLabel, "_basicFileIcon");
    _basicFileIcon->setFixedSize(kIconSize, kIconSize);
    _basicFileNameField = valueLabel("_basicFileNameField");
    basic->addRow(_basicFileIcon, _basicFileNameField);
    _basicFilePathField = valueLabel("_basicFilePathField");
    _basicFileKindField = valueLabel("_basicFileKindField");
    _basicFileSizeField = valueLabel("_basicFileSizeField");
    _basicCreationDateField = valueLabel("_basicCreationDateField");
    _basicModifiedDateField = valueLabel("_basicModifiedDateField");
    _basicImageDimensionsField = valueLabel("_basicImageDimensionsField");
    _basicImageTransformsField = valueLabel("_basicImageTransformsField");
    basic->addRow(text("INFO_FOLDER"), _basicFilePathField);
    basic->addRow(text("INFO_KIND"), _basicFileKindField);
    basic->addRow(text("INFO_SIZE"), _basicFileSizeField);
    basic->addRow(text("INFO_CREATED"), _basicCreationDateField);
    basic->addRow(text("INFO_MODIFIED"), _basicModifiedDateField);
    basic->addRow(text("INFO_DIMENSIONS"), _basicImageDimensionsField);
    basic->addRow(text("INFO_TRANSFORMS"), _basicImageTransformsField);
    _basicContainerView->addWidget(_badSelectPanel1View);
    _basicContainerView->addWidget(_basicPanelView);
    _tabPanelView->addTab(_basicContainerView, text("INFO_BASIC_TAB"));

    // EXIF tags.
    _exifContainerView = named(new QStackedWidget, "_exifContainerView");
    _badSelectPanel2View =
        messagePanel("_badSelectPanel2View", "_badSelectLabel2Field", _badSelectLabel2Field);
    _exifPanelView = named(new QWidget, "_exifPanelView");
    auto* exif = new QVBoxLayout(_exifPanelView);
    _exifLabelField = named(new QLabel(text("INFO_EXIF_LABEL")), "_exifLabelField");
    _exifDataTextView = named(new QTextEdit, "_exifDataTextView");
    _exifDataTextView->setReadOnly(true);
    _exifDataTextView->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                               Qt::TextSelectableByKeyboard);
    exif->addWidget(_exifLabelField);
    exif->addWidget(_exifDataTextView);
    _exifContainerView->addWidget(_badSelectPanel2View);
    _exifContainerView->addWidget(_exifPanelView);
    _tabPanelView->addTab(_exifContainerView, text("INFO_EXIF_TAB"));

    // Comment and iPhoto.
    _moreInfoContainerView = named(new QStackedWidget, "_moreInfoContainerView");
    _badSelectPanel3View =
        messagePanel("_badSelectPanel3View", "_badSelectLabel3Field", _badSelectLabel3Field);
    _moreInfoPanelView = named(new QWidget, "_moreInfoPanelView");
    auto* more = new QFormLayout(_moreInfoPanelView);
    _moreInfoFinderCommentsLabel =
        named(new QLabel(text("SPOTLIGHT_COMMENT_DESC")), "_moreInfoFinderCommentsLabel");
    _moreInfoFinderCommentsField = named(new QLineEdit, "_moreInfoFinderCommentsField");
    more->addRow(_moreInfoFinderCommentsLabel, _moreInfoFinderCommentsField);
    _moreInfoIPhotoCaptionLabel =
        named(new QLabel(text("INFO_IPHOTO_TITLE")), "_moreInfoIPhotoCaptionLabel");
    _moreInfoIPhotoCaptionField = named(new QLineEdit, "_moreInfoIPhotoCaptionField");
    _moreInfoIPhotoRatingLabel =
        named(new QLabel(text("INFO_IPHOTO_RATING")), "_moreInfoIPhotoRatingLabel");
    _moreInfoIPhotoRatingField = valueLabel("_moreInfoIPhotoRatingField");
    _moreInfoIPhotoCommentsLabel =
        named(new QLabel(text("INFO_IPHOTO_COMMENT")), "_moreInfoIPhotoCommentsLabel");
    _moreInfoIPhotoCommentsField = named(new QLineEdit, "_moreInfoIPhotoCommentsField");
    more->addRow(_moreInfoIPhotoCaptionLabel, _moreInfoIPhotoCaptionField);
    more->addRow(_moreInfoIPhotoRatingLabel, _moreInfoIPhotoRatingField);
    more->addRow(_moreInfoIPhotoCommentsLabel, _moreInfoIPhotoCommentsField);
    _moreInfoContainerView->addWidget(_badSelectPanel3View);
    _moreInfoContainerView->addWidget(_moreInfoPanelView);
    _tabPanelView->addTab(_moreInfoContainerView, text("INFO_MORE_TAB"));

    QObject::connect(_moreInfoFinderCommentsField, &QLineEdit::editingFinished, top,
                     [this] { doFinderCommentChanged(); });
}

void PhotoInfoWindowController::observe() {
    observeMainWindows();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* self = this;
    // A notice of any catalog refreshes from the main window's document; a
    // hidden palette (live preview sends one per slider step) waits until it shows.
    for (const char* name :
         {kVQFileCatalogSelectionChangedNotify, kVQFileCatalogPropertyChangedNotify,
          kVQFileCatalogPhotoVisiblyChangedNotify})
        center.addObserver(self, str(name), nullptr, [this](const Notification&) {
            if (window()->isVisible())
                updateValues();
            else
                _stale = true;
        });
    center.addObserver(self, str(kWindowDidBecomeKeyNotification),
                       static_cast<const QObject*>(window()),
                       [this](const Notification&) { updateValues(); });
}

void PhotoInfoWindowController::documentChanged() {
    updateValues();
}

// ---------------------------------------------------------------------------
// Showing

void PhotoInfoWindowController::setSubviewInContainer(QWidget* view, QStackedWidget* container) {
    if (container->currentWidget() != view)
        container->setCurrentWidget(view);
}

void PhotoInfoWindowController::showMessage(const QString& message) {
    for (QLabel* label : {_badSelectLabel1Field, _badSelectLabel2Field, _badSelectLabel3Field})
        label->setText(message);
    setSubviewInContainer(_badSelectPanel1View, _basicContainerView);
    setSubviewInContainer(_badSelectPanel2View, _exifContainerView);
    setSubviewInContainer(_badSelectPanel3View, _moreInfoContainerView);
    _commentPath.clear();
}

QString PhotoInfoWindowController::dateText(const QDateTime& date) {
    if (!date.isValid())
        return QStringLiteral("--");
    // The locale's short date and short time, as the user set them.
    const QLocale locale;
    return locale.toString(date.toLocalTime(), locale.dateFormat(QLocale::ShortFormat) +
                                                   QLatin1Char(' ') +
                                                   locale.timeFormat(QLocale::ShortFormat));
}

bool PhotoInfoWindowController::ShowWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && _owner._stale)
        _owner.updateValues();
    return QObject::eventFilter(watched, event);
}

void PhotoInfoWindowController::updateValues() {
    _stale = false;
    RoduvudeDadevizi* doc = document();
    const QList<int> selected = doc ? doc->fileCatalog().getSelectedIndices() : QList<int>();
    if (selected.size() != 1) {
        showMessage(text(selected.isEmpty() ? "NO_SELECTION" : "MULTI_SELECTION"));
        return;
    }
    VQFileCatalog& catalog = doc->fileCatalog();
    const int index = selected.first();
    const QString name = catalog.getFileNameAtIndex(index);
    // Photos from a URL or pasted data have no file of their own to describe.
    const QString path = catalog.getFileAttributeAtIndex(kCatalogAttrIsLocalFile, index).toBool()
                             ? catalog.getFilePathAtIndex(index)
                             : QString();
    const QString folder = catalog.getFileLocationAtIndex(index);

    const std::shared_ptr<LocalFileAttributeInfo> info =
        path.isEmpty() ? nullptr : LocalFileAttributeInfo::fileAttributesInfoWithPath(path);
    if (info) {
        _basicCreationDateField->setText(dateText(info->fileCreationDate()));
        _basicModifiedDateField->setText(dateText(info->fileModificationDate()));
        const Image icon = FileDisplay::iconForFile(path);
        _basicFileIcon->setPixmap(
            icon.isNull()
                ? QPixmap()
                : QPixmap::fromImage(icon.toQImage())
                      .scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        _basicFileKindField->setText(info->fileKind());
        _basicFileSizeField->setText(host().fileSizeString(int64_t(info->fileSize())));
    } else {
        _basicFileIcon->setPixmap(
            QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(kIconSize));
        for (QLabel* field : {_basicCreationDateField, _basicModifiedDateField, _basicFileKindField,
                              _basicFileSizeField})
            field->setText(text("NA"));
    }
    // The pixel size the catalog knows, with or without a readable file.
    const Size size = catalog.getFileImageSizeAtIndex(index);
    _basicImageDimensionsField->setText(
        size.width == 0 && size.height == 0
            ? text("NOT_LOADED")
            : stringWithFormat(QStringLiteral("%d x %d"), int(size.width), int(size.height)));
    _basicFileNameField->setText(name);
    _basicFilePathField->setText(folder);
    _basicImageTransformsField->setText(catalog.getTransformSummaryAtIndex(index));
    setSubviewInContainer(_basicPanelView, _basicContainerView);

    // The file's comment; an entry without a readable file has none to edit.
    _commentPath = info ? path : QString();
    _moreInfoFinderCommentsField->setEnabled(!_commentPath.isEmpty());
    _moreInfoFinderCommentsField->setText(UTGetFinderCommentFromFile(_commentPath));
    // No iPhoto library here: its fields have nothing to show.
    const QColor disabled = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    for (QLabel* label :
         {_moreInfoIPhotoCaptionLabel, _moreInfoIPhotoRatingLabel, _moreInfoIPhotoCommentsLabel}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, disabled);
        label->setPalette(palette);
    }
    for (QLineEdit* field : {_moreInfoIPhotoCaptionField, _moreInfoIPhotoCommentsField}) {
        field->setEnabled(false);
        field->setText(text("NA"));
    }
    _moreInfoIPhotoRatingField->setText(text("NA"));
    setSubviewInContainer(_moreInfoPanelView, _moreInfoContainerView);

    // EXIF: group "0" and then "EXIF", each by sorted tag key.
    const QVariantMap exif = catalog.getFileAttributeAtIndex(kCatalogAttrEXIF, index).toMap();
    QString lines;
    bool anyGroup = false;
    for (const char* group : {"0", "EXIF"}) {
        if (!exif.contains(str(group)))
            continue;
        anyGroup = true;
        const QVariantMap tags = exif.value(str(group)).toMap();
        QStringList keys = tags.keys();
        std::sort(keys.begin(), keys.end());
        for (const QString& key : keys) {
            const QVariantMap tag = tags.value(key).toMap();
            lines += stringWithFormat(QStringLiteral("%@:  %@\n"), tag.value(str("TagName")),
                                      tag.value(str("exifValue")));
        }
    }
    _exifDataTextView->setPlainText(lines);
    if (anyGroup) {
        setSubviewInContainer(_exifPanelView, _exifContainerView);
    } else {
        _badSelectLabel2Field->setText(text("NO_EXIF"));
        setSubviewInContainer(_badSelectPanel2View, _exifContainerView);
    }
}

// ---------------------------------------------------------------------------
// Edits

void PhotoInfoWindowController::doFinderCommentChanged() {
    RoduvudeDadevizi* doc = document();
    if (!doc)
        return;
    VQFileCatalog& catalog = doc->fileCatalog();
    const QList<int> selected = catalog.getSelectedIndices();
    if (selected.size() != 1 || _commentPath.isEmpty())
        return;
    const QString current = UTGetFinderCommentFromFile(_commentPath);
    const QString typed = _moreInfoFinderCommentsField->text();
    if (typed == current)
        return;
    if (!UTSetFinderCommentInFile(_commentPath, typed)) {
        _moreInfoFinderCommentsField->setText(current);
        ModalAlert::beep();
        return;
    }
    // The EXIF tags are read again, with the new comment among them.
    catalog.setFileAttributeAtIndexToValue(kCatalogAttrEXIF, selected.first(), QVariant());
    catalog.notifySelectionChanged(selected);
}
