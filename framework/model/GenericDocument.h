#pragma once

#include "framework/FormwellExport.h"
#include "platform/documents/Document.h"

// The model's error notice: a part that fails posts it with the code (int) and
// the document (QObject*) it belongs to; only that document's window shows it.
inline constexpr char kUTErrorNofity[] = "UTErrorNofity";
inline constexpr char kErrCodeKey[] = "ErrCode";
inline constexpr char kErrDocumentKey[] = "document";

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
