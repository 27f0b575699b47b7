// Case-insensitive comparison for native tests: folds ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic letters, which is what the tests'
// texts hold; other characters compare exactly.
#pragma once

#include "platform/text_compare.h"

namespace purgeon {

class MemoryTextCompare : public TextComparePort {
  public:
    bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) override;
    static char16_t Fold(char16_t c);
};

}  // namespace purgeon
