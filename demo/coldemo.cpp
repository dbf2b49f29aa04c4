// Shows the core library at work: strings, the formatting stream and an error's printed form.
#include "COL/COLerror.h"
#include "COL/COLostream.h"

int main(int argc, char** argv) {
  COLstring text("Olvenmark core library");
  for (int i = 1; i < argc; ++i) text += COLstring(" ") + argv[i];
  COLstandardOutput << text << " (" << text.size() << " bytes, capacity " << text.capacity() << ")"
                    << newline;
  COLstandardOutput << "255 in hex: " << hex << 255 << dec << ", -1 as int in hex: " << hex << -1
                    << dec << newline;
  try {
    COL_PRECONDITION(argc < 0, "coldemo", __LINE__);
  } catch (COLerror& error) {
    COLstandardOutput << error;
  }
  COLstandardOutput << flush;
  return 0;
}
