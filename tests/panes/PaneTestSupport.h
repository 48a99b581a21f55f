#pragma once

#include "platform/foundation/Resources.h"
#include "platform/ui/PreferencePane.h"

#include <QPluginLoader>
#include <QWidget>
#include <memory>

// The pane of a real pane plug-in of the build tree; null when it can't be loaded.
inline std::unique_ptr<SS_PreferencePaneProtocol> loadPane(const QString& name) {
    QPluginLoader loader(
        QStringLiteral("%1/%2.preferencePane/%2.so").arg(Resources::preferencePanesPath(), name));
    auto* bundle = qobject_cast<PreferencePaneBundle*>(loader.instance());
    if (!bundle)
        return nullptr;
    auto panes = bundle->preferencePanes();
    return panes.size() == 1 ? std::move(panes.front()) : nullptr;
}

// Finds a control of the pane's view by its outlet name.
template <typename Widget> Widget* control(SS_PreferencePaneProtocol& pane, const char* name) {
    return pane.mainView()->findChild<Widget*>(QString::fromLatin1(name));
}
