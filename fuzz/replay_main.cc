// A fuzz target's entry function run on saved inputs, without libFuzzer, so
// that the ordinary test suite replays them on every platform and build.
//
//   NAME_replay PATH...   (files, and folders of inputs)
//
// A failing input aborts, as it would under the fuzzer; the line before
// names it. A folder without inputs fails the run: a replay that tried
// nothing must not pass.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool Replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
    return false;
  }
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::fprintf(stderr, "%s\n", file.string().c_str());
  // libFuzzer never passes a null pointer, not even for an empty input.
  static const std::uint8_t kNone = 0;
  LLVMFuzzerTestOneInput(
      bytes.empty() ? &kNone : reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH...\n", argv[0]);
    return 2;
  }
  std::size_t total = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    std::error_code error;
    std::vector<fs::path> files;
    if (fs::is_directory(path, error)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      if (files.empty()) {
        std::fprintf(stderr, "no inputs in %s\n", argv[i]);
        return 1;
      }
    } else {
      files.push_back(path);
    }
    for (const fs::path& file : files) {
      if (!Replay(file)) return 1;
    }
    std::printf("%s: %zu inputs\n", argv[i], files.size());
    total += files.size();
  }
  std::printf("replayed %zu inputs, none failed\n", total);
  return 0;
}
