#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "resources/Strings.h"
#include "platform/Registry.h"
#include "settings/SettingsStore.h"

namespace {
// A fresh folder under the temporary directory, removed with its files afterwards.
class SettingsFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    dir_ = std::wstring(base) + L"varnelle-settings-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
    path_ = dir_ + L"\\Demo.scr.settings";
  }
  void TearDown() override {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((dir_ + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring file = dir_ + L"\\" + fd.cFileName;
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file.c_str());
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
    RemoveDirectoryW(dir_.c_str());
  }
  void WriteBytes(const std::string& bytes) {
    std::ofstream(path_.c_str(), std::ios::binary) << bytes;
  }
  std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::wstring dir_, path_;
};

void ExpectDefaults(const SettingsStore& s) {
  EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 40);
  EXPECT_EQ(s.GetValue(L"BlobsSize"), 80);
  EXPECT_EQ(s.GetValue(L"ShowImages"), 1);
  EXPECT_EQ(s.GetValue(L"SelectCubeMap"), 0);
  EXPECT_EQ(s.GetValue(L"SelectSparksEffect"), 0);
  EXPECT_EQ(s.GetValue(L"SelectFireEffect"), 0);
  ASSERT_EQ(s.Values().size(), std::size(kSettingsFields));
  EXPECT_EQ(s.Values()[0].first, L"BlobsSpeed");
  EXPECT_EQ(s.Values()[5].first, L"SelectFireEffect");
  EXPECT_EQ(s.Values()[6].first, L"MainMonitorOnly");
  EXPECT_EQ(s.GetValue(L"MainMonitorOnly"), 0);
}

SettingsStore Parse(const std::string& text) {
  SettingsStore s;
  s.Load(L"");  // defaults only
  s.LoadFromText(text);
  return s;
}
}  // namespace

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndDropsEarlierState) {
  SettingsStore s;
  s.Load(L"");
  s.AddImage(L"C:\\old.jpg");
  s.SetValue(L"ShowImages", 0);
  EXPECT_EQ(s.Load(path_), SettingsRead::Missing);
  EXPECT_EQ(s.ImageCount(), 0);
  ExpectDefaults(s);
}

TEST_F(SettingsFileTest, RoundTripKeepsPicturesAndValuesInOrder) {
  SettingsStore s;
  s.Load(path_);
  for (const wchar_t* p : {L"C:\\Pictures\\a.jpg", L"D:\\b c\\d.png", L"", L"e.bmp"}) s.AddImage(p);
  s.SetValue(L"BlobsSpeed", 100);
  s.SetValue(L"SelectFireEffect", 2);
  s.SetValue(L"ShowImages", 0);
  s.SetValue(L"SelectCubeMap", -7);
  ASSERT_TRUE(s.Save(path_));

  EXPECT_EQ(ReadBytes(path_),
            "#Picture Info _ begin\r\nC:\\Pictures\\a.jpg\r\nD:\\b c\\d.png\r\n\r\ne.bmp\r\n#Picture Info _ end\r\n"
            "BlobsSpeed 100\r\nBlobsSize 80\r\nShowImages 0\r\nSelectCubeMap -7\r\nSelectSparksEffect 0\r\n"
            "SelectFireEffect 2\r\n");
  SettingsStore t;
  ASSERT_EQ(t.Load(path_), SettingsRead::Read);
  // The empty path names no picture and is not read back.
  ASSERT_EQ(t.ImageCount(), 3);
  EXPECT_EQ(t.GetImage(0), s.GetImage(0));
  EXPECT_EQ(t.GetImage(1), s.GetImage(1));
  EXPECT_EQ(t.GetImage(2), s.GetImage(3));
  EXPECT_EQ(t.Values(), s.Values());
}

