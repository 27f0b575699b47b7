#include "ui/app_list_rules.h"

#include "platform/text.h"

namespace purgeon {

const AppListGroup kAppListGroups[8] = {
    {0, u"Installed Programs"},
    {1, u"Microsoft Programs"},
    {2, u".Net"},
    {3, u"Visual Studio"},
    {4, u"Windows Driver Package"},
    {5, u"Microsoft Hotfix"},
    {6, u"CCC Help"},
    {7, u"Nvidia"},
};

std::int32_t GetAppListGroupID(std::u16string_view name) {
    std::int32_t group = 0;
    if (ContainsIgnoreAsciiCase(name, u"Microsoft")) group = 1;
    if (ContainsIgnoreAsciiCase(name, u".Net")) group = 2;
    if (ContainsIgnoreAsciiCase(name, u"Windows Driver Package")) group = 4;
    if (ContainsIgnoreAsciiCase(name, u"Visual Studio")) group = 3;
    if (!name.empty() && name.back() == u')' && ContainsIgnoreAsciiCase(name, u"(KB")) group = 5;
    if (ContainsIgnoreAsciiCase(name, u"CCC Help")) group = 6;
    if (ContainsIgnoreAsciiCase(name, u"Nvidia")) group = 7;
    return group;
}

std::u16string UpperExtension(std::u16string_view path) {
    const std::u16string_view name = PathFileName(path);
    const size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string() : AsciiUpper(name.substr(dot));
}

IconRule ChooseIconRule(std::u16string_view icon_path, std::uint32_t icon_number,
                        std::u16string_view display_name) {
    const std::u16string ext = UpperExtension(icon_path);
    const bool bitdefender = ContainsIgnoreAsciiCase(display_name, u"Bitdefender");
    if (ext == u".EXE" || ext == u".OCX") return IconRule::kShellIcon;
    if (ext == u".DLL") {
        if (icon_number != 65535) return IconRule::kExtractIcon;
        if (ContainsIgnoreAsciiCase(display_name, u"McAfee Internet Security") ||
            ContainsIgnoreAsciiCase(display_name, u"McAfee AntiVirus Plus") ||
            ContainsIgnoreAsciiCase(display_name, u"McAfee Total Protection"))
            return IconRule::kFixedMcAfee;
        if (bitdefender) return IconRule::kFixedBitdefender;
        return IconRule::kShellIcon;
    }
    if (ext == u".ICO" || ext == u".ICON" || ext.empty()) return IconRule::kIconFile;
    return bitdefender ? IconRule::kFixedBitdefender : IconRule::kIconFile;
}

namespace {
std::u16string LabelOrNa(std::u16string_view label, std::u16string_view value) {
    std::u16string text(label);
    text += value.empty() ? std::u16string_view(u"N/A") : value;
    return text;
}
}  // namespace

std::u16string DetailsVersionText(std::u16string_view version) {
    return LabelOrNa(u"Version: ", version);
}
std::u16string DetailsPublisherText(std::u16string_view publisher) {
    return LabelOrNa(u"Publisher: ", publisher);
}
std::u16string DetailsLocationText(std::u16string_view location) {
    return LabelOrNa(u"Install Location: ", location);
}

}  // namespace purgeon
