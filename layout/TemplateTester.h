#pragma once

#include "library/TemplateHandle.h"

#include <QWidget>

class TemplateView;

// A window that shows a template without photos, page-sized, for trying a
// template out. It frees itself when closed.
class TemplateTester : public QWidget {
    Q_OBJECT

public:
    static TemplateTester* testTemplate(const TemplateHandleRef& handle);

    TemplateView* templateView() const { return _templateView; }

private:
    TemplateTester();

    TemplateView* _templateView;
};
