#include "ui/DialogRules.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwctype>

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Length of the part of path that names a drive or a share (C:\ or \\server\share\ with
// its separator where there is one); 0 for a path without such a root.
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]))
    return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    size_t end = path.find_first_of(L"\\/", 2);  // after the server
    if (end != std::wstring::npos) end = path.find_first_of(L"\\/", end + 1);  // after the share
    return end == std::wstring::npos ? path.size() : end + 1;
  }
  return 0;
}

constexpr const wchar_t* kPictureExtensions[] = {L".jpg", L".jpeg", L".jpe", L".png", L".bmp", L".gif", L".tif",
                                                 L".tiff"};
}  // namespace

bool IsPictureFile(const std::wstring& path) {
  const size_t nameStart = path.find_last_of(L"\\/:");
  const size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || (nameStart != std::wstring::npos && dot < nameStart)) return false;
  std::wstring extension = path.substr(dot);
  for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
  return std::any_of(std::begin(kPictureExtensions), std::end(kPictureExtensions),
                     [&](const wchar_t* e) { return extension == e; });
}

std::wstring PicturePattern() {
  std::wstring pattern;
  for (const wchar_t* extension : kPictureExtensions) pattern += (pattern.empty() ? L"*" : L";*") + std::wstring(extension);
  return pattern;
}

std::optional<ListEntryKind> DroppedEntryKind(const std::wstring& path, PathOnDisk onDisk) {
  if (onDisk == PathOnDisk::Folder) return ListEntryKind::Folder;
  // A path that cannot be looked up (one too long for the system's calls, or one
  // just moved) is judged by its name, as a file is.
  if (IsPictureFile(path)) return ListEntryKind::Picture;
  return std::nullopt;
}

ListEntryKind StoredEntryKind(const std::wstring& path, const std::function<PathOnDisk()>& lookUp) {
  if (IsPictureFile(path)) return ListEntryKind::Picture;
  return lookUp() == PathOnDisk::File ? ListEntryKind::Picture : ListEntryKind::Folder;
}

std::wstring FolderOfChoice(const std::wstring& path) {
  const size_t root = RootLength(path);
  std::wstring trimmed = path;
  while (trimmed.size() > root && IsSeparator(trimmed.back())) trimmed.pop_back();
  const size_t separator = trimmed.find_last_of(L"\\/");
  // A root, or a name directly in it: the root itself.
  if (root > 0 && (trimmed.size() <= root || separator == std::wstring::npos || separator < root))
    return path.substr(0, root);
  if (separator == std::wstring::npos) return std::wstring();
  return trimmed.substr(0, separator);
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

namespace {
using MessageLines = const wchar_t* const[7][2];

// The first line, the file's path, then the advice, each apart.
std::wstring FileMessage(const MessageLines& lines, uint32_t languageIndex, const std::wstring& path) {
  const auto& chosen = lines[languageIndex < std::size(lines) ? languageIndex : 0];
  return std::wstring(chosen[0]) + L"\n\n" + path + L"\n\n" + chosen[1];
}
}  // namespace

// The language table has no texts for these, so the messages carry their own.
std::wstring SaveFailedMessage(uint32_t languageIndex, const std::wstring& settingsPath) {
  static MessageLines kLines = {
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
  return FileMessage(kLines, languageIndex, settingsPath);
}

std::wstring UnreadableSettingsMessage(uint32_t languageIndex, const std::wstring& settingsPath) {
  static MessageLines kLines = {
      {L"Your settings file could not be read:",
       L"It is left as it is, so that the pictures and choices stored in it are not lost. Close the program "
       L"that is using it and open the settings again, or press Cancel."},
      {L"Не удалось прочитать файл настроек:",
       L"Он оставлен без изменений, чтобы не потерять сохранённые в нём изображения и параметры. Закройте "
       L"программу, которая его использует, и снова откройте настройки, или нажмите «Отмена»."},
      {L"Die Einstellungsdatei konnte nicht gelesen werden:",
       L"Sie bleibt unverändert, damit die darin gespeicherten Bilder und Einstellungen nicht verloren gehen. "
       L"Schließen Sie das Programm, das sie verwendet, und öffnen Sie die Einstellungen erneut, oder klicken "
       L"Sie auf „Abbrechen“."},
      {L"Impossible de lire le fichier de paramètres :",
       L"Il reste inchangé, afin de ne pas perdre les images et les choix qu’il contient. Fermez le programme "
       L"qui l’utilise, puis rouvrez les paramètres, ou cliquez sur Annuler."},
      {L"No se pudo leer el archivo de configuración:",
       L"Se deja tal como está para no perder las imágenes y opciones guardadas en él. Cierre el programa que "
       L"lo esté usando y vuelva a abrir la configuración, o pulse Cancelar."},
      {L"Impossibile leggere il file delle impostazioni:",
       L"Il file resta invariato, così le immagini e le scelte salvate non vanno perse. Chiudere il programma "
       L"che lo sta usando e riaprire le impostazioni, oppure premere Annulla."},
      {L"設定ファイルを読み込めませんでした:",
       L"保存されている画像と設定が失われないよう、ファイルはそのまま残されます。ファイルを使用している"
       L"プログラムを閉じてから設定を開き直すか、[キャンセル] を押してください。"},
  };
  return FileMessage(kLines, languageIndex, settingsPath);
}
