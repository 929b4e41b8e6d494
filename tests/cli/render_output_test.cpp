// What jingle render does to the files around it: it writes a new file beside the output and puts
// it in place only when the render is complete, so a failure, a signal or the file-size limit
// leaves whatever was at the output as it was, and jingle removes nothing it did not create. An
// output that is the module itself is refused before anything is written. Everything happens in
// the test's own directory (a device node of its own included).
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>

#include "tests/cli/jingle_run.h"
#include "tests/support/hostile_modules.h"

namespace {

namespace fs = std::filesystem;

class RenderOutput : public clitest::JingleTest {
 protected:
  // Runs a shell script in the test's directory, with $J naming jingle; the exit code the
  // script writes to the file "code", or -1.
  int script(const std::string& text) const {
    const std::string command = "cd " + clitest::quoted(dir_.string()) +
                                " && J=" + clitest::quoted(JINGLE_BINARY) + " && { " + text +
                                "; } </dev/null >/dev/null 2>&1";
    std::system(command.c_str());
    const std::string code = clitest::readText(path("code"));
    fs::remove(path("code"));
    return code.empty() ? -1 : std::stoi(code);
  }
  // The names in the test's directory, apart from the ones the test made.
  std::vector<std::string> leftovers(const std::vector<std::string>& made) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (std::find(made.begin(), made.end(), name) == made.end()) names.push_back(name);
    }
    return names;
  }
  std::ptrdiff_t lines(const std::string& name) const {
    const std::string text = clitest::readText(path(name));
    return std::count(text.begin(), text.end(), '\n');
  }
};

// Every output is checked against every module and every other output of the command first: a
// clash is refused in one line and nothing is written.
TEST_F(RenderOutput, AnOutputThatIsAModuleOrAnotherOutputIsRefusedBeforeAnythingIsWritten) {
  const std::vector<std::uint8_t> bytes = xmtest::writeXm(clitest::shortSong());
  const std::string song = write("song.wav", bytes);
  fs::create_hard_link(song, path("hard.wav"));
  fs::create_symlink("song.wav", path("soft.wav"));
  for (const char* folder : {"a", "b", "c", "out"})
    fs::create_directory(path(folder));
  for (const char* module : {"a/song.xm", "b/song.xm", "c/song.xm", "c/song.XM", "c/song.wav"})
    write(module, bytes);
  const std::vector<std::string> made{"song.wav", "hard.wav", "soft.wav", "err",
                                      "a",        "b",        "c",        "out"};
  const std::string isModule = "is a module being rendered", shared = "would hold the renders of";
  struct Case {
    const char* arguments;
    const std::string& says;
  } const cases[] = {
      {"song.wav", isModule},
      {"song.wav -o song.wav", isModule},
      {"song.wav -o ./song.wav", isModule},
      {"song.wav -o hard.wav", isModule},
      {"song.wav -o soft.wav", isModule},
      {"soft.wav -o song.wav", isModule},
      {"c/song.xm c/song.wav", isModule},  // the first one's output is the second module
      {"a/song.xm b/song.xm -o out", shared},
      {"c/song.xm c/song.XM", shared},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(script(std::string("$J render ") + c.arguments + " 2>err; echo $? >code"), 2);
    const std::string err = clitest::readText(path("err"));
    EXPECT_EQ(lines("err"), 1) << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(xmtest::readFile(song), bytes);
    EXPECT_TRUE(fs::is_symlink(path("soft.wav")));
    EXPECT_EQ(leftovers(made), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(path("out")));
    EXPECT_EQ(std::distance(fs::directory_iterator(path("c")), {}), 3);
  }
}

// A write that fails, any signal whose default would end the process in the middle of a render
// (or while it waits for a pipe's reader) and the file-size limit all end the render with exit
// code 1 and one line, and leave the existing output untouched, a symbolic link to it too, with
// no new file left behind.
TEST_F(RenderOutput, AFailedOrStoppedRenderLeavesTheOutputAsItWas) {
  writeModule("tune.xm", clitest::shortSong(64));          // 1.3 MB of WAV
  writeModule("storm.xm", xmtest::loopStormModule(8, 1));  // minutes to render an hour of
  // Started as from a terminal: a script's background job would ignore SIGINT and SIGQUIT.
  const std::string long_render =
      "env --default-signal $J render storm.xm --seconds 3600 -o link.wav 2>err & pid=$!; "
      "i=0; while [ $i -lt 1000 ] && ! ls .out.wav.jingle-* "
      ">/dev/null 2>&1; do sleep 0.01; i=$((i+1)); done; ";
  struct Case {
    std::string name, script, says;
  };
  std::vector<Case> cases = {
      {"file-size limit", "(ulimit -f 64; $J render tune.xm -o link.wav 2>err; echo $? >code)",
       "cannot write"},
      {"a pipe without a reader",
       "mkfifo fifo; $J render tune.xm -o fifo 2>err & pid=$!; "
       "sleep 0.3; kill -TERM $pid; wait $pid; echo $? >code; rm fifo",
       "stopped by a signal"},
  };
  for (const char* signal : {"INT", "TERM", "HUP", "QUIT", "USR1", "USR2", "ALRM", "PROF"})
    cases.push_back({signal, long_render + "kill -" + signal + " $pid; wait $pid; echo $? >code",
                     "render stopped by a signal"});
  const std::vector<std::string> made{"tune.xm", "storm.xm", "out.wav", "link.wav",
                                      "err",     "stdout",   "stderr"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("out.wav", {'k', 'e', 'e', 'p'});
    fs::remove(path("link.wav"));
    fs::create_symlink("out.wav", path("link.wav"));
    EXPECT_EQ(script(c.script), 1);
    EXPECT_EQ(lines("err"), 1) << clitest::readText(path("err"));
    EXPECT_NE(clitest::readText(path("err")).find(c.says), std::string::npos);
    EXPECT_EQ(clitest::readText(path("out.wav")), "keep");
    EXPECT_TRUE(fs::is_symlink(path("link.wav")));
    EXPECT_EQ(leftovers(made), std::vector<std::string>{});
  }
  // Complete, the render replaces the file the link leads to, and the link stays.
  EXPECT_EQ(script("$J render tune.xm -o link.wav; echo $? >code"), 0);
  EXPECT_TRUE(fs::is_symlink(path("link.wav")));
  EXPECT_EQ(fs::file_size(path("out.wav")), 44u + 64 * 6 * 882 * 4);
}

