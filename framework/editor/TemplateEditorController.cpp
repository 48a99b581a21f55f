#include "framework/editor/TemplateEditorController.h"
#include "framework/Formwell.h"

#include "framework/editor/TM_TemplateView.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

TemplateEditorController::TemplateEditorController() : WindowController(new QMainWindow) {
    NotificationCenter::defaultCenter().addObserver(
        this, key(kUTErrorNofity), nullptr,
        [this](const Notification& notification) { errorEncountered(notification); });
}

TemplateEditorController::~TemplateEditorController() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

TemplateDocument* TemplateEditorController::templateDocument() const {
    return qobject_cast<TemplateDocument*>(document());
}

TM_TemplateView* TemplateEditorController::templateView() const {
    return _mainScrollView ? qobject_cast<TM_TemplateView*>(_mainScrollView->widget()) : nullptr;
}

QMessageBox* TemplateEditorController::errorSheet() const {
    return _errorSheet;
}

void TemplateEditorController::setup() {
    TemplateDocument* doc = templateDocument();
    auto* mainWindow = qobject_cast<QMainWindow*>(window());
    if (!doc || !mainWindow)
        return;
    auto* scrollView = new QScrollArea;
    scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scrollView->setBackgroundRole(QPalette::Dark);
    QPalette palette = scrollView->palette();
    palette.setColor(QPalette::Dark, Qt::gray);
    scrollView->setPalette(palette);

    auto* canvas = new TM_TemplateView(doc->pageDesc()->frame());
    canvas->setDocument(doc);
    canvas->setMainController(this);
    scrollView->setWidget(canvas);
    mainWindow->setCentralWidget(scrollView);
    _mainScrollView = scrollView;
}

void TemplateEditorController::errorEncountered(const Notification& notification) {
    QObject* source = notification.userInfo().value(key(kErrDocumentKey)).value<QObject*>();
    if (!source || source != document() || !window())
        return;
    const int code = notification.userInfo().value(key(kErrCodeKey)).toInt();
    auto* sheet = new QMessageBox(window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setIcon(QMessageBox::Warning);
    const QString title = frameworkString(key(kErrorSheetTitleKey));
    sheet->setWindowTitle(title);
    sheet->setText(title);
    sheet->setInformativeText(frameworkString(stringWithFormat(key(kErrorMessageKeyFormat), code)));
    sheet->addButton(frameworkString(key(kErrorSheetButtonKey)), QMessageBox::AcceptRole);
    _errorSheet = sheet;
    sheet->open();
}
