// quillet labels: the access-key check over a list of labels.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage.h"

namespace quillet::cli {

// One input line turned into a label; an empty label starts a new container.
struct LabelList {
  std::vector<std::string> labels;  // code-page bytes
};

// Splits `input` into lines (LF, an optional CR before it dropped) and converts each from
// UTF-8 (when `utf8`) to the code page. On bad input returns nullopt and sets `error` to a
// message naming the line.
std::optional<LabelList> ReadLabels(std::string_view input, bool utf8, const CodePage& codePage,
                                    std::string& error);

int RunLabels(const std::vector<std::string_view>& args);

}  // namespace quillet::cli
