// The installed panel's commands: adding files, the create panel for new and
// duplicated templates, and the commands on the selected template.
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TemplateDocument.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateManagerWindowController.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserAccount.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/FileNameUtilities.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <sys/stat.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// The panel's buttons are gone before the install asks its own questions.
constexpr int kDeferredAddMs = 500;

constexpr char kCategoryInfoKey[] = "category";
constexpr char kNameInfoKey[] = "name";
constexpr char kCreatorInfoKey[] = "creator";
constexpr char kDescriptionInfoKey[] = "description";
constexpr char kTitleInfoKey[] = "op_title";
constexpr char kGraphicInfoKey[] = "op_graphic";
constexpr char kOriginalPathInfoKey[] = "orig_path";

QPixmap pixmapOf(const QVariant& image) {
    if (image.canConvert<QImage>())
        return QPixmap::fromImage(image.value<QImage>());
    return {};
}

QImage applicationImage(const char* name) {
    return TemplateButtonCell::namedImage(str(name)).pixels();
}

} // namespace

// Adding template files.

void TemplateManagerWindowController::addTemplate() {
    ModalAlert::PanelRequest request;
    request.kind = ModalAlert::PanelRequest::Kind::Open;
    request.title = text("ADD_TEMPLATE");
    request.prompt = text("SELECT_TEMPLATE");
    request.extensions = {str(kTemplateDocumentExtension)};
    request.multipleSelection = true;
    const QStringList paths = ModalAlert::runPanel(request);
    if (paths.isEmpty())
        return;
    _deferedTemplateFiles = paths;
    QTimer::singleShot(kDeferredAddMs, this, [this] { deferedTemplateAdd(); });
}

void TemplateManagerWindowController::deferedTemplateAdd() {
    const QStringList files = std::exchange(_deferedTemplateFiles, {});
    for (const QString& path : files)
        if (!_templateManager->installTemplateWithUIAtFile(path))
            return;
    if (files.isEmpty() || !_installedCategoryMenu ||
        _installedCategoryMenu->currentText() == text("ALL"))
        return;
    const TemplateHandleRef last = TemplateHandle::templateHandleWithFile(files.last());
    if (!last)
        return;
    const int index = _installedCategoryMenu->findText(last->category());
    if (index >= 0)
        _installedCategoryMenu->setCurrentIndex(index);
    templateCategoryChanged(nullptr);
}

// The create panel.

void TemplateManagerWindowController::makeCreatePanel() {
    _createTemplatePanel = new QDialog(window());
    _createTemplatePanel->setModal(true);
    auto* columns = new QHBoxLayout(_createTemplatePanel);
    _createMainGraphic = new QLabel(_createTemplatePanel);
    _createMainGraphic->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    columns->addWidget(_createMainGraphic);
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    auto* form = new QFormLayout;
    right->addLayout(form);
    _createNameField = new QLineEdit(_createTemplatePanel);
    _createCategoryComboBox = new QComboBox(_createTemplatePanel);
    _createCategoryComboBox->setEditable(true);
    _createCategoryComboBox->setInsertPolicy(QComboBox::NoInsert);
    _createCreatorField = new QLineEdit(_createTemplatePanel);
    _createDescriptionField = new QLineEdit(_createTemplatePanel);
    form->addRow(text("TM_NAME_LABEL"), _createNameField);
    form->addRow(text("TM_CATEGORY_LABEL"), _createCategoryComboBox);
    form->addRow(text("TM_CREATOR_LABEL"), _createCreatorField);
    form->addRow(text("TM_DESCRIPTION_LABEL"), _createDescriptionField);
    auto* buttons = new QHBoxLayout;
    right->addLayout(buttons);
    buttons->addStretch(1);
    _createCancelButton = new QPushButton(text("CANCEL"), _createTemplatePanel);
    _createOKButton = new QPushButton(text("OK"), _createTemplatePanel);
    _createOKButton->setDefault(true);
    buttons->addWidget(_createCancelButton);
    buttons->addWidget(_createOKButton);
    connect(_createCancelButton, &QPushButton::clicked, this,
            [this] { doCreateTemplate(_createCancelButton); });
    connect(_createOKButton, &QPushButton::clicked, this,
            [this] { doCreateTemplate(_createOKButton); });
    for (QLineEdit* field : {_createNameField, _createCreatorField, _createDescriptionField})
        connect(field, &QLineEdit::textEdited, this, [this, field] { doCreateTemplate(field); });
    connect(_createCategoryComboBox, &QComboBox::editTextChanged, this,
            [this] { doCreateTemplate(_createCategoryComboBox); });
}

