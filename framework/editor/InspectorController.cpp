#include "framework/editor/InspectorController.h"

#include "framework/Formwell.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/inspectors/TMObjectController.h"
#include "framework/model/PageDesc.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/imaging/GraphicsImporter.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/NumberText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr char kAutosaveName[] = "_inspector_window_Y";
constexpr int kMaxGridDivisions = 16;
constexpr int kMessageHeight = 24;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QLabel* makeLabel(const char* key, const char* name, QWidget* parent, QList<QLabel*>& labels) {
    auto* label = new QLabel(frameworkString(key), parent);
    label->setObjectName(str(name));
    labels.append(label);
    return label;
}

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(str(name));
    return widget;
}

// A page size in the page's unit: whole points, one decimal for picas, two
// for any other unit, in the user's decimal separator.
QString sizeText(const PageDesc& page, float value) {
    const QString unit = page.abbrevDisplayUnit();
    if (unit == str("pt"))
        return stringWithFormat(str("%d %@"), int(value), unit);
    return TM_LocalizeDecimalString(
        stringWithFormat(str(unit == str("pc") ? "%1.1f %@" : "%1.2f %@"), double(value), unit));
}

// A field's number read as it is shown.
float fieldNumber(const QLineEdit* field) {
    return float(readLocalizedNumber(field->text(), TM_LocalizeDecimalString(str("."))));
}

// The object tab's area; the message stays centred in it as it is resized.
class ObjectContainer : public QWidget {
public:
    QLabel* message = nullptr;
    // The strip the message shows in: the area's width by 24 points, centred.
    QRect messageRect() const {
        return {0, height() / 2 - kMessageHeight / 2, width(), kMessageHeight};
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (message)
            message->setGeometry(messageRect());
    }
};

void setChecked(QCheckBox* box, bool on) {
    const QSignalBlocker quiet(box);
    box->setChecked(on);
}

} // namespace

InspectorController* InspectorController::sharedInspectorController() {
    return sharedInstance<InspectorController>();
}

InspectorController::InspectorController()
    : PaletteController(QStringLiteral("Inspector"), QSize(300, 470)) {
    window()->setWindowTitle(frameworkString("INSPECTOR"));
    setFrameAutosaveName(str(kAutosaveName));
    auto* layout = new QVBoxLayout(window());
    layout->setContentsMargins(4, 4, 4, 4);
    _masterTabView = named(new QTabWidget(window()), "_masterTabView");
    layout->addWidget(_masterTabView);
    buildDocumentTab();
    buildPageTab();
    buildObjectTab();
    // Room for every tab before the window is first placed.
    window()->resize(window()->size().expandedTo(window()->sizeHint()));
    observe();
    setMainWindow(MainWindowTracker::sharedTracker().mainWindow());
    updateDisplayedValues();
    activatePalette();
}

InspectorController::~InspectorController() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---------------------------------------------------------------------------
// Building

