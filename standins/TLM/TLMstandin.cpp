// The stand-in TLM library: every export of the contract over one store of counted
// objects, each export generated from the natives' table by its shape. One lock guards the
// store; callbacks are made without it, since listeners call back into the library. As the
// library promises, a callback never carries a listener after its RemoveListener has
// returned: each delivery checks that its listener is still registered, and RemoveListener
// waits for the deliveries to that listener in flight on other threads.
#include "standins/TLM/TLMstandin.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Value {
  char Type = 0;  // 'b' bool, 'i' int, 'd' double, 't' text, 'o' object, 'l' list of texts
  long long Int = 0;
  double Double = 0.0;
  std::string Text;
  std::vector<std::string> List;
};

struct Object {
  std::string Kind;
  long long Refs = 1;
  std::map<std::string, Value> Fields;
  std::vector<void*> Listeners;
  std::vector<TLMhandle> Messages;  // a query result's log messages
};

enum class Injection { Error, Unhandled, NullText };
struct Injected {
  Injection What;
  std::string Description;
};

// State that threads may block on, or read after they wake, lives as long as the process:
// never destroyed at exit, which a host may reach while a RemoveListener waits for a
// delivery in flight (destroying a condition variable with a waiter blocks for ever).
template <typename T>
T& keptForTheProcess() {
  alignas(T) static unsigned char storage[sizeof(T)];
  static T* kept = new (storage) T();
  return *kept;
}

std::mutex& Lock = keptForTheProcess<std::mutex>();
std::map<std::uintptr_t, Object> Objects;
std::uintptr_t NextHandle = 0x10000;
std::vector<std::string> Journal;
std::map<std::string, Injected> Injections;
std::vector<std::string> Events;
TLMhandle PresetResult = nullptr;
TLMstandinHook AfterHook = nullptr;
void* AfterHookContext = nullptr;

void* Callbacks[6] = {};

// The deliveries in flight: to which listener of which endpoint, on which thread.
struct InFlight {
  TLMhandle Endpoint;
  void* User;
  std::thread::id Thread;
  bool Removing;  // its thread is removing the listener from inside the delivery
};
std::vector<InFlight>& Delivering = keptForTheProcess<std::vector<InFlight>>();
std::condition_variable& DeliveryEnded = keptForTheProcess<std::condition_variable>();

InFlight* ownDeliveryLocked(TLMhandle endpoint, void* user) {
  for (InFlight& delivery : Delivering) {
    if (delivery.Endpoint == endpoint && delivery.User == user &&
        delivery.Thread == std::this_thread::get_id()) {
      return &delivery;
    }
  }
  return nullptr;
}

// Deliveries to the listener that a RemoveListener must wait for: not the caller's own,
// which cannot end before it returns, nor those whose threads are removing the listener
// from inside them as well, which would wait for it in turn.
bool deliveringElsewhereLocked(TLMhandle endpoint, void* user) {
  for (const InFlight& delivery : Delivering) {
    if (delivery.Endpoint == endpoint && delivery.User == user &&
        delivery.Thread != std::this_thread::get_id() && !delivery.Removing) {
      return true;
    }
  }
  return false;
}

// Longest stems first, so that "logQueryResult" wins over "logQuery".
const char* const Stems[] = {"destinationMessageReceivedEventOutputs",
                             "destinationMessageReceivedEventInputs",
                             "sourceMessageRequestCompletedEventOutputs",
                             "sourceMessageRequestCompletedEventInputs",
                             "sourceMessageRequestedEventOutputs",
                             "sourceMessageRequestedEventInputs",
                             "disconnectReason",
                             "logQueryResult",
                             "logMessage",
                             "logQuery",
                             "exception",
                             "destination",
                             "source"};

std::string kindOf(const std::string& function) {
  for (const char* stem : Stems) {
    if (function.compare(3, std::strlen(stem), stem) == 0) return stem;
  }
  return std::string();
}

// What follows the stem: "GetHost", "Create", "AddErrorLogMessage", "CountOfMessage"...
std::string operationOf(const std::string& function) {
  return function.substr(3 + kindOf(function).size());
}

