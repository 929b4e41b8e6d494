#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "cli/stop_signals.h"
#include "cli/terminal.h"

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#include <process.h>
#define fdopen _fdopen
#define close _close
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr int MAX_LINKS = 40;
constexpr int NAME_ATTEMPTS = 100;

int processId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

// A new file that no one else has, or -1 with errno set.
int createNew(const std::string& name) {
#ifdef _WIN32
  return _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
  return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
}

// Creates a file no one else has beside target: ".NAME.jingle-PID-N", or where that name is too
// long, one no longer than NAME: its start, '~' and PID-N. Null with errno set when none can be
// created.
std::FILE* createBeside(const fs::path& target, std::string& created) {
  const std::string name = target.filename().string();
  for (int n = 0; n < NAME_ATTEMPTS; ++n) {
    const std::string number = std::to_string(processId()) + '-' + std::to_string(n);
    std::string path = (target.parent_path() / ('.' + name + ".jingle-" + number)).string();
    int fd = createNew(path);
    if (fd < 0 && errno == ENAMETOOLONG) {
      const std::size_t kept =
          name.size() > number.size() + 2 ? name.size() - number.size() - 2 : 0;
      path = (target.parent_path() / ('.' + name.substr(0, kept) + '~' + number)).string();
      fd = createNew(path);
    }
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
      const int error = errno;
      close(fd);
      std::remove(path.c_str());
      errno = error;
      return nullptr;
    }
    created = path;
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

// A file that replaces an existing one keeps its owner and group where this process may give them
// (the owner only root may), and its permissions.
void keepOwnerAndMode(std::FILE* file, const fs::path& existing) {
#ifndef _WIN32
  struct stat status {};
  if (stat(existing.c_str(), &status) != 0) return;
  const int fd = fileno(file);
  if (fchown(fd, status.st_uid, status.st_gid) != 0 &&
      fchown(fd, static_cast<uid_t>(-1), status.st_gid) != 0) {
    // Neither may be given: the new file stays ours.
  }
  fchmod(fd, status.st_mode & 07777);
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

void forgetTemporary(PcmOutput& output) {
  output.temporary.clear();
  removeOnCrash(nullptr);
}

// A device, a pipe, or a name for an open file such as /dev/stdout: written as it is, never
// replaced.
OutputOpening openInPlace(const std::string& path, PcmOutput& output) {
  errno = 0;
  output.file = std::fopen(path.c_str(), "wb");
  output.error = errno;
  if (output.file == nullptr) return OutputOpening::FAILED;
  if (isatty(fileno(output.file)) != 0) {
    std::fclose(output.file);
    output.file = nullptr;
    return OutputOpening::IS_TERMINAL;
  }
  return OutputOpening::OPENED;
}

}  // namespace

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

bool namesOpenFile(const std::string& path) {
  fs::path hop = path;
  for (int k = 0; k < MAX_LINKS; ++k) {
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(fs::absolute(hop, error).parent_path(), error);
    if (!error && folder.filename() == "fd" && folder.parent_path().parent_path() == "/proc") {
      return true;
    }
    if (!fs::is_symlink(fs::symlink_status(hop, error))) return false;
    const fs::path target = fs::read_symlink(hop, error);
    if (error) return false;
    hop = target.is_absolute() ? target : hop.parent_path() / target;
  }
  return false;
}

OutputOpening openPcmOutput(const std::string& path, const std::string& inputPath,
                            PcmOutput& output) {
  output = PcmOutput{};
  output.path = path;
  if (path == "-") {
    if (stdoutIsTerminal()) return OutputOpening::IS_TERMINAL;
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    output.file = stdout;
    return OutputOpening::OPENED;
  }
  // What the name leads to, the system following its links (a loop of them is an error).
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  const bool exists = fs::exists(status);
  if (!exists && status.type() != fs::file_type::not_found) {
    output.error = error.value();
    return OutputOpening::FAILED;
  }
  if (fs::is_directory(status)) {
    output.error = EISDIR;
    return OutputOpening::FAILED;
  }
  if (fs::is_regular_file(status) && fs::equivalent(path, inputPath, error)) {
    return OutputOpening::IS_INPUT;
  }
  if ((exists && !fs::is_regular_file(status)) || namesOpenFile(path)) {
    return openInPlace(path, output);
  }
  const fs::path target = followLinks(path);
  if (exists && !writable(target)) {
    output.error = errno;
    return OutputOpening::FAILED;
  }
  errno = 0;
  output.file = createBeside(target, output.temporary);
  if (output.file == nullptr) {
    output.error = errno;
    return OutputOpening::FAILED;
  }
  removeOnCrash(output.temporary.c_str());
  if (exists) keepOwnerAndMode(output.file, target);
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
    forgetTemporary(output);
  }
  return !output.failed;
}

void abandonPcmOutput(PcmOutput& output) {
  closeFile(output);
  if (!output.temporary.empty()) std::remove(output.temporary.c_str());
  forgetTemporary(output);
}

}  // namespace cli
