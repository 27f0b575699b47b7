// CompareStringW with NORM_IGNORECASE in the user's locale.
#pragma once

#include "platform/text_compare.h"

namespace purgeon {

class Win32TextCompare : public TextComparePort {
  public:
    bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) override;
};

}  // namespace purgeon
