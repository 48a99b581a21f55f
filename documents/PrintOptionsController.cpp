#include "documents/PrintOptionsController.h"

#include "framework/model/TemplateImageSource.h"
#include "layout/TemplateMapper.h"
#include "platform/foundation/LocalizedStrings.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

struct Choice {
    const char* titleKey;
    int tag;
};

constexpr Choice kArrangements[] = {{"ARRANGE_ONE_PER_PAGE", LayoutModeOnePhotoPerPage},
                                    {"ARRANGE_SEQUENTIAL", LayoutModeSequential},
                                    {"ARRANGE_BOOK", LayoutModeBook}};
constexpr Choice kScalings[] = {{"SCALE_FILL", ScalingModeFill},
                                {"SCALE_FIT", ScalingModeFit},
                                {"SCALE_STRETCH", ScalingModeStretch}};

QButtonGroup* radioGroup(QDialog* dialog, QVBoxLayout* layout, const char* titleKey,
                         const Choice* choices, int count) {
    auto* box = new QGroupBox(text(titleKey), dialog);
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(dialog);
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(text(choices[i].titleKey), box);
        column->addWidget(button);
        group->addButton(button, choices[i].tag);
    }
    layout->addWidget(box);
    return group;
}

} // namespace

PrintOptionsController::PrintOptionsController(PrintOptionsCaller* caller)
    : WindowController(new QDialog), _caller(caller) {
    _dialog = static_cast<QDialog*>(window());
    _dialog->setWindowTitle(text("PRINT_OPTIONS_TITLE"));
    auto* layout = new QVBoxLayout(_dialog);
    _arrangementRadioMatrix =
        radioGroup(_dialog, layout, "ARRANGE_MODE", kArrangements, int(std::size(kArrangements)));
    _scalingRadioMatrix =
        radioGroup(_dialog, layout, "SCALE_MODE", kScalings, int(std::size(kScalings)));
    auto* buttons = new QDialogButtonBox(_dialog);
    buttons->addButton(text("OK"), QDialogButtonBox::AcceptRole)->setObjectName("okButton");
    buttons->addButton(text("CANCEL"), QDialogButtonBox::RejectRole)->setObjectName("cancelButton");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this,
            &PrintOptionsController::acceptPrintOptions);
    connect(buttons, &QDialogButtonBox::rejected, this,
            &PrintOptionsController::cancelPrintOptions);
    // Escape and the window's close box cancel.
    connect(_dialog, &QDialog::rejected, this, [this] {
        if (_done)
            endSheet(0);
    });
    awakeFromNib();
}

PrintOptionsController::~PrintOptionsController() = default;

void PrintOptionsController::awakeFromNib() {
    if (QAbstractButton* cell = _arrangementRadioMatrix->button(_caller->getPrintArrangementMode()))
        cell->setChecked(true);
    if (QAbstractButton* cell = _scalingRadioMatrix->button(_caller->getPrintScalingMode()))
        cell->setChecked(true);
}

void PrintOptionsController::acceptPrintOptions() {
    if (_arrangementRadioMatrix->checkedId() != -1)
        _caller->setPrintArrangementMode(_arrangementRadioMatrix->checkedId());
    if (_scalingRadioMatrix->checkedId() != -1)
        _caller->setPrintScalingMode(_scalingRadioMatrix->checkedId());
    endSheet(1);
}

void PrintOptionsController::cancelPrintOptions() {
    endSheet(0);
}

void PrintOptionsController::beginSheetForWindow(QWidget* parent, std::function<void(int)> done) {
    _done = std::move(done);
    if (parent) {
        _dialog->setParent(parent, Qt::Sheet);
        _dialog->setWindowModality(Qt::WindowModal);
    } else {
        _dialog->setWindowModality(Qt::ApplicationModal);
    }
    _dialog->show();
}

void PrintOptionsController::endSheet(int returnCode) {
    std::function<void(int)> done = std::move(_done);
    _done = nullptr;
    _dialog->hide();
    if (done)
        QTimer::singleShot(0, this, [done = std::move(done), returnCode] { done(returnCode); });
}
