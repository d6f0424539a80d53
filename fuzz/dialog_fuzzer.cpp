// libFuzzer target: any bytes as an RT_DIALOG template, then the instantiation model. A
// template that parses must read back the same when the tests' writer writes it, and the
// dialog it creates shows at most one text per item, none holding a NUL. Build and run with
// fuzz/run.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "scan/pe/dialog_template.h"
#include "tests/pe/pe_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillet::pe;
  Result<DialogTemplate> dialog = ParseDialogTemplate(std::span<const uint8_t>(data, size));
  if (!dialog) return 0;
  FUZZ_CHECK(dialog->font.has_value() == ((dialog->style & kDsSetFont) != 0));
  for (const DialogItem& item : dialog->items) {
    FUZZ_CHECK(item.windowClass.kind != NameOrOrdinal::Kind::kNone);
    FUZZ_CHECK(item.title.kind != NameOrOrdinal::Kind::kNone);
  }

  Result<DialogTemplate> again = ParseDialogTemplate(writer::DialogBytes(*dialog));
  FUZZ_CHECK(again.ok());
  FUZZ_CHECK(*again == *dialog);

  Result<DialogInstance> instance = InstantiateDialog(*dialog);
  if (!instance) return 0;
  FUZZ_CHECK(instance->childTexts.size() <= dialog->items.size());
  FUZZ_CHECK(instance->caption.find(u'\0') == std::u16string::npos);
  for (const std::u16string& text : instance->childTexts) {
    FUZZ_CHECK(text.find(u'\0') == std::u16string::npos);
  }
  return 0;
}