void InspectorController::buildDocumentTab() {
    auto* tab = new QWidget;
    auto* grid = new QGridLayout(tab);
    QList<QLabel*>& labels = _documentLabels;
    const auto field = [this, tab](const char* name) {
        auto* f = named(new QLineEdit(tab), name);
        QObject::connect(f, &QLineEdit::editingFinished, f,
                         [this, f] { documentPropertyChange(f); });
        return f;
    };
    _nameField = field("_nameField");
    _categoryField = named(new QComboBox(tab), "_categoryField");
    _categoryField->setEditable(true);
    _categoryField->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(_categoryField, &QComboBox::activated, _categoryField,
                     [this] { documentPropertyChange(_categoryField); });
    QObject::connect(_categoryField->lineEdit(), &QLineEdit::editingFinished, _categoryField,
                     [this] { documentPropertyChange(_categoryField); });
    _creatorField = field("_creatorField");
    _descriptionField = field("_descriptionField");
    _copyrightField = field("_copyrightField");
    _versionField = field("_versionField");

    int row = 0;
    const auto addRow = [&](const char* key, const char* name, QWidget* control) {
        grid->addWidget(makeLabel(key, name, tab, labels), row, 0, Qt::AlignRight);
        grid->addWidget(control, row++, 1, 1, 2);
    };
    addRow("INSP_NAME", "_nameLabel", _nameField);
    addRow("INSP_CATEGORY", "_categoryLabel", _categoryField);
    addRow("INSP_CREATOR", "_creatorLabel", _creatorField);
    addRow("INSP_DESCRIPTION", "_descriptionLabel", _descriptionField);
    addRow("INSP_COPYRIGHT", "_copyrightLabel", _copyrightField);
    addRow("INSP_VERSION", "_versionLabel", _versionField);

    grid->addWidget(makeLabel("INSP_THUMBNAIL", "_thumbnailLabel", tab, labels), row, 0,
                    Qt::AlignRight | Qt::AlignTop);
    _thumbnailView = named(new QLabel(tab), "_thumbnailView");
    _thumbnailView->setFixedSize(100, 100);
    _thumbnailView->setAlignment(Qt::AlignCenter);
    _thumbnailView->setFrameShape(QFrame::StyledPanel);
    grid->addWidget(_thumbnailView, row, 1, Qt::AlignTop);

    auto* side = new QVBoxLayout;
    _thumbnailGenMatrixView = named(new QWidget(tab), "_thumbnailGenMatrix");
    auto* matrixLayout = new QVBoxLayout(_thumbnailGenMatrixView);
    matrixLayout->setContentsMargins(0, 0, 0, 0);
    _thumbnailGenMatrix = new QButtonGroup(_thumbnailGenMatrixView);
    const char* modes[] = {"INSP_THUMBNAIL_AUTO", "INSP_THUMBNAIL_CUSTOM"};
    for (int tag = 0; tag < 2; ++tag) {
        auto* cell = new QRadioButton(frameworkString(modes[tag]), _thumbnailGenMatrixView);
        _thumbnailGenMatrix->addButton(cell, tag);
        matrixLayout->addWidget(cell);
    }
    QObject::connect(_thumbnailGenMatrix, &QButtonGroup::idClicked, _thumbnailGenMatrixView,
                     [this](int tag) { thumbnailGenChange(tag); });
    side->addWidget(_thumbnailGenMatrixView);
    const auto button = [tab, side](const char* key, const char* name) {
        auto* b = named(new QPushButton(frameworkString(key), tab), name);
        side->addWidget(b);
        return b;
    };
    _addThumbnailButton = button("INSP_THUMBNAIL_ADD", "_addThumbnailButton");
    _removeThumbnailButton = button("INSP_THUMBNAIL_REMOVE", "_removeThumbnailButton");
    _autoThumbnailButton = button("INSP_THUMBNAIL_MAKE", "_autoThumbnailButton");
    QObject::connect(_addThumbnailButton, &QPushButton::clicked, tab, [this] { addThumbnail(); });
    QObject::connect(_removeThumbnailButton, &QPushButton::clicked, tab,
                     [this] { removeThumbnail(); });
    QObject::connect(_autoThumbnailButton, &QPushButton::clicked, tab, [this] { autoThumbnail(); });
    side->addStretch();
    grid->addLayout(side, row++, 2);
    grid->setRowStretch(row, 1);
    _masterTabView->addTab(tab, frameworkString("INSP_DOCUMENT_TAB"));
}

