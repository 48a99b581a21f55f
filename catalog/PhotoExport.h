#pragma once

#include "platform/graphics/Image.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;
class VQFileCatalog;

// What the exports of catalog photos share: the photo read at its natural size,
// the file's name, and what is done when that name is taken in the folder.

struct PhotoForExport {
    Image image;
    QByteArray metaData;
};

// The entry's photo at full resolution and its metadata, read with the catalog's
// screen-resolution and metadata modes switched for it and put back afterwards.
PhotoForExport readPhotoForExport(VQFileCatalog& entries, int index);

// A name that stays in the folder it is joined to and is not hidden by being empty.
bool isPlainFileName(const QString& name);

// Whether anything stands at the path, a dangling link included.
bool nameIsTaken(const QString& path);

// The entry's file name; an entry without a file of its own goes by its display
// name, or by "Vyx_Photo" when that would leave the folder or hide the file.
QString exportBaseName(VQFileCatalog& entries, int index);

// What becomes of a name that is taken in the folder.
enum class TakenName {
    Ask,     // "DUP_EXPORT": skip, rename or replace
    Replace, // written over
    Skip,    // not written
};

// The name to write under in `folder`: `name` while it is free or is to be
// replaced, a name the user typed in the rename panel, or empty to skip.
// Replacing removes nothing: the exporter replaces a file only once the new one
// is whole. A typed name that would leave the folder or hide the file beeps and
// is asked again. `beforeCheck` receives each name before it is tested.
QString settleExportName(QWidget* parent, const QString& folder, QString name, TakenName taken,
                         const std::function<void(const QString&)>& beforeCheck = {});
