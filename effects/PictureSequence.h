#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where a slideshow stands in its list: the entry, and for a folder entry how many
// of its pictures came before. Kept by the pictures' owner across scene rebuilds.
struct SlidePosition {
  int entry = 0;
  int64_t picture = 0;
};

// The picture files of the user's list, in list order and round and round: a file
// entry stands for itself, a folder entry for every picture file under it (JPEG,
// PNG, BMP, GIF, TIFF): the files of a folder first, then its subfolders, each
// sorted as Explorer sorts names. Folders are read as the walk reaches them, so a
// list of thousands of entries costs nothing until then.
class PictureSequence {
public:
  PictureSequence(std::vector<std::wstring> entries, SlidePosition start);

  // The next candidate and where it stands, or nothing when the list is empty.
  // `wrapped` says that the walk went past the end of the list to its start
  // since the item before.
  struct Item {
    std::wstring path;
    SlidePosition position;
    bool wrapped;
  };
  std::optional<Item> Next();

  // Whether a name is one of the picture kinds a folder contributes.
  static bool IsPictureName(const std::wstring& name);
  // Whether an entry names a folder on disk (and so stands for the pictures in it).
  static bool IsFolder(const std::wstring& path);

private:
  struct Folder {
    std::wstring path;
    std::vector<std::wstring> files;    // full paths, sorted
    std::vector<std::wstring> folders;  // full paths, sorted
    size_t nextFile = 0, nextFolder = 0;
  };
  void OpenEntry();
  void Advance();
  std::optional<std::wstring> NextInFolders();

  std::vector<std::wstring> entries_;
  SlidePosition position_;
  bool entryOpen_ = false;
  bool isFile_ = false;
  bool wrapped_ = false;
  std::vector<Folder> walk_;  // the folders being walked, outermost first
  int64_t skip_ = 0;          // pictures of the first entry to pass over when resuming
};

// The pictures of the list, folders included, in a random order: each once a round
// (a picture listed twice too),
// a new order every round and every seed, never the same picture twice in a row
// across a round's end. Every monitor of a run walks the same order from its own
// step, so while the list has more pictures than there are monitors no two show
// the same one at once. The names are read on the first Next (the loader's thread).
class ShuffledSequence {
public:
  ShuffledSequence(std::vector<std::wstring> entries, uint64_t seed, int64_t step);
  // As PictureSequence::Next; the position is the picture's place in the list's
  // pictures and the step it was taken at (where a rebuilt scene goes on).
  std::optional<PictureSequence::Item> Next();
  // The order of round `round` of `count` pictures.
  static std::vector<uint32_t> RoundOrder(uint64_t seed, int64_t round, uint32_t count);

private:
  std::vector<std::wstring> entries_;
  std::vector<std::wstring> files_;
  bool read_ = false;
  uint64_t seed_;
  int64_t step_, firstStep_;
  int64_t round_ = -1;
  std::vector<uint32_t> order_;
};
