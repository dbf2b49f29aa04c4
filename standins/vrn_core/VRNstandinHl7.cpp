// Reading and writing HL7 v2 text and its small XML form for the vrn_core stand-in.
#include "standins/vrn_core/VRNstandinHl7.h"

#include <cstdio>

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(separator, start);
    if (at == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

std::string decode(const std::string& text, const VRNhl7Config& c) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == c.escape && i + 2 < text.size() && text[i + 2] == c.escape) {
      char code = text[i + 1];
      char replacement = code == 'F' ? c.field : code == 'S' ? c.component : code == 'T' ? c.subcomponent
                         : code == 'R' ? c.repeat : code == 'E' ? c.escape : 0;
      if (replacement) {
        out += replacement;
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string encode(const std::string& text, const VRNhl7Config& c) {
  std::string out;
  for (char ch : text) {
    char code = ch == c.field ? 'F' : ch == c.component ? 'S' : ch == c.repeat ? 'R' : ch == c.escape ? 'E' : 0;
    if (code) {
      out += c.escape;
      out += code;
      out += c.escape;
    } else {
      out += ch;
    }
  }
  return out;
}

VRNhl7Field parse_field(const std::string& text, const VRNhl7Config& c) {
  VRNhl7Field field;
  if (text.empty()) return field;
  for (const std::string& repeat : split(text, c.repeat)) {
    VRNhl7Repeat components;
    for (const std::string& component : split(repeat, c.component)) components.push_back(decode(component, c));
    field.push_back(components);
  }
  return field;
}

std::string generate_field(const VRNhl7Field& field, const VRNhl7Config& c) {
  std::string out;
  for (size_t r = 0; r < field.size(); ++r) {
    if (r) out += c.repeat;
    for (size_t k = 0; k < field[r].size(); ++k) {
      if (k) out += c.component;
      out += encode(field[r][k], c);
    }
  }
  return out;
}

bool good_segment_id(const std::string& id) {
  if (id.size() != 3) return false;
  for (char ch : id)
    if (!((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'))) return false;
  return true;
}

std::string xml_escape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '&') out += "&amp;";
    else if (ch == '<') out += "&lt;";
    else if (ch == '>') out += "&gt;";
    else out += ch;
  }
  return out;
}

// A reader of exactly the XML that VRNhl7ToXml writes: elements and text, no attributes.
class XmlReader {
public:
  explicit XmlReader(const std::string& text) : m_Text(text) {}
  bool open(std::string& name) {
    skip_space();
    if (m_At >= m_Text.size() || m_Text[m_At] != '<' || peek(1) == '/') return false;
    size_t end = m_Text.find('>', m_At);
    if (end == std::string::npos) return false;
    name = m_Text.substr(m_At + 1, end - m_At - 1);
    m_At = end + 1;
    return !name.empty() && name.find_first_of(" /<") == std::string::npos;
  }
  bool close(const std::string& name) {
    skip_space();
    std::string tag = "</" + name + ">";
    if (m_Text.compare(m_At, tag.size(), tag) != 0) return false;
    m_At += tag.size();
    return true;
  }
  bool at_close() {
    skip_space();
    return peek(0) == '<' && peek(1) == '/';
  }
  bool text(std::string& out) {
    size_t end = m_Text.find('<', m_At);
    if (end == std::string::npos) return false;
    std::string raw = m_Text.substr(m_At, end - m_At);
    m_At = end;
    out.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') { out += raw[i]; continue; }
      size_t semi = raw.find(';', i);
      if (semi == std::string::npos) return false;
      std::string entity = raw.substr(i + 1, semi - i - 1);
      if (entity == "amp") out += '&';
      else if (entity == "lt") out += '<';
      else if (entity == "gt") out += '>';
      else return false;
      i = semi;
    }
    return true;
  }
  bool at_end() {
    skip_space();
    return m_At == m_Text.size();
  }

private:
  char peek(size_t ahead) const { return m_At + ahead < m_Text.size() ? m_Text[m_At + ahead] : 0; }
  void skip_space() {
    while (m_At < m_Text.size() && (m_Text[m_At] == ' ' || m_Text[m_At] == '\n' || m_Text[m_At] == '\r' || m_Text[m_At] == '\t'))
      ++m_At;
  }
  const std::string& m_Text;
  size_t m_At = 0;
};

// "PID.5.2" -> field 5, component 2, for the segment PID.
bool numbered(const std::string& name, const std::string& prefix, size_t& number) {
  if (name.compare(0, prefix.size() + 1, prefix + ".") != 0) return false;
  std::string digits = name.substr(prefix.size() + 1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  number = std::stoul(digits);
  return number > 0;
}

}  // namespace

std::vector<std::string> VRNhl7Message::type() const {
  for (const VRNhl7Segment& segment : segments)
    if (segment.id == "MSH" && segment.fields.size() >= 9 && !segment.fields[8].empty()) return segment.fields[8][0];
  return {};
}

std::string VRNhl7Message::value(const char* id, size_t field) const {
  for (const VRNhl7Segment& segment : segments)
    if (segment.id == id && segment.fields.size() >= field && !segment.fields[field - 1].empty() &&
        !segment.fields[field - 1][0].empty())
      return segment.fields[field - 1][0][0];
  return "";
}

bool VRNhl7Parse(const std::string& text, const VRNhl7Config& c, bool strictSegments, VRNhl7Message& message,
                 std::string& error, std::string& detail) {
  message.segments.clear();
  if (text.compare(0, 3, "MSH") != 0) {
    error = "Message does not begin with an MSH segment";
    detail = text.substr(0, 3);
    return false;
  }
  for (const std::string& line : split(text, '\r')) {
    if (line.empty()) continue;  // the CR after the last segment
    VRNhl7Segment segment;
    if (line.compare(0, 3, "MSH") == 0) {
      if (line.size() < 4 || line[3] != c.field) {
        error = "MSH does not use the field separator of the configuration";
        detail = c.name;
        return false;
      }
      segment.id = "MSH";
      std::vector<std::string> parts = split(line.substr(4), c.field);
      segment.fields.push_back({{std::string(1, c.field)}});
      segment.fields.push_back({{parts[0]}});  // encoding characters, as they stand
      for (size_t i = 1; i < parts.size(); ++i) segment.fields.push_back(parse_field(parts[i], c));
    } else {
      std::vector<std::string> parts = split(line, c.field);
      segment.id = parts[0];
      if (strictSegments && !good_segment_id(segment.id)) {
        error = "Bad segment grammar";
        detail = segment.id;
        return false;
      }
      for (size_t i = 1; i < parts.size(); ++i) segment.fields.push_back(parse_field(parts[i], c));
    }
    message.segments.push_back(segment);
  }
  return true;
}

std::string VRNhl7Generate(const VRNhl7Message& message, const VRNhl7Config& c) {
  std::string out;
  for (const VRNhl7Segment& segment : message.segments) {
    out += segment.id;
    size_t first = 0;
    if (segment.id == "MSH") {
      out += c.field;
      out += c.component;
      out += c.repeat;
      out += c.escape;
      out += c.subcomponent;
      first = 2;
    }
    for (size_t i = first; i < segment.fields.size(); ++i) {
      out += c.field;
      out += generate_field(segment.fields[i], c);
    }
    out += '\r';
  }
  return out;
}

std::string VRNhl7Printable(const std::string& text, const std::string& newLine) {
  std::string out;
  for (char ch : text) {
    unsigned char byte = static_cast<unsigned char>(ch);
    if (ch == '\r') {
      out += newLine;
    } else if (byte < 0x20 || byte == 0x7F) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
      out += buffer;
    } else {
      out += ch;
    }
  }
  return out;
}

