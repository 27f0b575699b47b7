#include "ui/win32/workflow_controls.h"

#include "platform/win32/wide.h"
#include "ui/Form_AnalyzingAppInstallInfo.h"

namespace purgeon {

namespace {
constexpr int kDefaultSize = 12;
constexpr wchar_t kDefaultFace[] = L"Arial";
}  // namespace

void IconPicture::SetIcon(HICON icon) {
    icon_ = icon;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void IconPicture::Paint(HDC dc, const RECT& client) {
    if (icon_ != nullptr)
        DrawIconEx(dc, 0, 0, icon_, client.right, client.bottom, 0, nullptr, DI_NORMAL);
}

HFONT RichTextLabel::FontFor(const std::wstring& face, int pixels, bool bold) {
    auto key = std::make_tuple(face, pixels, bold);
    auto found = fonts_.find(key);
    if (found == fonts_.end()) {
        ScopedFont font(CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                    FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                    CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str()));
        found = fonts_.emplace(std::move(key), std::move(font)).first;
    }
    return found->second.Get();
}

void RichTextLabel::Paint(HDC dc, const RECT& client) {
    const std::wstring text = Text();
    SetBkMode(dc, TRANSPARENT);
    const UINT old_align = SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    // Every run sits on one baseline, that of the line's largest font.
    const auto runs = ParseRichText(FromWide(text.c_str(), text.size()));
    int ascent = 0;
    for (const RichTextRun& run : runs) {
        const std::wstring face = run.face.empty() ? kDefaultFace : Wide(run.face);
        ScopedSelectObject font(
            dc, FontFor(face, PixelsOfSize(run.size > 0 ? run.size : kDefaultSize), run.bold));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        if (metrics.tmAscent > ascent) ascent = metrics.tmAscent;
    }
    int x = 0;
    for (const RichTextRun& run : runs) {
        if (x >= client.right) break;
        const std::wstring face = run.face.empty() ? kDefaultFace : Wide(run.face);
        ScopedSelectObject font(
            dc, FontFor(face, PixelsOfSize(run.size > 0 ? run.size : kDefaultSize), run.bold));
        SetTextColor(dc,
                     RGB((run.colour >> 16) & 0xFF, (run.colour >> 8) & 0xFF, run.colour & 0xFF));
        const auto* chars = reinterpret_cast<const wchar_t*>(run.text.c_str());
        const int length = int(run.text.size());
        TextOutW(dc, x, ascent, chars, length);
        SIZE extent{};
        GetTextExtentPoint32W(dc, chars, length, &extent);
        x += extent.cx;
    }
    SetTextAlign(dc, old_align);
}

}  // namespace purgeon