void InspectorController::buildPageTab() {
    auto* tab = new QWidget;
    auto* grid = new QGridLayout(tab);
    QList<QLabel*>& labels = _pageLabels;
    int row = 0;

    _autoPageSizeMatrixView = named(new QWidget(tab), "_autoPageSizeMatrix");
    auto* matrixLayout = new QVBoxLayout(_autoPageSizeMatrixView);
    matrixLayout->setContentsMargins(0, 0, 0, 0);
    _autoPageSizeMatrix = new QButtonGroup(_autoPageSizeMatrixView);
    const char* sizing[] = {"INSP_PAGE_FROM_PAPER", "INSP_PAGE_OWN_SIZE"};
    for (int tag = 0; tag < 2; ++tag) {
        auto* cell = new QRadioButton(frameworkString(sizing[tag]), _autoPageSizeMatrixView);
        _autoPageSizeMatrix->addButton(cell, tag);
        matrixLayout->addWidget(cell);
    }
    QObject::connect(_autoPageSizeMatrix, &QButtonGroup::idClicked, _autoPageSizeMatrixView,
                     [this] { pageDefChanged(_autoPageSizeMatrix); });
    grid->addWidget(makeLabel("INSP_SIZE", "_sizeLabel", tab, labels), row, 0,
                    Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(_autoPageSizeMatrixView, row++, 1, 1, 2);

    _pageWidthField = named(new QLineEdit(tab), "_pageWidthField");
    _pageHeightField = named(new QLineEdit(tab), "_pageHeightField");
    for (QLineEdit* field : {_pageWidthField, _pageHeightField})
        QObject::connect(field, &QLineEdit::editingFinished, field, [this, field] {
            // Leaving a field unedited must not write its rounded text back.
            if (!field->isModified())
                return;
            field->setModified(false);
            pageDefChanged(field);
        });
    grid->addWidget(_pageWidthField, row, 1);
    grid->addWidget(_pageHeightField, row++, 2);
    grid->addWidget(makeLabel("INSP_HEIGHT", "_heightLabel", tab, labels), row++, 2,
                    Qt::AlignHCenter | Qt::AlignTop);

    _displayUnitsPopUp = named(new QComboBox(tab), "_displayUnitsPopUp");
    for (const char* unit :
         {kDisplayUnitInches, kDisplayUnitCentimeters, kDisplayUnitPicas, kDisplayUnitPoints})
        _displayUnitsPopUp->addItem(str(unit));
    QObject::connect(_displayUnitsPopUp, &QComboBox::activated, _displayUnitsPopUp,
                     [this] { pageDefChanged(_displayUnitsPopUp); });
    grid->addWidget(makeLabel("INSP_UNITS", "_unitsLabel", tab, labels), row, 0, Qt::AlignRight);
    grid->addWidget(_displayUnitsPopUp, row++, 1, 1, 2);

    _showsMarginSwitch =
        named(new QCheckBox(frameworkString("INSP_SHOW_MARGINS"), tab), "_showsMarginSwitch");
    grid->addWidget(_showsMarginSwitch, row++, 1, 1, 2);

    _gridDivisionsPopUp = named(new QComboBox(tab), "_gridDivisionsPopUp");
    for (int divisions = 1; divisions <= kMaxGridDivisions; ++divisions)
        _gridDivisionsPopUp->addItem(QString::number(divisions));
    QObject::connect(_gridDivisionsPopUp, &QComboBox::activated, _gridDivisionsPopUp,
                     [this] { pageDefChanged(_gridDivisionsPopUp); });
    grid->addWidget(makeLabel("INSP_GRID", "_gridLabel", tab, labels), row, 0, Qt::AlignRight);
    grid->addWidget(makeLabel("INSP_DIVISIONS", "_divisionsLabel", tab, labels), row, 1,
                    Qt::AlignRight);
    grid->addWidget(_gridDivisionsPopUp, row++, 2);

    const auto toggle = [this, tab](const char* key, const char* name) {
        auto* box = named(new QCheckBox(frameworkString(key), tab), name);
        QObject::connect(box, &QCheckBox::clicked, box, [this, box] { pageDisplayChanged(box); });
        return box;
    };
    QObject::connect(_showsMarginSwitch, &QCheckBox::clicked, _showsMarginSwitch,
                     [this] { pageDisplayChanged(_showsMarginSwitch); });
    _showsGridSwitch = toggle("INSP_SHOW_GRID", "_showsGridSwitch");
    _snapsToGridSwitch = toggle("INSP_SNAP_GRID", "_snapsToGridSwitch");
    grid->addWidget(_showsGridSwitch, row, 1);
    grid->addWidget(_snapsToGridSwitch, row++, 2);
    const auto well = [this, tab](const char* name) {
        auto* w = named(new ColorWell(tab), name);
        QObject::connect(w, &ColorWell::colorChosen, w, [this, w] { pageDisplayChanged(w); });
        return w;
    };
    _gridColorWell = well("_gridColorWell");
    grid->addWidget(makeLabel("INSP_GRID_COLOR", "_gridColorLabel", tab, labels), row, 1,
                    Qt::AlignRight);
    grid->addWidget(_gridColorWell, row++, 2, Qt::AlignLeft);

    _showsGuidesSwitch = toggle("INSP_SHOW_GUIDES", "_showsGuidesSwitch");
    _snapsToGuidesSwitch = toggle("INSP_SNAP_GUIDES", "_snapsToGuidesSwitch");
    grid->addWidget(_showsGuidesSwitch, row, 1);
    grid->addWidget(_snapsToGuidesSwitch, row++, 2);
    _guideColorWell = well("_guideColorWell");
    grid->addWidget(makeLabel("INSP_GUIDE_COLOR", "_guideColorLabel", tab, labels), row, 1,
                    Qt::AlignRight);
    grid->addWidget(_guideColorWell, row++, 2, Qt::AlignLeft);
    grid->setRowStretch(row, 1);
    _masterTabView->addTab(tab, frameworkString("INSP_PAGE_TAB"));
}

void InspectorController::buildObjectTab() {
    auto* container = named(new ObjectContainer, "_objectContainerView");
    _objectContainerView = container;
    _messageView = named(new QLabel(_objectContainerView), "_messageView");
    container->message = _messageView;
    _messageView->setAlignment(Qt::AlignCenter);
    _messageView->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont font = _messageView->font();
    font.setPointSize(18);
    _messageView->setFont(font);
    _messageView->setStyleSheet(str("color: lightgray; background: transparent;"));
    _messageView->hide();
    _masterTabView->addTab(_objectContainerView, frameworkString("INSP_OBJECT_TAB"));
}

void InspectorController::observe() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, str(kWindowDidBecomeMainNotification), nullptr,
                       [this](const Notification& n) { mainWindowChanged(n); });
    center.addObserver(this, str(kWindowDidResignMainNotification), nullptr,
                       [this](const Notification& n) { mainWindowResigned(n); });
    center.addObserver(this, str(kTemplateViewObjectCreatedNotification), nullptr,
                       [this](const Notification& n) {
                           if (_inspectingTemplateView &&
                               n.object() == static_cast<const QObject*>(_inspectingTemplateView)) {
                               _masterTabView->setCurrentIndex(ObjectTab);
                               activatePalette();
                           }
                       });
    center.addObserver(this, str(kTemplateObjectChangedNofity), nullptr,
                       [this](const Notification& n) {
                           if (!_inspectingTemplateView)
                               return;
                           for (const TMObjectRef& o : _inspectingTemplateView->selectedObjects())
                               if (o.get() == n.object()) {
                                   scheduleUpdate();
                                   return;
                               }
                       });
    center.addObserver(this, str(kTemplateViewSelectionDidChangeNotification), nullptr,
                       [this](const Notification& n) {
                           if (!_inspectingTemplateView ||
                               n.object() != static_cast<const QObject*>(_inspectingTemplateView))
                               return;
                           if (_inspectingTemplateView->selectedObjects().size() == 1 &&
                               _masterTabView->currentIndex() != ObjectTab) {
                               _masterTabView->setCurrentIndex(ObjectTab);
                               activatePalette();
                           }
                           scheduleUpdate();
                       });
    for (const char* name :
         {kPageDescDynamicsChangedNotification, kPageDescLayoutChangedNotification})
        center.addObserver(this, str(name), nullptr, [this](const Notification& n) {
            const TemplateDocument* doc = inspectingDocument();
            const auto* page = static_cast<const PageDesc*>(n.object());
            if (doc && page && page->isEqual(doc->pageDesc().get()))
                updateDisplayedPageValues();
        });
    center.addObserver(this, str(kTemplateDocumentPropertiesChangedNotify), nullptr,
                       [this](const Notification& n) {
                           const TemplateDocument* doc = inspectingDocument();
                           if (doc && n.object() == static_cast<const QObject*>(doc))
                               updateDisplayedDocumentValues();
                       });
}

