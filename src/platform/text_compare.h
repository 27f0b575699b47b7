// Locale-aware text comparison, for the one place that folds every letter's
// case, not only ASCII's: the duplicate test of the registry results shown
// in the main window (the user sees "HKLM|...\Café" and "HKLM|...\CAFÉ" as
// one entry, as Windows' own comparison does).
#pragma once

#include <string>

namespace purgeon {

class TextComparePort {
  public:
    virtual ~TextComparePort() = default;
    // Equal when the texts differ at most in letter case, by the user's
    // locale (Win32: CompareStringW with NORM_IGNORECASE).
    virtual bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) = 0;
};

}  // namespace purgeon