// The field a getter or setter works on: the operation without its "Get" or "Set".
std::string fieldOf(const std::string& function) {
  std::string operation = operationOf(function);
  if (operation.compare(0, 3, "Get") == 0 || operation.compare(0, 3, "Set") == 0) {
    return operation.substr(3);
  }
  return operation;
}

std::string hexHandle(const void* handle) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
  return buffer;
}

std::string hexText(const char* text) {
  if (!text) return "null";
  std::string out = "\"";
  static const char digits[] = "0123456789abcdef";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    out += digits[*p >> 4];
    out += digits[*p & 15];
  }
  return out + "\"";
}

std::string decimal(long long value) { return std::to_string(value); }

std::string real(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

std::string render(const Value& value) {
  switch (value.Type) {
    case 'b':
    case 'i': return decimal(value.Int);
    case 'd': return real(value.Double);
    case 't': return hexText(value.Text.c_str());
    case 'o': return hexHandle(reinterpret_cast<void*>(static_cast<std::uintptr_t>(value.Int)));
    case 'l': {
      std::string out;
      for (const std::string& text : value.List) {
        if (!out.empty()) out += ",";
        out += hexText(text.c_str());
      }
      return out;
    }
  }
  return std::string();
}

int copyOut(const std::string& text, char* buffer, int size) {
  if (buffer && size > 0) {
    std::size_t count = text.size() < static_cast<std::size_t>(size) ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), count);
    buffer[count] = 0;
  }
  return static_cast<int>(text.size());
}

void record(const char* function, std::initializer_list<std::string> args) {
  std::string entry = function;
  for (const std::string& arg : args) entry += " " + arg;
  Journal.push_back(entry);
}

TLMhandle newObjectLocked(const std::string& kind) {
  std::uintptr_t handle = NextHandle;
  NextHandle += 0x10;
  Objects[handle].Kind = kind;
  return reinterpret_cast<TLMhandle>(handle);
}

Object* findLocked(TLMhandle handle) {
  auto place = Objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return place == Objects.end() ? nullptr : &place->second;
}

TLMerror newErrorLocked(const std::string& description) {
  TLMhandle error = newObjectLocked("exception");
  Value& value = findLocked(error)->Fields["Description"];
  value.Type = 't';
  value.Text = description;
  return error;
}

void releaseLocked(TLMhandle handle);

void destroyLocked(std::uintptr_t key) {
  Object object = std::move(Objects[key]);
  Objects.erase(key);
  for (auto& field : object.Fields) {
    if (field.second.Type == 'o' && field.second.Int) {
      releaseLocked(reinterpret_cast<TLMhandle>(static_cast<std::uintptr_t>(field.second.Int)));
    }
  }
  for (TLMhandle message : object.Messages) releaseLocked(message);
}

void releaseLocked(TLMhandle handle) {
  Object* object = findLocked(handle);
  if (object && --object->Refs == 0) destroyLocked(reinterpret_cast<std::uintptr_t>(handle));
}

// The start of every working call: a pending injection answers instead of the library.
bool takeInjectionLocked(const char* function, TLMerror* pResult, bool* pNullText) {
  auto place = Injections.find(function);
  if (place == Injections.end()) return false;
  Injected injected = place->second;
  Injections.erase(place);
  switch (injected.What) {
    case Injection::Error: *pResult = newErrorLocked(injected.Description); return true;
    case Injection::Unhandled: *pResult = TLM_UNHANDLED_ERROR; return true;
    case Injection::NullText:
      if (pNullText) {
        *pNullText = true;
        return false;
      }
      return false;
  }
  return false;
}

// The object a handle names, of the function's kind; an error object otherwise.
TLMerror targetLocked(const char* function, TLMhandle handle, Object** pObject) {
  Object* object = findLocked(handle);
  if (!object) return newErrorLocked("unknown handle " + hexHandle(handle) + " in " + function);
  if (object->Kind != kindOf(function)) {
    return newErrorLocked("handle " + hexHandle(handle) + " is a " + object->Kind + ", not a " +
                          kindOf(function) + ", in " + function);
  }
  *pObject = object;
  return nullptr;
}

