// The modified UTF-8 check and repair for texts handed to the JVM.
#include "hl7_bridge/VRNmodifiedUtf8.h"

namespace {

bool continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid sequence at text, or 0 with invalid set to the number of bytes
// that make up the invalid sequence (a lead and the continuation bytes that follow it).
int sequence(const unsigned char* text, int& invalid) {
  unsigned char lead = text[0];
  invalid = 1;
  if (lead < 0x80) return 1;
  int length = lead >= 0xC0 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF7 ? 4 : 0;
  if (length == 0) return 0;  // a stray continuation byte or F8..FF
  int present = 1;
  while (present < length && continuation(text[present])) ++present;
  invalid = present;
  if (present < length || length == 4) return 0;  // cut short, or a four-byte form
  unsigned value = length == 2 ? ((lead & 0x1Fu) << 6) | (text[1] & 0x3Fu)
                               : ((lead & 0x0Fu) << 12) | ((text[1] & 0x3Fu) << 6) | (text[2] & 0x3Fu);
  bool shortest = length == 2 ? (value >= 0x80 || value == 0) : value >= 0x800;
  if (length == 2 && value == 0 && lead != 0xC0) shortest = false;
  return shortest ? length : 0;
}

}  // namespace

bool VRNisModifiedUtf8(const char* text) {
  if (text == nullptr) return true;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  while (*at) {
    int invalid = 0;
    int length = sequence(at, invalid);
    if (length == 0) return false;
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
    int length = sequence(at, invalid);
    if (length == 0) {
      out.append("\xEF\xBF\xBD");
      at += invalid;
    } else {
      out.append(reinterpret_cast<const char*>(at), length);
      at += length;
    }
  }
  return out;
}
