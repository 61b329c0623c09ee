#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include <unzip.h>

#include "resources/Language.h"
#include "resources/Strings.h"
#include "resources/TextStorage.h"
#include "resources/ZipReader.h"
#include "test_archive_paths.h"

using WorkSpace::ZipReader;

namespace {
// Kept in step with test_zip_fixtures.py.
std::string EffectText() {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "technique T" + std::to_string(i) + " { pass P0 { } }\n";
  return text;
}

std::vector<uint8_t> NoiseBytes(size_t count, uint32_t x = 2463534242u) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < count; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out.push_back(static_cast<uint8_t>(x & 0xFF));
  }
  return out;
}

std::string Read(ZipReader& reader, const std::wstring& name, bool* found = nullptr) {
  const WorkSpace::ArchiveBytes entry = reader.ReadEntry(name);
  if (found) *found = static_cast<bool>(entry);
  return entry ? std::string(reinterpret_cast<const char*>(entry.get()), entry.size) : std::string();
}

// The compression method zip chose for an entry, straight from the archive.
int StoredMethod(const std::wstring& archive, const char* name) {
  unzFile zip = unzOpen(ToAnsi(archive).c_str());
  if (!zip) return -1;
  int method = -1;
  unz_file_info info{};
  if (unzLocateFile(zip, name, 0) == UNZ_OK &&
      unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK)
    method = static_cast<int>(info.compression_method);
  unzClose(zip);
  return method;
}

class ZipReaderTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(reader.Open(ZipFixture(L"fixture.zip"), WorkSpace::kResourcePassword)); }
  ZipReader reader;
};
}  // namespace

TEST_F(ZipReaderTest, FindsEntriesWhateverTheCaseOfTheirLetters) {
  for (const wchar_t* name : {L"Resource/Effect.efc", L"resource/effect.efc", L"RESOURCE/EFFECT.EFC",
                              L"rEsOuRcE/eFfEcT.EfC"}) {
    bool found = false;
    EXPECT_EQ(Read(reader, name, &found), EffectText()) << ToUtf8(name);
    EXPECT_TRUE(found);
  }
}

TEST_F(ZipReaderTest, BackslashDoesNotMatchSlashAndMissingEntryHasNoBytes) {
  for (const wchar_t* name : {L"Resource\\Effect.efc", L"Resource/Missing.efc", L"", L"Effect.efc"}) {
    const WorkSpace::ArchiveBytes entry = reader.ReadEntry(name);
    EXPECT_FALSE(entry) << ToUtf8(name);
    EXPECT_EQ(entry.size, 0u);
  }
}

TEST_F(ZipReaderTest, ReadsStoredDeflatedAndEmptyEntriesWhole) {
  ASSERT_EQ(StoredMethod(ZipFixture(L"fixture.zip"), "Resource/Noise.bin"), 0);
  ASSERT_EQ(StoredMethod(ZipFixture(L"fixture.zip"), "Resource/Effect.efc"), Z_DEFLATED);

  const std::vector<uint8_t> noise = NoiseBytes(3000);
  const WorkSpace::ArchiveBytes stored = reader.ReadEntry(L"Resource/Noise.bin");
  ASSERT_TRUE(stored);
  ASSERT_EQ(stored.size, 3000u);
  EXPECT_EQ(std::memcmp(stored.get(), noise.data(), stored.size), 0);

  EXPECT_EQ(Read(reader, L"Resource/Effect.efc"), EffectText());

  const WorkSpace::ArchiveBytes empty = reader.ReadEntry(L"Resource/Empty.txt");
  EXPECT_TRUE(empty);
  EXPECT_EQ(empty.size, 0u);
  EXPECT_EQ(reader.ReadEntryBitmap(L"Resource/Empty.txt"), nullptr);
}

TEST_F(ZipReaderTest, NameOfThreeHundredCharactersIsRejectedAndLaterEntriesStillRead) {
  const std::wstring longName =
      L"Resource/" + std::wstring(95, L'a') + L"/" + std::wstring(95, L'b') + L"/" + std::wstring(95, L'c') + L".txt";
  ASSERT_EQ(longName.size(), 300u);
  EXPECT_FALSE(reader.ReadEntry(longName));
  // The scan passes the long name (stored after every other entry) without harm.
  EXPECT_FALSE(reader.ReadEntry(longName.substr(0, 255)));
  EXPECT_EQ(Read(reader, L"Resource/Effect.efc"), EffectText());
}

TEST_F(ZipReaderTest, SecondOpenKeepsTheFirstArchive) {
  EXPECT_FALSE(reader.Open(ShippedArchive(), WorkSpace::kResourcePassword));
  EXPECT_FALSE(reader.Open(ZipFixture(L"fixture.zip"), WorkSpace::kResourcePassword));
  EXPECT_EQ(Read(reader, L"Resource/Effect.efc"), EffectText());
  bool found = true;
  Read(reader, L"Resource/logo.png", &found);
  EXPECT_FALSE(found);
}

TEST_F(ZipReaderTest, EarlierEntriesStayWholeWhileLaterOnesAreRead) {
  const WorkSpace::ArchiveBytes first = reader.ReadEntry(L"Resource/Effect.efc");
  const WorkSpace::ArchiveBytes second = reader.ReadEntry(L"Resource/Intact.txt");
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.get()), first.size), EffectText());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(second.get()), 25), "left alone by the damage\n");
}

