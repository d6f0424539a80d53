// The report's line templates, stored as code page 932 bytes.
#pragma once

namespace quillet::templates {

extern const char* const kSeparator;
extern const char* const kFile;
extern const char* const kFileLoadFailed;
extern const char* const kMenuName;
extern const char* const kMenuId;
extern const char* const kMenuLoadFailed;
extern const char* const kDialogName;
extern const char* const kDialogId;
extern const char* const kDialogLoadFailed;
extern const char* const kTitle;
extern const char* const kBlank;
extern const char* const kFinished;

extern const char* const kMissingAmpersand;
extern const char* const kMisplacedAmpersand;
extern const char* const kDoubleByteKey;
extern const char* const kFullWidthParentheses;
extern const char* const kDuplicateKey;

}  // namespace quillet::templates
