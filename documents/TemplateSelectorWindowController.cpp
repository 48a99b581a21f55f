#include "documents/TemplateSelectorWindowController.h"

#include "documents/RoduvudeDadevizi.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/ui/ModalAlert.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// The sheet's size until the user has chosen one.
constexpr int kDefaultWidth = 460;
constexpr int kDefaultHeight = 440;

// Vertical scrolling by one line and by one page, in points.
constexpr int kLineScroll = 100;
constexpr int kPageScroll = 300;

} // namespace

TemplateSelectorWindowController::TemplateSelectorWindowController()
    : WindowController(new QDialog) {
    _dialog = static_cast<QDialog*>(window());
    auto* layout = new QVBoxLayout(_dialog);
    _templateCategoryMenu = new QComboBox(_dialog);
    layout->addWidget(_templateCategoryMenu);
    _templateScrollView = new QScrollArea(_dialog);
    layout->addWidget(_templateScrollView, 1);
    for (QLabel** field : {&_selectionName, &_selectionCategory, &_selectionDescription}) {
        *field = new QLabel(_dialog);
        (*field)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(*field);
    }
    _selectionDescription->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(_dialog);
    _acceptButton = buttons->addButton(text("OK"), QDialogButtonBox::AcceptRole);
    _cancelButton = buttons->addButton(text("CANCEL"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(_acceptButton, &QPushButton::clicked, this, [this] { acceptTemplateSelection(); });
    connect(_cancelButton, &QPushButton::clicked, this, [this] { cancelTemplateSelection(); });
    connect(_templateCategoryMenu, &QComboBox::activated, this,
            [this] { templateCategoryChanged(); });
    _dialog->resize(kDefaultWidth, kDefaultHeight);

    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const char* name : {kTemplateAddedNotify, kTemplateRemovedNotify})
        center.addObserver(this, QString::fromLatin1(name), nullptr,
                           [this](const Notification& n) { templateSetChanged(n); });
}

TemplateSelectorWindowController::~TemplateSelectorWindowController() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

RoduvudeDadevizi* TemplateSelectorWindowController::catalogDocument() const {
    return qobject_cast<RoduvudeDadevizi*>(document());
}

void TemplateSelectorWindowController::awakeFromNib() {
    _templateScrollView->setFrameShape(QFrame::StyledPanel);
    _templateScrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    _templateScrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    _templateScrollView->verticalScrollBar()->setSingleStep(kLineScroll);
    _templateScrollView->verticalScrollBar()->setPageStep(kPageScroll);

    _templateCategoryMenu->clear();
    _templateCategoryMenu->addItem(text("ALL"));
    _templateCategoryMenu->addItems(
        NewTemplateManager::sharedTemplateManager()->templateCategories());
    if (RoduvudeDadevizi* doc = catalogDocument()) {
        const int hinted =
            _templateCategoryMenu->findText(doc->templateMapper()->getCategoryHint());
        if (hinted >= 0)
            _templateCategoryMenu->setCurrentIndex(hinted);
    }

    const Size stored = host().preferencesNSSizeFor(PrefTemplateSelectorSize);
    const QSize size(int(stored.width), int(stored.height));
    if (!size.isEmpty() && size != _dialog->size())
        _dialog->resize(size);
    // The scroll view takes its size from the sheet's before the grid is built.
    _dialog->layout()->activate();

    buildMatrix();
    _templateScrollView->installEventFilter(this);
    _dialog->installEventFilter(this);
}

int TemplateSelectorWindowController::contentWidth() const {
    // What the scroll view leaves its content beside the vertical scroller,
    // known also before the sheet is first shown.
    return _templateScrollView->width() - 2 * _templateScrollView->frameWidth() -
           _templateScrollView->verticalScrollBar()->sizeHint().width();
}

int TemplateSelectorWindowController::columnsForWidth() const {
    return std::max(1, contentWidth() / TemplateButtonCell::kWidth);
}

TemplateButtonCell TemplateSelectorWindowController::prototypeCell() const {
    TemplateButtonCell prototype;
    prototype.setTitle(QStringLiteral("A Button"));
    prototype.setImage(TemplateButtonCell::namedImage(text("VARN_LOGO")));
    prototype.setEnabled(false);
    return prototype;
}

void TemplateSelectorWindowController::releaseMatrix() {
    delete _templateScrollView->takeWidget();
    _theMatrix = nullptr;
}

void TemplateSelectorWindowController::buildMatrix() {
    const QString title = _templateCategoryMenu->currentText();
    releaseMatrix();
    _rememberedCellFrame = {};
    _templateCount = 0;
    NewTemplateManager* manager = NewTemplateManager::sharedTemplateManager();
    HostServices* services = HostServices::current();
    if (services)
        services->resumeWaitMonitor();
    const QList<TemplateHandleRef> templates =
        title == text("ALL") ? manager->templates() : manager->templatesInCategory(title);
    _templateCount = int(templates.size());
    if (_templateCount > 0) {
        const int columns = columnsForWidth();
        const int rows = (_templateCount + columns - 1) / columns;
        _theMatrix = new TemplateButtonMatrix;
        _theMatrix->renewRowsColumns(rows, columns, prototypeCell());
        _theMatrix->sizeToCells();
        _theMatrix->action = [this] { selectionChanged(); };
        _theMatrix->doubleAction = [this] { acceptTemplateSelection(); };
        RoduvudeDadevizi* doc = catalogDocument();
        const TemplateHandleRef master = doc ? doc->masterTemplate() : nullptr;
        for (int i = 0; i < _templateCount; ++i) {
            const TemplateHandleRef& handle = templates[i];
            TemplateButtonCell& cell = _theMatrix->cells()[i];
            cell.setImage(handle->thumbnailProxy());
            cell.setTitle(handle->name());
            cell.setFileName(handle->fileName());
            cell.setCategory(handle->category());
            cell.setDocumentID(handle->documentID());
            cell.setDescription(handle->description());
            cell.setEnabled(true);
            cell.setTag(i + 1);
            if (handle == master) {
                cell.setDrawsCheckmark(true);
                _theMatrix->selectCellAtIndex(i);
                _rememberedCellFrame = _theMatrix->selectedCellFrame();
            }
        }
    }
    updateSelectionInfo();
    if (services)
        services->suspendWaitMonitor();
    if (_theMatrix) {
        _templateScrollView->setWidget(_theMatrix);
        scrollToRememberedCell();
        _theMatrix->setFocus(Qt::OtherFocusReason);
    }
}

void TemplateSelectorWindowController::scrollToRememberedCell() {
    if (!_theMatrix || !_rememberedCellFrame.isValid())
        return;
    const QPoint centre = _rememberedCellFrame.center();
    _templateScrollView->ensureVisible(centre.x(), centre.y(), _rememberedCellFrame.width() / 2,
                                       _rememberedCellFrame.height() / 2);
}

void TemplateSelectorWindowController::updateSelectionInfo() {
    const TemplateButtonCell* cell = _theMatrix ? _theMatrix->selectedCell() : nullptr;
    if (!cell) {
        for (QLabel* field : {_selectionName, _selectionCategory, _selectionDescription})
            field->setText(text("NA"));
        return;
    }
    _selectionName->setText(cell->title());
    _selectionCategory->setText(cell->category());
    _selectionDescription->setText(cell->description());
}

void TemplateSelectorWindowController::selectionChanged() {
    updateSelectionInfo();
}

void TemplateSelectorWindowController::templateCategoryChanged() {
    buildMatrix();
}

void TemplateSelectorWindowController::templateSetChanged(const Notification&) {
    buildMatrix();
}

void TemplateSelectorWindowController::selectorHasResized() {
    if (!_theMatrix)
        return;
    _theMatrix->reflowToColumns(columnsForWidth(), _templateCount, prototypeCell());
}

bool TemplateSelectorWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _templateScrollView && event->type() == QEvent::Resize)
        selectorHasResized();
    else if (watched == _dialog && event->type() == QEvent::Show)
        // Once shown the scroll view knows its real range.
        QTimer::singleShot(0, this, [this] { scrollToRememberedCell(); });
    return WindowController::eventFilter(watched, event);
}

