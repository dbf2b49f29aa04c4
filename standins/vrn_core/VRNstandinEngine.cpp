// The stand-in's engine: definitions loaded from a small text file of our own, messages
// parsed into tables, generated back, transformed between delimiter configurations,
// acknowledged, translated to and from a small XML form, and made printable.
//
// The definition file, one statement per line ('#' starts a comment line):
//   version <major> <minor> <build>
//   config <name> <five delimiters: field component repeat escape subcomponent>
//   message <name> <identifier>... [: <segment id>...]
//   ack <message index>
//   ignore <message index>
// A message definition matches a message whose MSH-9 components begin with its identifiers.
// Parsing reads under the incoming configuration and generating writes under the outgoing
// one; the configuration handle is that of the current configuration.
#include "standins/vrn_core/VRNstandinControl.h"
#include "standins/vrn_core/VRNstandinCore.h"
#include "standins/vrn_core/VRNstandinHl7.h"
#include "standins/vrn_core/VRNstandinTable.h"

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

struct MessageDefinition {
  std::string name;
  std::vector<std::string> identifiers;
  std::vector<std::string> segments;
};

class StandinEngine : public COLrefCounted {
public:
  StandinEngine() { configs.push_back(standard()); }
  static VRNhl7Config standard() {
    VRNhl7Config config;
    config.name = "standard";
    return config;
  }

  std::vector<VRNhl7Config> configs;
  std::vector<MessageDefinition> messages;
  int64_t ack = -1, ignore = -1, current = 0, incoming = 0, outgoing = 0;
  int64_t major = 0, minor = 0, build = 0;
  bool rejectBadSegments = false;
  std::map<std::string, std::string> keyValues;

  // Delivery holds this lock, so a callback being replaced is never called afterwards.
  std::recursive_mutex logLock;
  void* logUser = nullptr;
  VRNengineLogCallback logCallback = nullptr;

  void log(const std::string& line) {
    std::lock_guard<std::recursive_mutex> hold(logLock);
    if (logCallback) logCallback(logUser, line.c_str());
  }

  // A text handed out: kept per thread and per function, so it stays valid until the same
  // thread asks the same function again, also when another thread has meanwhile released
  // the engine.
  static const char* result(const char* function, const std::string& text) {
    thread_local std::map<std::string, std::string> results;
    std::string& slot = results[function];
    slot = text;
    return slot.c_str();
  }

  int64_t find(const std::vector<std::string>& type) const {
    for (size_t i = 0; i < messages.size(); ++i) {
      const std::vector<std::string>& ids = messages[i].identifiers;
      if (ids.empty() || ids.size() > type.size()) continue;
      bool same = true;
      for (size_t k = 0; k < ids.size(); ++k) same = same && ids[k] == type[k];
      if (same) return int64_t(i);
    }
    return -1;
  }

private:
  VRNstandinCounted m_Counted{VRNkindEngine};
};

using EngineRegistry = VRNstandinLiveSet<StandinEngine>;
using HeldEngine = VRNstandinHeld<StandinEngine>;

// A message handle points into its engine's definitions: it is checked against the live
// engines, and its engine is held while the call uses it.
HeldEngine engine_of_message(VRNhandle message) {
  const MessageDefinition* wanted = static_cast<const MessageDefinition*>(message);
  return HeldEngine(HeldEngine::Retained{EngineRegistry::get().retainWhere([&](const StandinEngine& engine) {
    const MessageDefinition* first = engine.messages.data();
    return wanted >= first && wanted < first + engine.messages.size();
  })});
}

std::string number(int64_t value) { return std::to_string(value); }

VRNresult check_config(const StandinEngine& engine, int64_t index) {
  if (index < 0 || index >= int64_t(engine.configs.size()))
    return VRNstandinFail("Configuration index out of range", "Index", number(index));
  return nullptr;
}

VRNresult check_message(const StandinEngine& engine, int64_t index) {
  if (index < 0 || index >= int64_t(engine.messages.size()))
    return VRNstandinFail("Message index out of range", "Index", number(index));
  return nullptr;
}