void TemplateManagerWindowController::updateCreateTemplateState() {
    _createOKButton->setEnabled(!_createNameField->text().isEmpty() &&
                                !_createCategoryComboBox->currentText().isEmpty());
}

void TemplateManagerWindowController::doCreateTemplate(QObject* sender) {
    if (sender == _createCancelButton) {
        _createTemplatePanel->done(0);
    } else if (sender == _createOKButton) {
        if (!validateChosenTemplateName())
            return;
        _createTemplatePanel->done(1);
    } else {
        updateCreateTemplateState();
        return;
    }
    _createNameField->setFocus(Qt::OtherFocusReason);
}

bool TemplateManagerWindowController::validateChosenTemplateName() {
    const QString name = _createNameField->text();
    if (name.isEmpty())
        return false;
    if (!_templateManager->templateWithName(name))
        return true;
    ModalAlert::Request sheet(text("DUP_TMP_NAME_MSG"),
                              formatString(text("DUP_TMP_NAME_TXT"), {name}));
    sheet.defaultButton = text("OK");
    ModalAlert::beginSheet(_createTemplatePanel, sheet, nullptr);
    return false;
}

QString TemplateManagerWindowController::newUniqueTemplatWithNameAtPath(const QString& name,
                                                                        const QString& folder) {
    return NewTemplateFileName(name, folder);
}

