// The Skelwin program's behaviour: its command line, the two PATH registry values, the
// path-list operations and the environment-change notice.
#include "skelwin/main.h"

#include "CMD/CMDlineParser.h"
#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "COL/COLsink.h"
#include "FIL/FILutils.h"
#include "REG/REGregistry.h"
#include "platform/PLATwindows.h"
#include "skelwin/SKELbuildInfo.h"
#include "skelwin/SKELpathLock.h"
#include "skelwin/SKELtext.h"

namespace {
const char* const SOURCE = "main";

const char* const SYSTEM_ENVIRONMENT_KEY = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const USER_ENVIRONMENT_KEY = "Environment";
const char* const PATH_SEPARATOR = ";";

COLstring readEnvironmentValue(HKEY RootKey, const char* KeyPath, const COLstring& Name) {
  REGregistry Registry(RootKey);
  Registry.setKey(KeyPath, false, 0);
  return Registry.getString(Name, "", nullptr);
}

// Sent, not posted: Windows refuses to post a message below WM_USER that carries a
// pointer (ERROR_MESSAGE_SYNC_ONLY), so a posted notice would reach no program at all.
int notifyEnvironmentChange() {
  return static_cast<int>(BroadcastSystemMessageA(BSF_FORCEIFHUNG, nullptr, WM_SETTINGCHANGE, 0,
                                                  reinterpret_cast<LPARAM>("Environment")));
}

int writeEnvironmentValue(HKEY RootKey, const char* KeyPath, const COLstring& Name, const COLstring& Value,
                          int PreconditionLine) {
  {
    REGregistry Registry(RootKey);
    Registry.setKey(KeyPath, false, 0);
    // The value keeps its type; a missing value (type 0) or one of another type is never
    // created or replaced.
    int ActualType = 0;
    Registry.getString(Name, "", &ActualType);
    COL_PRECONDITION(ActualType == REGregistry::REGdefaultString || ActualType == REGregistry::REGexpandString,
                     PreconditionLine, SOURCE);
    Registry.setString(Name, Value, ActualType);
  }
  return notifyEnvironmentChange();
}

// Text that does not come through the code page exactly reaches the program as U+FFFD,
// "?" or a look-alike: a surrogate without its other half (which Windows file names may
// hold) on any code page, and on a system whose code page is not UTF-8 (a Windows that
// ignores the program's manifest) every character that code page lacks. An answer about
// such a directory may be false, and writing such a value back would destroy what was
// stored or given, so the run changes nothing, before it prints any line of that text.
// The scope's value is looked at when one scope was chosen (RootKey not null).
void refuseTextThatDoesNotComeThrough(bool DirectoryGiven, const COLstring& Directory, HKEY RootKey,
                                      const char* KeyPath, const char* Label) {
  COLostreamString Text;
  Text << "PATH not changed: ";
  SKELtextFate Fate = SKELargumentsFate();
  if (Fate != SKELheldExactly) {
    Text << "the command line holds";
  } else if (!DirectoryGiven && (Fate = SKELexecutableDirectoryFate(Directory)) != SKELheldExactly) {
    Text << "the program's own directory holds";
  } else if (RootKey != nullptr && (Fate = SKELregistryValueFate(RootKey, KeyPath, "PATH")) != SKELheldExactly) {
    Text << "the " << Label << " PATH holds";
  } else {
    return;
  }
  if (Fate == SKELnotWellFormed)
    Text << " a UTF-16 surrogate without its other half, which no code page holds, so the program cannot keep it "
            "as it is";
  else
    Text << " characters that this system's code page (" << static_cast<int>(GetACP()) << ") cannot hold";
  throw COLerror(Text.string(), COL_ERROR_PRECONDITION);
}

void rebuildFrom(COLstring& List, const COLstring& Piece) {
  if (Piece.is_null()) return;
  if (!List.is_null()) List += PATH_SEPARATOR;
  List += Piece;
}

void printUsage(const CMDlineParser& Parser) {
  COLstandardOutput << newline;
  printBuildInfo(COLstandardOutput, true);
  Parser.printUsage(COLstandardOutput);
}

int runGuarded(int argc, char** argv) {
  COLstandardOutput << "Skelwin " << 1 << "." << 0 << "." << 1 << newline << newline;

  CMDlineParser Parser;
  Parser.addFlagWithoutArgument("show", "Only show the current PATH components, don't add or remove");
  Parser.addFlagWithArgument("path", "Specific path to be added (default is the executable's path)");
  Parser.addFlagWithoutArgument("system", "Modify system path");
  Parser.addFlagWithoutArgument("user", "Modify user path");
  Parser.addFlagWithoutArgument("remove", "Remove the specified path");
  Parser.parseArgs(argc, argv);

  if (Parser.printErrors(COLstandardOutput)) {
    printUsage(Parser);
    return 1;
  }
  // The directory comes only through --path: a bare word is a mistake (most likely a
  // directory without its flag), and acting on the default directory instead would
  // change the PATH the user did not ask for.
  if (Parser.argumentCount() != 0) {
    COLstandardOutput << "Unexpected argument " << Parser.argumentValue(0) << " encountered." << newline;
    printUsage(Parser);
    return 1;
  }

  bool ShowFlag = Parser.isFlagPresent("show");
  bool RemoveFlag = Parser.isFlagPresent("remove");
  COLstring Directory;
  if (Parser.isFlagPresent("path"))
    Directory = Parser.flagValue("path");
  else
    FILexecutableDirectory(Directory);

  // A run that may write holds the lock from reading the values to writing one back.
  SKELpathLock Lock;
  if (!ShowFlag) Lock.take();

  COLstring SystemPath = getSystemEnvironmentValue("PATH");
  COLstring UserPath = getUserEnvironmentValue("PATH");

  if (ShowFlag) {
    COL_PRECONDITION(!RemoveFlag, 204, SOURCE);
    COLstandardOutput << "Current System PATH: " << SystemPath << newline << newline;
    COLstandardOutput << "Current User PATH: " << UserPath << newline << newline;
    printPathItems("System", SystemPath);
    printPathItems("User", UserPath);
    return 0;
  }

  bool SystemFlag = Parser.isFlagPresent("system");
  bool UserFlag = Parser.isFlagPresent("user");
  const char* Label = SystemFlag ? "System" : "User";
  HKEY ChosenRoot = SystemFlag == UserFlag ? nullptr : SystemFlag ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  refuseTextThatDoesNotComeThrough(Parser.isFlagPresent("path"), Directory, ChosenRoot,
                                   SystemFlag ? SYSTEM_ENVIRONMENT_KEY : USER_ENVIRONMENT_KEY, Label);

  COLstandardOutput << (RemoveFlag ? "Removing path: " : "Adding path: ") << Directory << newline << newline;

  if (SystemFlag == UserFlag) {
    COLstandardOutput << "ERROR: must specify exactly one of --system or --user, to modify either system or "
                         "user's PATH"
                      << newline;
    return 1;
  }

  const COLstring& Value = SystemFlag ? SystemPath : UserPath;
  COLstring NewValue;
  if (!RemoveFlag) {
    if (pathListContains(Value, Directory)) {
      COLstandardOutput << "Already included in the " << Label << " PATH" << newline;
      return 0;
    }
    NewValue = pathListAdd(Value, Directory);
  } else {
    if (!pathListContains(Value, Directory)) {
      COLstandardOutput << "Already removed from the " << Label << " PATH" << newline;
      return 0;
    }
    NewValue = pathListRemove(Value, Directory);
  }

  if (SystemFlag)
    setSystemEnvironmentValue("PATH", NewValue);
  else
    setUserEnvironmentValue("PATH", NewValue);
  COLstandardOutput << "You need to restart an application or Command Prompt in order for the change to take "
                       "effect."
                    << newline;
  return 0;
}
}  // namespace

