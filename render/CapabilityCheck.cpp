#include "render/CapabilityCheck.h"

bool CheckSystemRequirements() { return true; }
