#pragma once

#include <QStringList>

// The shared set of installed templates, made on first use.
class NewTemplateManager {
public:
    static NewTemplateManager* sharedTemplateManager();

    // The distinct categories of the installed templates, sorted without regard to case.
    QStringList templateCategories() const;

private:
    NewTemplateManager() = default;
};
