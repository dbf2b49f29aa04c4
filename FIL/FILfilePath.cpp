// The path parser. It cuts one copy of the path in place: NULs are written over the
// separators, so that the root, each component, the file name and the extension are
// NUL-terminated texts inside FileNameBuffer and the accessors can hand out pointers.
#include "FIL/FILfilePath.h"

#include "COL/COLerror.h"
#include "COL/COLmath.h"
#include "COL/COLostream.h"
#include "COL/COLsimpleBuffer.h"
#include "COL/COLvector.h"
#include "FIL/FILseparator.h"
#include "FIL/FILutils.h"

#include <cstring>
#include <memory>

namespace {

const char* const Source = "FILfilePath";
const char EmptyText[] = "";

[[noreturn]] void unableToResolve() {
  throw COLerror("Unable to resolve", COL_ERROR_PRECONDITION);
}

// A letter and a colon. The letter is upper-cased and compared as a signed character, so
// no byte above 0x7F counts as a drive letter.
bool startsWithDrive(const COLstring& text) {
  if (text.size() < 2 || text.c_str()[1] != ':') return false;
  signed char upper = static_cast<signed char>(COLtoUpper(text.c_str()[0]));
  return upper >= 'A' && upper <= 'Z';
}

// Set while a path object parses the process's current directory, which must have a root
// of its own: a rootless one would need a current directory to resolve itself against.
thread_local bool ParsingProcessDirectory = false;

bool isDot(const char* text) { return strcmp(text, ".") == 0; }
bool isDotDot(const char* text) { return strcmp(text, "..") == 0; }

}  // namespace

class FILfilePathPrivate {
public:
  ~FILfilePathPrivate() { delete pCurrentDirExtractor; }

  // The text with its NUL, cut in place by the parse; empty before the first parse.
  COLsimpleBuffer FileNameBuffer;
  // The directory path, built on first use after each parse; a built one is never empty.
  COLstring DirectoryPath;
  // The current directory's root, for a path that has none of its own.
  COLstring RootCopy;
  COLvector<char*> Directories;
  char* Cursor = nullptr;
  const char* Root = EmptyText;
  const char* FileName = EmptyText;
  const char* Extension = EmptyText;
  FILfilePath* pCurrentDirExtractor = nullptr;

  void parse(const COLstring& Path);
  void setCurrentDirectory(const char* Directory);
  const COLstring& directoryPath();
  // Back to the state before the first parse; the extractor stays.
  void clear();

private:
  bool takeUncRoot(char* start, char* end);
  FILfilePath& currentDirExtractor();
};

void FILfilePathPrivate::clear() {
  FileNameBuffer.resize(0);
  DirectoryPath.clear();
  RootCopy.clear();
  Directories.clear();
  Cursor = nullptr;
  Root = FileName = Extension = EmptyText;
}

FILfilePath& FILfilePathPrivate::currentDirExtractor() {
  if (pCurrentDirExtractor == nullptr && !ParsingProcessDirectory) setCurrentDirectory(nullptr);
  COL_POSTCONDITION(pCurrentDirExtractor != NULL, 182, Source);
  return *pCurrentDirExtractor;
}

void FILfilePathPrivate::setCurrentDirectory(const char* Directory) {
  COLstring directory;
  if (Directory != nullptr) {
    directory = Directory;
    FILaddTrailingSlash(directory);
    FILconvertSlashes(directory);
  } else {
    directory = FILcurrentDirectory();
  }
  // Parsed apart and swapped in only when it parsed, so that a failure keeps the
  // directory that relative paths were resolved against before.
  std::unique_ptr<FILfilePath> extractor(new FILfilePath);
  const bool wasParsing = ParsingProcessDirectory;
  ParsingProcessDirectory = wasParsing || Directory == nullptr;
  try {
    extractor->setPath(directory.c_str());
  } catch (...) {
    ParsingProcessDirectory = wasParsing;
    throw;
  }
  ParsingProcessDirectory = wasParsing;
  delete pCurrentDirExtractor;
  pCurrentDirExtractor = extractor.release();
}

// \\server\share: both names must be there. A text that ends right after the share name
// is the root alone; one without a share name is no UNC root (it falls to the current
// drive), and the scan never runs past the text's end.
bool FILfilePathPrivate::takeUncRoot(char* start, char* end) {
  if (end - start < 4 || start[0] != '\\' || start[1] != '\\') return false;
  char* serverEnd = FILfindSeparator(start + 2, end);
  if (serverEnd == end || serverEnd == start + 2) return false;
  char* share = serverEnd + 1;
  char* shareEnd = FILfindSeparator(share, end);
  if (shareEnd == share || *share == '\0') return false;
  Root = start;
  if (shareEnd == end) {
    Cursor = end;
  } else {
    *shareEnd = '\0';
    Cursor = shareEnd + 1;
  }
  return true;
}

