// quillet scan: the report of each module given.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

// The files to scan for `paths`: each path as given, or with `recursive` a folder's modules
// below it, sorted. Sets `error` when a folder cannot be read.
std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths, bool recursive,
                                     std::string& error);

int RunScan(const std::vector<std::string_view>& args);

}  // namespace quillet::cli
