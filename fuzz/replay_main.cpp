// A main for a fuzz target without libFuzzer: runs LLVMFuzzerTestOneInput once per file, so
// the GCC build replays committed inputs as a test (tests/CMakeLists.txt). A failed check or a
// sanitizer finding aborts the run. Each argument is a file or a folder of files (not
// searched recursively); a folder that does not exist holds no inputs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path path = argv[i];
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      std::vector<fs::path> files;
      for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      inputs.insert(inputs.end(), files.begin(), files.end());
    } else if (fs::exists(path, ec)) {
      inputs.push_back(path);
    }
  }
  for (const fs::path& input : inputs) {
    std::printf("%s\n", input.c_str());
    std::fflush(stdout);
    std::ifstream in(input, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", input.c_str());
      return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return 0;
}
