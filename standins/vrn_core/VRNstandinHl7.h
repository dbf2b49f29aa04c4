// HL7 v2 text for the vrn_core stand-in: a message is segments (ended by CR), a segment
// is fields, a field is repeats, a repeat is components; texts are kept decoded, with the
// escapes \F\ \S\ \T\ \R\ \E\ read and written under the delimiters of a configuration.
// Subcomponents are no level of their own: their separators stay inside a component's text.
// MSH is read as HL7 has it: field 1 is the field separator, field 2 the encoding
// characters, both written anew from the configuration a message is generated under.
#pragma once

#include <string>
#include <vector>

struct VRNhl7Config {
  std::string name;
  char field = '|', component = '^', subcomponent = '&', repeat = '~', escape = '\\';
};

typedef std::vector<std::string> VRNhl7Repeat;  // components; an empty one is absent
typedef std::vector<VRNhl7Repeat> VRNhl7Field;   // repeats; none is an empty field

struct VRNhl7Segment {
  std::string id;
  std::vector<VRNhl7Field> fields;  // fields[0] is field 1
};

struct VRNhl7Message {
  std::vector<VRNhl7Segment> segments;
  // The components of MSH-9 (message type, trigger), empty when there is none.
  std::vector<std::string> type() const;
  // One field's first repeat's first component, "" when absent.
  std::string value(const char* segment, size_t field) const;
};

// Parses text; false with a reason in error (and the offending piece in detail).
bool VRNhl7Parse(const std::string& text, const VRNhl7Config& config, bool strictSegments,
                 VRNhl7Message& message, std::string& error, std::string& detail);
std::string VRNhl7Generate(const VRNhl7Message& message, const VRNhl7Config& config);

// The message with every CR replaced by newLine and other control bytes shown as \xHH.
std::string VRNhl7Printable(const std::string& text, const std::string& newLine);

// An acknowledgement (MSH answering the sender, MSA with code AA and the control id).
VRNhl7Message VRNhl7Ack(const VRNhl7Message& message);

// A small XML form: <NAME><SEG><SEG.n><SEG.n.c>text</SEG.n.c>...</SEG.n>...</SEG>...</NAME>,
// one SEG.n element per repeat. false with a reason when the XML is not of that form.
std::string VRNhl7ToXml(const VRNhl7Message& message, const std::string& rootName);
bool VRNhl7FromXml(const std::string& xml, VRNhl7Message& message, std::string& error);
