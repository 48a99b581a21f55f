#pragma once

#include "framework/FormwellExport.h"
#include "platform/documents/Document.h"

// The document base shared by template and catalog documents.
class FORMWELL_EXPORT GenericDocument : public Document {
    Q_OBJECT

public:
    GenericDocument();
    ~GenericDocument() override;

public Q_SLOTS:
    // Brings the window of the first window controller to the front and makes
    // it the active one; nothing without a window controller.
    void doActivate();
};
