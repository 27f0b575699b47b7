// The program list's fixed rules: its eight groups, which group a program
// name goes to, how a row's icon is chosen from its icon file, and the texts
// of the details panel and the search box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace purgeon {

struct AppListGroup {
    std::int32_t id;
    const char16_t* header;
};
// In id order, 0 to 7.
extern const AppListGroup kAppListGroups[8];

// Starts at 0; each test that matches (ASCII case ignored) overwrites the
// result, so the last match wins: "Microsoft" 1, ".Net" 2, "Windows Driver
// Package" 4, "Visual Studio" 3, ends in ")" and holds "(KB" 5, "CCC Help" 6,
// "Nvidia" 7.
std::int32_t GetAppListGroupID(std::u16string_view name);

// Where a new row icon comes from.
enum class IconRule {
    kShellIcon,         // the file's large shell icon (SHGetFileInfoW)
    kExtractIcon,       // icon number N of a .dll (ExtractIconW)
    kFixedMcAfee,       // fixed image 0
    kFixedBitdefender,  // fixed image 1
    kIconFile,          // the file loaded as an icon file; not one: fixed image 2
};

// The rule for an icon path, an icon number (65535: none) and a display
// name. The extension is the upper-cased text from the last "." of the file
// name; the name tests ignore ASCII case.
IconRule ChooseIconRule(std::u16string_view icon_path, std::uint32_t icon_number,
                        std::u16string_view display_name);

// The upper-cased extension of a path's file name with its dot ("" if none).
std::u16string UpperExtension(std::u16string_view path);

// Indices of the fixed images of the list's second image list.
constexpr int kFixedImageMcAfee = 0;
constexpr int kFixedImageBitdefender = 1;
constexpr int kFixedImageGeneric = 2;

// The details panel's lines: "Version: " + version, or "Version: N/A" when
// the value is empty; likewise "Publisher: " and "Install Location: ".
std::u16string DetailsVersionText(std::u16string_view version);
std::u16string DetailsPublisherText(std::u16string_view publisher);
std::u16string DetailsLocationText(std::u16string_view location);

inline constexpr char16_t kSearchPlaceholder[] = u"Search...";
inline constexpr char16_t kSearchHintText[] =
    u"Please enter the software keywords, such as Visual Studio...";
inline constexpr char16_t kSearchNoHitText[] = u"Sorry, no software found.";
// Colours as 0x00BBGGRR: the placeholder's RGB(111, 114, 63), typing black.
constexpr std::uint32_t kSearchPlaceholderColour = 4158063;
constexpr std::uint32_t kSearchTypingColour = 0;

}  // namespace purgeon
