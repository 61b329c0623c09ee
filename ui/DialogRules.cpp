#include "ui/DialogRules.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwctype>

OpenFileResult SplitFileList(const wchar_t* buffer, size_t capacity) {
  std::vector<std::wstring> strings;
  size_t pos = 0;
  while (pos < capacity && buffer[pos] != L'\0') {
    size_t end = pos;
    while (end < capacity && buffer[end] != L'\0') ++end;
    std::wstring item(buffer + pos, end - pos);
    if (!item.empty() && item.front() == L'"') item.erase(0, 1);
    strings.push_back(std::move(item));
    pos = end + 1;
  }
  OpenFileResult result;
  if (strings.size() == 1) {
    result.paths = std::move(strings);
  } else if (strings.size() > 1) {
    result.directory = strings.front();
    for (size_t i = 1; i < strings.size(); ++i) result.paths.push_back(result.directory + L"\\" + strings[i]);
  }
  return result;
}

bool IsPictureFile(const std::wstring& path) {
  const size_t nameStart = path.find_last_of(L"\\/:");
  const size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || (nameStart != std::wstring::npos && dot < nameStart)) return false;
  std::wstring extension = path.substr(dot);
  for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
  static const wchar_t* const kPictureExtensions[] = {L".jpg", L".png", L".tiff", L".bmp", L".tif"};
  return std::any_of(std::begin(kPictureExtensions), std::end(kPictureExtensions),
                     [&](const wchar_t* e) { return extension == e; });
}

int SelectionAfterRemoval(int removedIndex, int remainingLines) {
  const int line = removedIndex > 0 ? removedIndex - 1 : 0;  // no "minus one" below the smallest index
  return line < remainingLines ? line : -1;
}

SchemeRowLayout FitSchemeRow(const SchemeRowInput& row) {
  // Sums in 64 bits: measurements of a broken template must not overflow. Both
  // widths come out between their inputs, so only the box's left edge is clamped.
  const int64_t room = int64_t{row.right} - row.left - 2 * int64_t{row.gap};  // gaps after the label and before the button
  SchemeRowLayout layout{};
  layout.comboWidth = static_cast<int>(
      std::min<int64_t>(std::max(row.comboWidth, row.comboNeeded), std::max(room - row.labelWidth, int64_t{row.comboWidth})));
  layout.labelWidth =
      static_cast<int>(std::max<int64_t>(row.labelWidth, std::min(int64_t{row.labelTextWidth}, room - layout.comboWidth)));
  layout.twoLines = row.labelTextWidth > layout.labelWidth;
  layout.comboLeft = static_cast<int>(
      std::clamp<int64_t>(int64_t{row.left} + layout.labelWidth + row.gap, INT_MIN, INT_MAX));
  return layout;
}

std::wstring SaveFailedMessage(uint32_t languageIndex, const std::wstring& settingsPath) {
  // The language table has no text for this, so the message carries its own.
  static const wchar_t* const kLines[][2] = {
      {L"Your settings could not be saved to the file:",
       L"The folder may be read-only. Make the file writable, or press Cancel to close without saving."},
      {L"Не удалось сохранить настройки в файл:",
       L"Возможно, папка доступна только для чтения. Разрешите запись в файл или нажмите «Отмена», чтобы "
       L"закрыть без сохранения."},
      {L"Die Einstellungen konnten nicht in dieser Datei gespeichert werden:",
       L"Der Ordner ist möglicherweise schreibgeschützt. Machen Sie die Datei beschreibbar, oder schließen Sie "
       L"mit „Abbrechen“ ohne zu speichern."},
      {L"Impossible d’enregistrer les paramètres dans le fichier :",
       L"Le dossier est peut-être en lecture seule. Autorisez l’écriture du fichier, ou cliquez sur Annuler "
       L"pour fermer sans enregistrer."},
      {L"No se pudo guardar la configuración en el archivo:",
       L"Es posible que la carpeta sea de solo lectura. Permita la escritura en el archivo o pulse Cancelar "
       L"para cerrar sin guardar."},
      {L"Impossibile salvare le impostazioni nel file:",
       L"La cartella potrebbe essere di sola lettura. Rendere il file scrivibile oppure premere Annulla per "
       L"chiudere senza salvare."},
      {L"設定を次のファイルに保存できませんでした:",
       L"フォルダーが読み取り専用の可能性があります。ファイルへの書き込みを許可するか、[キャンセル] "
       L"を押して保存せずに閉じてください。"},
  };
  const auto& lines = kLines[languageIndex < std::size(kLines) ? languageIndex : 0];
  return std::wstring(lines[0]) + L"\n\n" + settingsPath + L"\n\n" + lines[1];
}
