#include "framework/model/GenericDocument.h"

#include "platform/WindowController.h"

GenericDocument::GenericDocument() = default;

GenericDocument::~GenericDocument() = default;

void GenericDocument::doActivate() {
    if (windowControllers().isEmpty())
        return;
    windowControllers().first()->showWindow();
}
