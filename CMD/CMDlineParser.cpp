// The command-line parser: flag records, parsing, queries and the two usage forms.
#include "CMD/CMDlineParser.h"

#include "COL/COLerror.h"
#include "COL/COLlist.h"
#include "COL/COLostream.h"
#include "COL/COLref.h"

namespace {
const char* const SOURCE = "CMDlineParser";

// The usage text is wrapped so that no entry runs past this column.
const int USAGE_WIDTH = 70;

// A record named so makes the usage an HTML table; no program installs it.
const char* const HTML_FLAG = "quillery";
}  // namespace

// One flag: installed by the program, or only seen on the command line, or both.
class CMDlineFlag : public COLrefCounted {
public:
  explicit CMDlineFlag(const COLstring& FlagName)
      : Name(FlagName), HasArgument(false), IsPresent(false), IsInstalled(false),
        IsHidden(false), IsRepeated(false), RepeatOk(false) {}

  COLstring Name;
  COLstring Description;
  bool HasArgument;
  bool IsPresent;
  bool IsInstalled;
  COLstring Value;
  COLstring ArgumentName;
  bool IsHidden;
  bool IsRepeated;
  COLvector<COLstring> ValueList;
  bool RepeatOk;
};

CMDlineArgument::CMDlineArgument() : Plain(false) {}

CMDlineArgument::CMDlineArgument(const COLstring& ArgumentName, const COLstring& ArgumentDescription,
                                 bool IsPlain)
    : Name(ArgumentName), Description(ArgumentDescription), Plain(IsPlain) {}

CMDlineArgument::CMDlineArgument(const CMDlineArgument& other)
    : Name(other.Name), Description(other.Description), Plain(other.Plain) {}

CMDlineArgument& CMDlineArgument::operator=(const CMDlineArgument& other) {
  Name = other.Name;
  Description = other.Description;
  Plain = other.Plain;
  return *this;
}

CMDlineArgument::~CMDlineArgument() {}

class CMDlineParserPrivate {
public:
  COLstring UsageHeader;
  COLstring ProgramName;
  bool IsParsed = false;
  COLvector<COLstring> ArgumentValues;
  COLvector<CMDlineArgument> Arguments;
  COLlist<COLref<CMDlineFlag>> FlagList;
  COLstring EmptyValue;

  COLref<CMDlineFlag> flag(const COLstring& FlagName) const {
    for (COLlistPlace place = FlagList.next(nullptr); place != nullptr; place = FlagList.next(place)) {
      const COLref<CMDlineFlag>& record = FlagList.value(place);
      if (record->Name == FlagName) return record;
    }
    return COLref<CMDlineFlag>();
  }

  COLref<CMDlineFlag> flagOrNew(const COLstring& FlagName) {
    COLref<CMDlineFlag> record = flag(FlagName);
    if (record.get() == nullptr) {
      record = new CMDlineFlag(FlagName);
      FlagList.append(record);
    }
    return record;
  }

  COLref<CMDlineFlag> install(const COLstring& FlagName) {
    COLref<CMDlineFlag> record = flagOrNew(FlagName);
    record->IsInstalled = true;
    return record;
  }

  COLref<CMDlineFlag> recordCommandLineFlag(const COLstring& Word) {
    COLref<CMDlineFlag> record = flagOrNew(Word.strip(1, '-'));
    if (record->IsPresent) record->IsRepeated = true;
    record->IsPresent = true;
    return record;
  }

  static bool isHelpArgument(const COLstring& Word) {
    return Word == "--help" || Word == "-help" || Word == "-?" || Word == "--?" || Word == "/?" ||
           Word == "-h";
  }

  static bool isHelpFlagName(const COLstring& Name) {
    return Name == "help" || Name == "?" || Name == "/?" || Name == "h";
  }

  static bool isFlagArgument(const COLstring& Word) {
    return Word.size() >= 2 && Word[0] == '-' && !Word.strip(1, '-').is_null();
  }

  static bool listed(const CMDlineFlag& record) { return record.IsInstalled && !record.IsHidden; }