// Parses under a configuration; the message index of the definition that matches.
VRNresult parse(StandinEngine& engine, const char* text, int64_t config, VRNhl7Message& message, int64_t& index) {
  if (VRNresult bad = check_config(engine, config)) return bad;
  std::string reason, detail;
  if (!VRNhl7Parse(text, engine.configs[size_t(config)], engine.rejectBadSegments, message, reason, detail))
    return VRNstandinFail(reason, "Detail", detail);
  index = engine.find(message.type());
  if (index < 0) {
    std::string type;
    for (const std::string& part : message.type()) type += (type.empty() ? "" : "^") + part;
    return VRNstandinFail("No message definition matches the message type", "MessageType", type);
  }
  return nullptr;
}

VRNresult load(StandinEngine& engine, const char* fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return VRNstandinFail("Unable to open the engine definition file", "FileName", fileName);
  StandinEngine loaded;
  loaded.configs.clear();
  std::string line;
  int lineNumber = 0;
  while (std::getline(file, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word[0] == '#') continue;
    bool good = true;
    if (word == "version") {
      good = bool(words >> loaded.major >> loaded.minor >> loaded.build);
    } else if (word == "config") {
      VRNhl7Config config;
      std::string delimiters;
      good = (words >> config.name >> delimiters) && delimiters.size() == 5;
      if (good) {
        config.field = delimiters[0];
        config.component = delimiters[1];
        config.repeat = delimiters[2];
        config.escape = delimiters[3];
        config.subcomponent = delimiters[4];
        loaded.configs.push_back(config);
      }
    } else if (word == "message") {
      MessageDefinition definition;
      good = bool(words >> definition.name);
      bool segments = false;
      while (good && words >> word) {
        if (word == ":") segments = true;
        else (segments ? definition.segments : definition.identifiers).push_back(word);
      }
      loaded.messages.push_back(definition);
    } else if (word == "ack") {
      good = bool(words >> loaded.ack);
    } else if (word == "ignore") {
      good = bool(words >> loaded.ignore);
    } else {
      good = false;
    }
    if (!good) return VRNstandinFail("Bad line in the engine definition file", "Line", number(lineNumber));
  }
  if (loaded.configs.empty()) loaded.configs.push_back(StandinEngine::standard());
  engine.configs = loaded.configs;
  engine.messages = loaded.messages;
  engine.ack = loaded.ack;
  engine.ignore = loaded.ignore;
  engine.major = loaded.major;
  engine.minor = loaded.minor;
  engine.build = loaded.build;
  engine.current = engine.incoming = engine.outgoing = 0;
  engine.log("Loaded " + number(int64_t(engine.messages.size())) + " messages and " +
             number(int64_t(engine.configs.size())) + " configurations from " + fileName);
  return nullptr;
}

#define VRN_ENGINE_BODY(...) \
  return VRNstandinGuard([&]() -> VRNresult { \
    if (!Engine) return VRNstandinFail("Null engine"); \
    HeldEngine held(Engine); \
    if (!held) return VRNstandinFail("Not an engine", "Handle", VRNstandinPointer(Engine)); \
    StandinEngine& engine = *held; \
    (void)engine; \
    __VA_ARGS__ \
  })

}  // namespace