#define TLM_STANDIN_BEGIN(function, ...)                            \
  std::lock_guard<std::mutex> guard(Lock);                          \
  record(function, {__VA_ARGS__});                                  \
  TLMerror injectedResult = nullptr;                                \
  if (takeInjectionLocked(function, &injectedResult, nullptr)) return injectedResult

#define TLM_STANDIN_TARGET(function, handle)                        \
  Object* object = nullptr;                                         \
  if (TLMerror problem = targetLocked(function, handle, &object)) return problem

TLMerror create(const char* function, TLMhandle* pHandle) {
  TLM_STANDIN_BEGIN(function, "&");
  *pHandle = newObjectLocked(kindOf(function));
  return nullptr;
}

TLMerror reference(const char* function, TLMhandle handle) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle));
  TLM_STANDIN_TARGET(function, handle);
  if (operationOf(function) == "AddRef") {
    ++object->Refs;
  } else {
    releaseLocked(handle);
  }
  return nullptr;
}

TLMerror action(const char* function, TLMhandle handle) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle));
  TLM_STANDIN_TARGET(function, handle);
  return nullptr;
}

Value* fieldLocked(Object* object, const char* function) {
  auto place = object->Fields.find(fieldOf(function));
  return place == object->Fields.end() ? nullptr : &place->second;
}

TLMerror textGetter(const char* function, TLMhandle handle, const char** pValue) {
  std::lock_guard<std::mutex> guard(Lock);
  record(function, {hexHandle(handle), "&"});
  TLMerror injectedResult = nullptr;
  bool nullText = false;
  if (takeInjectionLocked(function, &injectedResult, &nullText)) return injectedResult;
  TLM_STANDIN_TARGET(function, handle);
  if (nullText) {
    *pValue = nullptr;
    return nullptr;
  }
  Value& value = object->Fields[fieldOf(function)];
  if (value.Type == 0) value.Type = 't';
  *pValue = value.Text.c_str();
  return nullptr;
}

void setLocked(Object* object, const std::string& field, char type, long long number,
               double real, const char* text) {
  Value& value = object->Fields[field];
  value.Type = type;
  value.Int = number;
  value.Double = real;
  if (text) value.Text = text;
}

TLMerror textSetter(const char* function, TLMhandle handle, const char* text) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), hexText(text));
  TLM_STANDIN_TARGET(function, handle);
  if (!text) return newErrorLocked(std::string("null text in ") + function);
  std::string operation = operationOf(function);
  if (operation.compare(0, 3, "Add") == 0) {
    Value& value = object->Fields[operation];
    value.Type = 'l';
    value.List.push_back(text);
  } else {
    setLocked(object, fieldOf(function), 't', 0, 0.0, text);
  }
  return nullptr;
}

TLMerror boolGetter(const char* function, TLMhandle handle, TLMbool* pValue) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), "&");
  TLM_STANDIN_TARGET(function, handle);
  Value* value = fieldLocked(object, function);
  *pValue = value && value->Int ? 1 : 0;
  return nullptr;
}

TLMerror boolSetter(const char* function, TLMhandle handle, TLMbool value) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), decimal(value));
  TLM_STANDIN_TARGET(function, handle);
  // The byte as it came, so that a caller passing anything but 0 or 1 shows.
  setLocked(object, fieldOf(function), 'b', value, 0.0, nullptr);
  return nullptr;
}

TLMerror intGetter(const char* function, TLMhandle handle, int* pValue) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), "&");
  TLM_STANDIN_TARGET(function, handle);
  if (operationOf(function) == "CountOfMessage") {
    *pValue = static_cast<int>(object->Messages.size());
    return nullptr;
  }
  Value* value = fieldLocked(object, function);
  *pValue = value ? static_cast<int>(value->Int) : 0;
  return nullptr;
}