// ---------------------------------------------------------------------------
// Following the main window

QPoint InspectorController::defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const {
    // Top right, 2 points in from the right and top edges.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2, visibleFrame.y() + 2};
}

bool InspectorController::canShow() const {
    return _inspectingTemplateView != nullptr;
}

TemplateEditorController* InspectorController::editorOfWindow(const void* window) {
    const auto* widget = qobject_cast<const QWidget*>(static_cast<const QObject*>(window));
    return widget ? qobject_cast<TemplateEditorController*>(WindowController::forWindow(widget))
                  : nullptr;
}

const void* InspectorController::documentOfWindow(const void* window) const {
    TemplateEditorController* controller = editorOfWindow(window);
    return controller ? controller->document() : nullptr;
}

TemplateDocument* InspectorController::inspectingDocument() const {
    return _inspectingTemplateView ? _inspectingTemplateView->document() : nullptr;
}

void InspectorController::setMainWindow(QWidget* window) {
    TemplateEditorController* editor = window ? editorOfWindow(window) : nullptr;
    TM_TemplateView* canvas = editor ? editor->templateView() : nullptr;
    if (canvas == _inspectingTemplateView)
        return;
    QObject::disconnect(_canvasGone);
    _inspectingTemplateView = canvas;
    // A canvas that goes away without resigning first is let go all the same.
    if (canvas)
        _canvasGone = QObject::connect(canvas, &QObject::destroyed, this->window(), [this] {
            _inspectingTemplateView = nullptr;
            updateDisplayedValues();
            deactivatePageWells();
            _inspectedObjectController = nullptr;
            _inspectedObject.reset();
            activatePalette();
        });
    updateDisplayedValues();
    deactivatePageWells();
    if (!canvas) {
        _inspectedObjectController = nullptr;
        _inspectedObject.reset();
        activatePalette();
    } else {
        scheduleUpdate();
    }
}