std::shared_ptr<Document>
TemplateManagerWindowController::createNewTemplateWithInfo(const QVariantMap& info) {
    loadWindow();
    if (!_createTemplatePanel)
        makeCreatePanel();
    {
        const QSignalBlocker quiet(_createCategoryComboBox);
        _createCategoryComboBox->clear();
        _createCategoryComboBox->addItems(_templateManager->templateCategories());
        const QString category = info.value(str(kCategoryInfoKey)).toString();
        _createCategoryComboBox->setCurrentIndex(_createCategoryComboBox->findText(category));
        _createCategoryComboBox->setEditText(category);
    }
    _createNameField->setText(info.value(str(kNameInfoKey)).toString());
    const QVariant creator = info.value(str(kCreatorInfoKey));
    _createCreatorField->setText(creator.isValid() ? creator.toString()
                                                   : UserAccount::userFullName());
    _createDescriptionField->setText(info.value(str(kDescriptionInfoKey)).toString());
    const QVariant title = info.value(str(kTitleInfoKey));
    _createTemplatePanel->setWindowTitle(title.isValid() ? title.toString()
                                                         : text("CREATE_TEMPLATE_TITLE"));
    const QVariant graphic = info.value(str(kGraphicInfoKey));
    _createMainGraphic->setPixmap(graphic.isValid()
                                      ? pixmapOf(graphic)
                                      : QPixmap::fromImage(applicationImage("TemplateDocument")));
    updateCreateTemplateState();

    _createTemplatePanel->setResult(0);
    if (ModalAlert::runDialog(*_createTemplatePanel) != 1 || _createTemplatePanel->result() != 1)
        return nullptr;

    const QString name = _createNameField->text();
    const QString originalPath = info.value(str(kOriginalPathInfoKey)).toString();
    QString target;
    std::shared_ptr<Document> document;
    DocumentController& documents = DocumentController::sharedDocumentController();
    if (!originalPath.isEmpty()) {
        target = newUniqueTemplatWithNameAtPath(name, QFileInfo(originalPath).absolutePath());
        if (!QFile::copy(originalPath, target)) {
            ModalAlert::beep();
            return nullptr;
        }
        // The user's own file: not world-writable, not executable.
        ::chmod(QFile::encodeName(target).constData(), UserAccount::newFileMode());
        document = documents.openDocumentWithContentsOfFile(target, true);
    } else {
        const QString folder = FileAccess::expandTilde(text("TEMPLATES_PATH"));
        target = newUniqueTemplatWithNameAtPath(name, folder);
        document = documents.openUntitledDocumentOfType(str(kTemplateDocumentType), false);
    }
    auto* templateDocument = dynamic_cast<TemplateDocument*>(document.get());
    if (!templateDocument)
        return nullptr;
    templateDocument->setDocName(name);
    templateDocument->setDocCategory(_createCategoryComboBox->currentText());
    templateDocument->setDocCreator(_createCreatorField->text());
    templateDocument->setDocDescription(_createDescriptionField->text());
    if (target.isEmpty())
        return document;
    if (!originalPath.isEmpty()) {
        templateDocument->saveDocument();
        return document;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    QString error;
    const bool written =
        templateDocument->writeToFileOfType(target, str(kTemplateDocumentType), &error);
    templateDocument->close();
    if (!written)
        return nullptr;
    return documents.openDocumentWithContentsOfFile(target, true);
}

void TemplateManagerWindowController::newTemplate() {
    createNewTemplateWithInfo(
        {{str(kCategoryInfoKey), _installedCategoryMenu->currentText()},
         {str(kGraphicInfoKey), QVariant::fromValue(applicationImage("NewTemplate"))}});
}

void TemplateManagerWindowController::duplicateTemplate() {
    const TemplateHandleRef handle = selectedTemplate();
    if (!handle) {
        ModalAlert::beep();
        return;
    }
    if (handle->path().isEmpty())
        return;
    createNewTemplateWithInfo(
        {{str(kNameInfoKey), formatString(text("DUP_TEMPLATE_NAME_FORMAT"), {handle->name()})},
         {str(kCategoryInfoKey), _installedCategoryMenu->currentText()},
         {str(kCreatorInfoKey), handle->creator()},
         {str(kDescriptionInfoKey), handle->description()},
         {str(kTitleInfoKey), text("DUP_TEMPLATE_TITLE")},
         {str(kOriginalPathInfoKey), handle->path()},
         {str(kGraphicInfoKey), QVariant::fromValue(applicationImage("NewTemplate"))}});
}

// Commands on the selected template.

void TemplateManagerWindowController::removeTemplate() {
    const TemplateHandleRef handle = selectedTemplate();
    if (!handle) {
        ModalAlert::beep();
        return;
    }
    ModalAlert::Request request(text("REMOVE"),
                                formatString(text("REMOVE_WARN_DESC"), {handle->name()}));
    request.defaultButton = text("YES");
    request.alternateButton = text("NO");
    if (ModalAlert::run(request) == ModalAlert::DefaultReturn)
        _templateManager->removeTemplate(handle);
}

void TemplateManagerWindowController::makeDefaultTemplate() {
    const TemplateHandleRef handle = selectedTemplate();
    if (!handle) {
        ModalAlert::beep();
        return;
    }
    _templateManager->setDefaultTemplate(handle);
    _installedTemplatesTable->reloadData();
}

void TemplateManagerWindowController::editTemplate() {
    const TemplateHandleRef handle = selectedTemplate();
    if (!handle) {
        ModalAlert::beep();
        return;
    }
    DocumentController::sharedDocumentController().openDocumentWithContentsOfFile(handle->path(),
                                                                                  true);
}

void TemplateManagerWindowController::applyTemplate() {
    const TemplateHandleRef handle = selectedTemplate();
    auto* window =
        qobject_cast<DurevedeDudiruVorudu*>(MainWindowTracker::sharedTracker().mainWindow());
    ZaroziveZodiroVirizidivi* controller = window ? window->controller() : nullptr;
    RoduvudeDadevizi* document = controller ? controller->catalogDocument() : nullptr;
    if (!handle || !document) {
        ModalAlert::beep();
        return;
    }
    document->setMasterTemplate(handle);
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
}