TLMerror intSetter(const char* function, TLMhandle handle, int value) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), decimal(value));
  TLM_STANDIN_TARGET(function, handle);
  setLocked(object, fieldOf(function), 'i', value, 0.0, nullptr);
  return nullptr;
}

TLMerror dateGetter(const char* function, TLMhandle handle, double* pValue) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), "&");
  TLM_STANDIN_TARGET(function, handle);
  Value* value = fieldLocked(object, function);
  *pValue = value ? value->Double : 0.0;
  return nullptr;
}

TLMerror dateSetter(const char* function, TLMhandle handle, double value) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), real(value));
  TLM_STANDIN_TARGET(function, handle);
  setLocked(object, fieldOf(function), 'd', 0, value, nullptr);
  return nullptr;
}

// Every handle handed out through an out value carries a reference for the caller.
TLMerror objectGetter(const char* function, TLMhandle handle, TLMhandle* pObject) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), "&");
  TLM_STANDIN_TARGET(function, handle);
  TLMhandle found = nullptr;
  if (operationOf(function) == "Execute") {
    if (!PresetResult) {
      PresetResult = newObjectLocked("logQueryResult");
      setLocked(findLocked(PresetResult), "Success", 'b', 1, 0.0, nullptr);
    }
    found = PresetResult;
  } else if (Value* value = fieldLocked(object, function)) {
    found = reinterpret_cast<TLMhandle>(static_cast<std::uintptr_t>(value->Int));
  }
  if (Object* target = findLocked(found)) ++target->Refs;
  *pObject = found;
  return nullptr;
}

TLMerror indexedObjectGetter(const char* function, TLMhandle handle, int index,
                             TLMhandle* pObject) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), decimal(index), "&");
  TLM_STANDIN_TARGET(function, handle);
  if (index < 0 || index >= static_cast<int>(object->Messages.size())) {
    return newErrorLocked("index " + decimal(index) + " out of range in " + function);
  }
  TLMhandle found = object->Messages[index];
  ++findLocked(found)->Refs;
  *pObject = found;
  return nullptr;
}

TLMerror exceptionCreate(const char* function, void* reserved, TLMhandle* pHandle,
                         const char* description) {
  TLM_STANDIN_BEGIN(function, hexHandle(reserved), "&", hexText(description));
  if (!description) return newErrorLocked(std::string("null text in ") + function);
  *pHandle = newErrorLocked(description);
  return nullptr;
}

TLMerror addListener(const char* function, TLMhandle handle, void* user) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), hexHandle(user));
  TLM_STANDIN_TARGET(function, handle);
  object->Listeners.push_back(user);
  return nullptr;
}

// A value that is not registered (never added, or removed before) is nothing to remove.
TLMerror removeListener(const char* function, TLMhandle handle, void* user) {
  std::unique_lock<std::mutex> guard(Lock);
  record(function, {hexHandle(handle), hexHandle(user)});
  TLMerror injectedResult = nullptr;
  if (takeInjectionLocked(function, &injectedResult, nullptr)) return injectedResult;
  TLM_STANDIN_TARGET(function, handle);
  auto place = std::find(object->Listeners.begin(), object->Listeners.end(), user);
  if (place != object->Listeners.end()) object->Listeners.erase(place);
  if (InFlight* own = ownDeliveryLocked(handle, user)) {
    own->Removing = true;
    DeliveryEnded.notify_all();
  }
  DeliveryEnded.wait(guard, [&] { return !deliveringElsewhereLocked(handle, user); });
  if (InFlight* own = ownDeliveryLocked(handle, user)) own->Removing = false;
  return nullptr;
}

TLMerror connect(const char* function, TLMhandle handle, const char* host, int port,
                 const char* channel) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), hexText(host), decimal(port), hexText(channel));
  TLM_STANDIN_TARGET(function, handle);
  if (!host || !channel) return newErrorLocked(std::string("null text in ") + function);
  setLocked(object, "HostName", 't', 0, 0.0, host);
  setLocked(object, "Port", 'i', port, 0.0, nullptr);
  setLocked(object, "ChannelName", 't', 0, 0.0, channel);
  return nullptr;
}

