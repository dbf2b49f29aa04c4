// CMDlineParser: reads a program's command line against the flags that the program
// installs first. Flags are words with leading dashes, optionally followed by one argument;
// the first word that is no flag ends them, and it and every later word are positional
// values. The parser reports the first unknown or wrongly repeated flag, knows the usual
// help words, and prints the usage: text wrapped at 70 columns, or an HTML table.
#pragma once

#include "COL/COLstring.h"
#include "COL/COLvector.h"

class COLostream;
class CMDlineParserPrivate;

// One declared positional argument. A plain one shows its bare name in the synopsis,
// any other one its name in angle brackets.
class CMDlineArgument {
public:
  CMDlineArgument();
  CMDlineArgument(const COLstring& Name, const COLstring& Description, bool Plain);
  CMDlineArgument(const CMDlineArgument& other);
  CMDlineArgument& operator=(const CMDlineArgument& other);
  ~CMDlineArgument();

  COLstring Name;
  COLstring Description;
  bool Plain;
};

class CMDlineParser {
public:
  CMDlineParser();
  virtual ~CMDlineParser();
  CMDlineParser(const CMDlineParser&) = delete;
  CMDlineParser& operator=(const CMDlineParser&) = delete;

  // Installing flags: the order of installation is the order of every listing, and
  // installing a name again changes the same flag. Install before parseArgs.
  void addFlagWithoutArgument(const COLstring& FlagName, const COLstring& Description);
  void addFlagWithArgument(const COLstring& FlagName, const COLstring& ArgumentName);
  void addFlagWithArgument(const COLstring& FlagName, const COLstring& ArgumentName,
                           const COLstring& Description);
  bool describeFlag(const COLstring& FlagName, const COLstring& Description);
  void hideFlag(const COLstring& FlagName);
  void setFlagRepeatOk(const COLstring& FlagName, bool RepeatOk);

  void addPlainArgument(const COLstring& Name, const COLstring& Description);
  void addArgument(const COLstring& Name, const COLstring& Description);
  void addFilesArgument(const COLstring& Description);
  void setUsageHeader(const COLstring& Header);

  void parseArgs(int argc, const char* const* argv);

  bool isFlagPresent(const COLstring& FlagName) const;
  const COLstring& flagValue(const COLstring& FlagName) const;
  void flagValue(const COLstring& FlagName, COLstring& Value) const;
  int flagRepeatCount(const COLstring& FlagName) const;
  const COLstring& flagValue(const COLstring& FlagName, int RepeatIndex) const;
  bool hasFlag(const COLstring& FlagName) const;

  const COLstring& programName() const;
  int argumentCount() const;
  const COLstring& argumentValue(int Index) const;
  bool findArgument(const COLstring& Name, int& Index) const;
  const COLstring& argument(const COLstring& Name) const;

  // True when the command line needs the usage shown: an unknown flag, a flag repeated
  // without leave, or a help word. At most one message is printed, none for help.
  bool printErrors(COLostream& Out) const;
  void printUsage(COLostream& Out) const;

private:
  CMDlineParserPrivate* pMember;
};

// Appends every argument given to the flag, in command-line order.
void CMDgetFlagValues(COLvector<COLstring>& Values, const CMDlineParser& Parser,
                      const COLstring& FlagName);
