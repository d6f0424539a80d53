// Whole-file reads for the command line.
#pragma once

#include <optional>
#include <string>

namespace quillet::cli {

// The bytes of `path` ("-" for standard input); nullopt with `error` set when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error);

}  // namespace quillet::cli
