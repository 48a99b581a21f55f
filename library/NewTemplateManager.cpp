#include "library/NewTemplateManager.h"

NewTemplateManager* NewTemplateManager::sharedTemplateManager() {
    static NewTemplateManager manager;
    return &manager;
}

QStringList NewTemplateManager::templateCategories() const {
    // No template files are read yet, so no template is installed and there is no
    // category to list.
    return QStringList();
}
