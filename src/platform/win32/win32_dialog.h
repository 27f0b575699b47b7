// Dialog port over MessageBoxW. The box is modal to `owner` (0: no owner)
// and pumps the calling thread's messages while it is shown.
#pragma once

#include "platform/dialog.h"

namespace purgeon {

class Win32Dialog : public DialogPort {
  public:
    int MessageBox(WindowId owner, const std::u16string& text, const std::u16string& caption,
                   std::uint32_t flags) override;
};

}  // namespace purgeon
