#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMPhotoMask.h"

#include <QString>
#include <QStringList>

class TMPhotoMaskManager;

// The process-wide registry, made on first use of sharedManager().
FORMWELL_EXPORT extern TMPhotoMaskManager* gSharedPhotoMaskManager;

// The registry of the nine mask kinds by name. A name stands for a mask class
// by its class name; a kind whose class is not in the framework yields no mask.
class FORMWELL_EXPORT TMPhotoMaskManager {
public:
    // Main thread only.
    static TMPhotoMaskManager* sharedManager();

    // "Bitmap", "Burst", "Cloud", "Diamond", "Heart", "Oval", "Pinking Shear",
    // "Rectangle", "Triangle".
    QStringList photoMaskNames() const;
    // A new mask with its defaults for a name of the list (case matters); null
    // for any other name or a kind whose class is missing.
    TMPhotoMaskRef photoMaskWithName(const QString& name) const;
    // The oval mask.
    TMPhotoMaskRef defaultPhotoMask() const;

    // The class name a registry name stands for; null for any other name.
    static QString maskClassNameForName(const QString& name);
};