void InspectorController::mainWindowChanged(const Notification& notification) {
    auto* window = qobject_cast<QWidget*>(
        const_cast<QObject*>(static_cast<const QObject*>(notification.object())));
    if (!window || !editorOfWindow(window))
        return;
    setMainWindow(window);
    if (isActivated())
        activate();
}

void InspectorController::mainWindowResigned(const Notification& notification) {
    if (!editorOfWindow(notification.object()))
        return;
    setMainWindow(nullptr);
    if (isActivated() && !editorOfWindow(MainWindowTracker::sharedTracker().mainWindow()))
        hide();
}

// ---------------------------------------------------------------------------
// Shown values

void InspectorController::updateDisplayedValues() {
    updateDisplayedDocumentValues();
    updateDisplayedPageValues();
}

void InspectorController::updateDisplayedDocumentValues() {
    TemplateDocument* doc = inspectingDocument();
    const bool on = doc != nullptr;
    const QList<QWidget*> controls{_categoryField,      _creatorField,       _descriptionField,
                                   _copyrightField,     _versionField,       _nameField,
                                   _thumbnailView,      _addThumbnailButton, _removeThumbnailButton,
                                   _autoThumbnailButton};
    for (QWidget* control : controls)
        control->setEnabled(on);
    _thumbnailGenMatrixView->setEnabled(on);
    for (QLabel* label : _documentLabels)
        TM_EnableControlText(label, on);
    if (!doc) {
        _categoryField->clear();
        _thumbnailView->setPixmap(QPixmap());
        return;
    }
    {
        const QSignalBlocker quiet(_categoryField);
        _categoryField->clear();
        if (HostServices* host = HostServices::current())
            _categoryField->addItems(host->installedTemplateCategories());
        _categoryField->setCurrentIndex(_categoryField->findText(doc->docCategory()));
        _categoryField->setEditText(doc->docCategory());
    }
    _creatorField->setText(doc->docCreator());
    _descriptionField->setText(doc->docDescription());
    _copyrightField->setText(doc->docCopyright());
    _nameField->setText(doc->docName());
    _versionField->setText(TM_DecodeVersion(doc->docChangeVersion()));
    const Image thumbnail = TMFlipImage(doc->thumbnailProxy());
    _thumbnailView->setPixmap(thumbnail.isNull()
                                  ? QPixmap()
                                  : QPixmap::fromImage(thumbnail.toQImage())
                                        .scaled(_thumbnailView->size() - QSize(4, 4),
                                                Qt::KeepAspectRatio, Qt::SmoothTransformation));
    const int mode = doc->thumbnailGenMode();
    if (QAbstractButton* cell = _thumbnailGenMatrix->button(mode))
        cell->setChecked(true);
    for (QPushButton* button : {_addThumbnailButton, _removeThumbnailButton, _autoThumbnailButton})
        button->setEnabled(mode == 1);
}

