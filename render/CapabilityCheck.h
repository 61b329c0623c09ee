#pragma once

// TODO: adapter name and acceleration rules.
bool CheckSystemRequirements();
