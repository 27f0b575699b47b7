// The progress windows' logic: the analysing window's heading, logo and
// count lines (and the rich-text runs they are drawn from), the
// uninstall-process window's steps, marker and Close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "ui/Form_AnalyzingAppInstallInfo.h"
#include "ui/Form_UninstallProcess_Leftovers.h"

namespace purgeon {
namespace {

TEST(AnalysingWindow, CountLinesAreTheTemplatesWithTheCount) {
    TFrm_AnalyzingAppInstallInfo form;
    struct Case {
        int count;
        const char16_t* number;
    };
    for (const Case& c : {Case{0, u"0"}, Case{7, u"7"}, Case{100, u"100"}, Case{23456, u"23456"}}) {
        form.ShowFilesCount(c.count);
        form.ShowRegistryCount(c.count);
        EXPECT_EQ(form.HtmlLabel_FilesCount,
                  u"<FONT color=\"#F24400\" size=\"12\" face=\"Arial\"><B>" +
                      std::u16string(c.number) +
                      u"</B></FONT><FONT color=\"#525252\" size=\"12\" "
                      u"face=\"Arial\"><B>  files/folders found</B></FONT>");
        EXPECT_EQ(form.HtmlLabel_RegistryCount,
                  u"<FONT color=\"#F24400\" size=\"12\" face=\"Arial\"><B>" +
                      std::u16string(c.number) +
                      u"</B></FONT><FONT color=\"#525252\" size=\"12\" "
                      u"face=\"Arial\"><B>  registry entries found</B></FONT>");
    }
}

TEST(AnalysingWindow, ACountLineIsDrawnAsTheBoldNumberThenTwoSpacesAndTheWords) {
    TFrm_AnalyzingAppInstallInfo form;
    form.ShowFilesCount(0);
    const std::vector<RichTextRun> runs = ParseRichText(form.HtmlLabel_FilesCount);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], (RichTextRun{u"0", 0xF24400, 12, u"Arial", true}));
    EXPECT_EQ(runs[1], (RichTextRun{u"  files/folders found", 0x525252, 12, u"Arial", true}));
}

