#pragma once

#include "documents/RoduvudeDadevizi.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Points HOME and the XDG folders at a new temporary account, so that the
// bench's templates, settings and counters never reach the user's; null when
// that fails. Call before the application object is made.
std::unique_ptr<QTemporaryDir> useBenchAccount();

// A one-page Letter template with one full-page photo cell (and a print area
// over the whole page when asked), written into the template library under
// `id`.
void installLetterTemplate(const QString& id, bool withPrintArea);

// A catalog document of the photos, each marked, laid out on the template `id`
// one photo to a page; aborts when the layout does not give one page per photo.
std::unique_ptr<RoduvudeDadevizi> letterLayoutOfPhotos(const QStringList& paths, const QString& id);
