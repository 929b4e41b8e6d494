// How jingle is asked things, the same for every command: help on standard output, command lines
// it does not understand refused in one line with code 2, GNU-style options, and the manual page
// holding what the help holds.
#include <fstream>
#include <set>
#include <sstream>

#include "tests/cli/jingle_run.h"

namespace {

using CommandLine = clitest::JingleTest;

TEST_F(CommandLine, HelpIsShownForEveryCommandWithTheExitCodes) {
  struct Case {
    const char* arguments;
    const char* usage;  // the usage line it starts with
  } const cases[] = {
      {"help", "usage: jingle COMMAND"},
      {"--help", "usage: jingle COMMAND"},
      {"-h", "usage: jingle COMMAND"},
      {"help play", "usage: jingle play"},
      {"play --help", "usage: jingle play"},
      {"render --help", "usage: jingle render"},
      {"help render", "usage: jingle render"},
      {"info -h", "usage: jingle info"},
      {"info --json --help", "usage: jingle info"},
      {"help help", "usage: jingle help"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const clitest::Outcome run = jingle(c.arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind(c.usage, 0), 0u) << run.out;
    EXPECT_NE(run.out.find("Exit codes:\n  0"), std::string::npos) << run.out;
    for (const char* code : {"\n  1  ", "\n  2  ", "\n  3  "})
      EXPECT_NE(run.out.find(code), std::string::npos) << code;
  }
}

TEST_F(CommandLine, WhatIsNotUnderstoodIsRefusedInOneLineWithCodeTwo) {
  const std::string module = writeModule("tune.xm", clitest::shortSong());
  struct Case {
    std::string arguments;  // @ stands for a module file the commands could use
    const char* says;
  } const cases[] = {
      {"--frobnicate", "play: '--frobnicate' is not an option"},
      {"plya @", "'plya' is not a command"},
      {"rendr", "'rendr' is not a command"},
      {"help plya", "help: 'plya' is not a command"},
      {"info", "info: no FILE given"},
      {"info --json=1 @", "'--json' takes no value"},
      {"render", "render: no FILE given"},
      {"render @ --seconds", "'--seconds' needs a value"},
      {"render @ --rate", "'--rate' needs a value"},
      {"render @ --seconds x", "--seconds takes a time above 0, such as 90, 1:30 or 1:30.5"},
      {"render @ --seconds -1", "--seconds takes a time above 0"},
      {"render @ --seconds ' 5'", "--seconds takes a time above 0"},
      {"render @ --seconds 1e3", "--seconds takes a time above 0"},
      {"render @ --loops 0", "--loops needs a whole number, 1 or more"},
      {"render @ --loops 0x10", "--loops needs a whole number, 1 or more"},
      {"render @ --seconds 1 --loops 2", "--seconds and --loops cannot be used together"},
      {"play @ --seconds 1:30 --loops 2", "--seconds and --loops cannot be used together"},
      {"render @ -o x.mp3", "x.mp3: .mp3 names no format jingle writes"},
      {"render @ @", "would hold the renders of both"},
      {"render - ", "standard input: is not a file; name its output with -o"},
      {"render /dev/fd/0", "/dev/fd/0: is not a file; name its output with -o"},
      {"render --mute 3 @ -o -", "has 2 channels; --mute and --solo name channel 3"},
      {"render --solo 1,3-4 @ -o -", "has 2 channels; --mute and --solo name channels 3, 4"},
      {"play --start 0:09 @", "--start 0:09 is past the song's end at 0:00.4"},
      {"play --endless -s 31:00 @", "--start 31:00 is past 30:00.0, the furthest a start reaches"},
      {"render @ --frobnicate", "render: '--frobnicate' is not an option"},
      {"render --frobnicate @", "render: '--frobnicate' is not an option"},
      {"render -x @", "'-x' is not an option"},
      {"render @ @ -o one.wav", "with several FILEs, -o names a directory"},
      {"render @ --rate 7999", "--rate takes a whole number of frames a second, 8000 to 192000"},
      {"render @ --rate ' 44100'", "--rate takes a whole number of frames a second"},
      {"render @ --rate=192001", "--rate takes a whole number of frames a second, 8000 to 192000"},
      {"render @ --raw -o x.wav", "x.wav is a .wav name, but raw output was asked for"},
      {"render @ --format=flac -o x.wav", "x.wav is a .wav name, but flac output was asked for"},
      {"render @ --float -o x.flac", "--float writes WAV or raw output"},
      {"render @ --format ogg", "--format takes wav, raw or flac"},
      {"play", "play: no FILE given"},
      {"play --seconds 0 @", "--seconds takes a time above 0, such as 90, 1:30 or 1:30.5"},
      {"play --volume 3 @", "'--volume' is not an option"},
      {"play @ --loops=0", "--loops needs a whole number, 1 or more"},
      {"play --start 1:60 @", "--start takes a time such as 90, 1:30 or 1:30.5"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (const char* list : {"0", "65", "2-1", "1,,2", "a", "1-", ""})
    all.push_back({"render -o - @ --mute=" + std::string(list), "--mute takes channels 1 to 64"});
  for (Case c : all) {
    SCOPED_TRACE(c.arguments);
    for (std::size_t at; (at = c.arguments.find('@')) != std::string::npos;)
      c.arguments.replace(at, 1, module);
    // Play runs on a device without sound and cannot outlast a broken option check; what a
    // broken check would write lands in the test's directory.
    const clitest::Outcome run = jingle(c.arguments, "cd " + clitest::quoted(dir_.string()) +
                                                         " && SDL_AUDIODRIVER=dummy timeout 20");
    EXPECT_TRUE(clitest::refused(run, 2, c.says));
  }
  for (const char* command : {"--version", "help"}) {  // standard output closed
    const std::string line = clitest::quoted(JINGLE_BINARY) + " " + command + " >&- 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(line.c_str())), 1) << command;
  }
  // No command at all: the usage, on standard error.
  const clitest::Outcome run = jingle("");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("usage: jingle COMMAND", 0), 0u) << run.err;
}

// The same render asked for in every spelling GNU tools take gives the same bytes.
TEST_F(CommandLine, OptionsTakeTheirValuesInEveryGnuSpelling) {
  writeModule("-dash.xm", clitest::shortSong());  // a file name only "--" lets through
  const std::string prefix = "cd " + clitest::quoted(dir_.string()) + " && ";
  const std::string expected = jingle("render --raw -o - --loops 2 -- -dash.xm", prefix).out;
  ASSERT_EQ(expected.size(), 2 * 4 * 6 * 882 * 4u);
  for (const char* spelling :
       {"render --raw --output=- --loops=2 -- -dash.xm", "render -o- -l2 --raw -- -dash.xm",
        "render --loops 2 --raw -o - ./-dash.xm", "render ./-dash.xm --raw --lo=2 -o -"}) {
    SCOPED_TRACE(spelling);
    const clitest::Outcome run = jingle(spelling, prefix);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out == expected);
  }
  // After "--" nothing is an option: "--raw" is a file that does not exist, and the module
  // before it is still rendered.
  const clitest::Outcome run = jingle("render -- -dash.xm --raw", prefix);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("--raw: cannot be read"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::exists(path("-dash.wav")));
}

// Every long option a command's help names is in the manual page, and so are the exit codes.
TEST_F(CommandLine, TheManualPageDocumentsEveryOptionAndExitCode) {
  std::ifstream file(JINGLE_MAN_PAGE);
  ASSERT_TRUE(file.good()) << JINGLE_MAN_PAGE;
  std::stringstream text;
  text << file.rdbuf();
  std::string page = text.str();  // "\\-" is a dash there
  for (std::size_t at = 0; (at = page.find("\\-", at)) != std::string::npos;)
    page.erase(at, 1);
  for (const std::string command : {"play", "render", "info"}) {
    const std::string help = jingle(command + " --help").out;
    std::set<std::string> options;  // "--" and the word after it
    for (std::size_t at = 0; (at = help.find("--", at)) != std::string::npos;) {
      const std::size_t end = help.find_first_not_of("abcdefghijklmnopqrstuvwxyz", at + 2);
      if (end > at + 2) options.insert(help.substr(at, end - at));
      at += 2;
    }
    ASSERT_FALSE(options.empty()) << command;
    for (const std::string& option : options)
      EXPECT_NE(page.find(option), std::string::npos) << command << " " << option;
  }
  for (const char* code : {".B 0\n", ".B 1\n", ".B 2\n", ".B 3\n"})
    EXPECT_NE(page.find(code), std::string::npos) << code;
}

}  // namespace