// A file that is there but cannot be read is told apart from a missing one: the
// dialog must not save its defaults over the user's stored choices.
TEST_F(SettingsFileTest, FileThatExistsButCannotBeReadIsNotMissing) {
  WriteBytes("#Picture Info _ begin\r\nC:\\a.jpg\r\n#Picture Info _ end\r\nShowImages 0\r\n");
  SettingsStore s;
  {
    // Held by another program that shares nothing.
    HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    s.AddImage(L"left over");
    EXPECT_EQ(s.Load(path_), SettingsRead::Unreadable);
    CloseHandle(held);
    EXPECT_EQ(s.ImageCount(), 0);
    ExpectDefaults(s);
    EXPECT_EQ(s.Load(path_), SettingsRead::Read);
    EXPECT_EQ(s.ImageCount(), 1);
  }
  // Over the size limit: not one of ours, whatever it begins with.
  WriteBytes("#Picture Info _ begin\r\nC:\\a.jpg\r\n" + std::string((16 << 20) + 1, 'x'));
  EXPECT_EQ(s.Load(path_), SettingsRead::Unreadable);
  EXPECT_EQ(s.ImageCount(), 0);
  ExpectDefaults(s);

  // A folder under the file's name.
  DeleteFileW(path_.c_str());
  ASSERT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
  EXPECT_EQ(s.Load(path_), SettingsRead::Unreadable);
  RemoveDirectoryW(path_.c_str());
  // Gone, or its folder gone: missing.
  EXPECT_EQ(s.Load(path_), SettingsRead::Missing);
  EXPECT_EQ(s.Load(dir_ + L"\\no such folder\\Demo.scr.settings"), SettingsRead::Missing);
}

// Paths far past any fixed line buffer come back whole, in any script.
TEST_F(SettingsFileTest, LongPathsReadBackWhole) {
  std::wstring deep = L"\\\\?\\C:";
  while (deep.size() < 30000) deep += L"\\\x0424\x043E\x0442\x043E \x5199\x771F folder";
  deep += L"\\last.jpg";
  const std::wstring ascii = L"C:\\" + std::wstring(5000, L'a') + L".png";
  SettingsStore s;
  s.Load(path_);
  s.AddImage(deep);
  s.AddImage(ascii);
  s.AddImage(L"short.jpg");
  ASSERT_TRUE(s.Save(path_));
  SettingsStore t;
  ASSERT_EQ(t.Load(path_), SettingsRead::Read);
  ASSERT_EQ(t.ImageCount(), 3);
  EXPECT_EQ(t.GetImage(0), deep);
  EXPECT_EQ(t.GetImage(1), ascii);
  EXPECT_EQ(t.GetImage(2), L"short.jpg");
}

// Just under the size limit, a file of nothing but line feeds reads as no
// pictures, and values after them still count; one entry per line feed would
// cost hundreds of megabytes and exhaust a 32-bit saver.
TEST_F(SettingsFileTest, FileOfEmptyLinesReadsAsNoPictures) {
  const std::string tail = "#Picture Info _ end\r\nBlobsSize 9\r\n";
  WriteBytes("#Picture Info _ begin\r\n" + std::string((16 << 20) - 64, '\n') + "a.jpg\r\n" + tail);
  SettingsStore s;
  ASSERT_EQ(s.Load(path_), SettingsRead::Read);
  ASSERT_EQ(s.ImageCount(), 1);
  EXPECT_EQ(s.GetImage(0), L"a.jpg");
  EXPECT_EQ(s.GetValue(L"BlobsSize"), 9);
}

// Pictures of a Russian or Japanese user keep their names; the file is UTF-8.
TEST_F(SettingsFileTest, NonAsciiPathsSurviveSaveAndLoad) {
  const std::wstring russian = L"C:\\\x0424\x043E\x0442\x043E\\\x0424\x043E\x0442\x043E.jpg";
  const std::wstring japanese = L"D:\\\x5199\x771F\\\x65C5\x884C.png";
  SettingsStore s;
  s.Load(path_);
  s.AddImage(russian);
  s.AddImage(japanese);
  ASSERT_TRUE(s.Save(path_));
  EXPECT_NE(ReadBytes(path_).find(ToUtf8(russian) + "\r\n"), std::string::npos);
  SettingsStore t;
  ASSERT_EQ(t.Load(path_), SettingsRead::Read);
  ASSERT_EQ(t.ImageCount(), 2);
  EXPECT_EQ(t.GetImage(0), russian);
  EXPECT_EQ(t.GetImage(1), japanese);
}

