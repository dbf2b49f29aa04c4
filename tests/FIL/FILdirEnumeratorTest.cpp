// The directory enumerator: entries with their attributes, sizes and times (compared
// without regard to order), "." and ".." left out, directories-only listings, patterns
// that list nothing, the end of a listing and its restart, and links, whose directory
// attribute is shown beside their reparse attribute.
#include "FIL/FILdirEnumerator.h"

#include "COL/COLdateTime.h"
#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

namespace {

struct Entry {
  bool directory;
  bool readOnly;
  bool hidden;
  bool reparsePoint;
  unsigned size;
  bool operator==(const Entry& other) const {
    return directory == other.directory && readOnly == other.readOnly && hidden == other.hidden &&
           reparsePoint == other.reparsePoint && size == other.size;
  }
};

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
  return out << "{dir " << entry.directory << ", ro " << entry.readOnly << ", hidden " << entry.hidden
             << ", link " << entry.reparsePoint << ", size " << entry.size << "}";
}

// Every entry that is left, by name.
std::map<std::string, Entry> rest(FILdirEnumerator& entries) {
  std::map<std::string, Entry> listed;
  COLstring name;
  while (entries.next(name)) {
    const bool added = listed
                           .emplace(TESTtext(name), Entry{entries.isDirectory(), entries.isReadOnly(),
                                                          entries.isHidden(), entries.isReparsePoint(),
                                                          entries.size()})
                           .second;
    EXPECT_TRUE(added) << TESTtext(name) << " listed twice";
  }
  return listed;
}

std::map<std::string, Entry> listing(const std::string& pattern, bool directoriesOnly = false) {
  FILdirEnumerator entries(pattern.c_str(), directoriesOnly);
  return rest(entries);
}

const Entry File(unsigned size) { return Entry{false, false, false, false, size}; }
const Entry Directory{true, false, false, false, 0};

// A directory holding a.txt (1234 bytes), empty.dat, a read-only ro.txt, .hidden, and the
// directories sub (with a file of its own) and sub2.
class FILdirEnumeratorTest : public testing::Test {
protected:
  void SetUp() override {
    TESTwriteWindowsFile(dir / "a.txt", std::string(1234, 'a'));
    TESTwriteWindowsFile(dir / "empty.dat", "");
    TESTwriteWindowsFile(dir / "ro.txt", "fixed");
    ASSERT_EQ(_chmod((dir / "ro.txt").c_str(), _S_IREAD), 0);
    TESTwriteWindowsFile(dir / ".hidden", "dot");
    ASSERT_EQ(_mkdir((dir / "sub").c_str()), 0);
    ASSERT_EQ(_mkdir((dir / "sub2").c_str()), 0);
    TESTwriteWindowsFile(dir / "sub\\inner.txt", "inner");
  }
  TESTtemporaryDirectory dir;
};

