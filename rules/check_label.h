// The access-key check of one label against the labels already seen in its container.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "report/log_line.h"
#include "text/codepage.h"

namespace quillet {

// Access keys claimed in one container (a menu level or a dialog): the key byte folded to
// lower case -> the whole text of the first label that claimed it. Entries are only added.
class KeyRegistry {
 public:
  // The text that claimed `key` first, or nullptr.
  const std::string* Find(unsigned char key) const {
    auto it = claims_.find(key);
    return it == claims_.end() ? nullptr : &it->second;
  }
  // Keeps the first claimant: claiming a taken key changes nothing.
  void Claim(unsigned char key, std::string_view label) { claims_.try_emplace(key, label); }
  std::size_t size() const { return claims_.size(); }

 private:
  std::map<unsigned char, std::string> claims_;
};

enum class FindingKind {
  kMissingAmpersand,
  kMisplacedAmpersand,
  kDoubleByteKey,
  kFullWidthParentheses,
  kDuplicateKey,
};

struct Finding {
  FindingKind kind;
  std::string earlier;  // for kDuplicateKey: the label that claimed the key first
};

// The decision alone: the finding `text` gives, if any. A label without a finding that has a
// key claims it in `registry`; nothing else touches the registry.
std::optional<Finding> JudgeLabel(std::string_view text, KeyRegistry& registry,
                                  const CodePage& codePage = CodePage());

// The finding's line template.
const char* FindingTemplate(FindingKind kind);

// Judges `text` and writes its finding, if any, as an error line of `owner`'s report.
void CheckLabel(LogOwner& owner, const std::string& text, KeyRegistry& registry,
                const CodePage& codePage = CodePage());

}  // namespace quillet