  void printHtmlUsage(COLostream& Out) const;
  void printTextUsage(COLostream& Out) const;
  static void printEntry(COLostream& Out, const COLstring& Lead, COLstring Text);
};

CMDlineParser::CMDlineParser() : pMember(new CMDlineParserPrivate) {}

CMDlineParser::~CMDlineParser() { delete pMember; }

void CMDlineParser::addFlagWithoutArgument(const COLstring& FlagName, const COLstring& Description) {
  COLref<CMDlineFlag> record = pMember->install(FlagName);
  record->HasArgument = false;
  record->Description = Description;
}

void CMDlineParser::addFlagWithArgument(const COLstring& FlagName, const COLstring& ArgumentName) {
  COLref<CMDlineFlag> record = pMember->install(FlagName);
  record->HasArgument = true;
  record->ArgumentName = ArgumentName;
}

void CMDlineParser::addFlagWithArgument(const COLstring& FlagName, const COLstring& ArgumentName,
                                        const COLstring& Description) {
  COLref<CMDlineFlag> record = pMember->install(FlagName);
  record->HasArgument = true;
  record->ArgumentName = ArgumentName;
  record->Description = Description;
}

bool CMDlineParser::describeFlag(const COLstring& FlagName, const COLstring& Description) {
  COLref<CMDlineFlag> record = pMember->install(FlagName);
  record->Description = Description;
  return record->IsPresent;
}

void CMDlineParser::hideFlag(const COLstring& FlagName) {
  COLref<CMDlineFlag> record = pMember->flag(FlagName);
  if (record.get() != nullptr) record->IsHidden = true;
}

void CMDlineParser::setFlagRepeatOk(const COLstring& FlagName, bool RepeatOk) {
  COLref<CMDlineFlag> pFlag = pMember->flag(FlagName);
  if (!pFlag.get())
    COLpreconditionFailed(
        418, SOURCE, (COLstring("pFlag.get(), setFlagRepeatOk(): Flag ") + FlagName + " not yet defined").c_str());
  if (!pFlag->HasArgument)
    COLpreconditionFailed(
        419, SOURCE,
        (COLstring("pFlag->HasArgument, setFlagRepeatOk(): Flag ") + FlagName + " doesn't have argument").c_str());
  pFlag->RepeatOk = RepeatOk;
}

void CMDlineParser::addPlainArgument(const COLstring& Name, const COLstring& Description) {
  pMember->Arguments.push_back(CMDlineArgument(Name, Description, true));
}

void CMDlineParser::addArgument(const COLstring& Name, const COLstring& Description) {
  pMember->Arguments.push_back(CMDlineArgument(Name, Description, false));
}

void CMDlineParser::addFilesArgument(const COLstring& Description) {
  pMember->Arguments.push_back(CMDlineArgument("Files to be processed", Description, false));
}

void CMDlineParser::setUsageHeader(const COLstring& Header) { pMember->UsageHeader = Header; }

void CMDlineParser::parseArgs(int argc, const char* const* argv) {
  if (pMember->IsParsed)
    throw COLerror("CMDlineParser::parseArgs() has been called more than once.", COL_ERROR_PRECONDITION);
  pMember->IsParsed = true;
  COL_PRECONDITION(argc != 0, 241, SOURCE);
  pMember->ProgramName = argv[0];

  int index = 1;
  for (; index < argc; ++index) {
    COLstring word(argv[index]);
    if (CMDlineParserPrivate::isHelpArgument(word)) {
      // A help word asks for the usage even when the program installed a flag of its name.
      pMember->recordCommandLineFlag(word)->IsInstalled = false;
      continue;
    }
    if (!CMDlineParserPrivate::isFlagArgument(word)) break;
    COLref<CMDlineFlag> record = pMember->recordCommandLineFlag(word);
    if (record->HasArgument) {
      if (index + 1 >= argc) throw COLerror("Argument missing", 284, SOURCE, COL_ERROR_CONVERSION);
      ++index;
      record->Value = argv[index];
      record->ValueList.push_back(record->Value);
    }
  }
  for (; index < argc; ++index) pMember->ArgumentValues.push_back(COLstring(argv[index]));
}