TEST_F(FILdirEnumeratorTest, ListsEveryEntryButDotAndDotDot) {
  // Our layer (which has no attribute for it) and Wine hide names that start with a dot;
  // Windows hides only what carries the attribute. The listing must agree with the system.
  const DWORD dotAttributes = GetFileAttributesA((dir / ".hidden").c_str());
  ASSERT_NE(dotAttributes, INVALID_FILE_ATTRIBUTES);
  const bool dotHidden = (dotAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  if (!TESTwindowsBuild) {
    EXPECT_TRUE(dotHidden) << "the layer hides dot names";
  }
  const Entry hidden{false, false, dotHidden, false, 3};
  const std::map<std::string, Entry> expected = {
      {"a.txt", File(1234)},
      {"empty.dat", File(0)},
      {"ro.txt", Entry{false, true, false, false, 5}},
      {".hidden", hidden},
      {"sub", Directory},
      {"sub2", Directory},
  };
  EXPECT_EQ(listing(dir / "*.*"), expected);
  EXPECT_EQ(listing(dir / "*"), expected);
}

TEST_F(FILdirEnumeratorTest, DirectoriesOnly) {
  const std::map<std::string, Entry> expected = {{"sub", Directory}, {"sub2", Directory}};
  EXPECT_EQ(listing(dir / "*.*", true), expected);
  EXPECT_EQ(listing(dir / "s*", true), expected);
  EXPECT_TRUE(listing(dir / "*.txt", true).empty());
}

TEST_F(FILdirEnumeratorTest, PatternsSelectEntries) {
  const std::map<std::string, Entry> texts = {{"a.txt", File(1234)}, {"ro.txt", Entry{false, true, false, false, 5}}};
  EXPECT_EQ(listing(dir / "*.txt"), texts);
  // The first entry found is no "." here, and is still the first one handed out.
  EXPECT_EQ(listing(dir / "a.txt"), (std::map<std::string, Entry>{{"a.txt", File(1234)}}));
  EXPECT_EQ(listing(dir / "sub\\*.*"), (std::map<std::string, Entry>{{"inner.txt", File(5)}}));
}

TEST_F(FILdirEnumeratorTest, PatternsThatListNothingRaiseNothing) {
  const std::string patterns[] = {
      dir / "*.none",           // no match
      dir / "missing\\*.*",     // no such directory
      dir / "a.txt\\*.*",       // a file where a directory should be
      dir / "s*\\*.*",          // a wildcard in the directory part
      dir.windowsPath() + "\\",  // no name part
      "",
  };
  for (const std::string& pattern : patterns) {
    FILdirEnumerator entries(pattern.c_str(), false);
    COLstring name("untouched");
    EXPECT_FALSE(entries.next(name)) << pattern;
    // With no search open, a second call ends the same way instead of raising.
    EXPECT_FALSE(entries.next(name)) << pattern;
    EXPECT_EQ(TESTtext(name), "untouched") << pattern;
    entries.reset();
    EXPECT_FALSE(entries.next(name)) << pattern;
  }
}

TEST_F(FILdirEnumeratorTest, AnEndedListingStaysEndedUntilReset) {
  FILdirEnumerator entries((dir / "*.*").c_str(), false);
  const std::map<std::string, Entry> first = rest(entries);
  ASSERT_EQ(first.size(), 6u);
  COLstring name("untouched");
  for (int again = 0; again < 3; ++again) EXPECT_FALSE(entries.next(name)) << again;
  EXPECT_EQ(TESTtext(name), "untouched");
  // Over, the accessors describe no entry.
  EXPECT_FALSE(entries.isDirectory());
  EXPECT_EQ(entries.size(), 0u);

  entries.reset();
  EXPECT_EQ(rest(entries), first);

  // A reset in the middle starts from the first entry again.
  entries.reset();
  ASSERT_TRUE(entries.next(name));
  ASSERT_TRUE(entries.next(name));
  entries.reset();
  EXPECT_EQ(rest(entries), first);
}

// A file_time_type for a system-clock time, which C++17 cannot convert directly; the error
// is that of two clock readings, far below the half second the time is placed at.
std::filesystem::file_time_type fileTimeOf(time_t seconds) {
  const auto wanted = std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(500);
  const auto fileNow = std::filesystem::file_time_type::clock::now();
  const auto systemNow = std::chrono::system_clock::now();
  return fileNow + std::chrono::duration_cast<std::filesystem::file_time_type::duration>(wanted - systemNow);
}

TEST(FILdirEnumerator, CreationAndLastWriteTimesInLocalTime) {
  TESTtemporaryDirectory dir;
  const time_t before = time(nullptr);
  TESTwriteWindowsFile(dir / "old.txt", "old");
  const time_t after = time(nullptr);
  const time_t lastWrite = 981173106;  // 2001-02-03 04:05:06 UTC
  std::error_code error;
  std::filesystem::last_write_time(std::filesystem::path(dir.path()) / "old.txt", fileTimeOf(lastWrite), error);
  ASSERT_FALSE(error) << error.message();
  struct _stat64 status;
  ASSERT_EQ(_stat64((dir / "old.txt").c_str(), &status), 0);
  ASSERT_EQ(static_cast<time_t>(status.st_mtime), lastWrite);

  FILdirEnumerator entries((dir / "*.*").c_str(), false);
  COLstring name;
  ASSERT_TRUE(entries.next(name));
  EXPECT_EQ(TESTtext(name), "old.txt");
  const COLdateTime written = entries.lastWriteTime();
  ASSERT_EQ(written.status(), COLdateTime::valid);
  EXPECT_EQ(written.value(), COLdateTime(lastWrite).value()) << "local time, the half second dropped";

  const COLdateTime created = entries.creationTime();
  ASSERT_EQ(created.status(), COLdateTime::valid);
  // A file system that records no birth time gives the last-write time instead.
  const bool whenWritten = created >= COLdateTime(before - 2) && created <= COLdateTime(after + 2);
  EXPECT_TRUE(whenWritten || created.value() == written.value())
      << created.value() << " is neither between " << COLdateTime(before).value() << " and "
      << COLdateTime(after).value() << " nor the last-write time";
  EXPECT_EQ(&entries.lastWriteTime(), &entries.lastWriteTime()) << "the enumerator's own value";
}

TEST(FILdirEnumerator, ALinkShowsItsDirectoryBitAndItsReparseBit) {
  TESTtemporaryDirectory dir;
  ASSERT_EQ(_mkdir((dir / "outside").c_str()), 0);
  TESTwriteWindowsFile(dir / "outside\\keep.txt", "keep");
  ASSERT_EQ(_mkdir((dir / "tree").c_str()), 0);
  ASSERT_EQ(_mkdir((dir / "tree\\real").c_str()), 0);
  const std::filesystem::path native(dir.path());
  std::error_code error;
  std::filesystem::create_directory_symlink(native / "outside", native / "tree" / "escape", error);
  if (error) GTEST_SKIP() << "no symbolic links can be made here (mingw's library has none): " << error.message();
  std::filesystem::create_symlink(native / "outside" / "keep.txt", native / "tree" / "file", error);
  ASSERT_FALSE(error) << error.message();
  const DWORD attributes = GetFileAttributesA((dir / "tree\\escape").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    GTEST_SKIP() << "this system shows a link as what it points to, so no one can tell it";

  // A link to a directory is a directory, as the system says, and a link beside that; a
  // directories-only listing keeps it. Whose size a file link shows differs (Windows the
  // link's own, our layer its target's), so each entry is asked for what matters here.
  const std::map<std::string, Entry> listed = listing(dir / "tree\\*.*");
  ASSERT_EQ(listed.size(), 3u);
  ASSERT_EQ(listed.count("escape"), 1u);
  EXPECT_TRUE(listed.at("escape").directory);
  EXPECT_TRUE(listed.at("escape").reparsePoint);
  ASSERT_EQ(listed.count("file"), 1u);
  EXPECT_FALSE(listed.at("file").directory);
  EXPECT_TRUE(listed.at("file").reparsePoint);
  ASSERT_EQ(listed.count("real"), 1u);
  EXPECT_EQ(listed.at("real"), Directory);
  const std::map<std::string, Entry> directories = listing(dir / "tree\\*.*", true);
  EXPECT_EQ(directories.size(), 2u);
  EXPECT_EQ(directories.count("real"), 1u);
  ASSERT_EQ(directories.count("escape"), 1u);
  EXPECT_TRUE(directories.at("escape").directory && directories.at("escape").reparsePoint);
}

}  // namespace
