// The shared journal and injections of the stand-ins, and their argument formatting.
#include "standins/common/STANDINcore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

STANDINjournal::STANDINjournal(const char* const* functions, size_t countOfFunction, FailMaker fail)
    : m_Functions(functions),
      m_CountOfFunction(countOfFunction),
      m_Fail(fail),
      m_Counts(new std::atomic<int>[countOfFunction]),
      m_Slots(new Slot[Capacity]) {
  for (size_t i = 0; i < countOfFunction; ++i) {
    m_Index.emplace(functions[i], i);
    m_Counts[i] = 0;
  }
}

void STANDINjournal::count(const char* name) {
  auto found = m_Index.find(name);
  if (found != m_Index.end()) {
    ++m_Counts[found->second];
    return;
  }
  std::lock_guard<std::mutex> hold(m_Lock);
  ++m_OtherCounts[name];
}

STANDINarg STANDINarg::text(const char* text) {
  return STANDINarg(Text, text, text ? std::strlen(text) : 0, 0);
}

STANDINarg STANDINarg::pointer(const void* value) {
  return STANDINarg(Pointer, nullptr, 0, uint64_t(reinterpret_cast<uintptr_t>(value)));
}

STANDINarg STANDINarg::number(long long value) { return STANDINarg(Number, nullptr, 0, uint64_t(value)); }

void STANDINjournal::Slot::write(std::string& line) const {
  line.append(bytes, 0, nameLength);
  for (const Kept& argument : arguments) {
    line += ' ';
    switch (argument.kind) {
      case STANDINarg::Written: line.append(bytes, argument.offset, argument.kept); break;
      case STANDINarg::Text:
        if (argument.null) line += "null";
        else STANDINwriteText(line, bytes.data() + argument.offset, argument.kept, argument.length);
        break;
      case STANDINarg::Pointer:
        line += STANDINpointer(reinterpret_cast<const void*>(uintptr_t(argument.value)));
        break;
      case STANDINarg::Number: line += std::to_string(static_cast<long long>(argument.value)); break;
    }
  }
}

VRNresult STANDINjournal::enter(const char* name, std::initializer_list<STANDINarg> arguments) {
  count(name);
  uint64_t ticket = m_Next++;
  {
    Slot& slot = m_Slots[ticket % Capacity];
    std::lock_guard<std::mutex> hold(slot.lock);
    // A slower call that took an older ticket for this slot leaves the newer line alone.
    if (slot.ticket < ticket) {
      slot.ticket = ticket;
      slot.bytes.assign(name);
      slot.nameLength = slot.bytes.size();
      slot.arguments.clear();
      for (const STANDINarg& argument : arguments) {
        Kept kept{argument.kind(), false, slot.bytes.size(), 0, argument.length(), argument.value()};
        if (argument.kind() == STANDINarg::Written) {
          kept.kept = argument.length();
        } else if (argument.kind() == STANDINarg::Text) {
          kept.null = argument.bytes() == nullptr;
          kept.kept = std::min(argument.length(), STANDINtextLimit);
        }
        if (kept.kept) slot.bytes.append(argument.bytes(), kept.kept);
        slot.arguments.push_back(kept);
      }
    }
  }
  if (m_Waiting.load() == 0) return nullptr;
  Injection injection;
  {
    std::lock_guard<std::mutex> hold(m_Lock);
    auto found = m_Injections.find(name);
    if (found == m_Injections.end()) return nullptr;
    injection = found->second;
    m_Injections.erase(found);
    --m_Waiting;
  }
  // The error is made outside the lock: a maker may count it, or journal on its own.
  if (injection.unhandled) return VRNunhandledError();
  return m_Fail(injection.description, injection.withKey ? injection.key.c_str() : nullptr, injection.value);
}

void STANDINjournal::reset() {
  std::lock_guard<std::mutex> hold(m_Lock);
  m_Injections.clear();
  m_Waiting = 0;
  m_OtherCounts.clear();
  for (size_t i = 0; i < m_CountOfFunction; ++i) m_Counts[i] = 0;
  m_First = m_Next.load();
}

bool STANDINjournal::inject(const char* function, const Injection& injection) {
  if (function == nullptr || m_Index.find(function) == m_Index.end()) return false;
  std::lock_guard<std::mutex> hold(m_Lock);
  if (m_Injections.insert_or_assign(function, injection).second) ++m_Waiting;
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

template <typename Fn>
void STANDINjournal::eachLine(Fn fn) {
  uint64_t first = m_First.load();
  std::string line;
  for (size_t i = 0; i < Capacity; ++i) {
    Slot& slot = m_Slots[i];
    std::lock_guard<std::mutex> hold(slot.lock);
    if (slot.ticket < first) continue;
    line.clear();
    slot.write(line);
    fn(slot.ticket, line);
  }
}

const char* STANDINjournal::text() {
  std::vector<std::pair<uint64_t, std::string>> lines;
  eachLine([&](uint64_t ticket, const std::string& line) { lines.emplace_back(ticket, line); });
  std::sort(lines.begin(), lines.end());
  std::lock_guard<std::mutex> hold(m_Lock);
  m_Text.clear();
  for (const auto& line : lines) {
    if (!m_Text.empty()) m_Text += '\n';
    m_Text += line.second;
  }
  return m_Text.c_str();
}

int STANDINjournal::callCount(const char* function) {
  if (function == nullptr) return 0;
  auto found = m_Index.find(function);
  if (found != m_Index.end()) return m_Counts[found->second];
  std::lock_guard<std::mutex> hold(m_Lock);
  auto other = m_OtherCounts.find(function);
  return other == m_OtherCounts.end() ? 0 : other->second;
}

size_t STANDINjournal::byteCount() {
  size_t bytes = 0;
  eachLine([&](uint64_t, const std::string& line) { bytes += line.size(); });
  return bytes;
}

std::string STANDINtext(const char* text) {
  if (text == nullptr) return "null";
  size_t length = std::strlen(text);
  std::string out;
  STANDINwriteText(out, text, std::min(length, STANDINtextLimit), length);
  return out;
}

void STANDINwriteText(std::string& out, const char* text, size_t kept, size_t length) {
  static const char hex[] = "0123456789ABCDEF";
  const char* end = text + kept;
  out.reserve(out.size() + kept + 32);
  out += '"';
  // Bytes that stand for themselves go in runs.
  const char* run = text;
  for (const char* p = text; p != end; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') continue;
    out.append(run, size_t(p - run));
    run = p + 1;
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') { out += '\\'; out += char(c); }
    else { out += "\\x"; out += hex[c >> 4]; out += hex[c & 0xF]; }
  }
  out.append(run, size_t(end - run));
  out += '"';
  if (length > kept) out += "...(" + std::to_string(length) + " bytes)";
}

std::string STANDINpointer(const void* value) {
  if (value == nullptr) return "null";
  if (value == VRNunhandledError()) return "all-ones";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%p", value);
  return buffer;
}
