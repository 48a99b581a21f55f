#include "documents/TextEditorWindowController.h"

#include "documents/RoduvudeDadevizi.h"
#include "layout/TemplateMapper.h"
#include "library/TemplateHandle.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// The sheet's size with one row.
constexpr int kBaseWidth = 560;
constexpr int kBaseHeight = 150;

QFont messageFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(11);
    return font;
}

using FieldTexts = QList<std::pair<int, QString>>;

// Stores the texts (by field number) in the document's layout, for every page
// or for one page only, as one undoable change that puts back the texts shown
// before. Nothing is registered when no text changes.
void storeTexts(RoduvudeDadevizi* document, bool pageOnly, int page, const FieldTexts& texts) {
    const TemplateMapperRef mapper = document->templateMapper();
    if (!mapper)
        return;
    if (pageOnly)
        mapper->setCurrentPageNum(page);
    FieldTexts previous;
    for (const auto& [field, value] : texts) {
        const QString old = mapper->editValueForField(field);
        if (old != value)
            previous.append({field, old});
    }
    if (previous.isEmpty())
        return;
    for (const auto& [field, value] : texts) {
        if (pageOnly)
            mapper->setCurrentPageEditValueForField(value, field);
        else
            mapper->setEditValueForField(value, field);
    }
    UndoManager* undo = document->undoManager();
    undo->registerUndo(document, [document, pageOnly, page, previous] {
        storeTexts(document, pageOnly, page, previous);
    });
    undo->setActionName(text("EDIT_TEXT_ACTION"));
}

} // namespace

void TextEditorContaionerField::setNextKeyView(TextEditorContaionerField* view) {
    _nextKeyView = view;
    if (view)
        view->_previousKeyView = this;
}

void TextEditorContaionerField::focusInEvent(QFocusEvent* event) {
    if (_delegate)
        _delegate->makeRectVisible(geometry());
    QLineEdit::focusInEvent(event);
}

bool TextEditorContaionerField::focusNextPrevChild(bool next) {
    TextEditorContaionerField* target = next ? _nextKeyView : _previousKeyView;
    if (!target)
        return QLineEdit::focusNextPrevChild(next);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

TextEditorWindowController::TextEditorWindowController() : WindowController(new QDialog) {
    _dialog = static_cast<QDialog*>(window());
    _dialog->setWindowTitle(text("TEXT_EDITOR_TITLE"));
    auto* layout = new QVBoxLayout(_dialog);
    _textEditScrollView = new QScrollArea(_dialog);
    _textEditScrollView->setFrameShape(QFrame::NoFrame);
    _textEditScrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    _textEditScrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    _textEditScrollView->setMinimumSize(kRowWidth + 20, kRowHeight);
    layout->addWidget(_textEditScrollView, 1);
    _textEditApplyToPageSwitch = new QCheckBox(text("APPLY_TO_PAGE"), _dialog);
    layout->addWidget(_textEditApplyToPageSwitch);
    auto* buttons = new QDialogButtonBox(_dialog);
    buttons->addButton(text("OK"), QDialogButtonBox::AcceptRole)->setObjectName("okButton");
    buttons->addButton(text("CANCEL"), QDialogButtonBox::RejectRole)->setObjectName("cancelButton");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this,
            &TextEditorWindowController::acceptTextEdit);
    connect(buttons, &QDialogButtonBox::rejected, this,
            &TextEditorWindowController::cancelTextEdit);
    connect(_dialog, &QDialog::rejected, this, [this] {
        if (_done)
            endSheet(0);
    });
    _dialog->setMinimumHeight(kBaseHeight);
    _dialog->resize(kBaseWidth, kBaseHeight);
}

TextEditorWindowController::~TextEditorWindowController() = default;

RoduvudeDadevizi* TextEditorWindowController::catalogDocument() const {
    return qobject_cast<RoduvudeDadevizi*>(document());
}

QList<QLabel*> TextEditorWindowController::labels() const {
    QWidget* container = _textEditScrollView->widget();
    return container ? container->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)
                     : QList<QLabel*>();
}

