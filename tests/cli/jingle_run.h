// Runs the jingle program as its users do, through the shell, in a scratch directory that each
// test gets to itself.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/xm_writer.h"

namespace clitest {

// The text quoted for the shell.
inline std::string quoted(const std::string& text) {
  return "'" + text + "'";
}

inline std::string readText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = xmtest::readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// The little-endian 32-bit value at a byte offset, as WAV headers hold them.
inline std::uint32_t u32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t k = 4; k-- > 0;)
    value = value << 8 | static_cast<std::uint8_t>(bytes[at + k]);
  return value;
}

// A song of rows rows at speed 6 and 125 BPM with a note on row 0: rows x 6 x 882 frames long.
inline xmtest::Module shortSong(int rows = 4) {
  xmtest::Module module;
  module.channels = 2;
  module.patterns.resize(1);
  module.patterns[0].rows = rows;
  module.patterns[0].set(0, 0, xmtest::Cell{49, 1}, 2);
  std::vector<int> values;
  for (int i = 0; i < 3000; ++i)
    values.push_back((i * 13) % 120 - 60);
  module.instruments.push_back(xmtest::simpleInstrument(values));
  module.instruments[0].samples[0].loopType = 1;
  module.instruments[0].samples[0].loopLength = 3000;
  return module;
}

// Eight channels of a full-scale square in step, loud enough to clip the 16-bit mix: 8 rows at
// speed 6 with notes on rows 0 and 4.
inline xmtest::Module loudSong() {
  xmtest::Module module;
  module.channels = 8;
  module.patterns.resize(1);
  module.patterns[0].rows = 8;
  for (int row = 0; row < 8; row += 4)
    for (int channel = 0; channel < 8; ++channel)
      module.patterns[0].set(row, channel, xmtest::Cell{static_cast<std::uint8_t>(49 + row), 1}, 8);
  std::vector<int> square;
  for (int i = 0; i < 3000; ++i)
    square.push_back(i % 40 < 20 ? 127 : -128);
  module.instruments.push_back(xmtest::simpleInstrument(square));
  module.instruments[0].samples[0].loopType = 1;
  module.instruments[0].samples[0].loopLength = 3000;
  return module;
}

struct Outcome {
  int exitCode = -1;  // -1 when the program did not exit normally (a crash)
  std::string out, err;
  std::ptrdiff_t errLines() const { return std::count(err.begin(), err.end(), '\n'); }
};

// A refusal as every command gives it: the exit code, nothing on standard output and one line on
// standard error that says why.
inline ::testing::AssertionResult refused(const Outcome& run, int exitCode,
                                          const std::string& says) {
  if (run.exitCode == exitCode && run.out.empty() && run.errLines() == 1 &&
      run.err.find(says) != std::string::npos) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "exit code " << run.exitCode << " (wanted " << exitCode << "), " << run.out.size()
         << " bytes on stdout, stderr: " << run.err << "(wanted one line holding '" << says << "')";
}

class JingleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / ("jingle-" + std::to_string(::getpid()) + "-" +
                                                     test->test_suite_name() + "-" + test->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path(name);
  }
  std::string writeModule(const std::string& name, const xmtest::Module& module) const {
    return write(name, xmtest::writeXm(module));
  }

  // jingle with the arguments as the shell reads them, after a prefix such as environment
  // settings; nothing on standard input.
  Outcome jingle(const std::string& arguments, const std::string& prefix = "") const {
    const std::string command = prefix + " " + quoted(JINGLE_BINARY) + " " + arguments +
                                " </dev/null >" + quoted(path("stdout")) + " 2>" +
                                quoted(path("stderr"));
    const int status = std::system(command.c_str());
    Outcome run;
    if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = readText(path("stdout"));
    run.err = readText(path("stderr"));
    return run;
  }
  // The 16-bit frames jingle render writes to standard output for the arguments.
  std::string rendered(const std::string& arguments) const {
    const Outcome run = jingle("render --raw -o - " + arguments);
    EXPECT_EQ(run.exitCode, 0) << arguments << ": " << run.err;
    return run.out;
  }

  std::filesystem::path dir_;
};

}  // namespace clitest
