// Scans a folder of modules (default: Wine's own PE files) and prints files/s, MB/s and peak
// memory. Run by hand: build/linux/quillet_bench [FOLDER] [ROUNDS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/scan_command.h"
#include "scan/pe_services.h"
#include "scan/scanner.h"

namespace {

// Counts what the report would hold without keeping or printing it.
class NullView : public quillet::LogView {
 public:
  std::size_t bytes = 0;
  int32_t GetTextLength() override { return 0; }
  void ExSetSel(int32_t, int32_t) override {}
  void SetSelectionCharFormat(const quillet::CharFormat&) override {}
  void ReplaceSel(std::string_view text) override { bytes += text.size(); }
  int32_t GetLineCount() override { return 1; }
  void LineScroll(int32_t, int32_t) override {}
  void RedrawNow() override {}
  void SetRedraw(bool) override {}
};

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::string error;
  const auto files = quillet::cli::ExpandPaths({folder}, true, error);
  if (!error.empty() || files.empty()) {
    std::fprintf(stderr, "quillet_bench: no modules under %s %s\n", folder.c_str(), error.c_str());
    return 2;
  }
  std::uintmax_t totalBytes = 0;
  for (const auto& f : files) {
    std::error_code ec;
    totalBytes += std::filesystem::file_size(f, ec);
  }

  const quillet::CodePage codePage;
  auto services = quillet::MakePeResourceServices(codePage, 0x0411);
  NullView view;
  quillet::Scanner scanner(view, *services, codePage);
  double best = 1e300;
  long errors = 0;
  for (int r = 0; r < rounds; ++r) {
    errors = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& f : files) {
      scanner.ScanFile(f);
      errors += scanner.ErrorCount();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("folder      %s\n", folder.c_str());
  std::printf("files       %zu (%.1f MB), %d rounds, best round %.3f s\n", files.size(),
              static_cast<double>(totalBytes) / 1e6, rounds, best);
  std::printf("files/s     %.0f\n", static_cast<double>(files.size()) / best);
  std::printf("MB/s        %.1f\n", static_cast<double>(totalBytes) / 1e6 / best);
  std::printf("peak RSS    %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  std::printf("error lines %ld, report %.1f KB per round\n", errors,
              static_cast<double>(view.bytes) / 1024.0 / rounds);
  return 0;
}
