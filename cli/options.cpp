// Shared option parsing for the commands.
#include "cli/options.h"

#include <cstdlib>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define QUILLET_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define QUILLET_ISATTY(f) isatty(fileno(f))
#endif

namespace quillet::cli {

const char* const kOutputOptionsHelp =
    "  --encoding ENC    utf8 (default): UTF-8 text, lines ending in LF;\n"
    "                    cp932: the report's own code page 932 bytes, lines ending in\n"
    "                    CR LF (quillet labels then reads code page 932 input too)\n"
    "  --color WHEN      auto (default: only on a terminal, never when NO_COLOR is set),\n"
    "                    always or never; error lines are red\n";

std::optional<std::string_view> OptionValue(const std::vector<std::string_view>& args,
                                            std::size_t& i, std::string_view name,
                                            std::string& error) {
  const std::string_view arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) {
      error = std::string(name) + " needs a value";
      return std::nullopt;
    }
    return args[++i];
  }
  if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
    return arg.substr(name.size() + 1);
  }
  return std::nullopt;
}

bool ParseOutputOption(const std::vector<std::string_view>& args, std::size_t& i,
                       OutputOptions& options, std::string& error) {
  const std::string_view arg = args[i];
  if (arg.starts_with("--encoding")) {
    auto value = OptionValue(args, i, "--encoding", error);
    if (!value) {
      if (error.empty()) return false;
      return true;
    }
    if (*value == "utf8" || *value == "utf-8" || *value == "UTF-8") {
      options.encoding = OutputEncoding::kUtf8;
    } else if (*value == "cp932" || *value == "CP932") {
      options.encoding = OutputEncoding::kCodePage;
    } else {
      error = "unknown encoding '" + std::string(*value) + "' (use utf8 or cp932)";
    }
    return true;
  }
  if (arg.starts_with("--color")) {
    auto value = OptionValue(args, i, "--color", error);
    if (!value) {
      if (error.empty()) return false;
      return true;
    }
    if (*value == "auto") {
      options.color = ColorMode::kAuto;
    } else if (*value == "always") {
      options.color = ColorMode::kAlways;
    } else if (*value == "never") {
      options.color = ColorMode::kNever;
    } else {
      error = "unknown colour mode '" + std::string(*value) + "' (use auto, always or never)";
    }
    return true;
  }
  return false;
}

ConsoleOptions ResolveConsole(const OutputOptions& options, std::FILE* out) {
  ConsoleOptions console;
  console.encoding = options.encoding;
  console.escapeControls = options.encoding == OutputEncoding::kUtf8 && QUILLET_ISATTY(out);
  console.flushEachLine = QUILLET_ISATTY(out);
  switch (options.color) {
    case ColorMode::kAlways:
      console.color = true;
      break;
    case ColorMode::kNever:
      console.color = false;
      break;
    case ColorMode::kAuto: {
      const char* noColor = std::getenv("NO_COLOR");
      console.color = QUILLET_ISATTY(out) && !(noColor && *noColor);
      break;
    }
  }
  return console;
}

bool IsTerminal(std::FILE* stream) {
  return QUILLET_ISATTY(stream) != 0;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "quillet: %s\n", message.c_str());
  return kExitUsage;
}

}  // namespace quillet::cli