extern "C" {

VRNresult VRNengineCreate(VRNhandle* Engine) {
  VRN_STANDIN_ENTER(VRNengineCreate);
  return VRNstandinGuard([&]() -> VRNresult {
    StandinEngine* engine = new StandinEngine();
    EngineRegistry::get().add(engine);
    *Engine = EngineRegistry::handleOf(engine);
    return nullptr;
  });
}

VRNresult VRNengineAddRef(VRNhandle Engine) {
  VRN_STANDIN_ENTER(VRNengineAddRef, VRNstandinPointer(Engine));
  VRN_ENGINE_BODY(EngineRegistry::get().retain(Engine); return nullptr;);
}

VRNresult VRNengineRelease(VRNhandle Engine) {
  VRN_STANDIN_ENTER(VRNengineRelease, VRNstandinPointer(Engine));
  VRN_ENGINE_BODY(EngineRegistry::get().drop(held.get()); return nullptr;);
}

VRNresult VRNengineSetLogCallBackPerEngine(VRNhandle Engine, void* UserValue, VRNengineLogCallback Callback) {
  VRN_STANDIN_ENTER(VRNengineSetLogCallBackPerEngine, VRNstandinPointer(Engine), VRNstandinPointer(UserValue),
                    Callback ? "callback" : "null");
  VRN_ENGINE_BODY({
    std::lock_guard<std::recursive_mutex> hold(engine.logLock);
    engine.logUser = UserValue;
    engine.logCallback = Callback;
  } return nullptr;);
}

VRNresult VRNengineLoad(VRNhandle Engine, const char* FileName) {
  VRN_STANDIN_ENTER(VRNengineLoad, VRNstandinPointer(Engine), VRNstandinText(FileName));
  VRN_ENGINE_BODY(return load(engine, FileName ? FileName : ""););
}

VRNresult VRNengineParseMessageA(VRNhandle Engine, const char* Message, int64_t* MessageIndex, VRNhandle Table) {
  VRN_STANDIN_ENTER(VRNengineParseMessageA, VRNstandinPointer(Engine), VRNstandinText(Message),
                    VRNstandinPointer(Table));
  VRN_ENGINE_BODY({
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    VRNhl7Message message;
    int64_t index = -1;
    if (VRNresult bad = parse(engine, Message ? Message : "", engine.incoming, message, index)) return bad;
    table->fromMessage(message, engine.messages[size_t(index)].name);
    *MessageIndex = index;
    return nullptr;
  });
}

VRNresult VRNengineGenerateMessage(VRNhandle Engine, const char** Message, int64_t MessageIndex, VRNhandle Table) {
  VRN_STANDIN_ENTER(VRNengineGenerateMessage, VRNstandinPointer(Engine), number(MessageIndex),
                    VRNstandinPointer(Table));
  VRN_ENGINE_BODY({
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    if (VRNresult bad = check_message(engine, MessageIndex)) return bad;
    VRNhl7Message message;
    std::string reason;
    if (!table->toMessage(message, reason)) return VRNstandinFail(reason);
    *Message = engine.result("GenerateMessage", VRNhl7Generate(message, engine.configs[size_t(engine.outgoing)]));
    return nullptr;
  });
}

VRNresult VRNengineCreateEmptyMessageTable(VRNhandle Engine, int64_t MessageIndex, VRNhandle Table) {
  VRN_STANDIN_ENTER(VRNengineCreateEmptyMessageTable, VRNstandinPointer(Engine), number(MessageIndex),
                    VRNstandinPointer(Table));
  VRN_ENGINE_BODY({
    VRNstandinHeldTable table(Table);
    if (!table) return VRNstandinTableRefused(Table);
    if (VRNresult bad = check_message(engine, MessageIndex)) return bad;
    const MessageDefinition& definition = engine.messages[size_t(MessageIndex)];
    table->shape(definition.name, definition.segments);
    return nullptr;
  });
}

#define VRN_ENGINE_NUMBER(Function, Field)                                   \
  VRNresult Function(VRNhandle Engine, int64_t* Value) {                     \
    VRN_STANDIN_ENTER(Function, VRNstandinPointer(Engine));                  \
    VRN_ENGINE_BODY(*Value = engine.Field; return nullptr;);                 \
  }
VRN_ENGINE_NUMBER(VRNengineGetMinorVersion, minor)
VRN_ENGINE_NUMBER(VRNengineGetMajorVersion, major)
VRN_ENGINE_NUMBER(VRNengineGetBuildNumber, build)
VRN_ENGINE_NUMBER(VRNengineGetAckMessageIndex, ack)
VRN_ENGINE_NUMBER(VRNengineGetIgnoreMessageIndex, ignore)
VRN_ENGINE_NUMBER(VRNengineGetCurrentConfig, current)
VRN_ENGINE_NUMBER(VRNengineGetOutgoingConfigIndex, outgoing)
VRN_ENGINE_NUMBER(VRNengineGetIncomingConfigIndex, incoming)

#define VRN_ENGINE_CONFIG_SETTER(Function, Field)                            \
  VRNresult Function(VRNhandle Engine, int64_t Index) {                      \
    VRN_STANDIN_ENTER(Function, VRNstandinPointer(Engine), number(Index));   \
    VRN_ENGINE_BODY(if (VRNresult bad = check_config(engine, Index)) return bad; \
                    engine.Field = Index; return nullptr;);                  \
  }
VRN_ENGINE_CONFIG_SETTER(VRNengineSetCurrentConfig, current)
VRN_ENGINE_CONFIG_SETTER(VRNengineSetOutgoingConfigIndex, outgoing)
VRN_ENGINE_CONFIG_SETTER(VRNengineSetIncomingConfigIndex, incoming)

VRNresult VRNengineSetRejectBadSegmentGrammarFlag(VRNhandle Engine, unsigned char Flag) {
  VRN_STANDIN_ENTER(VRNengineSetRejectBadSegmentGrammarFlag, VRNstandinPointer(Engine), number(Flag));
  VRN_ENGINE_BODY(engine.rejectBadSegments = Flag != 0; return nullptr;);
}

VRNresult VRNengineCountOfMessage(VRNhandle Engine, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNengineCountOfMessage, VRNstandinPointer(Engine));
  VRN_ENGINE_BODY(*Count = int64_t(engine.messages.size()); return nullptr;);
}

