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

#include <cstdlib>
#include <string>
#include <thread>

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

// A character that the process's code page writes in two bytes, the second of which means
// something of its own when it stands alone: "\u00E9" in UTF-8, "\u3044" at code page 932.
// Empty where the code page has no such character.
std::string characterOfTwoBytes() {
  if (GetACP() == CP_UTF8) return "\xC3\xA9";
  if (GetACP() == 932) return "\x82\xA2";
  return std::string();
}

// Two threads share standard output: one writes a character of two bytes as two writes of
// one byte, the other writes "b", each as many times as the first argument says (20,000
// without one). The writes may interleave, so a "b" can come between the halves, but every
// byte must arrive once. After the race the role writes, each as one write, the pieces
// that the console shows for the whole character, for its first byte followed by "b" and
// for its second byte alone, so that console.sh can account for every round.
TEST_CHILD_ROLE(SharesTheSinkBetweenThreads) {
  COLsinkStandardOut::set_binary_mode(true);
  const std::string character = characterOfTwoBytes();
  if (character.empty()) {
    COLstandardError << "code page " << static_cast<unsigned>(GetACP()) << " has no character of two bytes" << newline;
    return 2;
  }
  const int rounds = TESTchildArgumentCount() > 1 ? atoi(TESTchildArguments()[1]) : 20000;
  COLstandardOutput << "race:";
  std::thread halves([&] {
    for (int i = 0; i < rounds; ++i) {
      COLstandardOutput.write(&character[0], 1);
      COLstandardOutput.write(&character[1], 1);
    }
  });
  std::thread other([&] {
    for (int i = 0; i < rounds; ++i) COLstandardOutput.write("b", 1);
  });
  halves.join();
  other.join();
  const std::string firstThenB = character.substr(0, 1) + "b";
  COLstandardOutput << ":end" << newline << "pieces:" << character.c_str() << "|" << firstThenB.c_str() << "|";
  COLstandardOutput.write(&character[1], 1);
  COLstandardOutput << "|" << newline << flush;
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
