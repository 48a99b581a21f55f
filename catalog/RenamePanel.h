#pragma once

#include <QDialog>

class QLineEdit;

// The panel "RenamePanel": one name field, OK and Cancel. OK ends with 1 and
// Cancel with 0; run it through ModalAlert::runDialog so that tests answer it.
class RenamePanel : public QDialog {
    Q_OBJECT

public:
    // The field holds `name`, selected and focused.
    RenamePanel(QWidget* parent, const QString& name);

    QLineEdit* renameField() const { return _renameField; }
    QString name() const;

private:
    QLineEdit* _renameField;
};
