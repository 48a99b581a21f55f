#include "layout/TemplateTester.h"

#include "layout/TemplateView.h"

#include <QVBoxLayout>
#include <cmath>

TemplateTester::TemplateTester() : QWidget(nullptr), _templateView(new TemplateView(this)) {
    setObjectName(QStringLiteral("TemplateTester"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(_templateView);
}

TemplateTester* TemplateTester::testTemplate(const TemplateHandleRef& handle) {
    auto* tester = new TemplateTester();
    tester->_templateView->setTemplate(handle);
    if (handle) {
        const Rect page = handle->pageRect();
        // The window keeps its origin and takes the page's size.
        tester->resize(int(std::lround(page.width())), int(std::lround(page.height())));
    }
    tester->show();
    tester->raise();
    tester->activateWindow();
    return tester;
}