// Files of earlier versions: ANSI bytes, which are not valid UTF-8.
TEST_F(SettingsFileTest, OldAnsiFilesLoadAsBefore) {
  WriteBytes("#Picture Info _ begin\r\nC:\\caf\xE9\\cr\xE8me.jpg\r\n#Picture Info _ end\r\nBlobsSize 12\r\n");
  SettingsStore s;
  ASSERT_EQ(s.Load(path_), SettingsRead::Read);
  ASSERT_EQ(s.ImageCount(), 1);
  EXPECT_EQ(s.GetImage(0), FromAnsi("C:\\caf\xE9\\cr\xE8me.jpg"));
  EXPECT_EQ(s.GetValue(L"BlobsSize"), 12);
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheOldFileWhole) {
  SettingsStore s;
  s.Load(path_);
  s.AddImage(L"first.jpg");
  ASSERT_TRUE(s.Save(path_));
  const std::string before = ReadBytes(path_);

  // A file held open by someone else cannot be replaced: the new content must not
  // reach it, nor linger beside it.
  HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  s.AddImage(L"second.jpg");
  EXPECT_FALSE(s.Save(path_));
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(path_), before);
  EXPECT_EQ(GetFileAttributesW((path_ + L".new").c_str()), INVALID_FILE_ATTRIBUTES);

  EXPECT_TRUE(s.Save(path_));
  SettingsStore t;
  t.Load(path_);
  EXPECT_EQ(t.ImageCount(), 2);
  EXPECT_EQ(GetFileAttributesW((path_ + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFileTest, NoRoomBesideTheFileFailsAndLeavesItWhole) {
  // A folder where the user may not create files: the file is never rewritten where
  // it stands (not atomic, and such a file is usually shared with other accounts),
  // the caller saves to the user's own file instead. Stand-in: something blocks the name.
  SettingsStore s;
  s.Load(path_);
  s.AddImage(L"first.jpg");
  ASSERT_TRUE(s.Save(path_));
  const std::string before = ReadBytes(path_);
  ASSERT_TRUE(CreateDirectoryW((path_ + L".new").c_str(), nullptr));
  s.SetValue(L"SelectFireEffect", 2);
  EXPECT_FALSE(s.Save(path_));
  RemoveDirectoryW((path_ + L".new").c_str());
  EXPECT_EQ(ReadBytes(path_), before);
}

TEST_F(SettingsFileTest, SaveIntoMissingFolderFails) {
  SettingsStore s;
  s.Load(L"");
  EXPECT_FALSE(s.Save(dir_ + L"\\no such folder\\x.scr.settings"));
}

TEST(SettingsParse, ValueLinesFollowTheRuntimeConversion) {
  const std::string head = "#Picture Info _ begin\n#Picture Info _ end\n";
  EXPECT_EQ(Parse(head + "BlobsSpeed abc\n").GetValue(L"BlobsSpeed"), 0);
  EXPECT_EQ(Parse(head + "BlobsSpeed    7\n").GetValue(L"BlobsSpeed"), 7);
  EXPECT_EQ(Parse(head + "   BlobsSpeed 12xyz\n").GetValue(L"BlobsSpeed"), 12);
  EXPECT_EQ(Parse(head + "BlobsSpeed -3\n").GetValue(L"BlobsSpeed"), -3);
  EXPECT_EQ(Parse(head + "BlobsSpeed +5\n").GetValue(L"BlobsSpeed"), 5);
  EXPECT_EQ(Parse(head + "BlobsSpeed 99999999999\n").GetValue(L"BlobsSpeed"), INT32_MAX);
  EXPECT_EQ(Parse(head + "BlobsSpeed\n").GetValue(L"BlobsSpeed"), 40);   // key alone
  EXPECT_EQ(Parse(head + "BlobsSpeed \n").GetValue(L"BlobsSpeed"), 40);  // no value text
  EXPECT_EQ(Parse(head + "blobsspeed 5\n").GetValue(L"BlobsSpeed"), 40);
  EXPECT_EQ(Parse(head + "BlobsSpeed 5\nBlobsSpeed 6\n").GetValue(L"BlobsSpeed"), 6);
  EXPECT_EQ(Parse(head + "BlobsSpeed\t5\n").GetValue(L"BlobsSpeed"), 40);  // the key runs to a space
}

// Written after the six only when set, so a file that never had it stays byte for
// byte; any value but 1 means every monitor and is written back as nothing.
TEST(SettingsParse, MainMonitorOnlyIsWrittenOnlyWhenSet) {
  const std::string six = "#Picture Info _ begin\r\n#Picture Info _ end\r\nBlobsSpeed 40\r\nBlobsSize 80\r\n"
                          "ShowImages 1\r\nSelectCubeMap 0\r\nSelectSparksEffect 0\r\nSelectFireEffect 0\r\n";
  EXPECT_EQ(Parse(six).ToText(), six);
  EXPECT_EQ(Parse(six + "MainMonitorOnly 1\r\n").GetValue(L"MainMonitorOnly"), 1);
  EXPECT_EQ(Parse(six + "MainMonitorOnly 1\r\n").ToText(), six + "MainMonitorOnly 1\r\n");
  for (const char* other : {"MainMonitorOnly 2\r\n", "MainMonitorOnly -1\r\n", "MainMonitorOnly x\r\n"}) {
    EXPECT_EQ(Parse(six + other).GetValue(L"MainMonitorOnly"), 0) << other;
    EXPECT_EQ(Parse(six + other).ToText(), six) << other;
  }
  // The picture switches after it, in the table's order, whatever order the file had.
  const SettingsStore all = Parse(six + "ShufflePictures 1\r\nShowWholePictures 1\r\nMainMonitorOnly 1\r\n");
  EXPECT_EQ(all.ToText(), six + "MainMonitorOnly 1\r\nShowWholePictures 1\r\nShufflePictures 1\r\n");
  EXPECT_EQ(Parse(six + "ShowWholePictures 3\r\n").ToText(), six);
}

TEST(SettingsParse, UnknownKeysAndBlankLinesChangeNothing) {
  const SettingsStore s =
      Parse("#Picture Info _ begin\r\n#Picture Info _ end\r\nColour 5\r\n\r\n    \r\n \t \r\nShowImages 0\r\n");
  EXPECT_EQ(s.GetValue(L"ShowImages"), 0);
  EXPECT_EQ(s.Values().size(), std::size(kSettingsFields));
  EXPECT_EQ(s.GetValue(L"Colour"), 0);
  EXPECT_EQ(s.ImageCount(), 0);
}

TEST(SettingsParse, PictureSectionTakesEveryOtherNonEmptyLine) {
  // Lines before the begin marker are pictures too; empty lines name none.
  SettingsStore s = Parse("early.jpg\n#Picture Info _ begin\na.jpg\n\r\n\nb.jpg\n#Picture Info _ end\nBlobsSize 3\n");
  ASSERT_EQ(s.ImageCount(), 3);
  EXPECT_EQ(s.GetImage(0), L"early.jpg");
  EXPECT_EQ(s.GetImage(2), L"b.jpg");
  EXPECT_EQ(s.GetValue(L"BlobsSize"), 3);

  // Without the end marker everything is a picture and the values stay at their defaults.
  s = Parse("#Picture Info _ begin\na.jpg\nBlobsSize 3\n");
  EXPECT_EQ(s.ImageCount(), 2);
  EXPECT_EQ(s.GetValue(L"BlobsSize"), 80);

  // A carriage return ends a line only before its line feed.
  s = Parse("#Picture Info _ begin\r\na\rb.jpg\r\r\nc.jpg\r");
  ASSERT_EQ(s.ImageCount(), 2);
  EXPECT_EQ(s.GetImage(0), L"a\rb.jpg\r");
  EXPECT_EQ(s.GetImage(1), L"c.jpg\r");
}

// Whatever a file loads as, the text written from that store loads as the same
// store: no picture split, lost or added, no value changed.
TEST(SettingsParse, WrittenTextLoadsAsTheSameStore) {
  const std::string head = "#Picture Info _ begin\r\n", tail = "#Picture Info _ end\r\n";
  const std::string files[] = {
      head + std::string(2100, 'x') + "\r\n" + tail + "BlobsSpeed 99999999999\r\n",
      head + ToUtf8(std::wstring(1100, L'\x0444')) + "\r\n" + tail,
      // An old ANSI line that grows past 2047 bytes as UTF-8, with the end marker
      // where a byte-counting reader would have cut it.
      head + std::string(1000, '\xE9') + std::string(47, 'a') + "#Picture Info _ end\r\nlast.jpg\r\n" + tail +
          "BlobsSize 7\r\n",
      head + std::string(2047, 'y') + "\r\n\r\n" + tail,
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file.substr(0, 40));
    const SettingsStore first = Parse(file);
    const SettingsStore second = Parse(first.ToText());
    ASSERT_EQ(second.ImageCount(), first.ImageCount());
    for (int i = 0; i < first.ImageCount(); ++i) EXPECT_EQ(second.GetImage(i), first.GetImage(i)) << i;
    EXPECT_EQ(second.Values(), first.Values());
  }
  const SettingsStore ansi = Parse(files[2]);
  ASSERT_EQ(ansi.ImageCount(), 2);
  EXPECT_EQ(ansi.GetImage(0).size(), 1066u);
  EXPECT_EQ(ansi.GetImage(1), L"last.jpg");
  EXPECT_EQ(ansi.GetValue(L"BlobsSize"), 7);
}

TEST(SettingsStoreList, EditingAndLookups) {
  SettingsStore s;
  s.Load(L"");
  EXPECT_FALSE(s.SetValue(L"Other", 3));
  EXPECT_TRUE(s.SetValue(L"BlobsSize", 3));
  s.AddImage(L"a");
  s.AddImage(L"b");
  s.AddImage(L"c");
  s.RemoveImage(1);
  s.RemoveImage(7);
  s.RemoveImage(-1);
  EXPECT_EQ(s.ImageCount(), 2);
  EXPECT_EQ(s.GetImage(1), L"c");
  EXPECT_EQ(s.GetImage(2), L"");
  EXPECT_EQ(s.GetImage(-1), L"");
  s.RemoveAllImages();
  EXPECT_EQ(s.ImageCount(), 0);
  EXPECT_EQ(s.GetValue(L"BlobsSize"), 3);
}

TEST(SettingsPath, DerivedFromTheProgramText) {
  EXPECT_EQ(SettingsPathFromProgram(L"C:\\Savers\\Demo.scr"), L"C:\\Savers\\Demo.scr.settings");
  EXPECT_EQ(SettingsPathFromProgram(L"C:\\Demo.exe"), L"C:\\Demo.scr.settings");
  EXPECT_EQ(SettingsPathFromProgram(L"\"C:\\Program Files\\Demo.scr\""), L"C:\\Program Files\\Demo.scr.settings");
  EXPECT_EQ(SettingsPathFromProgram(L"  C:\\Demo.scr  \t"), L"C:\\Demo.scr.settings");
  EXPECT_EQ(SettingsPathFromProgram(L"\"C:\\Demo.scr\"   "), L"C:\\Demo.scr.settings");
  EXPECT_EQ(SettingsPathFromProgram(L"ab"), L"scr.settings");
  EXPECT_EQ(SettingsPathFromProgram(L"\""), L"scr.settings");
  // Short and long forms of one program name two files.
  EXPECT_NE(SettingsPathFromProgram(L"C:\\PROGRA~1\\Demo.scr"), SettingsPathFromProgram(L"C:\\Program Files\\Demo.scr"));
}

TEST(RegistryRead, DwordRules) {
  const wchar_t* key = L"SOFTWARE\\VarnelleTest";
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &h,
                            nullptr),
            ERROR_SUCCESS);
  const DWORD six = 6;
  const uint64_t wide = 5;
  const BYTE one = 0x22;
  RegSetValueExW(h, L"Dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&six), 4);
  RegSetValueExW(h, L"Qword", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wide), 8);
  RegSetValueExW(h, L"Byte", 0, REG_BINARY, &one, 1);
  RegCloseKey(h);

  uint32_t v = 0;
  EXPECT_TRUE(ReadRegistryDword(key, L"Dword", v));
  EXPECT_EQ(v, 6u);
  v = 9;
  EXPECT_FALSE(ReadRegistryDword(key, L"Missing", v));
  EXPECT_EQ(v, 9u);
  EXPECT_FALSE(ReadRegistryDword(key, L"Qword", v));  // longer than four bytes
  EXPECT_EQ(v, 9u);
  v = 0x11111111;
  EXPECT_TRUE(ReadRegistryDword(key, L"Byte", v));  // shorter data lies over the old value
  EXPECT_EQ(v, 0x11111122u);
  EXPECT_FALSE(ReadRegistryDword(L"SOFTWARE\\VarnelleTest\\Nothing", L"Dword", v));
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
}

// A 64-bit build reads the 32-bit view, where the installer and the 32-bit saver keep
// CurLang; a value that exists only in the 64-bit view is not the user's choice.
TEST(RegistryRead, ReadsTheThirtyTwoBitView) {
  if (sizeof(void*) == 4) GTEST_SKIP() << "a 32-bit program sees only the 32-bit view";
  const wchar_t* key = L"SOFTWARE\\VarnelleViewTest";
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &h,
                            nullptr),
            ERROR_SUCCESS);
  const DWORD five = 5;
  RegSetValueExW(h, L"CurLang", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4);
  RegCloseKey(h);
  uint32_t v = 0;
  EXPECT_FALSE(ReadRegistryDword(key, L"CurLang", v));
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &h,
                            nullptr),
            ERROR_SUCCESS);
  const DWORD two = 2;
  RegSetValueExW(h, L"CurLang", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4);
  RegCloseKey(h);
  EXPECT_TRUE(ReadRegistryDword(key, L"CurLang", v));
  EXPECT_EQ(v, 2u);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY, 0);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
}
