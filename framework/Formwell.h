#pragma once

#include "framework/FormwellExport.h"

#include <QString>

// The framework's own string table ("Formwell" bundle).
FORMWELL_EXPORT QString frameworkString(const QString& key);
FORMWELL_EXPORT QString frameworkString(const char* key);