bool CMDlineParser::isFlagPresent(const COLstring& FlagName) const {
  COLref<CMDlineFlag> record = pMember->flag(FlagName);
  if (record.get() == nullptr)
    throw COLerror(COLstring("EXCEPTION: isFlagPresent was asked to check for the presence of flag ") +
                       FlagName +
                       " which was not installed. A flag should be first installed using either "
                       "addFlagWithArgument or addFlagWithoutArgument before it is checked for.",
                   380, SOURCE, COL_ERROR_PRECONDITION);
  return record->IsPresent;
}

const COLstring& CMDlineParser::flagValue(const COLstring& FlagName) const {
  COLref<CMDlineFlag> record = pMember->flag(FlagName);
  if (record.get() == nullptr) throw COLerror(FlagName + " not defined.", 625, SOURCE, COL_ERROR_PRECONDITION);
  // The list keeps the record alive as long as the parser, so the reference stays valid.
  return record->HasArgument ? record->Value : pMember->EmptyValue;
}

void CMDlineParser::flagValue(const COLstring& FlagName, COLstring& Value) const {
  COLref<CMDlineFlag> record = pMember->flag(FlagName);
  if (record.get() == nullptr) throw COLerror(FlagName + " not defined.", 639, SOURCE, COL_ERROR_PRECONDITION);
  if (record->HasArgument)
    Value = record->Value;
  else
    Value = "";
}

int CMDlineParser::flagRepeatCount(const COLstring& FlagName) const {
  COLref<CMDlineFlag> record = pMember->flag(FlagName);
  if (record.get() == nullptr) throw COLerror(FlagName + " not defined.", 658, SOURCE, COL_ERROR_PRECONDITION);
  return record->ValueList.size();
}

const COLstring& CMDlineParser::flagValue(const COLstring& FlagName, int RepeatIndex) const {
  COLref<CMDlineFlag> record = pMember->flag(FlagName);
  if (record.get() == nullptr) throw COLerror(FlagName + " not defined.", 667, SOURCE, COL_ERROR_PRECONDITION);
  COL_PRECONDITION(RepeatIndex >= 0 && RepeatIndex < pMember->flag(FlagName)->ValueList.size(), 669, SOURCE);
  return record->ValueList[RepeatIndex];
}

bool CMDlineParser::hasFlag(const COLstring& FlagName) const { return pMember->flag(FlagName).get() != nullptr; }

const COLstring& CMDlineParser::programName() const { return pMember->ProgramName; }

int CMDlineParser::argumentCount() const { return pMember->ArgumentValues.size(); }

const COLstring& CMDlineParser::argumentValue(int Index) const { return pMember->ArgumentValues[Index]; }

bool CMDlineParser::findArgument(const COLstring& Name, int& Index) const {
  for (int i = 0; i < pMember->Arguments.size(); ++i) {
    if (pMember->Arguments[i].Name == Name) {
      Index = i;
      return true;
    }
  }
  return false;
}

const COLstring& CMDlineParser::argument(const COLstring& Name) const {
  int index = 0;
  if (findArgument(Name, index)) return pMember->ArgumentValues[index];
  static const COLstring Empty;
  return Empty;
}

bool CMDlineParser::printErrors(COLostream& Out) const {
  const COLlist<COLref<CMDlineFlag>>& flags = pMember->FlagList;
  for (COLlistPlace place = flags.next(nullptr); place != nullptr; place = flags.next(place)) {
    const CMDlineFlag& record = *flags.value(place).get();
    if (!record.IsInstalled) {
      if (!CMDlineParserPrivate::isHelpFlagName(record.Name))
        Out << "Unknown flag " << record.Name << " encountered." << newline;
      return true;
    }
    if (record.IsRepeated && !record.RepeatOk) {
      Out << "Flag " << record.Name << " used more than once." << newline;
      return true;
    }
  }
  return false;
}

