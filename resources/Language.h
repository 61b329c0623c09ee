#pragma once

// TODO: opens the archive and fills the text table.
bool LoadLanguage();
