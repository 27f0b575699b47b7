// The analysing window, free of any window toolkit: the heading, the
// program's logo in standard mode, the animation and the two counts, kept as
// the rich-text lines the window draws. The view renders the state after
// each call and draws a count line by parsing it (ParseRichText), so what is
// drawn is exactly the text the label holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace purgeon {

// The count lines' templates; "%d" stands for the count.
extern const char16_t kAnalysingFilesCountTemplate[];
extern const char16_t kAnalysingRegistryCountTemplate[];

// One stretch of a rich-text line: its text and the look of the FONT and B
// tags around it.
struct RichTextRun {
    std::u16string text;
    std::uint32_t colour = 0;  // 0xRRGGBB as written after "#"
    int size = 0;              // the FONT size attribute (points); 0 = none
    std::u16string face;
    bool bold = false;
    friend bool operator==(const RichTextRun&, const RichTextRun&) = default;
};

// Splits a line of FONT (color, size, face) and B tags into runs; text
// outside any tag is a run with no look. Unknown tags are dropped, entities
// are not decoded.
std::vector<RichTextRun> ParseRichText(const std::u16string& text);

class TFrm_AnalyzingAppInstallInfo {
  public:
    static constexpr int kStandardMode = 1;
    static constexpr int kCustomMode = 2;

    // The window received a new copy of the selected program's icon.
    void mpu_pro_SetAppLogo() { ++m_Img_AppLogo; }

    // Standard mode shows the logo; custom mode leaves the picture as it
    // was. Starts the animation and sets the heading.
    void FormShow();
    void FormHide() { Gif_Analyzing_Playing = false; }
    void ShowFilesCount(int int_param_Count);
    void ShowRegistryCount(int int_param_Count);

    std::u16string m_strAnalysisAppName;
    // Which icon the window holds: a serial number that each new copy
    // raises (0 = none yet).
    std::uint32_t m_Img_AppLogo = 0;
    int m_nUninstallMode = kStandardMode;

    // Control state.
    std::uint32_t Img_CurAppLogo = 0;  // the m_Img_AppLogo it shows; 0 = none
    std::u16string Label_AppNameInfo;
    bool Gif_Analyzing_Playing = false;
    std::u16string HtmlLabel_FilesCount;
    std::u16string HtmlLabel_RegistryCount;
};

}  // namespace purgeon
