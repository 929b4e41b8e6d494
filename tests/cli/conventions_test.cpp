// How jingle is asked things, the same for every command: help on standard output, usage errors
// as one line with code 2, GNU-style options, and the manual page holding what the help holds.
#include <fstream>
#include <set>
#include <sstream>

#include "tests/cli/jingle_run.h"

namespace {

using Conventions = clitest::JingleTest;

TEST_F(Conventions, HelpIsShownForEveryCommandWithTheExitCodes) {
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

TEST_F(Conventions, WordsThatAreNoCommandAreUsageErrors) {
  const std::string module = writeModule("tune.xm", clitest::shortSong());
  struct Case {
    std::string arguments, says;
  } const cases[] = {
      {"plya " + module, "'plya' is not a command"},
      {"rendr", "'rendr' is not a command"},
      {"help plya", "'plya' is not a command"},
      {"--frobnicate", "play: '--frobnicate' is not an option"},
      {"render --frobnicate " + module, "'--frobnicate' is not an option"},
      {"render " + module + " --rate", "'--rate' needs a value"},
      {"info --json=yes " + module, "'--json' takes no value"},
      {"render -x " + module, "'-x' is not an option"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const clitest::Outcome run = jingle(c.arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
}

// The same render asked for in every spelling GNU tools take gives the same bytes.
TEST_F(Conventions, OptionsTakeTheirValuesInEveryGnuSpelling) {
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
TEST_F(Conventions, TheManualPageDocumentsEveryOptionAndExitCode) {
  std::ifstream file(JINGLE_MAN_PAGE);
  ASSERT_TRUE(file.good()) << JINGLE_MAN_PAGE;
  std::stringstream text;
  text << file.rdbuf();
  const std::string troff = text.str();  // "\\-" is a dash there
  std::string page;
  for (std::size_t at = 0; at < troff.size(); ++at)
    if (troff.compare(at, 2, "\\-") != 0) page += troff[at];
  for (const char* command : {"play", "render", "info"}) {
    std::string arguments = command;
    arguments += " --help";
    const std::string help = jingle(arguments).out;
    std::set<std::string> options;  // the words after "--"
    for (std::size_t at = 0; (at = help.find("--", at)) != std::string::npos;) {
      at += 2;
      std::size_t end = at;
      while (end < help.size() && help[end] >= 'a' && help[end] <= 'z')
        ++end;
      if (end > at) options.insert(help.substr(at, end - at));
    }
    ASSERT_FALSE(options.empty()) << command;
    for (const std::string& option : options) {
      std::string spelled = "--";
      spelled += option;
      EXPECT_NE(page.find(spelled), std::string::npos) << command << " " << spelled;
    }
  }
  for (const char* code : {".B 0\n", ".B 1\n", ".B 2\n", ".B 3\n"})
    EXPECT_NE(page.find(code), std::string::npos) << code;
}

}  // namespace