void InspectorController::updateDisplayedPageValues() {
    TemplateDocument* doc = inspectingDocument();
    const QList<QWidget*> controls{
        _autoPageSizeMatrixView, _displayUnitsPopUp, _gridDivisionsPopUp, _showsMarginSwitch,
        _snapsToGridSwitch,      _showsGridSwitch,   _gridColorWell,      _snapsToGuidesSwitch,
        _showsGuidesSwitch,      _guideColorWell};
    for (QWidget* control : controls)
        control->setEnabled(doc != nullptr);
    for (QLabel* label : _pageLabels)
        TM_EnableControlText(label, doc != nullptr);
    const bool sameDocument = _pageShownFor == doc;
    _pageShownFor = doc;
    if (!doc) {
        _pageWidthField->setEnabled(false);
        _pageHeightField->setEnabled(false);
        return;
    }
    const PageDesc& page = *doc->pageDesc();
    _autoPageSizeMatrix->button(page.autoPageSize() ? 0 : 1)->setChecked(true);
    _pageWidthField->setText(sizeText(page, page.pageSize().width));
    _pageHeightField->setText(sizeText(page, page.pageSize().height));
    _displayUnitsPopUp->setCurrentIndex(_displayUnitsPopUp->findText(page.displayUnit()));
    _gridDivisionsPopUp->setCurrentIndex(
        _gridDivisionsPopUp->findText(stringWithFormat(str("%d"), page.gridDivisions())));
    if (page.autoPageSize()) {
        _pageWidthField->setEnabled(false);
        _pageHeightField->setEnabled(false);
    } else {
        // Only the user's own switch to a size of the page's own brings the
        // cursor: a window becoming main takes no activation from it.
        const bool wasDisabled = !_pageWidthField->isEnabled() && sameDocument;
        _pageWidthField->setEnabled(true);
        _pageHeightField->setEnabled(true);
        if (wasDisabled) {
            _pageWidthField->setFocus();
            _pageWidthField->selectAll();
            window()->activateWindow();
        }
    }
    setChecked(_showsMarginSwitch, page.showsMargin());
    setChecked(_snapsToGridSwitch, page.snapsToGrid());
    setChecked(_showsGridSwitch, page.showsGrid());
    setChecked(_snapsToGuidesSwitch, page.snapsToGuides());
    setChecked(_showsGuidesSwitch, page.showsGuides());
    _gridColorWell->setColor(page.gridColor().toQColor());
    _guideColorWell->setColor(page.guideColor().toQColor());
}

// ---------------------------------------------------------------------------
// The object tab

void InspectorController::scheduleUpdate() {
    _needsUpdate = true;
    if (_updateScheduled)
        return;
    _updateScheduled = true;
    QTimer::singleShot(0, window(), [this] {
        _updateScheduled = false;
        windowDidUpdate();
    });
}

void InspectorController::windowDidUpdate() {
    if (_needsUpdate && _inspectingTemplateView)
        activatePalette();
    _needsUpdate = false;
}

QString InspectorController::message() const {
    return _inspectorPaletteView == _messageView ? _messageView->text() : QString();
}