VRNhl7Message VRNhl7Ack(const VRNhl7Message& message) {
  VRNhl7Message ack;
  VRNhl7Segment msh;
  msh.id = "MSH";
  msh.fields.resize(12);
  msh.fields[0] = {{"|"}};
  msh.fields[1] = {{"^~\\&"}};
  auto set = [&](size_t field, const std::string& value) {
    if (!value.empty()) msh.fields[field - 1] = {{value}};
  };
  set(3, message.value("MSH", 5));  // the receiver answers as the sender
  set(4, message.value("MSH", 6));
  set(5, message.value("MSH", 3));
  set(6, message.value("MSH", 4));
  std::vector<std::string> type = message.type();
  msh.fields[8] = {{"ACK", type.size() > 1 ? type[1] : std::string()}};
  if (type.size() <= 1) msh.fields[8][0].pop_back();
  set(10, message.value("MSH", 10));
  set(11, message.value("MSH", 11));
  set(12, message.value("MSH", 12));
  ack.segments.push_back(msh);
  VRNhl7Segment msa;
  msa.id = "MSA";
  msa.fields.push_back({{"AA"}});
  msa.fields.push_back(VRNhl7Field());
  if (!message.value("MSH", 10).empty()) msa.fields[1] = {{message.value("MSH", 10)}};
  ack.segments.push_back(msa);
  return ack;
}

std::string VRNhl7ToXml(const VRNhl7Message& message, const std::string& rootName) {
  std::string out = "<" + rootName + ">";
  for (const VRNhl7Segment& segment : message.segments) {
    out += "<" + segment.id + ">";
    for (size_t f = segment.id == "MSH" ? 2 : 0; f < segment.fields.size(); ++f) {
      std::string fieldName = segment.id + "." + std::to_string(f + 1);
      for (const VRNhl7Repeat& repeat : segment.fields[f]) {
        out += "<" + fieldName + ">";
        for (size_t k = 0; k < repeat.size(); ++k) {
          if (repeat[k].empty()) continue;
          std::string componentName = fieldName + "." + std::to_string(k + 1);
          out += "<" + componentName + ">" + xml_escape(repeat[k]) + "</" + componentName + ">";
        }
        out += "</" + fieldName + ">";
      }
    }
    out += "</" + segment.id + ">";
  }
  return out + "</" + rootName + ">";
}

bool VRNhl7FromXml(const std::string& xml, VRNhl7Message& message, std::string& error) {
  message.segments.clear();
  XmlReader reader(xml);
  std::string root;
  error = "Not a message in XML form";
  if (!reader.open(root)) return false;
  while (!reader.at_close()) {
    VRNhl7Segment segment;
    if (!reader.open(segment.id) || !good_segment_id(segment.id)) return false;
    if (segment.id == "MSH") segment.fields = {{{"|"}}, {{"^~\\&"}}};
    while (!reader.at_close()) {
      std::string fieldName;
      size_t field = 0;
      if (!reader.open(fieldName) || !numbered(fieldName, segment.id, field)) return false;
      if (segment.fields.size() < field) segment.fields.resize(field);
      VRNhl7Repeat repeat;
      while (!reader.at_close()) {
        std::string componentName, text;
        size_t component = 0;
        if (!reader.open(componentName) || !numbered(componentName, fieldName, component)) return false;
        if (!reader.text(text) || !reader.close(componentName)) return false;
        if (repeat.size() < component) repeat.resize(component);
        repeat[component - 1] = text;
      }
      if (!reader.close(fieldName)) return false;
      segment.fields[field - 1].push_back(repeat);
    }
    if (!reader.close(segment.id)) return false;
    message.segments.push_back(segment);
  }
  if (!reader.close(root) || !reader.at_end() || message.segments.empty() || message.segments[0].id != "MSH")
    return false;
  error.clear();
  return true;
}
