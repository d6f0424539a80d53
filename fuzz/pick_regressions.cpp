// Picks a small regression corpus out of a fuzz target's corpus: for each distinct outcome
// (each fault message with its numbers and names blanked, each finding kind, each kind of
// success), the smallest input that has it, copied under a name that says what it is. The
// GCC build replays the result (tests/data/fuzz-regressions, see its README.md).
//
// Usage: pick_regressions TARGET OUT_DIR CORPUS_DIR...   (TARGET: pe scan menu dialog label)
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "report/log_line.h"
#include "report/templates.h"
#include "rules/check_label.h"
#include "scan/pe/dialog_template.h"
#include "scan/pe/menu_template.h"
#include "scan/pe/pe_image.h"
#include "scan/pe_services.h"
#include "scan/scanner.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Keys = std::set<std::string>;

// A fault message without what differs from input to input.
std::string Normalize(const std::string& message) {
  static const std::regex quoted("\"[^\"]*\""), hex("0x[0-9a-f]+"), number("[0-9]+");
  std::string out = std::regex_replace(message, quoted, "S");
  out = std::regex_replace(out, hex, "X");
  return std::regex_replace(out, number, "N");
}

Keys PeKeys(const Bytes& bytes) {
  using namespace quillet::pe;
  auto image = PeImage::Parse(bytes);
  if (!image) return {"parse " + Normalize(image.error())};
  Keys keys{image->is64() ? "ok pe32plus" : "ok pe32"};
  for (uint16_t type : {kRtMenu, kRtDialog}) {
    auto listed = image->ListResources(ResourceName::Id(type));
    if (!listed) {
      keys.insert("list " + Normalize(listed.error()));
      continue;
    }
    for (const auto& entry : *listed) {
      if (entry.name.isString) keys.insert("ok string name");
      if (!entry.data) keys.insert("data " + Normalize(entry.data.error()));
    }
  }
  return keys;
}

// Keeps the report's lines; a finding line is told by its template's text before the "%s".
class LinesView : public quillet::LogView {
 public:
  std::vector<std::string> lines;
  int32_t GetTextLength() override { return 0; }
  void ExSetSel(int32_t, int32_t) override {}
  void SetSelectionCharFormat(const quillet::CharFormat&) override {}
  void ReplaceSel(std::string_view text) override { lines.emplace_back(text); }
  int32_t GetLineCount() override { return 0; }
  void LineScroll(int32_t, int32_t) override {}
  void RedrawNow() override {}
  void SetRedraw(bool) override {}
};

void FindingKeys(const std::vector<std::string>& lines, const std::string& prefix, Keys& keys) {
  using namespace quillet;
  const std::pair<const char*, const char*> kinds[] = {
      {templates::kMissingAmpersand, "missing ampersand"},
      {templates::kMisplacedAmpersand, "misplaced ampersand"},
      {templates::kDoubleByteKey, "double-byte key"},
      {templates::kFullWidthParentheses, "full-width parentheses"},
      {templates::kDuplicateKey, "duplicate key"}};
  for (const std::string& line : lines) {
    for (const auto& [templ, name] : kinds) {
      const std::size_t fixed = std::strstr(templ, "%s") - templ;
      if (line.compare(0, fixed, templ, fixed) == 0) keys.insert(prefix + name);
    }
  }
}

Keys ScanKeys(const Bytes& bytes) {
  using namespace quillet;
  const fs::path path = fs::temp_directory_path() / "quillet-pick-regressions.dll";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  const CodePage codePage;
  LinesView view;
  auto services = MakePeResourceServices(codePage, pe::kDefaultLanguage);
  Scanner scanner(view, *services, codePage);
  Keys keys;
  scanner.SetFailureListener(
      [&](const std::string&) { keys.insert("fail " + Normalize(services->LastError())); });
  scanner.ScanFile(path.string());
  fs::remove(path);
  if (keys.empty()) keys.insert("ok");
  FindingKeys(view.lines, "finding ", keys);
  return keys;
}

Keys MenuKeys(const Bytes& bytes) {
  auto menu = quillet::pe::ParseMenuTemplate(bytes);
  if (!menu) return {Normalize(menu.error())};
  const bool extended = bytes[0] == 1;
  return {std::string("ok ") + (extended ? "extended" : "classic") +
          (menu->levels.size() > 1 ? " with popups" : "")};
}

Keys DialogKeys(const Bytes& bytes) {
  using namespace quillet::pe;
  auto dialog = ParseDialogTemplate(bytes);
  if (!dialog) return {Normalize(dialog.error())};
  const std::string form = dialog->extended ? "extended" : "classic";
  auto instance = InstantiateDialog(*dialog);
  if (!instance) return {form + " " + Normalize(instance.error())};
  return {"ok " + form + (dialog->font ? " with font" : "") +
          (instance->childTexts.size() < dialog->items.size() ? " leaving controls out" : "")};
}

Keys LabelKeys(const Bytes& bytes) {
  using namespace quillet;
  if (bytes.empty()) return {};
  static constexpr unsigned kCodePages[] = {932, 936, 949, 950, 1252};
  const unsigned id = kCodePages[bytes[0] % std::size(kCodePages)];
  class Owner : public LogOwner {
   public:
    LinesView view;
    int32_t errors = 0;
    LogView& Log() override { return view; }
    int32_t& ErrorCount() override { return errors; }
    uint32_t WindowTextColor() override { return 0; }
  } owner;
  KeyRegistry registry;
  std::string text(bytes.begin() + 1, bytes.end());
  std::replace(text.begin(), text.end(), '\0', '\n');
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    if (end > start) CheckLabel(owner, text.substr(start, end - start), registry, CodePage(id));
    start = end + 1;
  }
  Keys keys{"cp" + std::to_string(id)};
  FindingKeys(owner.view.lines, "cp" + std::to_string(id) + " ", keys);
  return keys;
}

std::string Slug(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    } else if (!out.empty() && out.back() != '-') {
      out.push_back('-');
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.substr(0, 100);
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, std::function<Keys(const Bytes&)>> targets = {{"pe", PeKeys},
                                                                            {"scan", ScanKeys},
                                                                            {"menu", MenuKeys},
                                                                            {"dialog", DialogKeys},
                                                                            {"label", LabelKeys}};
  if (argc < 4 || !targets.count(argv[1])) {
    std::fprintf(stderr,
                 "usage: pick_regressions pe|scan|menu|dialog|label OUT_DIR CORPUS_DIR...\n");
    return 2;
  }
  const auto& keysOf = targets.at(argv[1]);
  std::map<std::string, Bytes> best;  // outcome -> smallest input (then the first in byte order)
  for (int i = 3; i < argc; ++i) {
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[i])) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      for (const std::string& key : keysOf(bytes)) {
        auto it = best.find(key);
        if (it == best.end() || bytes.size() < it->second.size() ||
            (bytes.size() == it->second.size() && bytes < it->second)) {
          best[key] = bytes;
        }
      }
    }
  }
  const fs::path out = argv[2];
  fs::create_directories(out);
  std::set<Bytes> kept;
  for (const auto& [key, bytes] : best) {
    if (!kept.insert(bytes).second) continue;  // one input may be the smallest of several
    std::ofstream(out / Slug(key), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::printf("%6zu  %s\n", bytes.size(), Slug(key).c_str());
  }
  return 0;
}
