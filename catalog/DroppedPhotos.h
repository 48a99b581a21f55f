#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class Pasteboard;
class VQFileCatalog;

// What the catalog takes from a drop or a paste, in one place for every view
// that receives photos: the catalog's grid, its window and the layout panel.
namespace DroppedPhotos {

// The platform's image file extensions (lower case), as its image readers know them.
QStringList imageFileTypes();
// Whether the extension (any case) is one of them.
bool isImageFileExtension(const QString& extension);

// The dropped paths with every folder replaced by the photos under it, walked
// deep in name order; a file is kept as given. Photos are files with an image
// extension or that meet the catalog's own criteria; hidden files are skipped.
QStringList expandFolders(const QStringList& paths, const VQFileCatalog& catalog);

// Adds the files (folders walked) one after another from `position` on (−1
// appends); answers how many were added.
int addFilesAtPosition(VQFileCatalog& catalog, const QStringList& paths, int position);

// The pasteboard's URL when its path has an image extension; empty otherwise.
QUrl imageURL(const Pasteboard& pasteboard);

// Adds what the pasteboard offers, first of file names (folders walked), an
// image URL and a picture, at `position`; answers how many entries were added.
int addFromPasteboard(VQFileCatalog& catalog, const Pasteboard& pasteboard, int position);

} // namespace DroppedPhotos