void TextEditorWindowController::awakeFromNib() {
    _values.clear();
    _textEditScrollView->viewport()->setAutoFillBackground(false);
    _textEditScrollView->setAutoFillBackground(false);
    RoduvudeDadevizi* doc = catalogDocument();
    const TemplateMapperRef mapper = doc ? doc->templateMapper() : nullptr;
    const QVariantList fields = mapper ? mapper->masterEditFields() : QVariantList();
    if (fields.isEmpty())
        return;

    // A field repeating an id already shown edits the same text: one row.
    QList<QVariantMap> kept;
    QSet<QString> seen;
    for (const QVariant& field : fields) {
        const QVariantMap record = field.toMap();
        const QString id = record.value(QString::fromLatin1(kEditFieldIDKey)).toString();
        if (!id.isEmpty()) {
            if (seen.contains(id))
                continue;
            seen.insert(id);
        }
        kept.append(record);
    }

    auto* container = new TextEditorContaionerView;
    container->resize(kRowWidth, kRowHeight * int(kept.size()));

    const int grownRows = std::min(int(kept.size()), kMaxGrownRows);
    if (grownRows >= 2) {
        const int growth = kRowHeight * (grownRows - 1);
        const int height = _dialog->height();
        _textEditScrollView->setMinimumHeight(_textEditScrollView->minimumHeight() + growth);
        _dialog->setMinimumHeight(_dialog->minimumHeight() + growth);
        _dialog->resize(_dialog->width(), height + growth);
        // A line is a row; Qt's scroll area pages by its visible height itself.
        _textEditScrollView->verticalScrollBar()->setSingleStep(kRowHeight);
    }

    const QFont font = messageFont();
    TextEditorContaionerField* previous = nullptr;
    for (int k = 0; k < kept.size(); ++k) {
        const QVariantMap& field = kept[k];
        const int y = kRowHeight * k;
        QString name = field.value(QString::fromLatin1(kEditFieldNameKey)).toString();
        if (!name.endsWith(QLatin1Char(':')))
            name = name + QLatin1Char(':');
        auto* label = new QLabel(name, container);
        label->setGeometry(20, y + 11, 98, 17);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFont(font);
        label->setTextInteractionFlags(Qt::NoTextInteraction);

        const int number = field.value(QString::fromLatin1(kEditFieldSerialKey)).toInt();
        auto* box = new TextEditorContaionerField(container);
        box->setGeometry(126, y + 6, 340, 24);
        box->setAlignment(Qt::AlignLeft);
        box->setFont(font);
        box->setFrame(true);
        QString value = mapper->editValueForField(number);
        if (value.isNull())
            value = field.value(QString::fromLatin1(kEditFieldValueKey)).toString();
        box->setText(value);
        box->setTag(number);
        box->setDelegate(this);
        _values.append(box);
        if (previous)
            previous->setNextKeyView(box);
        previous = box;
    }
    _values.last()->setNextKeyView(_values.first());

    _textEditScrollView->setWidget(container);

    _textEditApplyToPageSwitch->setChecked(mapper->currentPageHasTextValues());
    if (mapper->layoutMode() != LayoutModeBook) {
        _textEditApplyToPageSwitch->setEnabled(false);
        _textEditApplyToPageSwitch->setText(_textEditApplyToPageSwitch->text() +
                                            text("MANUAL_ONLY"));
    } else {
        _textEditApplyToPageSwitch->setText(_textEditApplyToPageSwitch->text() + QLatin1Char('.'));
    }
    _values.first()->setFocus(Qt::OtherFocusReason);
}

void TextEditorWindowController::acceptTextEdit() {
    if (RoduvudeDadevizi* doc = catalogDocument()) {
        const bool pageOnly = _textEditApplyToPageSwitch->isChecked();
        FieldTexts texts;
        for (TextEditorContaionerField* box : std::as_const(_values))
            texts.append({box->tag(), box->text()});
        const TemplateMapperRef mapper = doc->templateMapper();
        if (mapper && !texts.isEmpty())
            storeTexts(doc, pageOnly, mapper->currentPageNum(), texts);
    }
    endSheet(1);
}

void TextEditorWindowController::cancelTextEdit() {
    endSheet(0);
}

void TextEditorWindowController::makeRectVisible(const QRect& rect) {
    QScrollBar* bar = _textEditScrollView->verticalScrollBar();
    const QSize viewport = _textEditScrollView->viewport()->size();
    QRect visible(_textEditScrollView->horizontalScrollBar()->value(), bar->value(),
                  viewport.width(), viewport.height());
    if (visible.intersects(rect))
        return;
    if (visible.top() <= rect.top()) {
        // Row by row down to the rectangle; positions, not row numbers, are
        // compared, so the walk always ends.
        while (!visible.intersects(rect) && visible.top() <= rect.top())
            visible.translate(0, kRowHeight);
    } else {
        visible.moveTop(kRowHeight * (rect.top() / kRowHeight));
    }
    bar->setValue(visible.top());
}

void TextEditorWindowController::beginSheetForWindow(QWidget* parent,
                                                     std::function<void(int)> done) {
    _done = std::move(done);
    if (parent) {
        _dialog->setParent(parent, Qt::Sheet);
        _dialog->setWindowModality(Qt::WindowModal);
    } else {
        _dialog->setWindowModality(Qt::ApplicationModal);
    }
    _dialog->show();
    if (!_values.isEmpty())
        _values.first()->setFocus(Qt::OtherFocusReason);
}

void TextEditorWindowController::endSheet(int returnCode) {
    std::function<void(int)> done = std::move(_done);
    _done = nullptr;
    _dialog->hide();
    if (done)
        QTimer::singleShot(0, this, [done = std::move(done), returnCode] { done(returnCode); });
}
