#include "ui/ConfigDialog.h"

BOOL RegisterDialogClasses(HINSTANCE) { return TRUE; }
