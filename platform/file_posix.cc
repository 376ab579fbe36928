#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file.h"

namespace zmk {

File File::Open(const std::string& name) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it has no
  // effect on reads from a regular file.
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) throw OpenFailure(name, errno);
  File file(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) throw OpenFailure(name, errno);
  if (!S_ISREG(st.st_mode)) {
    throw OpenFailure(name, S_ISDIR(st.st_mode) ? EISDIR : ENXIO);
  }
  return file;
}

File::File(File&& other) noexcept : handle_(other.handle_) {
  other.handle_ = -1;
}

File::~File() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::size_t File::Read(void* dst, std::size_t count) {
  for (;;) {
    ssize_t got = ::read(static_cast<int>(handle_), dst, count);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return 0;
  }
}

const char* NextChar(const char* p) { return *p ? p + 1 : p; }

std::string SystemErrorText(unsigned long system_code) {
  char buf[256];
  // The GNU strerror_r may return a static text instead of filling buf.
  return ::strerror_r(static_cast<int>(system_code), buf, sizeof buf);
}

// Lexical, like the Windows full-path call: "." and empty segments vanish,
// ".." takes back the segment before it. Links are not followed.
std::string AbsoluteFileName(const std::string& name) {
  if (name.empty()) return name;
  std::string path;
  if (name[0] != '/') {
    std::vector<char> cwd(4096);
    while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
      if (errno != ERANGE) return name;
      cwd.resize(cwd.size() * 2);
    }
    path = cwd.data();
    path += '/';
  }
  path += name;

  std::vector<std::string> segments;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    std::string segment = path.substr(pos, end - pos);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    pos = end + 1;
  }
  std::string result;
  for (const std::string& segment : segments) result += '/' + segment;
  if (result.empty()) result = "/";
  // A trailing separator names a directory and stays, as it does on Windows.
  if (path.back() == '/' && result != "/") result += '/';
  return result;
}

}  // namespace zmk
