#pragma once

class QWidget;

// Shows a text-bearing control's text in the normal or the disabled control text
// colour without touching whether the control is enabled. Controls without a
// text colour of their own (and null) are left alone.
void EnableControlText(QWidget* control, bool enabled);