VRNresult VRNengineMessageName(VRNhandle Engine, int64_t Index, const char** Name) {
  VRN_STANDIN_ENTER(VRNengineMessageName, VRNstandinPointer(Engine), number(Index));
  VRN_ENGINE_BODY(if (VRNresult bad = check_message(engine, Index)) return bad;
                  *Name = engine.result("MessageName", engine.messages[size_t(Index)].name); return nullptr;);
}

VRNresult VRNengineCountOfConfig(VRNhandle Engine, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNengineCountOfConfig, VRNstandinPointer(Engine));
  VRN_ENGINE_BODY(*Count = int64_t(engine.configs.size()); return nullptr;);
}

VRNresult VRNengineConfigName(VRNhandle Engine, int64_t Index, const char** Name) {
  VRN_STANDIN_ENTER(VRNengineConfigName, VRNstandinPointer(Engine), number(Index));
  VRN_ENGINE_BODY(if (VRNresult bad = check_config(engine, Index)) return bad;
                  *Name = engine.result("ConfigName", engine.configs[size_t(Index)].name); return nullptr;);
}

VRNresult VRNengineConfig(VRNhandle Engine, VRNhandle* Config) {
  VRN_STANDIN_ENTER(VRNengineConfig, VRNstandinPointer(Engine));
  VRN_ENGINE_BODY(*Config = &engine.configs[size_t(engine.current)]; return nullptr;);
}

VRNresult VRNengineTransformMessage(VRNhandle Engine, const char* Message, int64_t FromConfig, int64_t ToConfig,
                                    const char** Result, int64_t* SecondResult, int64_t Reserved) {
  VRN_STANDIN_ENTER(VRNengineTransformMessage, VRNstandinPointer(Engine), VRNstandinText(Message),
                    number(FromConfig), number(ToConfig), number(Reserved));
  VRN_ENGINE_BODY({
    if (Reserved != 0) return VRNstandinFail("The reserved argument must be 0", "Reserved", number(Reserved));
    if (VRNresult bad = check_config(engine, ToConfig)) return bad;
    VRNhl7Message message;
    int64_t index = -1;
    if (VRNresult bad = parse(engine, Message ? Message : "", FromConfig, message, index)) return bad;
    *Result = engine.result("TransformMessage", VRNhl7Generate(message, engine.configs[size_t(ToConfig)]));
    if (SecondResult) *SecondResult = index;
    return nullptr;
  });
}

VRNresult VRNengineGenerateAckFromMessage(VRNhandle Engine, const char* Message, const char** Ack) {
  VRN_STANDIN_ENTER(VRNengineGenerateAckFromMessage, VRNstandinPointer(Engine), VRNstandinText(Message));
  VRN_ENGINE_BODY({
    VRNhl7Message message;
    int64_t index = -1;
    if (VRNresult bad = parse(engine, Message ? Message : "", engine.incoming, message, index)) return bad;
    *Ack = engine.result("Ack", VRNhl7Generate(VRNhl7Ack(message), engine.configs[size_t(engine.outgoing)]));
    return nullptr;
  });
}

VRNresult VRNengineGetMessage(VRNhandle Engine, int64_t Index, VRNhandle* Message) {
  VRN_STANDIN_ENTER(VRNengineGetMessage, VRNstandinPointer(Engine), number(Index));
  VRN_ENGINE_BODY(if (VRNresult bad = check_message(engine, Index)) return bad;
                  *Message = &engine.messages[size_t(Index)]; return nullptr;);
}

VRNresult VRNmessageGetCountOfIdentifier(VRNhandle Message, int64_t* Count) {
  VRN_STANDIN_ENTER(VRNmessageGetCountOfIdentifier, VRNstandinPointer(Message));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Message) return VRNstandinFail("Null message");
    HeldEngine held = engine_of_message(Message);
    if (!held) return VRNstandinFail("Not a message", "Handle", VRNstandinPointer(Message));
    *Count = int64_t(static_cast<MessageDefinition*>(Message)->identifiers.size());
    return nullptr;
  });
}

