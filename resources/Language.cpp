#include "resources/Language.h"

bool LoadLanguage() { return false; }
