// The path parser: roots (drive, UNC, the current directory's), components with ".",
// ".." and empty ones resolved, file names and extensions, relative paths against a set
// and against the process's current directory, and the errors that name the path.
#include "FIL/FILfilePath.h"

#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <string>

namespace {

// The components joined with "|", so a row can say them in one text.
std::string componentsOf(const FILfilePath& path) {
  std::string joined;
  for (unsigned i = 0; i < path.directoryCount(); ++i) {
    if (i > 0) joined += "|";
    joined += path.directory(i);
  }
  return joined;
}

TEST(FILfilePath, TakesPathsApart) {
  struct Case {
    const char* current;  // the directory relative paths resolve against
    const char* path;
    const char* root;
    const char* components;
    const char* baseName;
    const char* extension;
    const char* fullPath;
  };
  const char* work = "C:\\work\\";
  const Case cases[] = {
      {work, "C:\\a\\b\\c.txt", "C:", "a|b", "c", "txt", "C:\\a\\b\\c.txt"},
      {work, "C:/a/b/", "C:", "a|b", "", "", "C:\\a\\b\\"},
      {work, "c:\\x", "c:", "", "x", "", "c:\\x"},
      {work, "\\\\server\\share\\dir\\f", "\\\\server\\share", "dir", "f", "", "\\\\server\\share\\dir\\f"},
      {work, "//server/share/dir/", "\\\\server\\share", "dir", "", "", "\\\\server\\share\\dir\\"},
      // The share alone is the UNC root, not a path on the current drive.
      {work, "\\\\server\\share", "\\\\server\\share", "", "", "", "\\\\server\\share\\"},
      // Without a share name there is no UNC root: absolute on the current drive.
      {work, "\\\\server", "C:", "", "server", "", "C:\\server"},
      {work, "sub\\f.txt", "C:", "work|sub", "f", "txt", "C:\\work\\sub\\f.txt"},
      {work, "\\f.txt", "C:", "", "f", "txt", "C:\\f.txt"},
      {work, "", "C:", "work", "", "", "C:\\work\\"},
      {work, ".\\x", "C:", "work", "x", "", "C:\\work\\x"},
      {work, "..\\x", "C:", "", "x", "", "C:\\x"},
      {"\\\\srv\\sh\\base", "x\\y", "\\\\srv\\sh", "base|x", "y", "", "\\\\srv\\sh\\base\\x\\y"},
      {"D:/deep/er", "..\\f", "D:", "deep", "f", "", "D:\\deep\\f"},
      {work, "C:\\a\\.\\b\\..\\c", "C:", "a", "c", "", "C:\\a\\c"},
      {work, "C:\\a\\..\\b\\..\\c", "C:", "", "c", "", "C:\\c"},
      {work, "C:\\.\\x\\..\\y", "C:", "", "y", "", "C:\\y"},
      {work, "C:\\a\\\\b\\", "C:", "a|b", "", "", "C:\\a\\b\\"},
      {work, "C:\\a\\b\\c\\..\\..\\d\\..\\e", "C:", "a", "e", "", "C:\\a\\e"},
      // Three dots, or a dot followed by more, make ordinary names.
      {work, "C:\\...\\.x\\y", "C:", "...|.x", "y", "", "C:\\...\\.x\\y"},
      // A final "." or ".." names a directory, so the file name is empty.
      {work, "C:\\a\\b\\..", "C:", "a", "", "", "C:\\a\\"},
      {work, "C:\\a\\.", "C:", "a", "", "", "C:\\a\\"},
      {work, "..", "C:", "", "", "", "C:\\"},
      {work, "archive.tar.gz", "C:", "work", "archive.tar", "gz", "C:\\work\\archive.tar.gz"},
      {work, "C:\\.profile", "C:", "", ".profile", "", "C:\\.profile"},
      {work, "C:\\..x", "C:", "", ".", "x", "C:\\..x"},
      {work, "C:\\name.", "C:", "", "name", "", "C:\\name"},
      // Dots alone are an ordinary name at the end too, never the parent; a name that
      // ends in dots loses them all, as Windows opens it.
      {work, "C:\\a\\...", "C:", "a", "...", "", "C:\\a\\..."},
      {work, "....", "C:", "work", "....", "", "C:\\work\\...."},
      {work, "C:\\a..", "C:", "", "a", "", "C:\\a"},
      {work, "C:\\x.b..", "C:", "", "x.b", "", "C:\\x.b"},
      {work, "C:\\.profile.", "C:", "", ".profile", "", "C:\\.profile"},
      {work, "C:\\dir.d\\file", "C:", "dir.d", "file", "", "C:\\dir.d\\file"},
      // A drive letter and colon name the drive's root: nothing of the name is lost.
      {work, "C:", "C:", "", "", "", "C:\\"},
      {work, "C:name.txt", "C:", "", "name", "txt", "C:\\name.txt"},
      {work, "C:dir\\f", "C:", "dir", "f", "", "C:\\dir\\f"},
  };
  for (const Case& c : cases) {
    FILfilePath path;
    path.setCurrentDirectory(c.current);
    path.setPath(c.path);
    const std::string row = std::string(c.path) + " in " + c.current;
    EXPECT_STREQ(path.root(), c.root) << row;
    EXPECT_EQ(componentsOf(path), c.components) << row;
    EXPECT_STREQ(path.baseName(), c.baseName) << row;
    EXPECT_STREQ(path.extension(), c.extension) << row;
    EXPECT_EQ(TESTtext(path.fullPath()), c.fullPath) << row;
  }
}

TEST(FILfilePath, AFullPathParsesBackToItself) {
  // The full path rebuilt from the parts is a path of its own: parsed again, it must give
  // the same text, or each round would change what it names.
  const char* const texts[] = {
      "C:\\a\\...",   "C:\\a..",        "C:\\a...",    "a..",       "C:\\x.b..",     "C:\\name.",
      "C:\\..x",        ".profile.",       "C:\\a\\. .", "C:\\a.. .", "\\\\srv\\sh\\...", "C:\\....\\...",
      "C:\\a\\b\\..", "C:\\a.b.c.",     "C:",            "C:x..",
  };
  for (const char* text : texts) {
    FILfilePath path;
    path.setCurrentDirectory("C:\\work");
    path.setPath(text);
    const std::string first = TESTtext(path.fullPath());
    EXPECT_NE(TESTtext(path.fileName()), "..") << text << " gave a name that names the parent";
    path.setPath(first.c_str());
    EXPECT_EQ(TESTtext(path.fullPath()), first) << text;
  }
}

TEST(FILfilePath, RebuildsItsParts) {
  FILfilePath path;
  path.setPath("C:\\a\\b\\name.txt");
  EXPECT_STREQ(path.directoryPath(), "\\a\\b\\");
  EXPECT_EQ(TESTtext(path.rootAndDirectory()), "C:\\a\\b\\");
  EXPECT_EQ(TESTtext(path.fileName()), "name.txt");

  COLstring text("old");
  path.getRootAndDirectory(text);
  EXPECT_EQ(TESTtext(text), "C:\\a\\b\\") << "overwritten";
  path.getFullPath(text);
  EXPECT_EQ(TESTtext(text), "C:\\a\\b\\name.txt") << "overwritten";
  text = "x:";
  path.appendFileName(text);
  EXPECT_EQ(TESTtext(text), "x:name.txt") << "appended";

  path.setPath("C:\\name.");
  EXPECT_EQ(TESTtext(path.fileName()), "name") << "an empty extension adds no dot";
  path.setPath("C:\\");
  EXPECT_STREQ(path.directoryPath(), "\\") << "a new parse rebuilds the directory path";
  EXPECT_EQ(TESTtext(path.rootAndDirectory()), "C:\\");
}

TEST(FILfilePath, ErrorsNameThePathAsPassed) {
  struct Case {
    const char* path;
    const char* description;
  };
  const Case cases[] = {
      {"C:\\..\\x", "Unable to resolve 'C:\\..\\x'"},
      {"C:/a/../../b", "Unable to resolve 'C:/a/../../b'"},
      {"..\\..\\x", "Unable to resolve '..\\..\\x'"},
      {"C:\\..", "Unable to resolve 'C:\\..'"},
      {"C:\\a:b", "Bad file path 'C:\\a:b'"},
      {"ab:", "Bad file path 'ab:'"},
      {"C::", "Bad file path 'C::'"},
      // A colon in second place needs a drive letter before it.
      {"1:x", "Bad file path '1:x'"},
      {"1:", "Bad file path '1:'"},
      {"\xC4:x", "Bad file path '\xC4:x'"},
      {":x", "Unable to resolve ':x'"},
      {":", "Unable to resolve ':'"},
  };
  for (const Case& c : cases) {
    FILfilePath path;
    path.setCurrentDirectory("C:\\work");
    EXPECT_EQ(TEST_ERROR_OF(path.setPath(c.path)),
              (TESTerrorFields{c.description, COL_ERROR_PRECONDITION, 0, ""}))
        << c.path;
  }
}

TEST(FILfilePath, AFailedParseLeavesNoPiecesBehind) {
  FILfilePath path;
  path.setPath("C:\\a\\b\\c.txt");
  EXPECT_EQ(TEST_ERROR_OF(path.setPath("C:\\a\\..\\..\\c.txt")).description,
            "Unable to resolve 'C:\\a\\..\\..\\c.txt'");
  EXPECT_EQ(TEST_ERROR_OF(path.root()).description,
            "Failed precondition: pMember->FileNameBuffer.size() > 0");
  EXPECT_EQ(path.directoryCount(), 0u);
  EXPECT_STREQ(path.baseName(), "");
  EXPECT_EQ(TESTtext(path.fullPath()), "");
  path.setPath("D:\\x");
  EXPECT_EQ(TESTtext(path.fullPath()), "D:\\x") << "a new parse makes it usable again";
}

TEST(FILfilePath, PreconditionsBeforeTheFirstParse) {
  FILfilePath path;
  const std::string text = "Failed precondition: pMember->FileNameBuffer.size() > 0";
  EXPECT_EQ(TEST_ERROR_OF(path.root()), (TESTerrorFields{text, COL_ERROR_PRECONDITION, 366, "FILfilePath"}));
  EXPECT_EQ(TEST_ERROR_OF(path.extension()), (TESTerrorFields{text, COL_ERROR_PRECONDITION, 360, "FILfilePath"}));
  // The accessors without a precondition give empty values.
  EXPECT_STREQ(path.baseName(), "");
  EXPECT_EQ(path.directoryCount(), 0u);
  EXPECT_STREQ(path.directoryPath(), "");
  EXPECT_EQ(TESTtext(path.fileName()), "");
  EXPECT_EQ(TESTtext(path.rootAndDirectory()), "");
  EXPECT_EQ(TESTtext(path.fullPath()), "");

  path.setPath("C:\\a\\f");
  const TESTerrorFields outOfRange{"Failed precondition: n >= 0 && n < size_", COL_ERROR_PRECONDITION,
                                   169, "COLvector"};
  EXPECT_EQ(TEST_ERROR_OF(path.directory(1)), outOfRange);
  EXPECT_EQ(TEST_ERROR_OF(path.directory(0xFFFFFFFFu)), outOfRange);
}

TEST(FILfilePath, APathFromItsOwnPieces) {
  // The text handed to setPath may lie in the buffer that the parse overwrites.
  FILfilePath path;
  path.setCurrentDirectory("C:\\work");
  path.setPath("C:\\first\\second\\file.txt");
  path.setPath(path.directory(1));
  EXPECT_EQ(TESTtext(path.fullPath()), "C:\\work\\second");
  path.setPath(path.root());
  EXPECT_EQ(TESTtext(path.fullPath()), "C:\\");
}

TEST(FILfilePath, AFailedCurrentDirectoryKeepsThePreviousOne) {
  FILfilePath path;
  path.setCurrentDirectory("C:\\work");
  EXPECT_EQ(TEST_ERROR_OF(path.setCurrentDirectory("C:\\..\\x")),
            (TESTerrorFields{"Unable to resolve 'C:\\..\\x\\'", COL_ERROR_PRECONDITION, 0, ""}));
  path.setPath("f");
  EXPECT_EQ(TESTtext(path.fullPath()), "C:\\work\\f");
}

TEST(FILfilePath, RelativePathsAgainstTheProcesssCurrentDirectory) {
  TESTtemporaryDirectory first;
  TESTtemporaryDirectory second;
  const std::string firstPath = first.windowsPath();
  const std::string secondPath = second.windowsPath();
  TESTcurrentDirectory here(firstPath);

  FILfilePath path;
  path.setPath("sub\\f.txt");
  EXPECT_EQ(TESTtext(path.fullPath()), firstPath + "\\sub\\f.txt");
  EXPECT_STREQ(path.root(), firstPath.substr(0, 2).c_str());
  path.setPath("\\x");
  EXPECT_EQ(TESTtext(path.fullPath()), firstPath.substr(0, 2) + "\\x") << "absolute on the current drive";

  ASSERT_EQ(_chdir(secondPath.c_str()), 0);
  path.setPath("f");
  EXPECT_EQ(TESTtext(path.fullPath()), firstPath + "\\f") << "the directory taken first is kept";
  path.setCurrentDirectory(nullptr);
  path.setPath("f");
  EXPECT_EQ(TESTtext(path.fullPath()), secondPath + "\\f") << "until it is asked for again";

  // A relative current directory is itself resolved against the process's.
  FILfilePath other;
  other.setCurrentDirectory("inner/deeper");
  other.setPath("..\\f");
  EXPECT_EQ(TESTtext(other.fullPath()), secondPath + "\\inner\\f");
}

// In a double-byte code page the second byte of a character may be 0x5C (ソ is 83 5C and
// 表 95 5C in code page 932), which separates nothing: a root, a component or a name
// that ends in such a character stays whole. A row whose text this code page cannot hold
// is skipped; the test FILtestsJapanese runs these under Wine in code page 932.
TEST(FILfilePath, ASecondByteLikeABackslashSeparatesNothing) {
  struct Case {
    const char* current;  // all texts in UTF-8
    const char* path;
    const char* root;
    const char* components;
    const char* fileName;
    const char* fullPath;
  };
  const Case cases[] = {
      {"C:\\work\\", u8"C:\\ソフト\\表\\a.txt", "C:", u8"ソフト|表", "a.txt", u8"C:\\ソフト\\表\\a.txt"},
      {"C:\\work\\", u8"C:\\ソ", "C:", "", u8"ソ", u8"C:\\ソ"},
      {"C:\\work\\", u8"\\\\表\\ソ\\d\\f", u8"\\\\表\\ソ", "d", "f", u8"\\\\表\\ソ\\d\\f"},
      {"C:\\work\\", u8"\\\\表\\ソ", u8"\\\\表\\ソ", "", "", u8"\\\\表\\ソ\\"},
      {"C:\\work\\", u8"\\\\表", "C:", "", u8"表", u8"C:\\表"},
      {u8"C:\\表", u8"ソ\\表.txt", "C:", u8"表|ソ", u8"表.txt", u8"C:\\表\\ソ\\表.txt"},
  };
  int held = 0;
  for (const Case& c : cases) {
    std::string current, path, root, components, fileName, fullPath;
    if (!TESTcodePageText(c.current, current) || !TESTcodePageText(c.path, path) ||
        !TESTcodePageText(c.root, root) || !TESTcodePageText(c.components, components) ||
        !TESTcodePageText(c.fileName, fileName) || !TESTcodePageText(c.fullPath, fullPath))
      continue;
    ++held;
    FILfilePath parsed;
    parsed.setCurrentDirectory(current.c_str());
    parsed.setPath(path.c_str());
    EXPECT_STREQ(parsed.root(), root.c_str()) << c.path;
    EXPECT_EQ(componentsOf(parsed), components) << c.path;
    EXPECT_EQ(TESTtext(parsed.fileName()), fileName) << c.path;
    EXPECT_EQ(TESTtext(parsed.fullPath()), fullPath) << c.path;
  }
  if (held == 0) GTEST_SKIP() << "code page " << GetACP() << " holds none of these texts";
}

}  // namespace
