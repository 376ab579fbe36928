#include "tools/zmkinfo/json.h"

#include <stdexcept>
#include <utility>

#include "tools/zmkinfo/output.h"

namespace zmk {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

}  // namespace

JsonWriter::JsonWriter(std::string* out) : out_(out) {}

JsonWriter::JsonWriter(Sink sink) : out_(&buffer_), sink_(std::move(sink)) {}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (level.object) throw std::logic_error("JSON: an object's member without a key");
  if (!level.empty) *out_ += ',';
  if (level.layout == Layout::kLines) {
    *out_ += '\n';
    out_->append(2 * levels_.size(), ' ');
  } else if (!level.empty) {
    *out_ += ' ';
  }
  level.empty = false;
}

void JsonWriter::AfterValue() {
  if (levels_.empty()) *out_ += '\n';
  if (sink_ && out_->size() >= kPiece) Flush();
}

void JsonWriter::Key(std::string_view key) {
  if (levels_.empty() || !levels_.back().object || after_key_) {
    throw std::logic_error("JSON: a key outside an object");
  }
  Level& level = levels_.back();
  if (!level.empty) *out_ += ", ";
  level.empty = false;
  *out_ += JsonString(key);
  *out_ += ": ";
  after_key_ = true;
}

void JsonWriter::BeginObject() {
  BeforeValue();
  *out_ += '{';
  levels_.push_back({true, Layout::kInline});
}

void JsonWriter::BeginArray(Layout layout) {
  BeforeValue();
  *out_ += '[';
  levels_.push_back({false, layout});
}

void JsonWriter::End(bool object) {
  if (levels_.empty() || levels_.back().object != object || after_key_) {
    throw std::logic_error("JSON: a close without its open");
  }
  const bool lines = levels_.back().layout == Layout::kLines;
  levels_.pop_back();
  if (lines) {
    *out_ += '\n';
    out_->append(2 * levels_.size(), ' ');
  }
  *out_ += object ? '}' : ']';
  AfterValue();
}

void JsonWriter::EndObject() { End(true); }

void JsonWriter::EndArray() { End(false); }

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  *out_ += JsonString(text);
  AfterValue();
}

void JsonWriter::Int(std::int64_t value) {
  BeforeValue();
  *out_ += std::to_string(value);
  AfterValue();
}

void JsonWriter::Uint(std::uint64_t value) {
  BeforeValue();
  *out_ += std::to_string(value);
  AfterValue();
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  *out_ += value ? "true" : "false";
  AfterValue();
}

void JsonWriter::Null() {
  BeforeValue();
  *out_ += "null";
  AfterValue();
}

void JsonWriter::Flush() {
  if (!sink_ || buffer_.empty()) return;
  sink_(buffer_);
  buffer_.clear();
}

}  // namespace zmk
