#include "TemplatePaneBundle.h"

#include "TemplatePreferenceController.h"

std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> TemplatePaneBundle::preferencePanes() {
    std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> panes;
    panes.push_back(std::make_unique<TemplatePreferenceController>());
    return panes;
}
