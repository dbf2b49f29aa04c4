// The modified UTF-8 check and repair for texts handed to the JVM.
#include "hl7_bridge/VRNmodifiedUtf8.h"

namespace {

bool continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// A valid four-byte sequence is standard UTF-8 for a supplementary character, which JNI
// reads only as its surrogate pair.
const int kSupplementary = 4;

// The length of the valid sequence at text with its code point in value, or 0 with invalid
// set to the number of bytes that make up the invalid sequence (a lead and the
// continuation bytes that follow it).
// Lone surrogates written in three bytes pass: JNI reads them, and a Java string may hold
// them, so a pair that arrives already in that form passes unchanged too.
int sequence(const unsigned char* text, int& invalid, unsigned& value) {
  unsigned char lead = text[0];
  invalid = 1;
  value = lead;
  if (lead < 0x80) return 1;
  int length = lead >= 0xC0 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF7 ? 4 : 0;
  if (length == 0) return 0;  // a stray continuation byte or F8..FF
  int present = 1;
  while (present < length && continuation(text[present])) ++present;
  invalid = present;
  if (present < length) return 0;  // cut short
  bool shortest = false;
  if (length == 2) {
    value = ((lead & 0x1Fu) << 6) | (text[1] & 0x3Fu);
    shortest = value >= 0x80 || (value == 0 && lead == 0xC0);  // U+0000 as C0 80
  } else if (length == 3) {
    value = ((lead & 0x0Fu) << 12) | ((text[1] & 0x3Fu) << 6) | (text[2] & 0x3Fu);
    shortest = value >= 0x800;
  } else {
    value = ((lead & 0x07u) << 18) | ((text[1] & 0x3Fu) << 12) | ((text[2] & 0x3Fu) << 6) | (text[3] & 0x3Fu);
    shortest = value >= 0x10000 && value <= 0x10FFFF;
  }
  return shortest ? length : 0;
}

// One UTF-16 unit (a surrogate here) in the three bytes of modified UTF-8.
void appendUnit(COLstring& out, unsigned unit) {
  char bytes[3] = {static_cast<char>(0xE0 | (unit >> 12)), static_cast<char>(0x80 | ((unit >> 6) & 0x3F)),
                   static_cast<char>(0x80 | (unit & 0x3F))};
  out.append(bytes, 3);
}

}  // namespace

bool VRNisModifiedUtf8(const char* text) {
  if (text == nullptr) return true;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  while (*at) {
    int invalid = 0;
    unsigned value = 0;
    int length = sequence(at, invalid, value);
    if (length == 0 || length == kSupplementary) return false;
    at += length;
  }
  return true;
}

COLstring VRNmodifiedUtf8(const char* text) {
  COLstring out;
  if (text == nullptr) return out;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  while (*at) {
    int invalid = 0;
    unsigned value = 0;
    int length = sequence(at, invalid, value);
    if (length == 0) {
      out.append("\xEF\xBF\xBD");
      at += invalid;
    } else if (length == kSupplementary) {
      unsigned offset = value - 0x10000;
      appendUnit(out, 0xD800 + (offset >> 10));
      appendUnit(out, 0xDC00 + (offset & 0x3FF));
      at += length;
    } else {
      out.append(reinterpret_cast<const char*>(at), length);
      at += length;
    }
  }
  return out;
}
