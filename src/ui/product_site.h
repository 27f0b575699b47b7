// The product web site: one host, the pages the program opens on it.
#pragma once

namespace purgeon {

inline constexpr char16_t kProductSiteHost[] = u"www.purgeon.com";

// Opened over https from the menu bar.
inline constexpr char16_t kSupportPageUrl[] = u"https://www.purgeon.com/support.html";
inline constexpr char16_t kHelpPageUrl[] = u"https://www.purgeon.com/help/";
// The start page behind the About window's link, over http.
inline constexpr char16_t kStartPageUrl[] = u"http://www.purgeon.com/";

}  // namespace purgeon
