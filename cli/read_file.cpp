// Whole-file reads for the command line.
#include "cli/read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace quillet::cli {

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error) {
  std::FILE* in = stdin;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(nullptr, &std::fclose);
  if (path != "-") {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
      error = path + ": is a directory";
      return std::nullopt;
    }
    owned.reset(std::fopen(path.c_str(), "rb"));
    if (!owned) {
      error = path + ": " + std::strerror(errno);
      return std::nullopt;
    }
    in = owned.get();
  }
  std::string data;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) data.append(buf, n);
  if (std::ferror(in)) {
    error = (path == "-" ? std::string("standard input") : path) + ": read error";
    return std::nullopt;
  }
  return data;
}

}  // namespace quillet::cli
