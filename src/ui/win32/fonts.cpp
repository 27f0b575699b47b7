#include "ui/win32/fonts.h"

namespace purgeon {
namespace {

HFONT Make(int pixels, const wchar_t* face, bool bold = false, bool underline = false) {
    return CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                       underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

}  // namespace

const Fonts& Fonts::Get() {
    // Never deleted: the windows that use them live until the program ends.
    static const Fonts fonts{Make(11, L"Tahoma"),       Make(13, L"Tahoma"),
                             Make(13, L"Tahoma", true), Make(13, L"Arial"),
                             Make(13, L"Arial", true),  Make(13, L"Arial", true, true)};
    return fonts;
}

}  // namespace purgeon