int runSkelwin(int argc, char** argv) {
  // The streams end their lines with CR LF themselves; Windows' text mode would add a
  // second CR to each.
  COLsinkStandardOut::set_binary_mode(true);
  COLsinkStandardErr::set_binary_mode(true);
  try {
    return runGuarded(argc, argv);
  } catch (const COLerror& Error) {
    COLstandardError << Error.description() << newline;
  } catch (...) {
    COLstandardError << "Unhandled Exception" << newline;
  }
  return 1;
}

COLstring getSystemEnvironmentValue(const COLstring& Name) {
  return readEnvironmentValue(HKEY_LOCAL_MACHINE, SYSTEM_ENVIRONMENT_KEY, Name);
}

COLstring getUserEnvironmentValue(const COLstring& Name) {
  return readEnvironmentValue(HKEY_CURRENT_USER, USER_ENVIRONMENT_KEY, Name);
}

int setSystemEnvironmentValue(const COLstring& Name, const COLstring& Value) {
  return writeEnvironmentValue(HKEY_LOCAL_MACHINE, SYSTEM_ENVIRONMENT_KEY, Name, Value, 35);
}

int setUserEnvironmentValue(const COLstring& Name, const COLstring& Value) {
  return writeEnvironmentValue(HKEY_CURRENT_USER, USER_ENVIRONMENT_KEY, Name, Value, 55);
}

void splitPathList(LEGvector<COLstring>& Pieces, const COLstring& Text, const COLstring& Separator) {
  // An empty separator would be found at the same place for ever: the text is one piece.
  if (Separator.is_null()) {
    Pieces.push_back(Text);
    return;
  }
  COLstring Rest = Text;
  COLstring Left, Right;
  while (Rest.split_at_first(Left, Right, Separator.c_str())) {
    Pieces.push_back(Left);
    Rest = Right;
  }
  Pieces.push_back(Rest);
}

bool pathListContains(const COLstring& List, const COLstring& Item) {
  LEGvector<COLstring> Pieces;
  splitPathList(Pieces, List, PATH_SEPARATOR);
  for (int i = 0; i < Pieces.size(); ++i)
    if (SKELsameItem(Pieces[i], Item)) return true;
  return false;
}

COLstring pathListAdd(const COLstring& List, const COLstring& Item) {
  LEGvector<COLstring> Pieces;
  splitPathList(Pieces, List, PATH_SEPARATOR);
  Pieces.push_back(Item);
  COLstring Result;
  for (int i = 0; i < Pieces.size(); ++i) rebuildFrom(Result, Pieces[i]);
  return Result;
}

COLstring pathListRemove(const COLstring& List, const COLstring& Item) {
  LEGvector<COLstring> Pieces;
  splitPathList(Pieces, List, PATH_SEPARATOR);
  COLstring Result;
  for (int i = 0; i < Pieces.size(); ++i)
    if (!SKELsameItem(Pieces[i], Item)) rebuildFrom(Result, Pieces[i]);
  return Result;
}

void printPathItems(const COLstring& Label, const COLstring& List) {
  LEGvector<COLstring> Pieces;
  splitPathList(Pieces, List, PATH_SEPARATOR);
  COLstandardOutput << Label << " PATH items:" << newline;
  for (int i = 0; i < Pieces.size(); ++i)
    if (!Pieces[i].is_null()) COLstandardOutput << Pieces[i] << newline;
  COLstandardOutput << newline;
}