TEST_F(RenderOutput, OutputsThatCannotBeWrittenAreLeftAsTheyAre) {
  const std::string module = writeModule("tune.xm", clitest::shortSong());
  write("plain", {});
  std::vector<std::string> outputs{path("no-such-dir/out.wav"), path("plain/out.wav")};
  // A full device of the test's own, where the rights to make one are had (as root).
  const bool device = ::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
  if (device) {
    fs::create_symlink("full", path("full-link"));
    outputs.insert(outputs.end(), {path("full"), path("full-link")});
  }
  for (const std::string& output : outputs) {
    SCOPED_TRACE(output);
    EXPECT_TRUE(clitest::refused(jingle("render " + module + " -o " + output), 1, output));
    if (device) {
      EXPECT_TRUE(fs::is_character_file(path("full")));
      EXPECT_TRUE(fs::is_symlink(path("full-link")));
    }
    EXPECT_EQ(leftovers({"tune.xm", "plain", "full", "full-link", "stdout", "stderr"}),
              std::vector<std::string>{});
  }
}

// Names of what the process has open (/dev/stdout, /dev/fd/N, /proc/self/fd/N, as >(...) gives)
// are written in place, and "-" reads the module from standard input.
TEST_F(RenderOutput, OpenFilesAreWrittenInPlaceAndStandardInputIsRead) {
  writeModule("tune.xm", clitest::shortSong());
  const std::string expected = rendered(path("tune.xm"));
  for (const std::string command :
       {"{ $J render tune.xm --raw -o /dev/stdout; echo $? >code; } | cat >got",
        "{ $J render tune.xm --raw -o /proc/self/fd/1; echo $? >code; } | cat >got",
        "{ $J render tune.xm --raw -o /dev/fd/3 3>&1; echo $? >code; } | cat >got",
        "cat tune.xm | $J render - --raw -o got; echo $? >code"}) {
    SCOPED_TRACE(command);
    fs::remove(path("got"));
    EXPECT_EQ(script(command), 0);
    EXPECT_TRUE(clitest::readText(path("got")) == expected);
  }
}

// A name as long as the system takes, a folder named with a trailing slash (made when missing)
// and another user's file, which keeps its owner, group and mode; a symbolic link loop is an
// error and stays as it was.
TEST_F(RenderOutput, OutputsAreWrittenUnderTheNamesGivenAndKeepTheirOwners) {
  const std::string module = writeModule("tune.xm", clitest::shortSong()) + " -o ";
  const std::string longName = path(std::string(240, 'n') + ".wav");
  fs::create_symlink("loop-b", path("loop-a"));
  fs::create_symlink("loop-a", path("loop-b"));
  EXPECT_EQ(jingle("render " + module + longName).exitCode, 0);
  EXPECT_EQ(jingle("render " + module + path("new/folder/")).exitCode, 0);
  EXPECT_TRUE(fs::exists(longName) && fs::exists(path("new/folder/tune.wav")));
  EXPECT_TRUE(clitest::refused(jingle("render " + module + path("loop-a")), 1, "symbolic links"));
  EXPECT_TRUE(fs::is_symlink(path("loop-a")));
  if (::geteuid() != 0) GTEST_SKIP() << "only root may replace another user's file";
  const std::string theirs = write("theirs.wav", {'x'});
  ASSERT_EQ(::chown(theirs.c_str(), 4321, 4321), 0);
  ASSERT_EQ(::chmod(theirs.c_str(), 0640), 0);
  EXPECT_EQ(jingle("render " + module + theirs).exitCode, 0);
  struct stat status {};
  ASSERT_EQ(::stat(theirs.c_str(), &status), 0);
  EXPECT_GT(status.st_size, 1);
  EXPECT_EQ(status.st_uid, 4321u);
  EXPECT_EQ(status.st_gid, 4321u);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST_F(RenderOutput, AClosedPipeEndsTheRenderWithOneLine) {
  writeModule("tune.xm", clitest::shortSong(64));
  EXPECT_EQ(script("($J render tune.xm --raw -o - 2>err; echo $? >code) | head -c 100"), 1);
  EXPECT_EQ(lines("err"), 1) << clitest::readText(path("err"));
}

}  // namespace
