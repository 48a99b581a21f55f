#include "framework/model/GenericDocument.h"

#include "platform/documents/WindowController.h"

GenericDocument::GenericDocument() = default;

GenericDocument::~GenericDocument() = default;

void GenericDocument::doActivate() {
    if (windowControllers().isEmpty())
        return;
    windowControllers().first()->showWindow();
}