void InspectorController::activatePalette() {
    const QList<TMObjectRef> selected =
        _inspectingTemplateView ? _inspectingTemplateView->selectedObjects() : QList<TMObjectRef>();
    TMObjectController* controller = nullptr;
    TMObjectRef object;
    QWidget* view = nullptr;
    const char* text = "No Objects Selected";
    if (selected.size() == 1) {
        controller = TMObjectController::objectControllerForDocument(
            selected.first()->objectControllerClass(), _inspectingTemplateView->document());
        if (controller) {
            controller->setInspectedObject(selected.first());
            if (QWidget* palette = controller->getInspectorPalette()) {
                object = selected.first();
                view = palette;
            }
        } else {
            text = "No Inspector Available";
        }
    } else if (selected.size() > 1) {
        text = "Multiple Objects Selected";
    }
    if (!view) {
        _messageView->setGeometry(
            static_cast<ObjectContainer*>(_objectContainerView)->messageRect());
        _messageView->setText(frameworkString(text));
        view = _messageView;
    }
    if (_inspectorPaletteView && _inspectorPaletteView != view) {
        // The palette belongs to its inspector; it leaves the container.
        if (_inspectorPaletteView == _messageView)
            _messageView->hide();
        else
            _inspectorPaletteView->setParent(nullptr);
    }
    if (view != _messageView) {
        if (view->parentWidget() != _objectContainerView)
            view->setParent(_objectContainerView);
        // Its top edge on the container's.
        view->move(view->x(), 0);
        // A palette grows as extension views are added: the window makes room.
        _objectContainerView->setMinimumSize(view->size());
        window()->resize(window()->size().expandedTo(window()->minimumSizeHint()));
    }
    view->show();
    if (_inspectedObjectController && _inspectedObjectController != controller)
        _inspectedObjectController->setInspectedObject(nullptr);
    _inspectorPaletteView = view;
    _inspectedObject = object;
    _inspectedObjectController = controller;
    deactivatePageWells();
}

void InspectorController::deactivatePageWells() {
    _gridColorWell->deactivate();
    _guideColorWell->deactivate();
}

void InspectorController::deactivateColorWells(QObject* sender) {
    if (_inspectedObjectController)
        _inspectedObjectController->deactivateColorWells(sender);
}

// ---------------------------------------------------------------------------
// Edits

void InspectorController::documentPropertyChange(QWidget* sender) {
    TemplateDocument* doc = inspectingDocument();
    if (!doc || !sender)
        return;
    UndoManager* undo = doc->undoManager();
    QPointer<TemplateDocument> target(doc);
    bool changed = false;
    using Getter = QString (TemplateDocument::*)() const;
    using Setter = void (TemplateDocument::*)(const QString&);
    const auto edit = [&](const QString& text, Getter getter, Setter setter) {
        const QString old = (doc->*getter)();
        if (text == old)
            return;
        undo->registerUndo(doc, [target, setter, old] {
            if (target)
                ((*target).*setter)(old);
        });
        (doc->*setter)(text);
        changed = true;
    };
    if (sender == _categoryField)
        edit(_categoryField->currentText(), &TemplateDocument::docCategory,
             &TemplateDocument::setDocCategory);
    else if (sender == _creatorField)
        edit(_creatorField->text(), &TemplateDocument::docCreator,
             &TemplateDocument::setDocCreator);
    else if (sender == _descriptionField)
        edit(_descriptionField->text(), &TemplateDocument::docDescription,
             &TemplateDocument::setDocDescription);
    else if (sender == _copyrightField)
        edit(_copyrightField->text(), &TemplateDocument::docCopyright,
             &TemplateDocument::setDocCopyright);
    else if (sender == _nameField)
        edit(_nameField->text(), &TemplateDocument::docName, &TemplateDocument::setDocName);
    else if (sender == _versionField) {
        const QString text = _versionField->text();
        const int32_t stored = doc->docChangeVersion();
        const int32_t packed = TM_EncodeVersion(text);
        // Another spelling of the same version is shown the usual way.
        if (text != TM_DecodeVersion(stored) && packed == stored)
            _versionField->setText(TM_DecodeVersion(stored));
        if (packed != stored) {
            undo->registerUndo(doc, [target, stored] {
                if (target)
                    target->setDocChangeVersion(stored);
            });
            doc->setDocChangeVersion(packed);
            changed = true;
        }
    }
    if (changed)
        undo->setActionName(frameworkString(kDocInfoActionKey));
}

