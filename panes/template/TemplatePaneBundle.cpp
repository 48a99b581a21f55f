#include "TemplatePaneBundle.h"

std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> TemplatePaneBundle::preferencePanes() {
    // The pane controller arrives with the preference panes themselves.
    return {};
}
