#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file.h"

namespace zmk {

File File::Open(const std::string& name) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer, and its
  // reads from waiting for data; it has no effect on a regular file. No
  // fstat: it would cost as much as the read itself, and the read tells a
  // directory (EISDIR) all the same.
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) throw OpenFailure(name, errno);
  return File(fd);
}

File::File(File&& other) noexcept
    : handle_(other.handle_), error_(other.error_) {
  other.handle_ = -1;
}

File::~File() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::size_t File::Read(void* dst, std::size_t count) {
  for (;;) {
    ssize_t got = ::read(static_cast<int>(handle_), dst, count);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) {
      error_ = static_cast<unsigned long>(errno);
      return 0;
    }
  }
}

bool File::Skip(std::uint64_t count) {
  if (count == 0) return true;
  char last;
  if (::lseek(static_cast<int>(handle_), static_cast<off_t>(count - 1),
              SEEK_CUR) >= 0) {
    return Read(&last, 1) == 1;
  }
  // A pipe cannot seek: its bytes are read and dropped.
  char buf[4096];
  while (count > 0) {
    std::size_t got = Read(buf, count < sizeof buf ? count : sizeof buf);
    if (got == 0) return false;
    count -= got;
  }
  return true;
}

const char* NextChar(const char* p) { return *p ? p + 1 : p; }

bool FileKey::Assign(const char* name) {
  native_.assign(name);
  return true;
}

// One pass over the name: the key never holds a NUL.
bool FileKey::Matches(const char* name) { return std::strcmp(name, native_.c_str()) == 0; }

void FileKey::ToAnsi(std::string* name) const { name->assign(native_); }

File FileKey::Open() const { return File::Open(native_); }

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
