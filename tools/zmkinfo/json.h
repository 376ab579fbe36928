// The one writer of the JSON zmkinfo prints. It places every separator
// itself: ", " between members and elements, ": " after a key, and a line
// end after the outermost value; an array opened with kLines puts each
// element on a line of its own, indented two spaces a level.
#ifndef ZMK_TOOLS_ZMKINFO_JSON_H_
#define ZMK_TOOLS_ZMKINFO_JSON_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zmk {

class JsonWriter {
 public:
  using Sink = std::function<void(std::string_view)>;
  enum class Layout { kInline, kLines };

  // Appends to `*out`.
  explicit JsonWriter(std::string* out);
  // Hands the text to `sink` in pieces of about 64 KiB, between values,
  // and what is left at Flush().
  explicit JsonWriter(Sink sink);

  void BeginObject();
  void EndObject();
  void BeginArray(Layout layout = Layout::kInline);
  void EndArray();
  // A member's key; its value is the next thing written.
  void Key(std::string_view key);

  // Strings by JsonString's rule: any bytes give valid UTF-8.
  void String(std::string_view text);
  void Int(std::int64_t value);
  void Uint(std::uint64_t value);
  void Bool(bool value);
  void Null();

  void Flush();

 private:
  struct Level {
    bool object;
    Layout layout;
    bool empty = true;
  };

  void BeforeValue();
  void AfterValue();
  void End(bool object);

  std::string buffer_;
  std::string* out_;
  Sink sink_;
  std::vector<Level> levels_;
  bool after_key_ = false;
};

}  // namespace zmk

#endif  // ZMK_TOOLS_ZMKINFO_JSON_H_