void CMDlineParser::printUsage(COLostream& Out) const {
  if (pMember->flag(HTML_FLAG).get() != nullptr)
    pMember->printHtmlUsage(Out);
  else
    pMember->printTextUsage(Out);
}

void CMDlineParserPrivate::printHtmlUsage(COLostream& Out) const {
  // The line feeds are part of the markup, not the stream's line ends.
  Out << "<table>\n" << "<tr><th>Flag</th><th>Operation</th></tr>\n";
  for (COLlistPlace place = FlagList.next(nullptr); place != nullptr; place = FlagList.next(place)) {
    const CMDlineFlag& record = *FlagList.value(place).get();
    if (!listed(record)) continue;
    Out << "<tr><th>--" << record.Name << "</th><td>" << record.Description << "</td></tr>\n";
  }
  Out << "</table>\n";
}

void CMDlineParserPrivate::printTextUsage(COLostream& Out) const {
  Out << UsageHeader << newline << "Usage:" << newline << ProgramName;
  unsigned longestName = 0;
  if (FlagList.size() != 0) {
    for (COLlistPlace place = FlagList.next(nullptr); place != nullptr; place = FlagList.next(place)) {
      const CMDlineFlag& record = *FlagList.value(place).get();
      if (!listed(record)) continue;
      Out << "  [--" << record.Name;
      if (record.HasArgument) Out << " " << record.ArgumentName;
      Out << "]";
      if (static_cast<unsigned>(record.Name.size()) > longestName) longestName = record.Name.size();
    }
  }
  for (int i = 0; i < Arguments.size(); ++i) {
    if (Arguments[i].Plain)
      Out << " " << Arguments[i].Name;
    else
      Out << " <" << Arguments[i].Name << ">";
  }
  Out << newline;
  for (int i = 0; i < Arguments.size(); ++i)
    Out << "   " << Arguments[i].Name << " - " << Arguments[i].Description << newline;

  if (FlagList.size() == 0) return;
  Out << "Known flags:" << newline;
  for (COLlistPlace place = FlagList.next(nullptr); place != nullptr; place = FlagList.next(place)) {
    const CMDlineFlag& record = *FlagList.value(place).get();
    if (!listed(record)) continue;
    COLstring lead = COLstring("  --") + record.Name;
    lead.append(static_cast<int>(longestName + 2 - record.Name.size()), ' ');
    COLstring text = record.Description;
    if (record.HasArgument) {
      if (!text.is_null()) text += ". ";
      text += COLstring("Requires argument ") + record.ArgumentName + ".";
    }
    printEntry(Out, lead, text);
  }
}

// Wraps one entry's text at the usage width, continuing at the text column. A line feed
// in the text starts a continuation line too.
void CMDlineParserPrivate::printEntry(COLostream& Out, const COLstring& Lead, COLstring Text) {
  const int width = USAGE_WIDTH - Lead.size();
  const COLstring indentation(Lead.size(), ' ');
  Out << Lead;
  // A lead that fills the whole width leaves nothing to wrap to: such a text runs on.
  while (width > 0 && Text.size() + Lead.size() > USAGE_WIDTH) {
    int cut = Text.find('\n');
    int resume;
    if (cut >= 0 && cut < width) {
      resume = cut + 1;
    } else {
      cut = Text.rfind(COLstring(" "), width);
      // Without a blank to break at, a word longer than the width is cut at the width.
      cut = cut >= 0 ? cut + 1 : width;
      resume = cut;
    }
    Out << Text.substr(0, static_cast<unsigned>(cut)) << newline << indentation;
    Text = Text.mid(resume);
  }
  int feed = Text.find('\n');
  if (feed >= 0) {
    Out << Text.substr(0, static_cast<unsigned>(feed)) << newline << indentation;
    Text = Text.mid(feed + 1);
  }
  Out << Text << newline;
}

void CMDgetFlagValues(COLvector<COLstring>& Values, const CMDlineParser& Parser, const COLstring& FlagName) {
  int count = Parser.flagRepeatCount(FlagName);
  for (int i = 0; i < count; ++i) Values.push_back(Parser.flagValue(FlagName, i));
}
