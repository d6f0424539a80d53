// libFuzzer target: the access-key check over arbitrary labels of one container. The first
// byte chooses the code page (932, 936, 949, 950 or single-byte 1252); the rest is split at
// NUL and newline bytes into labels, all checked with one KeyRegistry as the labels of one menu
// level or dialog are. Checks that a label gives at most one line, and that the registry only
// grows, by at most the one key of a label without a finding. Build and run with fuzz/run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "rules/check_label.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillet;
  if (size == 0) return 0;
  static constexpr unsigned kCodePages[] = {932, 936, 949, 950, 1252};
  const CodePage codePage(kCodePages[data[0] % std::size(kCodePages)]);
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

  fuzz::CountingOwner owner;
  KeyRegistry registry;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of(std::string_view("\n\0", 2), start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string label(rest.substr(start, end - start));
    start = end + 1;
    if (label.empty()) continue;  // the walks never check an empty text

    FUZZ_CHECK(codePage.FoldLower(label).size() == label.size());
    const std::size_t amp = codePage.Find(label, '&');
    FUZZ_CHECK(amp == std::string::npos || (amp < label.size() && label[amp] == '&'));

    const std::size_t keysBefore = registry.size();
    const int32_t errorsBefore = owner.errorCount;
    const int32_t linesBefore = owner.view.lines;
    CheckLabel(owner, label, registry, codePage);
    const bool flagged = owner.errorCount != errorsBefore;
    FUZZ_CHECK(owner.errorCount - errorsBefore <= 1);
    FUZZ_CHECK(owner.view.lines - linesBefore == (flagged ? 1 : 0));
    FUZZ_CHECK(registry.size() - keysBefore <= (flagged || amp == std::string::npos ? 0u : 1u));
  }
  return 0;
}
