#include "utilities/ControlText.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

bool hasTextColor(const QWidget* control) {
    return qobject_cast<const QLabel*>(control) || qobject_cast<const QLineEdit*>(control) ||
           qobject_cast<const QAbstractSpinBox*>(control) ||
           qobject_cast<const QComboBox*>(control) || qobject_cast<const QTextEdit*>(control) ||
           qobject_cast<const QPlainTextEdit*>(control);
}

} // namespace

void EnableControlText(QWidget* control, bool enabled) {
    if (!control || !hasTextColor(control))
        return;
    // The colours come from the style's palette for this kind of control, and
    // are set for every state so they show whether or not the control is enabled.
    const QPalette standard = QApplication::palette(control);
    const QPalette::ColorGroup source = enabled ? QPalette::Active : QPalette::Disabled;
    QPalette palette = control->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        const QColor color = standard.color(source, role);
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, role, color);
    }
    control->setPalette(palette);
}