TEST(ZipReaderFailures, WrongPasswordGivesNull) {
  ZipReader reader;
  ASSERT_TRUE(reader.Open(ZipFixture(L"fixture.zip"), L"1234567"));
  EXPECT_FALSE(reader.ReadEntry(L"Resource/Effect.efc"));  // inflation fails
  EXPECT_FALSE(reader.ReadEntry(L"Resource/Noise.bin"));   // CRC differs
  EXPECT_EQ(reader.ReadEntryBitmap(L"Resource/Picture.png"), nullptr);
}

TEST(ZipReaderFailures, DamagedEntriesGiveNullAndTheRestStillReads) {
  ZipReader reader;
  ASSERT_TRUE(reader.Open(ZipFixture(L"damaged.zip"), WorkSpace::kResourcePassword));
  bool found = true;
  Read(reader, L"Resource/Effect.efc", &found);
  EXPECT_FALSE(found);
  Read(reader, L"Resource/Noise.bin", &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(Read(reader, L"Resource/Intact.txt", &found).substr(0, 25), "left alone by the damage\n");
  EXPECT_TRUE(found);
}

// No archive, or a file that is not one: every read is null and the texts are English.
TEST(ZipReaderFailures, BadOrMissingArchivesReadNothing) {
  for (const wchar_t* file : {L"missing.zip", L"truncated.zip", L"empty.zip", L"random.dat"}) {
    SCOPED_TRACE(ToUtf8(file));
    ZipReader reader;
    EXPECT_FALSE(reader.Open(ZipFixture(file), WorkSpace::kResourcePassword));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(reader.ReadEntry(L"Resource/Effect.efc"));
    EXPECT_EQ(reader.ReadEntryBitmap(L"Resource/Picture.png"), nullptr);

    WorkSpace::Translate::TextStorage texts;
    EXPECT_FALSE(LoadLanguageTexts(reader, texts, true, 0));
    EXPECT_EQ(texts.Count(), WorkSpace::Translate::kTextCount);
    EXPECT_EQ(texts.GetText(1), L"Cancel");
  }
}

TEST(ZipReaderFailures, ReaderThatWasNeverOpenedReadsNothing) {
  ZipReader reader;
  EXPECT_FALSE(reader.ReadEntry(L"Resource/logo.png"));
  EXPECT_EQ(reader.ReadEntryBitmap(L"Resource/logo.png"), nullptr);
}

TEST(ModuleDirectory, EndsWithBackslashAndHoldsTheExecutable) {
  const std::wstring directory = GetModuleDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), L'\\');
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(std::wstring(path).rfind(directory, 0), 0u);
  EXPECT_EQ(WorkSpace::GetResourceArchivePath(), directory + L"\\VantorelResource.dat");
}

// Users name their folders in their own languages: the archive opens by its wide path.
TEST(ZipReaderPaths, OpensAnArchiveInAFolderNamedOutsideTheCodePage) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"\x041F\x0430\x043F\x043A\x0430-\x30D5\x30A9\x30EB\x30C0 \x00E9t\x00E9";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring copy = folder + L"\\VantorelResource.dat";
  ASSERT_TRUE(CopyFileW(ZipFixture(L"fixture.zip").c_str(), copy.c_str(), FALSE));
  {
    ZipReader reader;
    ASSERT_TRUE(reader.Open(copy, WorkSpace::kResourcePassword));
    EXPECT_EQ(Read(reader, L"Resource/Effect.efc"), EffectText());
  }
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST(ZipReaderFailures, DeclaredSizesBeyondReasonAreRefusedBeforeAnyAllocation) {
  EXPECT_TRUE(WorkSpace::EntrySizeIsPlausible(1000, 1000, 5000));
  EXPECT_TRUE(WorkSpace::EntrySizeIsPlausible(1000, 1000000, 5000));           // deflate's 1000 to 1
  EXPECT_FALSE(WorkSpace::EntrySizeIsPlausible(1000, 4000000, 5000));          // more than deflate can expand
  EXPECT_FALSE(WorkSpace::EntrySizeIsPlausible(6000, 1000, 5000));             // larger than the archive
  EXPECT_FALSE(WorkSpace::EntrySizeIsPlausible(1ull << 40, 1ull << 40, 1ull << 41));  // beyond the limit
  EXPECT_FALSE(WorkSpace::EntrySizeIsPlausible(100, (1ull << 32) + 10, 1ull << 30));  // a zip64 size, not its low bits
}

// The window thread paints the list box from the archive while the render thread
// draws the error screen from it: each gets its own entries, whole.
TEST(ZipReaderThreads, TwoThreadsReadTheirOwnEntriesWhole) {
  ZipReader reader;
  ASSERT_TRUE(reader.Open(ZipFixture(L"fixture.zip"), WorkSpace::kResourcePassword));
  const std::string effect = EffectText();
  const std::vector<uint8_t> noise = NoiseBytes(3000);
  int effectWrong = 0, noiseWrong = 0;
  std::thread other([&] {
    for (int i = 0; i < 100; ++i)
      if (Read(reader, L"Resource/Effect.efc") != effect) ++effectWrong;
  });
  for (int i = 0; i < 100; ++i) {
    const WorkSpace::ArchiveBytes entry = reader.ReadEntry(L"Resource/Noise.bin");
    Sleep(0);  // the other thread reads meanwhile; this buffer must stay as it is
    if (!entry || std::vector<uint8_t>(entry.get(), entry.get() + entry.size) != noise) ++noiseWrong;
  }
  other.join();
  EXPECT_EQ(effectWrong, 0);
  EXPECT_EQ(noiseWrong, 0);
}
