#include <iconv.h>
#include <langinfo.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/host_charset.h"
#include "platform/mutex.h"
#include "platform/utf8.h"

namespace zmk {

namespace {

enum class Kind { kCp1251, kUtf8, kOther };

// Names compare lowercase, without "-" and "_": "UTF-8", "utf8" and "UTF8"
// are one set. ASCII (the C locale's "ANSI_X3.4-1968") counts as UTF-8.
Kind KindOf(const char* codeset) {
  std::string name;
  for (const char* p = codeset; *p != '\0'; ++p) {
    char c = *p;
    if (c == '-' || c == '_') continue;
    name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  if (name == "cp1251" || name == "windows1251") return Kind::kCp1251;
  if (name == "utf8" || name == "ansix3.41968" || name == "ascii" || name == "usascii" ||
      name.empty()) {
    return Kind::kUtf8;
  }
  return Kind::kOther;
}

void Set(CharsetTable* table, int b, const char* bytes, std::size_t length) {
  table->length[b] = static_cast<std::uint8_t>(length);
  std::memcpy(table->bytes[b], bytes, length);
  if (b == 0 || length > table->longest) table->longest = length;
}

void BuildUtf8(CharsetTable* table) {
  for (int b = 0; b < 256; ++b) {
    std::string utf8;
    AppendUtf8(Cp1251CodePoint(static_cast<unsigned char>(b)), &utf8);
    Set(table, b, utf8.data(), utf8.size());
  }
}

// ASCII as it is, every other byte "?": for a set iconv does not know, or
// one that does not keep ASCII as it is.
void BuildAsciiOnly(CharsetTable* table) {
  for (int b = 0; b < 256; ++b) {
    const char c = b < 0x80 ? static_cast<char>(b) : '?';
    Set(table, b, &c, 1);
  }
}

void BuildWithIconv(const char* codeset, CharsetTable* table) {
  iconv_t cd = ::iconv_open(codeset, "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    BuildAsciiOnly(table);
    return;
  }
  for (int b = 0; b < 256; ++b) {
    char in[1] = {static_cast<char>(b)};
    char out[16];
    char* in_p = in;
    char* out_p = out;
    std::size_t in_left = 1, out_left = sizeof out;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // no shift state carried over
    const bool ok = ::iconv(cd, &in_p, &in_left, &out_p, &out_left) != static_cast<std::size_t>(-1) &&
                    ::iconv(cd, nullptr, nullptr, &out_p, &out_left) != static_cast<std::size_t>(-1);
    const std::size_t length = static_cast<std::size_t>(out_p - out);
    if (ok && in_left == 0 && length >= 1 && length <= sizeof table->bytes[b]) {
      Set(table, b, out, length);
    } else {
      Set(table, b, "?", 1);
    }
  }
  ::iconv_close(cd);
  for (int b = 0; b < 0x80; ++b) {
    if (table->length[b] != 1 || table->bytes[b][0] != static_cast<char>(b)) {
      BuildAsciiOnly(table);
      return;
    }
  }
}

struct Entry {
  std::string codeset;  // as nl_langinfo gives it
  Kind kind;
  CharsetTable table;
};

// Every set asked for so far, built once each; freed when the module is
// unloaded. A host uses one or two.
class Registry {
 public:
  const Entry* Find(const char* codeset) {
    MutexLock lock(&mu_);
    for (const auto& e : entries_) {
      if (e->codeset == codeset) return e.get();
    }
    auto e = std::make_unique<Entry>();
    e->codeset = codeset;
    e->kind = KindOf(codeset);
    if (e->kind == Kind::kCp1251) e->table = Cp1251Table();
    if (e->kind == Kind::kUtf8) BuildUtf8(&e->table);
    if (e->kind == Kind::kOther) BuildWithIconv(codeset, &e->table);
    entries_.push_back(std::move(e));
    return entries_.back().get();
  }

 private:
  Mutex mu_;
  std::vector<std::unique_ptr<Entry>> entries_;
};

Registry& Sets() {
  static Registry registry;
  return registry;
}

// The set the last call found, so that a request costs one comparison of
// the set's name while the locale stays as it is.
std::atomic<const Entry*> last_entry{nullptr};

const Entry* CurrentEntry() {
  const char* codeset = ::nl_langinfo(CODESET);
  const Entry* e = last_entry.load(std::memory_order_acquire);
  if (e == nullptr || std::strcmp(e->codeset.c_str(), codeset) != 0) {
    e = Sets().Find(codeset);
    last_entry.store(e, std::memory_order_release);
  }
  return e;
}

}  // namespace

const CharsetTable& HostCharset() { return CurrentEntry()->table; }

std::string HostTextToUtf8(std::string_view text) {
  const Entry* e = CurrentEntry();
  if (e->kind == Kind::kCp1251) return Cp1251ToUtf8(text);
  if (e->kind == Kind::kUtf8) return std::string(text);
  // Another set: back to Unicode through iconv, "?" for what does not go.
  std::string out;
  iconv_t cd = ::iconv_open("UTF-8", e->codeset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string in(text);
  char* in_p = in.data();
  std::size_t in_left = in.size();
  while (in_left > 0) {
    char buf[256];
    char* out_p = buf;
    std::size_t out_left = sizeof buf;
    const std::size_t r = ::iconv(cd, &in_p, &in_left, &out_p, &out_left);
    out.append(buf, static_cast<std::size_t>(out_p - buf));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += '?';
      ++in_p;
      --in_left;
    }
  }
  ::iconv_close(cd);
  return out;
}

// The host's text is in the locale's character set already.
std::string HostTextToTerminal(std::string_view text) { return std::string(text); }

std::string Cp1251ToTerminal(std::string_view text) {
  const CharsetTable& table = HostCharset();
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    out.append(table.bytes[b], table.length[b]);
  }
  return out;
}

}  // namespace zmk