void InspectorController::thumbnailGenChange(int tag) {
    if (TemplateDocument* doc = inspectingDocument())
        doc->setThumbnailGenMode(tag);
}

void InspectorController::addThumbnail() {
    TemplateDocument* doc = inspectingDocument();
    if (!doc)
        return;
    ModalAlert::PanelRequest request;
    request.kind = ModalAlert::PanelRequest::Kind::Open;
    request.title = frameworkString("THUMBNAILOP");
    request.extensions = GraphicsImporter::fileExtensions();
    const QStringList chosen = ModalAlert::runPanel(request);
    if (chosen.isEmpty() || !inspectingDocument())
        return;
    QFile file(chosen.first());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const Image image = Image::fromFileData(file.readAll());
    if (!image.isNull())
        inspectingDocument()->setThumbnailProxy(image);
}

void InspectorController::removeThumbnail() {
    if (TemplateDocument* doc = inspectingDocument())
        doc->setThumbnailProxy(Image());
}

void InspectorController::autoThumbnail() {
    if (TemplateDocument* doc = inspectingDocument())
        doc->autoGenerateThumbnail();
}

void InspectorController::receiveThumbnailImage() {
    ModalAlert::beep();
}

namespace {

// Registers the page's present settings for undo and applies the copy's, as
// one "PAGE_INFO" step; nothing when they are the same.
void applyPageCopy(TemplateDocument& doc, const PageDesc& copy) {
    const PageDescRef& page = doc.pageDesc();
    if (page->isEqual(&copy))
        return;
    UndoManager* undo = doc.undoManager();
    std::weak_ptr<PageDesc> weak = page;
    undo->registerUndo(page.get(), [weak, old = page->dictRepresentation()] {
        if (PageDescRef target = weak.lock())
            target->setDictRepresentation(old);
    });
    page->setDictRepresentation(copy.dictRepresentation());
    undo->setActionName(frameworkString(kPageInfoActionKey));
}

} // namespace

void InspectorController::pageDefChanged(QObject* sender) {
    TemplateDocument* doc = inspectingDocument();
    if (!doc || !sender)
        return;
    const PageDescRef copy = doc->pageDesc()->copy();
    if (sender == _autoPageSizeMatrix) {
        const bool automatic = _autoPageSizeMatrix->checkedId() == 0;
        // An automatic size is the document's paper, as the page itself takes it.
        copy->setParentDocument(doc);
        copy->setAutoPageSize(automatic);
        copy->setParentDocument(nullptr);
    } else if (sender == _pageWidthField || sender == _pageHeightField) {
        copy->setPageSize({fieldNumber(_pageWidthField), fieldNumber(_pageHeightField)});
    } else if (sender == _displayUnitsPopUp) {
        copy->setDisplayUnit(_displayUnitsPopUp->currentText());
    } else if (sender == _gridDivisionsPopUp) {
        copy->setGridDivisions(_gridDivisionsPopUp->currentText().toInt());
    }
    applyPageCopy(*doc, *copy);
    updateDisplayedValues();
}

void InspectorController::pageDisplayChanged(QObject* sender) {
    TemplateDocument* doc = inspectingDocument();
    if (!doc || !sender)
        return;
    const PageDescRef copy = doc->pageDesc()->copy();
    if (sender == _showsMarginSwitch)
        copy->setShowsMargin(_showsMarginSwitch->isChecked());
    else if (sender == _snapsToGridSwitch)
        copy->setSnapsToGrid(_snapsToGridSwitch->isChecked());
    else if (sender == _showsGridSwitch)
        copy->setShowsGrid(_showsGridSwitch->isChecked());
    else if (sender == _snapsToGuidesSwitch)
        copy->setSnapsToGuides(_snapsToGuidesSwitch->isChecked());
    else if (sender == _showsGuidesSwitch)
        copy->setShowsGuides(_showsGuidesSwitch->isChecked());
    else if (sender == _gridColorWell)
        copy->setGridColor(Color::fromQColor(_gridColorWell->color()));
    else if (sender == _guideColorWell)
        copy->setGuideColor(Color::fromQColor(_guideColorWell->color()));
    applyPageCopy(*doc, *copy);
}
