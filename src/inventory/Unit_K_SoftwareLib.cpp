#include "inventory/Unit_K_SoftwareLib.h"

#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"

namespace purgeon {

namespace {

struct Row {
    const char16_t* key;
    std::vector<const char16_t*> folders;
};

const std::vector<Row>& Table() {
    static const std::vector<Row> table = {
        {u"avg 2011", {u"AVG 2011", u"AVG2011", u"AVG10", u"AVG Security Toolbar"}},
        {u"avg 2012", {u"AVG 2012", u"AVG2012", u"AVG11", u"AVG Security Toolbar"}},
        {u"ad-aware", {u"Ad-Aware"}},
        {u"adobe reader", {u"Reader 10.0"}},
        {u"advanced systemcare4", {u"Advanced SystemCare V4", u"IObit Malware Fighter"}},
        {u"aro 2011", {u"ARO 2011", u"ARO"}},
        {u"avast! free antivirus", {u"AVAST Software", u"Avast"}},
        {u"avira antivir personal", {u"AntiVir Desktop"}},
        {u"camfrog video chat", {u"Camfrog Video Chat", u"Camfrog Video Chat 6.0"}},
        {u"ccleaner", {u"CCleaner"}},
        {u"cnet techtracker", {u"CNET TechTracker"}},
        {u"divx setup",
         {u"DivX Plus", u"DivX", u"DivX Shared", u"DivX Control Panel", u"DivX Plus Converter",
          u"DivX Plus Player", u"DivX Plus Web Player", u"DivX To Go", u"DivX Transcode Engine"}},
        {u"flv player", {u"FLV Player"}},
        {u"free youtube downloader", {u"Free YouTube Downloader"}},
        {u"freez online tv", {u"FreeZ Online TV"}},
        {u"full video converter", {u"Video Converter 9 Free", u"Full Video Converter Free 9"}},
        {u"glary utilities", {u"Glary Utilities"}},
        {u"gom player", {u"GomPlayer"}},
        {u"internet download manager", {u"Internet Download Manager"}},
        {u"iobit malware fighter", {u"IObit Malware Fighter"}},
        {u"irfanview", {u"IrfanView"}},
        {u"malwarebytes\" anti-malware", {u"Malwarebytes\" Anti-Malware"}},
        {u"manycam", {u"ManyCam"}},
        {u"mirc", {u"mIRC"}},
        {u"myvideoconverter", {u"MyVideoConverter", u"myrmbin"}},
        {u"photoscape", {u"PhotoScape"}},
        {u"poweriso", {u"PowerISO"}},
        {u"primopdf", {u"Nitro PDF", u"PrimoPDF"}},
        {u"realplayer", {u"RealPlayer", u"RealConverter", u"BrowserRecordPlugin", u"KWREAL"}},
        {u"skype", {u"Skype"}},
        {u"total video converter", {u"Total Video Converter"}},
        {u"umplayer", {u".umplayer", u"UMPlayer"}},
        {u"utorrent", {u"uTorrent"}},
        {u"videospirit", {u"VideoSpirit Pro"}},
        {u"virtualdj", {u"VirtualDJ"}},
        {u"vlc media player", {u"VideoLAN"}},
        {u"youtube downloader", {u"YouTube Downloader"}},
        {u"acdsee photo manager", {u"ACDSee"}},
        {u"activation (nero 9)",
         {u"Nero 6", u"Nero 7", u"Nero 8", u"Nero 9", u"Nero 10", u"Nero 11", u"Nero 12"}},
        {u"quicktime", {u"QuickTime"}},
        {u"coreaac", {u"CoreAAC"}},
        {u"gom encoder", {u"GomEncoder", u"GOM Encoder"}},
        {u"gom picker", {u"GomPicker", u"Gom Picker"}},
        {u"registry workshop", {u"Registry Workshop"}},
        {u"ask toolbar", {u"Ask.com"}},
        {u"windows internet explorer 8", {u"Internet Explorer"}},
        {u"windows internet explorer 9", {u"Internet Explorer"}},
        {u"dogpile toolbar", {u"Dogpile Toolbar"}},
        {u"pc mightymax 2011", {u"PC MightyMax 2011"}},
        {u"snow transformation pack 1.5",
         {u"SnowFiles", u"VirtuaWin", u"UberIcon", u"RocketDock", u"Windows Sidebar"}},
        {u"popup ad stopper", {u"popupads"}},
        {u"acoustica cd/dvd label maker", {u"Acoustica CD Label Maker"}},
        {u"cole2k media - codec pack", {u"C2MP"}},
        {u"babylon", {u"Babylon-Pro", u"BabylonToolbar"}},
        {u"babylon toolbar on ie", {u"BabylonToolbar"}},
        {u"7-zip", {u"7-Zip"}},
        {u"cblight", {u"CBLight2009", u"CBLight2010", u"CBLight2011", u"CBLight2012"}},
        {u"nymgo", {u"Nymgo4.0", u"Nymgo5.0"}},
    };
    return table;
}

const std::u16string kInstallerFoldersKey =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders\\";

// Reads one text value, trimmed, with a backslash appended when not empty.
std::u16string FolderFromValue(RegistryPort& reg, const std::u16string& key_path,
                               const std::u16string& value_name, bool view64) {
    std::u16string text;
    Reg_ReadString(reg, kHkeyLocalMachine, key_path, value_name, view64, text);
    text = Trim(text);
    return text.empty() ? text : WithTrailingBackslash(text);
}

}  // namespace

void K_Software_Const_Feature_Lib::mpu_InitLib() {
    for (const Row& row : Table()) {
        auto lib = std::make_unique<K_SoftwareInstall_Lib>();
        for (const char16_t* folder : row.folders) lib->m_List_FoldersName.emplace_back(folder);
        m_Map_Lib_SoftwareName.push_back({row.key, std::move(lib)});
    }
}

void K_Software_Const_Feature_Lib::mpu_Free() {
    std::vector<Entry>().swap(m_Map_Lib_SoftwareName);
}

const StringList* K_Software_Const_Feature_Lib::mpu_fun_FindFolderNames(
    const std::u16string& name_low) const {
    const Entry* best = nullptr;
    for (const Entry& entry : m_Map_Lib_SoftwareName) {
        if (Contains(name_low, entry.key) &&
            (best == nullptr || entry.key.size() > best->key.size()))
            best = &entry;
    }
    return best ? &best->lib->m_List_FoldersName : nullptr;
}

std::u16string K_Software_Const_Feature_Lib::mpu_fun_InstallLocation_For_ZillyaAntivirus(
    RegistryPort& reg, const std::u16string& str_param_Software_Name,
    bool bool_param_IsWow64) const {
    if (!ContainsIgnoreAsciiCase(str_param_Software_Name, u"Zillya! Antivirus")) return {};
    StringList folders, pieces;
    Reg_EnumValueNames(reg, kHkeyLocalMachine, kInstallerFoldersKey, folders, bool_param_IsWow64);
    std::u16string result;
    for (const auto& folder : folders) {
        if (Trim(folder).empty() || ContainsIgnoreAsciiCase(folder, u"Common Files")) continue;
        // The last qualifying folder wins.
        if (Str_SplitByBackslash(folder, pieces) &&
            ContainsIgnoreAsciiCase(pieces.back(), u"Zillya Antivirus"))
            result = Trim(folder);
    }
    return result;
}

std::u16string K_Software_Const_Feature_Lib::mpu_fun_InstallLocation_For_Babylon(
    RegistryPort& reg, const std::u16string& str_param_Software_Name,
    bool bool_param_IsWow64) const {
    if (!ContainsIgnoreAsciiCase(str_param_Software_Name, u"Babylon")) return {};
    return FolderFromValue(reg,
                           u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Babylon.exe",
                           u"Path", bool_param_IsWow64);
}

std::u16string K_Software_Const_Feature_Lib::mpu_fun_InstallLocation_For_StarWars(
    RegistryPort& reg, const std::u16string& str_param_Software_Name,
    bool bool_param_IsWow64) const {
    if (!ContainsIgnoreAsciiCase(str_param_Software_Name, u"Star Wars: The Old Republic"))
        return {};
    return FolderFromValue(reg, u"SOFTWARE\\BioWare\\Star Wars-The Old Republic", u"Install Dir",
                           bool_param_IsWow64);
}

}  // namespace purgeon
