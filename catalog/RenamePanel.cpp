#include "catalog/RenamePanel.h"

#include "platform/foundation/LocalizedStrings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

RenamePanel::RenamePanel(QWidget* parent, const QString& name)
    : QDialog(parent), _renameField(new QLineEdit(this)) {
    const QString title = localizedString(QStringLiteral("RENAME_CAT_FILE"));
    setObjectName(QStringLiteral("RenamePanel"));
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(title, this));
    _renameField->setObjectName(QStringLiteral("renameField"));
    _renameField->setText(name);
    _renameField->selectAll();
    _renameField->setFocus();
    layout->addWidget(_renameField);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    // OK ends editing first, so that the field's text is the one typed.
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        _renameField->clearFocus();
        done(1);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(0); });
}

QString RenamePanel::name() const {
    return _renameField->text();
}
