// quillet labels: each line is a label; a blank line closes the current container.
#include "cli/labels_command.h"

#include <cstdio>

#include "cli/console_view.h"
#include "cli/options.h"
#include "cli/read_file.h"
#include "rules/check_label.h"

namespace quillet::cli {
namespace {

constexpr const char* kLabelsUsage =
    "Usage: quillet labels [OPTIONS] [FILE|-]\n"
    "\n"
    "Checks the access keys of a list of labels, one label per line, read from FILE or\n"
    "from standard input (- or no FILE). The labels of one container (a menu level or a\n"
    "dialog) stand on consecutive lines; a blank line starts the next container, so a\n"
    "key repeated across a blank line is no duplicate. A trailing CR is dropped; nothing\n"
    "else is trimmed. Each finding is printed as the report shows it.\n"
    "\n"
    "Options:\n";

constexpr const char* kLabelsUsageTail =
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 no finding, 1 at least one finding, 2 usage or input error\n"
    "(unreadable file, invalid UTF-8, a NUL byte in a label).\n";

}  // namespace

std::optional<LabelList> ReadLabels(std::string_view input, bool utf8, const CodePage& codePage,
                                    std::string& error) {
  if (utf8 && input.starts_with("\xEF\xBB\xBF")) input.remove_prefix(3);
  LabelList list;
  std::size_t lineNo = 0;
  while (!input.empty()) {
    ++lineNo;
    const std::size_t eol = input.find('\n');
    std::string_view line = input.substr(0, eol);
    input.remove_prefix(eol == std::string_view::npos ? input.size() : eol + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.find('\0') != std::string_view::npos) {
      error = "line " + std::to_string(lineNo) + ": NUL byte in a label";
      return std::nullopt;
    }
    if (!utf8) {
      list.labels.emplace_back(line);
      continue;
    }
    auto converted = codePage.FromUtf8(line);
    if (!converted) {
      error = "line " + std::to_string(lineNo) + ": invalid UTF-8";
      return std::nullopt;
    }
    list.labels.push_back(std::move(*converted));
  }
  return list;
}

int RunLabels(const std::vector<std::string_view>& args) {
  OutputOptions output;
  std::optional<std::string> path;
  bool onlyOperands = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string error;
    if (!onlyOperands && (arg == "-h" || arg == "--help")) {
      std::fputs(kLabelsUsage, stdout);
      std::fputs(kOutputOptionsHelp, stdout);
      std::fputs(kLabelsUsageTail, stdout);
      return kExitClean;
    }
    if (!onlyOperands && arg == "--") {
      onlyOperands = true;
      continue;
    }
    if (!onlyOperands && ParseOutputOption(args, i, output, error)) {
      if (!error.empty()) return UsageError(error);
      continue;
    }
    if (!onlyOperands && arg.size() > 1 && arg[0] == '-') {
      return UsageError("labels: unknown option '" + std::string(arg) +
                        "' (see quillet labels --help)");
    }
    if (path) return UsageError("labels: takes one FILE (see quillet labels --help)");
    path = std::string(arg);
  }

  const CodePage codePage;
  std::string error;
  const std::string source = path.value_or("-");
  auto input = ReadWholeFile(source, error);
  if (!input) return UsageError(error);
  const bool utf8 = output.encoding == OutputEncoding::kUtf8;
  auto list = ReadLabels(*input, utf8, codePage, error);
  if (!list)
    return UsageError((source == "-" ? std::string("standard input") : source) + ": " + error);

  ConsoleView view(stdout, codePage, ResolveConsole(output, stdout));
  ConsoleOwner owner(view);
  KeyRegistry registry;
  for (const std::string& label : list->labels) {
    if (label.empty()) {
      registry = KeyRegistry();
      continue;
    }
    CheckLabel(owner, label, registry, codePage);
  }
  if (std::fflush(stdout) != 0 || !view.ok()) {
    std::fputs("quillet: error writing the report to standard output\n", stderr);
    return kExitUsage;
  }
  return owner.ErrorCount() > 0 ? kExitFindings : kExitClean;
}

}  // namespace quillet::cli