TLMerror waitWithTimeout(const char* function, TLMhandle handle, int timeout,
                         TLMbool* pDisconnected) {
  TLM_STANDIN_BEGIN(function, hexHandle(handle), decimal(timeout), "&");
  TLM_STANDIN_TARGET(function, handle);
  auto place = object->Fields.find("Disconnected");
  *pDisconnected = place != object->Fields.end() && place->second.Int ? 1 : 0;
  return nullptr;
}

TLMerror setCallback(int event, const char* function, void* callback) {
  TLM_STANDIN_BEGIN(function, callback ? "fn" : "null");
  Callbacks[event] = callback;
  return nullptr;
}

// Fields of the event objects that the events hand to their listeners.
void fillInputsLocked(int event, TLMhandle inputs) {
  Object* object = findLocked(inputs);
  if (event == TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED ||
      event == TLM_STANDIN_DESTINATION_RESUBMISSION_PREVIEW) {
    setLocked(object, "Message", 't', 0, 0.0, TLM_STANDIN_MESSAGE);
    setLocked(object, "MessageLogId", 't', 0, 0.0, TLM_STANDIN_MESSAGE_LOG_ID);
  } else if (event == TLM_STANDIN_SOURCE_MESSAGE_REQUEST_COMPLETED) {
    setLocked(object, "PluginMessageId", 't', 0, 0.0, TLM_STANDIN_PLUGIN_MESSAGE_ID);
    setLocked(object, "MessageLogId", 't', 0, 0.0, TLM_STANDIN_MESSAGE_LOG_ID);
    setLocked(object, "MessageProcessed", 'b', 1, 0.0, nullptr);
  }
}

const char* const EventStems[6][2] = {
    {"destinationMessageReceivedEventInputs", "destinationMessageReceivedEventOutputs"},
    {"destinationMessageReceivedEventInputs", "destinationMessageReceivedEventOutputs"},
    {nullptr, nullptr},
    {"sourceMessageRequestedEventInputs", "sourceMessageRequestedEventOutputs"},
    {"sourceMessageRequestCompletedEventInputs", "sourceMessageRequestCompletedEventOutputs"},
    {nullptr, nullptr}};

bool registeredLocked(TLMhandle endpoint, void* user) {
  Object* object = findLocked(endpoint);
  return object &&
         std::find(object->Listeners.begin(), object->Listeners.end(), user) != object->Listeners.end();
}

void deliver(int event, void* callback, TLMhandle endpoint, const std::vector<void*>& listeners,
             int count, std::atomic<int>* made) {
  for (int round = 0; round < count; ++round) {
    for (void* user : listeners) {
      TLMhandle inputs = nullptr;
      TLMhandle outputs = nullptr;
      {
        std::lock_guard<std::mutex> guard(Lock);
        if (!registeredLocked(endpoint, user)) continue;
        Delivering.push_back({endpoint, user, std::this_thread::get_id(), false});
        if (EventStems[event][0]) {
          inputs = newObjectLocked(EventStems[event][0]);
          outputs = newObjectLocked(EventStems[event][1]);
          fillInputsLocked(event, inputs);
        }
      }
      TLMerror result;
      if (EventStems[event][0]) {
        result = reinterpret_cast<TLMdestinationMessageReceivedCallback>(callback)(user, inputs,
                                                                                 outputs);
      } else {
        result = reinterpret_cast<TLMdestinationDisconnectedCallback>(callback)(user);
      }
      ++*made;
      TLMstandinHook hook;
      void* context;
      {
        std::lock_guard<std::mutex> guard(Lock);
        Delivering.erase(Delivering.begin() + (ownDeliveryLocked(endpoint, user) - Delivering.data()));
        hook = AfterHook;
        context = AfterHookContext;
      }
      DeliveryEnded.notify_all();
      if (hook) hook(context);
      std::lock_guard<std::mutex> guard(Lock);
      std::string text = "event=" + decimal(event) + " user=" + hexHandle(user) +
                         " inputs=" + hexHandle(inputs) + " outputs=" + hexHandle(outputs) +
                         " result=" + hexHandle(result) + " outputs{";
      if (Object* object = findLocked(outputs)) {
        bool first = true;
        for (const auto& field : object->Fields) {
          if (!first) text += " ";
          first = false;
          text += field.first + "=" + render(field.second);
        }
      }
      Events.push_back(text + "}");
      if (inputs) releaseLocked(inputs);
      if (outputs) releaseLocked(outputs);
    }
  }
}

}  // namespace

