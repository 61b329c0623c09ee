#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/ProgramPath.h"
#include "settings/SettingsLocation.h"
#include "settings/SettingsStore.h"

namespace {
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A saver's folder and a profile folder that does not exist yet, both under a fresh
// temporary folder, so that no test touches the real profile.
class SettingsLocationTest : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    root_ = std::wstring(base) + L"varnelle-location-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(root_.c_str(), nullptr);
    CreateDirectoryW((root_ + L"\\saver").c_str(), nullptr);
    UseProfile(root_ + L"\\profile\\AppData\\Roaming");
  }
  void TearDown() override { RemoveTree(root_); }

  void UseProfile(const std::wstring& roaming, SettingsHome home = SettingsHome::UsersProfile) {
    files_ = SettingsFilesFor(root_ + L"\\saver\\Varnelle.scr", roaming, home);
  }
  // Nothing can be created beside the saver: something already holds the
  // temporary name, as a folder without the right to create files would refuse it.
  void BlockBeside() { ASSERT_TRUE(CreateDirectoryW((files_.besideProgram + L".new").c_str(), nullptr)); }
  static SettingsStore Store(int32_t fireStyle, const std::wstring& picture = L"C:\\a.jpg") {
    SettingsStore s;
    s.Load(L"");
    s.AddImage(picture);
    s.SetValue(L"SelectFireEffect", fireStyle);
    return s;
  }
  static int32_t FireStyleIn(const std::wstring& path) {
    SettingsStore s;
    return s.Load(path) == SettingsRead::Read ? s.GetValue(L"SelectFireEffect") : -1;
  }
  static std::string Bytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::wstring root_;
  SettingsFiles files_;
};
}  // namespace

TEST(SettingsFiles, UsersOwnFileIsNamedAfterTheSaver) {
  const std::wstring roaming = L"C:\\Users\\ann\\AppData\\Roaming";
  const SettingsHome home = SettingsHome::UsersProfile;
  SettingsFiles f = SettingsFilesFor(L"C:\\Windows\\system32\\Varnelle.scr", roaming, home);
  EXPECT_EQ(f.besideProgram, L"C:\\Windows\\system32\\Varnelle.scr.settings");
  EXPECT_EQ(f.usersOwn, roaming + L"\\Varnelle\\Varnelle.scr.settings");
  // A family variant keeps a file of its own, as it does beside the program.
  f = SettingsFilesFor(L"D:\\Saver Copies\\VarnelleSparks.scr", roaming + L"\\", home);
  EXPECT_EQ(f.besideProgram, L"D:\\Saver Copies\\VarnelleSparks.scr.settings");
  EXPECT_EQ(f.usersOwn, roaming + L"\\Varnelle\\VarnelleSparks.scr.settings");
  EXPECT_EQ(SettingsFilesFor(L"Varnelle.scr", L"E:\\", home).usersOwn, L"E:\\Varnelle\\Varnelle.scr.settings");
  EXPECT_EQ(SettingsFilesFor(L"Varnelle.scr", L"\\\\host\\home\\ann\\Roaming", home).usersOwn,
            L"\\\\host\\home\\ann\\Roaming\\Varnelle\\Varnelle.scr.settings");
  const std::wstring japanese = L"C:\\Users\\\x3086\x3046\x3053\\AppData\\Roaming";
  EXPECT_EQ(SettingsFilesFor(L"Varnelle.scr", japanese, home).usersOwn,
            japanese + L"\\Varnelle\\Varnelle.scr.settings");
  // Anything but a full path would leave the choice of file to the saver's current folder.
  for (const wchar_t* folder : {L"", L"AppData\\Roaming", L"\\Users\\ann", L"C:Roaming", L"\\\\", L"1:\\x"})
    EXPECT_EQ(SettingsFilesFor(L"C:\\Windows\\system32\\Varnelle.scr", folder, home).usersOwn, L"") << folder;
}

// A 32-bit setup starts the native saver through "Sysnative", which a native
// process cannot open.
TEST(ProgramPath, SysnativeIsTheSystemFolder) {
  const std::wstring windows = L"C:\\Windows", system = L"C:\\Windows\\system32";
  EXPECT_EQ(NativeSystemPath(L"C:\\Windows\\Sysnative\\Varnelle.scr", windows, system),
            L"C:\\Windows\\system32\\Varnelle.scr");
  EXPECT_EQ(NativeSystemPath(L"c:\\WINDOWS\\SYSNATIVE\\Varnelle.scr", windows + L"\\", system),
            L"C:\\Windows\\system32\\Varnelle.scr");
  for (const wchar_t* other : {L"C:\\Windows\\Sysnative2\\Varnelle.scr", L"D:\\Windows\\Sysnative\\Varnelle.scr",
                               L"C:\\Windows\\system32\\Sysnative\\Varnelle.scr", L"C:\\Sysnative\\Varnelle.scr"})
    EXPECT_EQ(NativeSystemPath(other, windows, system), other);
}

