#pragma once
// Resource ids shared by the .rc script and the code.
#define IDI_VARNELLE 100
#define IDS_DESCRIPTION 1

// Configuration dialog and its controls (OK and Cancel are IDOK and IDCANCEL).
#define IDD_CONFIGURE 101
#define IDD_PREVIEW 104
#define IDB_BANNER 106

#define IDC_ADD 3
#define IDC_REMOVE 4
#define IDC_REMOVE_ALL 5
#define IDC_IMAGE_LIST 1001
#define IDC_BLOBS_SPEED 1002
#define IDC_BLOBS_SIZE 1003
#define IDC_SHOW_IMAGES 1004
#define IDC_SPARKS_SCHEME 1006
#define IDC_BLOB_SELECT 1008
#define IDC_FIRE_SCHEME 1009
#define IDC_PREVIEW 1010
#define IDC_SCHEME_LABEL 1011
#define IDC_FILES_GROUP 1012
#define IDC_MAIN_MONITOR_ONLY 1013
#define IDC_WHOLE_PICTURES 1014
#define IDC_SHUFFLE_PICTURES 1015