// The 157 functions the natives are named after, each by its shape.
#define TLM_STANDIN_Create(F) create(#F, pHandle)
#define TLM_STANDIN_Reference(F) reference(#F, Handle)
#define TLM_STANDIN_Action(F) action(#F, Handle)
#define TLM_STANDIN_TextGetter(F) textGetter(#F, Handle, pValue)
#define TLM_STANDIN_MessageGetter(F) textGetter(#F, Handle, pValue)
#define TLM_STANDIN_TextSetter(F) textSetter(#F, Handle, Value)
#define TLM_STANDIN_BoolGetter(F) boolGetter(#F, Handle, pValue)
#define TLM_STANDIN_BoolSetter(F) boolSetter(#F, Handle, Value)
#define TLM_STANDIN_IntGetter(F) intGetter(#F, Handle, pValue)
#define TLM_STANDIN_IntSetter(F) intSetter(#F, Handle, Value)
#define TLM_STANDIN_DateGetter(F) dateGetter(#F, Handle, pValue)
#define TLM_STANDIN_DateSetter(F) dateSetter(#F, Handle, Value)
#define TLM_STANDIN_ObjectGetter(F) objectGetter(#F, Handle, pObject)
#define TLM_STANDIN_IndexedObjectGetter(F) indexedObjectGetter(#F, Handle, Index, pObject)
#define TLM_STANDIN_ExceptionCreate(F) exceptionCreate(#F, Reserved, pHandle, Description)
#define TLM_STANDIN_AddListener(F) addListener(#F, Handle, UserValue)
#define TLM_STANDIN_ListenerRelease(F) reference(#F, Handle)
#define TLM_STANDIN_Connect(F) connect(#F, Handle, HostName, Port, ChannelName)
#define TLM_STANDIN_WaitWithTimeout(F) waitWithTimeout(#F, Handle, Timeout, pDisconnected)

#define TLM_NATIVE(Class, Method, Function, Shape, A, B) \
  TLMerror Function TLM_PARAMS_##Shape { return TLM_STANDIN_##Shape(Function); }
#include "contracts/TLMnatives.def"
#undef TLM_NATIVE

TLMerror TLMdestinationRemoveListener(TLMhandle Handle, void* UserValue) {
  return removeListener("TLMdestinationRemoveListener", Handle, UserValue);
}
TLMerror TLMsourceRemoveListener(TLMhandle Handle, void* UserValue) {
  return removeListener("TLMsourceRemoveListener", Handle, UserValue);
}
TLMerror TLMdestinationSetMessageReceivedCallback(TLMdestinationMessageReceivedCallback Callback) {
  return setCallback(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED,
                     "TLMdestinationSetMessageReceivedCallback", reinterpret_cast<void*>(Callback));
}
TLMerror TLMdestinationSetResubmissionPreviewMessageReceivedCallback(
    TLMdestinationResubmissionPreviewMessageReceivedCallback Callback) {
  return setCallback(TLM_STANDIN_DESTINATION_RESUBMISSION_PREVIEW,
                     "TLMdestinationSetResubmissionPreviewMessageReceivedCallback",
                     reinterpret_cast<void*>(Callback));
}
TLMerror TLMdestinationSetDisconnectedCallback(TLMdestinationDisconnectedCallback Callback) {
  return setCallback(TLM_STANDIN_DESTINATION_DISCONNECTED, "TLMdestinationSetDisconnectedCallback",
                     reinterpret_cast<void*>(Callback));
}
TLMerror TLMsourceSetMessageRequestedCallback(TLMsourceMessageRequestedCallback Callback) {
  return setCallback(TLM_STANDIN_SOURCE_MESSAGE_REQUESTED, "TLMsourceSetMessageRequestedCallback",
                     reinterpret_cast<void*>(Callback));
}
TLMerror TLMsourceSetMessageRequestCompletedCallback(
    TLMsourceMessageRequestCompletedCallback Callback) {
  return setCallback(TLM_STANDIN_SOURCE_MESSAGE_REQUEST_COMPLETED,
                     "TLMsourceSetMessageRequestCompletedCallback",
                     reinterpret_cast<void*>(Callback));
}
TLMerror TLMsourceSetDisconnectedCallback(TLMsourceDisconnectedCallback Callback) {
  return setCallback(TLM_STANDIN_SOURCE_DISCONNECTED, "TLMsourceSetDisconnectedCallback",
                     reinterpret_cast<void*>(Callback));
}
TLMerror TLMcharacterEncodingSetCharacterEncoding(const char* EncodingName) {
  std::lock_guard<std::mutex> guard(Lock);
  record("TLMcharacterEncodingSetCharacterEncoding", {hexText(EncodingName)});
  TLMerror injectedResult = nullptr;
  if (takeInjectionLocked("TLMcharacterEncodingSetCharacterEncoding", &injectedResult, nullptr)) {
    return injectedResult;
  }
  return nullptr;
}

