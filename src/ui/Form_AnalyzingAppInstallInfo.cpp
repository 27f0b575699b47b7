#include "ui/Form_AnalyzingAppInstallInfo.h"

#include "platform/text.h"

namespace purgeon {

const char16_t kAnalysingFilesCountTemplate[] =
    u"<FONT color=\"#F24400\" size=\"12\" face=\"Arial\"><B>%d</B></FONT><FONT color=\"#525252\" "
    u"size=\"12\" face=\"Arial\"><B>  files/folders found</B></FONT>";
const char16_t kAnalysingRegistryCountTemplate[] =
    u"<FONT color=\"#F24400\" size=\"12\" face=\"Arial\"><B>%d</B></FONT><FONT color=\"#525252\" "
    u"size=\"12\" face=\"Arial\"><B>  registry entries found</B></FONT>";

namespace {

std::u16string FormatCount(const char16_t* format, int count) {
    std::u16string out = format;
    const size_t at = out.find(u"%d");
    if (at != std::u16string::npos) out.replace(at, 2, FromUtf8(std::to_string(count)));
    return out;
}

// The value of `name="..."` (or name=value) inside a tag's text.
std::u16string Attribute(const std::u16string& tag, const std::u16string& name) {
    const std::u16string lower = AsciiLower(tag);
    size_t at = lower.find(AsciiLower(name) + u"=");
    while (at != std::u16string::npos && at > 0 && lower[at - 1] > u' ')
        at = lower.find(AsciiLower(name) + u"=", at + 1);
    if (at == std::u16string::npos) return {};
    size_t start = at + name.size() + 1;
    if (start < tag.size() && (tag[start] == u'"' || tag[start] == u'\'')) {
        const char16_t quote = tag[start++];
        const size_t end = tag.find(quote, start);
        return tag.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    }
    size_t end = start;
    while (end < tag.size() && tag[end] > u' ') ++end;
    return tag.substr(start, end - start);
}

struct Look {
    std::uint32_t colour = 0;
    int size = 0;
    std::u16string face;
};

}  // namespace

std::vector<RichTextRun> ParseRichText(const std::u16string& text) {
    std::vector<RichTextRun> runs;
    std::vector<Look> fonts{Look{}};
    int bold = 0;
    auto add = [&](std::u16string piece) {
        if (piece.empty()) return;
        const Look& look = fonts.back();
        RichTextRun run{std::move(piece), look.colour, look.size, look.face, bold > 0};
        if (!runs.empty() && runs.back().colour == run.colour && runs.back().size == run.size &&
            runs.back().face == run.face && runs.back().bold == run.bold) {
            runs.back().text += run.text;
        } else {
            runs.push_back(std::move(run));
        }
    };
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find(u'<', at);
        if (open == std::u16string::npos) {
            add(text.substr(at));
            break;
        }
        add(text.substr(at, open - at));
        const size_t close = text.find(u'>', open);
        if (close == std::u16string::npos) {  // a lone "<" is text
            add(text.substr(open));
            break;
        }
        const std::u16string tag = text.substr(open + 1, close - open - 1);
        const std::u16string name = AsciiUpper(Trim(tag.substr(0, tag.find(u' '))));
        if (name == u"B") {
            ++bold;
        } else if (name == u"/B") {
            if (bold > 0) --bold;
        } else if (name == u"FONT") {
            Look look = fonts.back();
            const std::u16string colour = Attribute(tag, u"color");
            if (colour.size() == 7 && colour[0] == u'#') {
                std::uint32_t value = 0;
                bool hex = true;
                for (size_t i = 1; i < colour.size(); ++i) {
                    const char16_t c = AsciiUpper(colour[i]);
                    if (c >= u'0' && c <= u'9')
                        value = value * 16 + (c - u'0');
                    else if (c >= u'A' && c <= u'F')
                        value = value * 16 + (c - u'A' + 10);
                    else
                        hex = false;
                }
                if (hex) look.colour = value;
            }
            std::int32_t size = 0;
            if (ParseInt32(Attribute(tag, u"size"), size) && size > 0) look.size = size;
            const std::u16string face = Attribute(tag, u"face");
            if (!face.empty()) look.face = face;
            fonts.push_back(look);
        } else if (name == u"/FONT") {
            if (fonts.size() > 1) fonts.pop_back();
        }
        at = close + 1;
    }
    return runs;
}

void TFrm_AnalyzingAppInstallInfo::FormShow() {
    if (m_nUninstallMode == kStandardMode) Img_CurAppLogo = m_Img_AppLogo;
    Gif_Analyzing_Playing = true;
    Label_AppNameInfo = m_strAnalysisAppName;
}

void TFrm_AnalyzingAppInstallInfo::ShowFilesCount(int int_param_Count) {
    HtmlLabel_FilesCount = FormatCount(kAnalysingFilesCountTemplate, int_param_Count);
}

void TFrm_AnalyzingAppInstallInfo::ShowRegistryCount(int int_param_Count) {
    HtmlLabel_RegistryCount = FormatCount(kAnalysingRegistryCountTemplate, int_param_Count);
}

}  // namespace purgeon