VRNresult VRNmessageGetIdentValue(VRNhandle Message, int64_t Index, const char** Value) {
  VRN_STANDIN_ENTER(VRNmessageGetIdentValue, VRNstandinPointer(Message), number(Index));
  return VRNstandinGuard([&]() -> VRNresult {
    if (!Message) return VRNstandinFail("Null message");
    HeldEngine held = engine_of_message(Message);
    if (!held) return VRNstandinFail("Not a message", "Handle", VRNstandinPointer(Message));
    const std::vector<std::string>& ids = static_cast<MessageDefinition*>(Message)->identifiers;
    if (Index < 0 || Index >= int64_t(ids.size()))
      return VRNstandinFail("Identifier index out of range", "Index", number(Index));
    *Value = StandinEngine::result("IdentValue", ids[size_t(Index)]);
    return nullptr;
  });
}

VRNresult VRNengineTranslateMessageToHl7StandardXml(VRNhandle Engine, const char* Message, const char** Xml) {
  VRN_STANDIN_ENTER(VRNengineTranslateMessageToHl7StandardXml, VRNstandinPointer(Engine), VRNstandinText(Message));
  VRN_ENGINE_BODY({
    VRNhl7Message message;
    int64_t index = -1;
    if (VRNresult bad = parse(engine, Message ? Message : "", engine.incoming, message, index)) return bad;
    *Xml = engine.result("ToXml", VRNhl7ToXml(message, engine.messages[size_t(index)].name));
    return nullptr;
  });
}

VRNresult VRNengineTranslateHl7StandardXmlToMessage(VRNhandle Engine, const char* Xml, const char** Message) {
  VRN_STANDIN_ENTER(VRNengineTranslateHl7StandardXmlToMessage, VRNstandinPointer(Engine), VRNstandinText(Xml));
  VRN_ENGINE_BODY({
    VRNhl7Message message;
    std::string reason;
    if (!VRNhl7FromXml(Xml ? Xml : "", message, reason)) return VRNstandinFail(reason);
    *Message = engine.result("FromXml", VRNhl7Generate(message, engine.configs[size_t(engine.outgoing)]));
    return nullptr;
  });
}

VRNresult VRNengineGetTibcoSchema(VRNhandle Engine, const char* FileName) {
  VRN_STANDIN_ENTER(VRNengineGetTibcoSchema, VRNstandinPointer(Engine), VRNstandinText(FileName));
  VRN_ENGINE_BODY({
    std::ofstream file(FileName ? FileName : "", std::ios::binary);
    if (!file) return VRNstandinFail("Unable to write the schema file", "FileName", FileName ? FileName : "");
    for (const MessageDefinition& definition : engine.messages) {
      file << "message " << definition.name;
      for (const std::string& segment : definition.segments) file << ' ' << segment;
      file << '\n';
    }
    return nullptr;
  });
}

VRNresult VRNengineSetPythonKeyValuePair(VRNhandle Engine, const char* Key, const char* Value) {
  VRN_STANDIN_ENTER(VRNengineSetPythonKeyValuePair, VRNstandinPointer(Engine), VRNstandinText(Key),
                    VRNstandinText(Value));
  VRN_ENGINE_BODY(engine.keyValues[Key ? Key : ""] = Value ? Value : ""; return nullptr;);
}

VRNresult VRNengineMakePrintable(VRNhandle Engine, const char* Message, const char* NewLine, const char** Printable) {
  VRN_STANDIN_ENTER(VRNengineMakePrintable, VRNstandinPointer(Engine), VRNstandinText(Message),
                    VRNstandinText(NewLine));
  VRN_ENGINE_BODY(*Printable = engine.result("Printable", VRNhl7Printable(Message ? Message : "",
                                                                          NewLine ? NewLine : ""));
                  return nullptr;);
}

// ---- control ----

void VRNstandinLog(VRNhandle Engine, const char* Line) {
  HeldEngine held(Engine);
  if (held) (*held).log(Line ? Line : "");
}

void VRNstandinLogFromWorker(VRNhandle Engine, const char* Line) {
  std::string line = Line ? Line : "";
  std::thread worker([Engine, line]() {
    HeldEngine held(Engine);
    if (held) (*held).log(line);
  });
  worker.join();
}

}  // extern "C"