TEST(RichText, NestingUnknownTagsAndPlainText) {
    struct Case {
        std::u16string text;
        std::vector<RichTextRun> runs;
    };
    const Case cases[] = {
        {u"plain", {{u"plain", 0, 0, u"", false}}},
        {u"a<B>b</B>c",
         {{u"a", 0, 0, u"", false}, {u"b", 0, 0, u"", true}, {u"c", 0, 0, u"", false}}},
        // An inner FONT takes over only what it sets; closing it restores.
        {u"<font color='#0000ff' size=10><b>x<FONT face=\"Tahoma\">y</FONT>z</b></font>",
         {{u"x", 0x0000FF, 10, u"", true},
          {u"y", 0x0000FF, 10, u"Tahoma", true},
          {u"z", 0x0000FF, 10, u"", true}}},
        // Unknown tags vanish; a colour that is not #RRGGBB is ignored.
        {u"<I>i</I><FONT color=\"red\">r</FONT>", {{u"ir", 0, 0, u"", false}}},
        // A "<" without a ">" is text; stray closing tags do nothing.
        {u"</B></FONT>1 < 2", {{u"1 < 2", 0, 0, u"", false}}},
        {u"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseRichText(c.text), c.runs) << ToUtf8(c.text);
}

TEST(AnalysingWindow, StandardModeShowsTheLogoCustomModeKeepsThePictureItHad) {
    TFrm_AnalyzingAppInstallInfo form;
    form.m_nUninstallMode = TFrm_AnalyzingAppInstallInfo::kCustomMode;
    form.m_strAnalysisAppName = u"Collecting and analyzing D:\\Apps\\ directory.";
    form.FormShow();
    EXPECT_EQ(form.Img_CurAppLogo, 0u) << "no program icon before any standard showing";
    EXPECT_EQ(form.Label_AppNameInfo, u"Collecting and analyzing D:\\Apps\\ directory.");
    EXPECT_TRUE(form.Gif_Analyzing_Playing);
    form.FormHide();
    EXPECT_FALSE(form.Gif_Analyzing_Playing);

    form.mpu_pro_SetAppLogo();  // program A selected
    const std::uint32_t logo_a = form.m_Img_AppLogo;
    form.m_nUninstallMode = TFrm_AnalyzingAppInstallInfo::kStandardMode;
    form.m_strAnalysisAppName = u"Collecting and analyzing Acme software's install information";
    form.FormShow();
    EXPECT_EQ(form.Img_CurAppLogo, logo_a);
    EXPECT_EQ(form.Label_AppNameInfo, form.m_strAnalysisAppName);

    form.mpu_pro_SetAppLogo();  // program B selected, then a custom analysis
    EXPECT_NE(form.m_Img_AppLogo, logo_a);
    form.m_nUninstallMode = TFrm_AnalyzingAppInstallInfo::kCustomMode;
    form.FormShow();
    EXPECT_EQ(form.Img_CurAppLogo, logo_a) << "custom mode leaves the picture as it was";

    form.m_nUninstallMode = TFrm_AnalyzingAppInstallInfo::kStandardMode;
    form.FormShow();
    EXPECT_EQ(form.Img_CurAppLogo, form.m_Img_AppLogo);
}

using Process = TFrm_UninstallProcess_Leftovers;

TEST(UninstallProcessWindow, FormShowStartsWithBothStepsPendingAndTheMarkerAtStep1) {
    Process form;
    // A window left at its end state from the previous run.
    form.FormShow();
    form.WM_UninstallStep(2);
    form.WM_UninstallStep(3);
    form.mpu_pro_UpdateStepTip_Complete();
    form.ImgBtn_CloseClick();

    form.FormShow();
    EXPECT_TRUE(form.visible);
    for (const Process::StepButton* b : {&form.ImgBtn_StepTip1, &form.ImgBtn_StepTip2}) {
        EXPECT_TRUE(b->enabled);
        EXPECT_FALSE(b->down);
    }
    EXPECT_FALSE(form.ImgBtn_Close_Visible);
    EXPECT_EQ(form.Label_StepTip1_StartTip,
              u"Locate and launch the original uninstall program. Please choose to restart later "
              u"if it asks to reboost your computer, or launch Purgeon again after startup.");
    EXPECT_EQ(form.Label_StepTip2_ScanTip,
              u"The original uninstall process is complete. Please click Scan Leftovers button to "
              u"thoroughly search the program's leftover files, folders and registry entries.");
    // 25 left of the first button (58), at its middle (92 + 42 div 2) less 10.
    EXPECT_EQ(form.Gif_Step.left, 33);
    EXPECT_EQ(form.Gif_Step.top, 103);
    EXPECT_TRUE(form.Gif_Step.visible);
    EXPECT_TRUE(form.Gif_Step.playing);
}

TEST(UninstallProcessWindow, OnlySteps2And3MoveTheMarker) {
    Process form;
    form.FormShow();
    auto state = [&] {
        return std::vector<int>{form.Gif_Step.left,           form.Gif_Step.top,
                                form.ImgBtn_StepTip1.enabled, form.ImgBtn_StepTip1.down,
                                form.ImgBtn_StepTip2.enabled, form.ImgBtn_StepTip2.down,
                                form.Gif_Step.visible,        form.ImgBtn_Close_Visible};
    };
    const auto fresh = state();
    for (std::uintptr_t ignored : {0u, 1u, 4u, 0x553u}) {
        form.WM_UninstallStep(ignored);
        EXPECT_EQ(state(), fresh) << ignored;
    }

    form.WM_UninstallStep(2);
    EXPECT_EQ(state(), (std::vector<int>{33, 103, false, true, true, false, true, false}));
    form.WM_UninstallStep(1);
    form.WM_UninstallStep(4);
    EXPECT_EQ(state(), (std::vector<int>{33, 103, false, true, true, false, true, false}));

    form.WM_UninstallStep(3);  // 180 + 21 - 10; the marker keeps its column
    EXPECT_EQ(state(), (std::vector<int>{33, 191, false, true, false, true, true, false}));

    // The indicator's middle is rounded toward zero.
    form.ImgBtn_StepTip2.height = 43;
    form.WM_UninstallStep(3);
    EXPECT_EQ(form.Gif_Step.top, 180 + 21 - 10);
}

TEST(UninstallProcessWindow, CloseComesOnlyWithTheEndOfTheRunEvenAfterOneStep) {
    Process form;
    form.FormShow();
    form.FormCloseQuery();  // Alt+F4 while the uninstaller runs
    EXPECT_TRUE(form.visible);
    form.WM_UninstallStep(2);
    EXPECT_FALSE(form.ImgBtn_Close_Visible);

    form.mpu_pro_UpdateStepTip_Complete();
    EXPECT_FALSE(form.Gif_Step.visible);
    EXPECT_TRUE(form.ImgBtn_Close_Visible);
    EXPECT_TRUE(form.ImgBtn_StepTip2.enabled) << "the second step was never reached";
    EXPECT_TRUE(form.visible) << "the window waits for the user";
    form.ImgBtn_CloseClick();
    EXPECT_FALSE(form.visible);
}

}  // namespace
}  // namespace purgeon
