// The report's line templates. This file is compiled with -fexec-charset=CP932, so the
// literals below are stored as code page 932 bytes while the source stays readable.
#include "report/templates.h"

namespace quillet::templates {

const char* const kSeparator = "----------------------------------------------------------";
const char* const kFile = "File : %s";
const char* const kFileLoadFailed = "ファイルの読み込みに失敗しました。";
const char* const kMenuName = "MenuName : %s";
const char* const kMenuId = "MenuID : %d";
const char* const kMenuLoadFailed = "メニューの読み込みに失敗しました。";
const char* const kDialogName = "DialogName : %s";
const char* const kDialogId = "DialogID : %d";
const char* const kDialogLoadFailed = "ダイアログの読み込みに失敗しました。";
const char* const kTitle = "Title : %s";
const char* const kBlank = " ";
const char* const kFinished = "終了しました。  エラー数 : %d";

const char* const kMissingAmpersand = "  &の付け忘れ : %s";
const char* const kMisplacedAmpersand = "  &の位置が異常 ：%s";
const char* const kDoubleByteKey = "  アクセスキーが2バイト文字 : %s";
const char* const kFullWidthParentheses = "  アクセスキーのカッコが全角 : %s";
const char* const kDuplicateKey = "  アクセスキーの重複 : %s, %s";

}  // namespace quillet::templates
