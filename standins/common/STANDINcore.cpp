// The shared journal and injections of the stand-ins, and their argument formatting.
#include "standins/common/STANDINcore.h"

#include <cstdio>
#include <cstring>

STANDINjournal::STANDINjournal(const char* const* functions, size_t countOfFunction, FailMaker fail)
    : m_Functions(functions), m_CountOfFunction(countOfFunction), m_Fail(fail) {}

VRNresult STANDINjournal::enter(const char* name, const std::vector<std::string>& arguments) {
  Injection injection;
  bool injected = false;
  {
    std::lock_guard<std::mutex> hold(m_Lock);
    std::string line = name;
    for (const std::string& argument : arguments) line += " " + argument;
    m_Lines.push_back(line);
    auto found = m_Injections.find(name);
    if (found != m_Injections.end()) {
      injection = found->second;
      m_Injections.erase(found);
      injected = true;
    }
  }
  // The error is made outside the lock: a maker may count it, or journal on its own.
  if (!injected) return nullptr;
  if (injection.unhandled) return VRNunhandledError();
  return m_Fail(injection.description, injection.withKey ? injection.key.c_str() : nullptr, injection.value);
}

void STANDINjournal::reset() {
  std::lock_guard<std::mutex> hold(m_Lock);
  m_Injections.clear();
  m_Lines.clear();
}

bool STANDINjournal::inject(const char* function, const Injection& injection) {
  if (function == nullptr) return false;
  bool known = false;
  for (size_t i = 0; i < m_CountOfFunction && !known; ++i) known = std::strcmp(m_Functions[i], function) == 0;
  if (!known) return false;
  std::lock_guard<std::mutex> hold(m_Lock);
  m_Injections[function] = injection;
  return true;
}

bool STANDINjournal::failNext(const char* function, const char* description, const char* key, const char* value) {
  Injection injection;
  injection.description = description ? description : "";
  // An empty key is no parameter, as a key left out.
  if (key && *key) {
    injection.withKey = true;
    injection.key = key;
    injection.value = value ? value : "";
  }
  return inject(function, injection);
}

bool STANDINjournal::failNextUnhandled(const char* function) {
  Injection injection;
  injection.unhandled = true;
  return inject(function, injection);
}

const char* STANDINjournal::text() {
  std::lock_guard<std::mutex> hold(m_Lock);
  m_Text.clear();
  for (const std::string& line : m_Lines) {
    if (!m_Text.empty()) m_Text += '\n';
    m_Text += line;
  }
  return m_Text.c_str();
}

int STANDINjournal::callCount(const char* function) {
  std::lock_guard<std::mutex> hold(m_Lock);
  std::string name = function ? function : "";
  int count = 0;
  for (const std::string& line : m_Lines)
    if (line.compare(0, name.size(), name) == 0 && (line.size() == name.size() || line[name.size()] == ' ')) ++count;
  return count;
}

std::string STANDINtext(const char* text) {
  if (text == nullptr) return "null";
  std::string out = "\"";
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') { out += '\\'; out += char(c); }
    else if (c < 0x20 || c >= 0x7F) { char buffer[8]; std::snprintf(buffer, sizeof buffer, "\\x%02X", c); out += buffer; }
    else out += char(c);
  }
  return out + "\"";
}

std::string STANDINpointer(const void* value) {
  if (value == nullptr) return "null";
  if (value == VRNunhandledError()) return "all-ones";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%p", value);
  return buffer;
}
