#include "header/stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "header/test_file.h"
#include "platform/error.h"

namespace zmk {
namespace {

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

// Reads `stream` to its end in pieces of the given sizes, cycling.
std::string Drain(Stream& stream, const std::vector<std::size_t>& pieces) {
  std::string out;
  for (std::size_t i = 0;; ++i) {
    std::size_t want = pieces[i % pieces.size()];
    std::string piece(want, '?');
    std::size_t got = stream.Read(&piece[0], want);
    // Bytes past the count read stay untouched.
    EXPECT_EQ(piece.substr(got), std::string(want - got, '?'));
    out += piece.substr(0, got);
    if (got < want) return out;
  }
}

TEST(FileStreamTest, DeliversTheFileWhateverThePieces) {
  const std::vector<std::vector<std::size_t>> piece_plans = {
      {1}, {4, 8, 1}, {4095, 2}, {4096}, {4097}, {10000, 3}, {100000}};
  for (std::size_t size : {0u, 1u, 71u, 4095u, 4096u, 4097u, 20000u}) {
    const std::string bytes = Pattern(size);
    test::TempFile file(bytes);
    for (const auto& pieces : piece_plans) {
      SCOPED_TRACE("size " + std::to_string(size) + ", first piece " +
                   std::to_string(pieces[0]));
      FileStream stream(file.path());
      EXPECT_EQ(Drain(stream, pieces), bytes);
      char c;
      EXPECT_EQ(stream.Read(&c, 1), 0u);  // still at the end
    }
  }
}

TEST(MemoryStreamTest, DeliversTheBytesWhateverThePieces) {
  const std::string bytes = Pattern(5000);
  for (std::size_t piece : {1u, 3u, 4096u, 6000u}) {
    MemoryStream stream(bytes);
    EXPECT_EQ(Drain(stream, {piece}), bytes);
  }
}

TEST(StreamTest, ExactReadFailsWhenShort) {
  const std::string bytes = Pattern(10);
  test::TempFile file(bytes);
  FileStream file_stream(file.path());
  MemoryStream memory_stream(bytes);
  for (Stream* stream : {static_cast<Stream*>(&file_stream),
                         static_cast<Stream*>(&memory_stream)}) {
    char buf[16];
    stream->ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), bytes.substr(0, 4));
    try {
      stream->ReadBuffer(buf, 7);
      ADD_FAILURE() << "no error";
    } catch (const ReadError& e) {
      EXPECT_STREQ(e.what(), "Stream read error");
    }
  }
}

}  // namespace
}  // namespace zmk
