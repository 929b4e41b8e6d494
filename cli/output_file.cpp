#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#include <process.h>
#define fdopen _fdopen
#define close _close
#else
#include <unistd.h>
#endif

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr int MAX_LINKS = 40;
constexpr int NAME_ATTEMPTS = 100;

// The path with its symbolic links followed as far as they lead; a link to nothing gives the path
// it names, where the output is then created.
fs::path followLinks(fs::path path) {
  for (int k = 0; k < MAX_LINKS; ++k) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    const fs::path target = fs::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

int processId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

// Creates a file no one else has, beside target: ".NAME.jingle-PID-N". Null with errno set when
// none can be created.
std::FILE* createBeside(const fs::path& target, std::string& created) {
  std::string prefix(".");
  prefix.append(target.filename().string()).append(".jingle-");
  prefix.append(std::to_string(processId())).append("-");
  for (int n = 0; n < NAME_ATTEMPTS; ++n) {
    const std::string name = (target.parent_path() / (prefix + std::to_string(n))).string();
#ifdef _WIN32
    const int fd =
        _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
      const int error = errno;
      close(fd);
      std::remove(name.c_str());
      errno = error;
      return nullptr;
    }
    created = name;
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

// A file that replaces an existing one keeps its permissions.
void keepMode(std::FILE* file, const fs::path& existing) {
#ifndef _WIN32
  struct stat status {};
  if (stat(existing.c_str(), &status) == 0) fchmod(fileno(file), status.st_mode & 07777);
#else
  (void)file;
  (void)existing;
#endif
}

// Whether this process may write the existing file: one it could not write in place is not
// replaced either.
bool writable(const fs::path& existing) {
#ifdef _WIN32
  return _access(existing.string().c_str(), 2) == 0;
#else
  return access(existing.c_str(), W_OK) == 0;
#endif
}

bool replaceWith(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return true;
  errno = EACCES;
  return false;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

void closeFile(PcmOutput& output) {
  if (output.file == nullptr) return;
  errno = 0;
  if (output.file != stdout && std::fclose(output.file) != 0) failPcmOutput(output);
  output.file = nullptr;
}

}  // namespace

OutputOpening openPcmOutput(const std::string& path, const std::string& inputPath,
                            PcmOutput& output) {
  output = PcmOutput{};
  output.path = path;
  if (path == "-") {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    output.file = stdout;
    return OutputOpening::OPENED;
  }
  const fs::path target = followLinks(path);
  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  if (fs::exists(status)) {
    if (fs::equivalent(target, inputPath, error)) return OutputOpening::IS_INPUT;
    if (fs::is_directory(status)) {
      output.error = EISDIR;
      return OutputOpening::FAILED;
    }
    if (fs::is_regular_file(status) && !writable(target)) {
      output.error = errno;
      return OutputOpening::FAILED;
    }
    if (!fs::is_regular_file(status)) {
      // A device or a pipe: written as it is, never replaced.
      errno = 0;
      output.file = std::fopen(target.string().c_str(), "wb");
      output.error = errno;
      return output.file != nullptr ? OutputOpening::OPENED : OutputOpening::FAILED;
    }
  }
  errno = 0;
  output.file = createBeside(target, output.temporary);
  if (output.file == nullptr) {
    output.error = errno;
    return OutputOpening::FAILED;
  }
  if (fs::exists(status)) keepMode(output.file, target);
  output.target = target.string();
  return OutputOpening::OPENED;
}

bool finishPcmOutput(PcmOutput& output) {
  if (output.file == nullptr) return false;
  errno = 0;
  if (std::fflush(output.file) != 0 || std::ferror(output.file) != 0) failPcmOutput(output);
  closeFile(output);
  if (!output.temporary.empty()) {
    errno = 0;
    if (!output.failed && !replaceWith(output.temporary, output.target)) failPcmOutput(output);
    if (output.failed) std::remove(output.temporary.c_str());
    output.temporary.clear();
  }
  return !output.failed;
}

void abandonPcmOutput(PcmOutput& output) {
  closeFile(output);
  if (!output.temporary.empty()) std::remove(output.temporary.c_str());
  output.temporary.clear();
}

}  // namespace cli
