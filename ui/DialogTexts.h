#pragma once

// Writes the interface texts into the open configuration dialog: buttons, labels,
// the three flame styles of the scheme box, the caption. Does nothing while no
// configuration dialog is open.
void ApplyDialogTexts();
