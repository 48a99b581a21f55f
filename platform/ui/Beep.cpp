#include "platform/ui/Beep.h"

#include <QApplication>
#include <atomic>

namespace {

std::atomic<int> gBeeps{0};

} // namespace

void beep() {
    ++gBeeps;
    // Without a widget application there is nothing to sound.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

int beepCount() {
    return gBeeps.load();
}
