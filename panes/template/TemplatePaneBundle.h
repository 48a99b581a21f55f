#pragma once

#include "platform/ui/PreferencePane.h"

#include <QObject>

// The plug-in's root object: hands out the pane objects of `TemplatePreferenceController`.
class TemplatePaneBundle : public QObject, public PreferencePaneBundle {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PreferencePaneBundle_iid FILE "TemplatePane.json")
    Q_INTERFACES(PreferencePaneBundle)

public:
    std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> preferencePanes() override;
};