void TemplateSelectorWindowController::acceptTemplateSelection() {
    const TemplateButtonCell* cell = _theMatrix ? _theMatrix->selectedCell() : nullptr;
    if (!cell) {
        ModalAlert::beep();
        return;
    }
    const QString documentID = cell->documentID();
    const QString category = _templateCategoryMenu->currentText();
    host().setPreferencesNSSizeFor(Size::fromQSizeF(QSizeF(_dialog->size())),
                                   PrefTemplateSelectorSize);
    endSheet(1);
    // A template removed meanwhile changes nothing.
    RoduvudeDadevizi* doc = catalogDocument();
    if (doc && doc->setMasterTemplateWithID(documentID))
        doc->templateMapper()->setCategoryHint(category);
    releaseMatrix();
}

void TemplateSelectorWindowController::cancelTemplateSelection() {
    endSheet(0);
    releaseMatrix();
}

void TemplateSelectorWindowController::endSheet(int returnCode) {
    _dialog->done(returnCode);
}

void TemplateSelectorWindowController::beginSheetForWindow(QWidget* parent,
                                                           std::function<void(int)> done) {
    if (parent)
        _dialog->setParent(parent, _dialog->windowFlags() | Qt::Sheet);
    ModalAlert::beginDialogSheet(parent, _dialog, std::move(done));
}
