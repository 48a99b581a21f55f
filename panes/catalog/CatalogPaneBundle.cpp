#include "CatalogPaneBundle.h"

#include "CatalogPreferenceController.h"

std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> CatalogPaneBundle::preferencePanes() {
    std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> panes;
    panes.push_back(std::make_unique<CatalogPreferenceController>());
    return panes;
}
