#include "FormwellExport.h"

// The framework's bundle name, under which its string table is looked up.
FORMWELL_EXPORT const char* FormwellBundleName() { return "Formwell"; }
