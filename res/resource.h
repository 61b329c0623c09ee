#pragma once
// Resource ids shared by the .rc script and the code.
#define IDI_VARNELLE 100
#define IDS_DESCRIPTION 1