// The control interface.

int TLMstandinLiveCount(const char* Kind) {
  std::lock_guard<std::mutex> guard(Lock);
  int count = 0;
  for (const auto& entry : Objects) {
    if (!Kind || !*Kind || entry.second.Kind == Kind) ++count;
  }
  return count;
}

long long TLMstandinRefCount(TLMhandle Handle) {
  std::lock_guard<std::mutex> guard(Lock);
  Object* object = findLocked(Handle);
  return object ? object->Refs : -1;
}

int TLMstandinListenerCount(TLMhandle Endpoint) {
  std::lock_guard<std::mutex> guard(Lock);
  Object* object = findLocked(Endpoint);
  return object ? static_cast<int>(object->Listeners.size()) : -1;
}

void TLMstandinReset(void) {
  std::lock_guard<std::mutex> guard(Lock);
  Journal.clear();
  Injections.clear();
  Events.clear();
  if (PresetResult) releaseLocked(PresetResult);
  PresetResult = nullptr;
}

int TLMstandinJournalCount(void) {
  std::lock_guard<std::mutex> guard(Lock);
  return static_cast<int>(Journal.size());
}

int TLMstandinJournalEntry(int Index, char* Buffer, int Size) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Index < 0 || Index >= static_cast<int>(Journal.size())) return -1;
  return copyOut(Journal[Index], Buffer, Size);
}

void TLMstandinInjectError(const char* Function, const char* Description) {
  std::lock_guard<std::mutex> guard(Lock);
  Injections[Function] = Injected{Injection::Error, Description ? Description : ""};
}

void TLMstandinInjectUnhandled(const char* Function) {
  std::lock_guard<std::mutex> guard(Lock);
  Injections[Function] = Injected{Injection::Unhandled, std::string()};
}

void TLMstandinInjectNullText(const char* Function) {
  std::lock_guard<std::mutex> guard(Lock);
  Injections[Function] = Injected{Injection::NullText, std::string()};
}

void TLMstandinSetText(TLMhandle Handle, const char* Field, const char* Utf8) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Object* object = findLocked(Handle)) setLocked(object, Field, 't', 0, 0.0, Utf8 ? Utf8 : "");
}

void TLMstandinSetBool(TLMhandle Handle, const char* Field, int Value) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Object* object = findLocked(Handle)) setLocked(object, Field, 'b', Value, 0.0, nullptr);
}

void TLMstandinSetInt(TLMhandle Handle, const char* Field, int Value) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Object* object = findLocked(Handle)) setLocked(object, Field, 'i', Value, 0.0, nullptr);
}

void TLMstandinSetDouble(TLMhandle Handle, const char* Field, double Value) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Object* object = findLocked(Handle)) setLocked(object, Field, 'd', 0, Value, nullptr);
}

