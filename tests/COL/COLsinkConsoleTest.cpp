// The standard streams' sinks on a console and elsewhere. A console keeps a code page of
// its own, so the sinks show the process's text on it as characters; to a pipe or a file
// they hand the bytes on unchanged. The console side runs under a pseudo-terminal
// (tests/COL/console.sh starts this program's child role there); here the pipe side.
#include "COL/COLostream.h"
#include "platform/PLATwindows.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A text in the process's code page that it holds whole: Japanese where the code page is
// 932, Latin letters with accents elsewhere. No blank, which a console may draw its own way.
std::string textOfTheCodePage() {
  const std::wstring wide = GetACP() == 932 ? L"\u6E21\u8FBA-\uFF83\uFF7D\uFF84" : L"Caf\u00E9-Zo\u00EB";
  int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size, nullptr, nullptr);
  return text;
}

// Writes the text on standard output one byte at a time, so that every character of more
// than one byte is cut between writes, and whole on standard error.
TEST_CHILD_ROLE(WritesTextOfItsCodePage) {
  COLsinkStandardOut::set_binary_mode(true);
  COLsinkStandardErr::set_binary_mode(true);
  const std::string text = textOfTheCodePage();
  COLstandardOutput << "out:";
  for (char byte : text) COLstandardOutput.write(&byte, 1);
  COLstandardOutput << newline << flush;
  COLstandardError << "err:" << text.c_str() << newline << flush;
  return 0;
}

TEST(COLsinkStandardStreams, APipeGetsTheBytesUnchanged) {
  std::vector<std::string> words{"COLtests"};
  std::vector<std::string> role = TESTchildRole("WritesTextOfItsCodePage");
  words.insert(words.end(), role.begin(), role.end());
  TESTprogramRun run = TESTcaptureProgram(TESTprogramPath(), words);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "out:" + textOfTheCodePage() + "\r\n");
  EXPECT_EQ(run.err, "err:" + textOfTheCodePage() + "\r\n");
}

}  // namespace