TEST(SettingsFiles, HomeOfFolder) {
  wchar_t system[MAX_PATH], temp[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(HomeOfFolder(system), SettingsHome::UsersProfile);
  EXPECT_EQ(HomeOfFolder(std::wstring(system) + L"\\"), SettingsHome::UsersProfile);
  EXPECT_EQ(HomeOfFolder(temp), SettingsHome::BesideProgram);
  // No file can be made in a folder that is not there.
  EXPECT_EQ(HomeOfFolder(std::wstring(temp) + L"varnelle-no-such-folder"), SettingsHome::UsersProfile);
  // The probe leaves nothing behind.
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((std::wstring(temp) + L".varnelle-probe-*").c_str(), &fd);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(SettingsLocationTest, PortableCopyKeepsEverythingBesideItself) {
  UseProfile(root_ + L"\\profile", SettingsHome::BesideProgram);
  // An installed saver's file of this user's is not this copy's.
  ASSERT_TRUE(CreateDirectoryW((root_ + L"\\profile").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((root_ + L"\\profile\\Varnelle").c_str(), nullptr));
  ASSERT_TRUE(Store(1).Save(files_.usersOwn));
  const std::string installed = Bytes(files_.usersOwn);
  EXPECT_EQ(SettingsFileToRead(files_), files_.besideProgram);
  SettingsSaveResult result = SaveSettings(Store(2), files_);
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(result.path, files_.besideProgram);
  EXPECT_EQ(FireStyleIn(files_.besideProgram), 2);
  EXPECT_EQ(Bytes(files_.usersOwn), installed);
  EXPECT_EQ(SettingsFileToRead(files_), files_.besideProgram);
  // Unwritable after all: said, and nothing goes elsewhere.
  BlockBeside();
  result = SaveSettings(Store(0), files_);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(result.path, files_.besideProgram);
  EXPECT_EQ(FireStyleIn(files_.besideProgram), 2);
  EXPECT_EQ(Bytes(files_.usersOwn), installed);
}

TEST_F(SettingsLocationTest, InstalledSaverStartsFromTheFileBesideItAndSavesOnlyToTheProfile) {
  ASSERT_TRUE(Store(1, L"C:\\earlier.jpg").Save(files_.besideProgram));
  const std::string earlier = Bytes(files_.besideProgram);
  EXPECT_EQ(SettingsFileToRead(files_), files_.besideProgram);
  // Writable or not (an elevated dialog can write there), nothing is saved beside it.
  SettingsSaveResult result = SaveSettings(Store(2), files_);
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(result.path, files_.usersOwn);  // the missing profile folders were made
  EXPECT_EQ(FireStyleIn(files_.usersOwn), 2);
  EXPECT_EQ(Bytes(files_.besideProgram), earlier);
  EXPECT_EQ(SettingsFileToRead(files_), files_.usersOwn);
  result = SaveSettings(Store(0), files_);
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(FireStyleIn(files_.usersOwn), 0);
  EXPECT_EQ(Bytes(files_.besideProgram), earlier);
}

TEST_F(SettingsLocationTest, NothingWritableFailsNamingTheFileAndLosesNothing) {
  ASSERT_TRUE(Store(1).Save(files_.besideProgram));
  const std::string beside = Bytes(files_.besideProgram);
  // No profile folder known.
  SettingsFiles noProfile = files_;
  noProfile.usersOwn.clear();
  SettingsSaveResult result = SaveSettings(Store(2), noProfile);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(Bytes(files_.besideProgram), beside);

  // The profile's folder cannot be made (a file holds its name).
  std::ofstream((root_ + L"\\profile").c_str()) << "not a folder";
  result = SaveSettings(Store(2), files_);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(result.path, files_.usersOwn);
  EXPECT_EQ(Bytes(files_.besideProgram), beside);
  EXPECT_EQ(SettingsFileToRead(files_), files_.besideProgram);
}

TEST_F(SettingsLocationTest, UnwritableUsersOwnFileIsNotBypassed) {
  // Saving beside instead would put the choices where the next read does not look.
  UseProfile(root_ + L"\\profile");
  ASSERT_TRUE(CreateDirectoryW((root_ + L"\\profile").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((root_ + L"\\profile\\Varnelle").c_str(), nullptr));
  ASSERT_TRUE(Store(1).Save(files_.usersOwn));
  const std::string own = Bytes(files_.usersOwn);
  ASSERT_TRUE(CreateDirectoryW((files_.usersOwn + L".new").c_str(), nullptr));
  const SettingsSaveResult result = SaveSettings(Store(2), files_);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(result.path, files_.usersOwn);
  EXPECT_EQ(Bytes(files_.usersOwn), own);
  EXPECT_FALSE(Exists(files_.besideProgram));
}

// Profile folders are often named in the user's language.
TEST_F(SettingsLocationTest, ProfileFolderOutsideAsciiWorks) {
  UseProfile(root_ + L"\\\x041F\x0440\x043E\x0444\x0438\x043B\x044C \x5199\x771F");
  const std::wstring picture = L"C:\\\x0424\x043E\x0442\x043E\\\x65C5\x884C.png";
  const SettingsSaveResult result = SaveSettings(Store(2, picture), files_);
  ASSERT_TRUE(result.saved);
  EXPECT_EQ(result.path, files_.usersOwn);
  SettingsStore read;
  ASSERT_EQ(read.Load(SettingsFileToRead(files_)), SettingsRead::Read);
  EXPECT_EQ(read.GetImage(0), picture);
  EXPECT_EQ(read.GetValue(L"SelectFireEffect"), 2);
}

TEST(SettingsFiles, ForThisProcess) {
  // The unit tests run from the build's own, writable folder: a portable copy.
  const SettingsFiles f = GetSettingsFiles();
  const std::wstring tail = L"unit_tests.scr.settings";
  ASSERT_GE(f.besideProgram.size(), tail.size());
  EXPECT_EQ(f.besideProgram.substr(f.besideProgram.size() - tail.size()), tail);
  EXPECT_EQ(f.home, SettingsHome::BesideProgram);
  EXPECT_EQ(SettingsFileToRead(f), f.besideProgram);
  const std::wstring own = L"\\Varnelle\\" + tail;
  ASSERT_GT(f.usersOwn.size(), own.size());
  EXPECT_EQ(f.usersOwn.substr(f.usersOwn.size() - own.size()), own);
}
