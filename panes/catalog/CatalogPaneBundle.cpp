#include "CatalogPaneBundle.h"

std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> CatalogPaneBundle::preferencePanes() {
    // The pane controller arrives with the preference panes themselves.
    return {};
}
