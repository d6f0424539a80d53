// Access-key rules. Positions are byte indexes; searches step whole characters, while the two
// full-width parenthesis tests compare raw bytes at fixed positions.
#include "rules/check_label.h"

#include "report/templates.h"

namespace quillet {
namespace {

constexpr auto npos = std::string_view::npos;

// Code page 932 bytes of （ and ）, used whatever the code page.
constexpr unsigned char kFullLeftParen[2] = {0x81, 0x69};
constexpr unsigned char kFullRightParen[2] = {0x81, 0x6A};

bool BytesAt(std::string_view text, std::size_t pos, const unsigned char (&pair)[2]) {
  return pos + 1 < text.size() && static_cast<unsigned char>(text[pos]) == pair[0] &&
         static_cast<unsigned char>(text[pos + 1]) == pair[1];
}

// No '&': "(X)" with exactly one byte between the first '(' and the first ')' after it is a
// forgotten '&', unless it is "(C)" in a copyright notice.
bool MissesAmpersand(std::string_view text, const CodePage& cp) {
  const std::size_t open = cp.Find(text, '(');
  if (open == npos) return false;
  const std::size_t close = cp.Find(text, ')', open + 1);
  if (close != open + 2) return false;
  const char enclosed = text[open + 1];
  if (enclosed == 'C' || enclosed == 'c') {
    if (cp.Find(cp.FoldLower(text), std::string_view("copyright")) != npos) return false;
  }
  return true;
}

}  // namespace

std::optional<Finding> JudgeLabel(std::string_view text, KeyRegistry& registry,
                                  const CodePage& cp) {
  const std::size_t amp = cp.Find(text, '&');
  if (amp == npos) {
    if (MissesAmpersand(text, cp)) return Finding{FindingKind::kMissingAmpersand, {}};
    return std::nullopt;
  }
  if (amp == text.size() - 1) return Finding{FindingKind::kMisplacedAmpersand, {}};

  const auto key = static_cast<unsigned char>(text[amp + 1]);
  if (cp.IsLeadByte(key)) return Finding{FindingKind::kDoubleByteKey, {}};

  // With only two bytes before the '&' the test before it is skipped: "（&F)" passes.
  if (amp >= 3 && BytesAt(text, amp - 2, kFullLeftParen)) {
    return Finding{FindingKind::kFullWidthParentheses, {}};
  }
  if (amp + 3 < text.size() && BytesAt(text, amp + 2, kFullRightParen)) {
    return Finding{FindingKind::kFullWidthParentheses, {}};
  }

  const auto folded =
      static_cast<unsigned char>((key >= 'A' && key <= 'Z') ? key - 'A' + 'a' : key);
  if (const std::string* earlier = registry.Find(folded)) {
    return Finding{FindingKind::kDuplicateKey, *earlier};
  }
  registry.Claim(folded, text);
  return std::nullopt;
}

const char* FindingTemplate(FindingKind kind) {
  switch (kind) {
    case FindingKind::kMissingAmpersand:
      return templates::kMissingAmpersand;
    case FindingKind::kMisplacedAmpersand:
      return templates::kMisplacedAmpersand;
    case FindingKind::kDoubleByteKey:
      return templates::kDoubleByteKey;
    case FindingKind::kFullWidthParentheses:
      return templates::kFullWidthParentheses;
    case FindingKind::kDuplicateKey:
      return templates::kDuplicateKey;
  }
  return templates::kMissingAmpersand;
}

void CheckLabel(LogOwner& owner, const std::string& text, KeyRegistry& registry,
                const CodePage& cp) {
  const auto finding = JudgeLabel(text, registry, cp);
  if (!finding) return;
  if (finding->kind == FindingKind::kDuplicateKey) {
    LogLine(owner, LineSeverity::kError, FindingTemplate(finding->kind), text.c_str(),
            finding->earlier.c_str());
  } else {
    LogLine(owner, LineSeverity::kError, FindingTemplate(finding->kind), text.c_str());
  }
}

}  // namespace quillet