void TLMstandinSetObject(TLMhandle Handle, const char* Field, TLMhandle Target) {
  std::lock_guard<std::mutex> guard(Lock);
  Object* object = findLocked(Handle);
  if (!object) return;
  if (Object* target = findLocked(Target)) ++target->Refs;
  Value& value = object->Fields[Field];
  if (value.Type == 'o' && value.Int) {
    TLMhandle old = reinterpret_cast<TLMhandle>(static_cast<std::uintptr_t>(value.Int));
    setLocked(object, Field, 'o', reinterpret_cast<std::uintptr_t>(Target), 0.0, nullptr);
    releaseLocked(old);
  } else {
    setLocked(object, Field, 'o', reinterpret_cast<std::uintptr_t>(Target), 0.0, nullptr);
  }
}

int TLMstandinGetField(TLMhandle Handle, const char* Field, char* Buffer, int Size) {
  std::lock_guard<std::mutex> guard(Lock);
  Object* object = findLocked(Handle);
  if (!object) return -1;
  auto place = object->Fields.find(Field);
  if (place == object->Fields.end()) return -1;
  return copyOut(render(place->second), Buffer, Size);
}

TLMhandle TLMstandinPresetQueryResult(int Success, const char* ErrorDescription) {
  std::lock_guard<std::mutex> guard(Lock);
  if (PresetResult) releaseLocked(PresetResult);
  PresetResult = newObjectLocked("logQueryResult");
  Object* result = findLocked(PresetResult);
  setLocked(result, "Success", 'b', Success ? 1 : 0, 0.0, nullptr);
  setLocked(result, "ErrorDescription", 't', 0, 0.0, ErrorDescription ? ErrorDescription : "");
  return PresetResult;
}

TLMhandle TLMstandinPresetAddMessage(TLMhandle Result) {
  std::lock_guard<std::mutex> guard(Lock);
  Object* result = findLocked(Result);
  if (!result || result->Kind != "logQueryResult") return nullptr;
  TLMhandle message = newObjectLocked("logMessage");
  findLocked(Result)->Messages.push_back(message);
  return message;
}

void* TLMstandinCallback(int Event) {
  std::lock_guard<std::mutex> guard(Lock);
  return Event >= 0 && Event < 6 ? Callbacks[Event] : nullptr;
}

int TLMstandinFire(int Event, TLMhandle Endpoint, int Mode, int Threads, int PerThread) {
  if (Event < 0 || Event > 5) return -1;
  void* callback;
  std::vector<void*> listeners;
  {
    std::lock_guard<std::mutex> guard(Lock);
    Object* endpoint = findLocked(Endpoint);
    const char* kind = Event < 3 ? "destination" : "source";
    if (!endpoint || endpoint->Kind != kind || !Callbacks[Event]) return -1;
    callback = Callbacks[Event];
    listeners = endpoint->Listeners;
  }
  int threads = Mode == TLM_STANDIN_THREADS ? Threads : 1;
  std::atomic<int> made{0};
  if (Mode == TLM_STANDIN_CALLER_THREAD) {
    deliver(Event, callback, Endpoint, listeners, PerThread, &made);
  } else {
    std::vector<std::thread> running;
    for (int i = 0; i < threads; ++i) {
      running.emplace_back(deliver, Event, callback, Endpoint, std::cref(listeners), PerThread, &made);
    }
    for (std::thread& thread : running) thread.join();
  }
  return made.load();
}

int TLMstandinEventCount(void) {
  std::lock_guard<std::mutex> guard(Lock);
  return static_cast<int>(Events.size());
}

int TLMstandinEventRecord(int Index, char* Buffer, int Size) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Index < 0 || Index >= static_cast<int>(Events.size())) return -1;
  return copyOut(Events[Index], Buffer, Size);
}

void TLMstandinSetAfterCallbackHook(TLMstandinHook Hook, void* Context) {
  std::lock_guard<std::mutex> guard(Lock);
  AfterHook = Hook;
  AfterHookContext = Context;
}