void FILfilePathPrivate::parse(const COLstring& Path) {
  COLstring text(Path);
  FILconvertSlashes(text);

  if (text.c_str()[0] == ':') unableToResolve();
  // The one colon a path may hold follows a drive letter. Any other (1:x) is refused here,
  // not taken as a name that a later parse of the full path would refuse.
  if (text.size() >= 2 && (strchr(text.c_str() + 2, ':') != nullptr ||
                           (text.c_str()[1] == ':' && !startsWithDrive(text))))
    throw COLerror("Bad file path", COL_ERROR_PRECONDITION);

  // A drive letter and colon always name the drive's root here, as FILisDirectory and
  // FILexecutableDirectory take "C:": so C: is C:\ and C:name is C:\name. Without the
  // separator the NUL that ends the root would overwrite the name's first character.
  const bool drive = startsWithDrive(text);
  if (drive && (text.size() == 2 || text.c_str()[2] != '\\')) text.insert(2, "\\");

  FileNameBuffer = text.c_str();
  char* start = FileNameBuffer.data();
  char* end = start + FileNameBuffer.size() - 1;
  Cursor = start;
  RootCopy.clear();
  if (drive) {
    Root = start;
    start[2] = '\0';
    Cursor = start + 3;
  } else if (!takeUncRoot(start, end)) {
    FILfilePath& extractor = currentDirExtractor();
    RootCopy = extractor.root();
    Root = RootCopy.c_str();
    // A leading backslash is absolute on the current drive; anything else continues the
    // current directory.
    if (*start != '\\') {
      COLstring joined(extractor.directoryPath());
      joined += text;
      FileNameBuffer = joined.c_str();
      start = FileNameBuffer.data();
      end = start + FileNameBuffer.size() - 1;
    }
    Cursor = start;
  }

  Directories.clear();
  if (*Cursor != '\\') Directories.push_back(Cursor);
  for (char* p = FILfindSeparator(Cursor, end); p < end; p = FILfindSeparator(p + 1, end)) {
    *p = '\0';
    Directories.push_back(p + 1);
  }
  char* name = Directories.back();
  Directories.pop_back();
  // A final "." or ".." names a directory, not a file: C:\a\b\.. is C:\a\. Taken as a
  // file name, ".." would be cut at its dot into "." and come back as C:\a\b\..
  if (isDot(name) || isDotDot(name)) {
    Directories.push_back(name);
    name = end;
  }

  // Each removal leaves i on the component after the last one kept, so every component
  // is examined once.
  int i = 0;
  while (i < Directories.size()) {
    const char* component = Directories[i];
    if (*component == '\0' || isDot(component)) {
      Directories.remove(i);
    } else if (isDotDot(component)) {
      if (i == 0) unableToResolve();
      Directories.remove(i);
      Directories.remove(--i);
    } else {
      ++i;
    }
  }

  DirectoryPath.clear();

  // The extension starts after the last dot from the name's second character on, so a
  // leading dot (.profile) starts none. A name of dots alone (...) is an ordinary name, as
  // it is as a component: cut at a dot it would become "..", the parent. A name that ends
  // in dots loses all of them, as Windows drops them when it opens the name (a.. is a), so
  // that the full path rebuilt from the parts parses back to the same parts.
  Cursor = name;
  FileName = name;
  Extension = EmptyText;
  if (*name != '\0' && name[strspn(name, ".")] != '\0') {
    char* dot = strrchr(name + 1, '.');
    if (dot != nullptr && dot[1] == '\0') {
      while (dot[-1] == '.') --dot;
      *dot = '\0';
    } else if (dot != nullptr) {
      *dot = '\0';
      Extension = dot + 1;
    }
  }
}

const COLstring& FILfilePathPrivate::directoryPath() {
  if (DirectoryPath.size() == 0 && FileNameBuffer.size() > 0) {
    DirectoryPath = "\\";
    for (int i = 0; i < Directories.size(); ++i) {
      DirectoryPath += Directories[i];
      DirectoryPath.append(1, '\\');
    }
  }
  return DirectoryPath;
}

FILfilePath::FILfilePath() : pMember(new FILfilePathPrivate) {}

FILfilePath::~FILfilePath() { delete pMember; }

void FILfilePath::setPath(const char* Path) {
  // A copy: the text may lie in this object's own buffer, which the parse overwrites.
  const COLstring asPassed(Path);
  try {
    pMember->parse(asPassed);
  } catch (const COLerror& error) {
    // The pieces of a half-cut buffer are no path; accessors must not hand them out.
    pMember->clear();
    COLostreamString message;
    message << error.description() << " '" << asPassed << "'";
    throw COLerror(message.string(), COL_ERROR_PRECONDITION);
  } catch (...) {
    pMember->clear();
    throw;
  }
}

void FILfilePath::setCurrentDirectory(const char* Directory) {
  pMember->setCurrentDirectory(Directory);
}

const char* FILfilePath::root() const {
  COL_PRECONDITION(pMember->FileNameBuffer.size() > 0, 366, Source);
  return pMember->Root;
}

const char* FILfilePath::extension() const {
  COL_PRECONDITION(pMember->FileNameBuffer.size() > 0, 360, Source);
  return pMember->Extension;
}

const char* FILfilePath::baseName() const { return pMember->FileName; }

void FILfilePath::appendFileName(COLstring& Target) const {
  Target.append(pMember->FileName);
  if (*pMember->Extension != '\0') {
    Target.append(1, '.');
    Target.append(pMember->Extension);
  }
}

COLstring FILfilePath::fileName() const {
  COLstring name;
  appendFileName(name);
  return name;
}

unsigned FILfilePath::directoryCount() const {
  return static_cast<unsigned>(pMember->Directories.size());
}

const char* FILfilePath::directory(unsigned Index) const {
  // An index beyond the int range turns negative and fails the vector's own check.
  return pMember->Directories[static_cast<int>(Index)];
}

const char* FILfilePath::directoryPath() const { return pMember->directoryPath().c_str(); }

void FILfilePath::getRootAndDirectory(COLstring& Target) const {
  Target = pMember->Root;
  Target += pMember->directoryPath();
}

COLstring FILfilePath::rootAndDirectory() const {
  COLstring result;
  getRootAndDirectory(result);
  return result;
}

void FILfilePath::getFullPath(COLstring& Target) const {
  getRootAndDirectory(Target);
  appendFileName(Target);
}

COLstring FILfilePath::fullPath() const {
  COLstring result;
  getFullPath(result);
  return result;
}
