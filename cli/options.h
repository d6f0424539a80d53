// Options shared by the commands: output encoding and colour, exit codes.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/console_view.h"

namespace quillet::cli {

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitUsage = 2;

enum class ColorMode { kAuto, kAlways, kNever };

struct OutputOptions {
  OutputEncoding encoding = OutputEncoding::kUtf8;
  ColorMode color = ColorMode::kAuto;
};

// Help text lines for the options above.
extern const char* const kOutputOptionsHelp;

// The value of option `name` at args[i], given as "--name value" (i then moves past the
// value) or "--name=value"; nullopt when args[i] is another argument, or with `error` set when
// the value is missing.
std::optional<std::string_view> OptionValue(const std::vector<std::string_view>& args,
                                            std::size_t& i, std::string_view name,
                                            std::string& error);

// Takes an output option at args[i] ("--encoding X", "--encoding=X", "--color X", ...),
// advancing i past its value. Returns false when args[i] is not one; sets `error` when it is
// one but its value is bad or missing.
bool ParseOutputOption(const std::vector<std::string_view>& args, std::size_t& i,
                       OutputOptions& options, std::string& error);

// Colour only on a terminal and never when NO_COLOR is set, unless asked for.
ConsoleOptions ResolveConsole(const OutputOptions& options, std::FILE* out);

// True when `stream` is a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

// Prints "quillet: <message>" on standard error and returns kExitUsage.
int UsageError(const std::string& message);

}  // namespace quillet::cli
