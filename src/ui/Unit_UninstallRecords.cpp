#include "ui/Unit_UninstallRecords.h"

namespace purgeon {

namespace {

constexpr char16_t kConfig[] = u"Config.ini";
constexpr char16_t kFileRecord[] = u"FileRecord.ini";
constexpr char16_t kFolderRecord[] = u"FolderRecord";
constexpr char16_t kRegRecord[] = u"RegRecord.ini";

StringList SplitLines(const std::u16string& text) {
    StringList lines;
    std::u16string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

std::u16string DecodeUtf16(const std::vector<std::uint8_t>& bytes, size_t from, bool big_endian) {
    std::u16string text;
    for (size_t i = from; i + 1 < bytes.size(); i += 2) {
        text.push_back(big_endian ? char16_t(bytes[i] << 8 | bytes[i + 1])
                                  : char16_t(bytes[i] | bytes[i + 1] << 8));
    }
    return text;
}

}  // namespace

bool LoadLines(FileSystemPort& fs, CodePagePort& code_page, const std::u16string& path,
               StringList& lines, TextEncoding& encoding) {
    encoding = TextEncoding::kAnsi;
    std::vector<std::uint8_t> bytes;
    if (!fs.ReadFile(path, &bytes)) return false;
    std::u16string text;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        encoding = TextEncoding::kUtf8;
        text = FromUtf8(std::string(bytes.begin() + 3, bytes.end()));
    } else if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        encoding = TextEncoding::kUtf16Le;
        text = DecodeUtf16(bytes, 2, false);
    } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        encoding = TextEncoding::kUtf16Be;
        text = DecodeUtf16(bytes, 2, true);
    } else {
        text = code_page.FromAnsi(std::string(bytes.begin(), bytes.end()));
    }
    lines = SplitLines(text);
    return true;
}

bool SaveLines(FileSystemPort& fs, CodePagePort& code_page, const std::u16string& path,
               const StringList& lines, TextEncoding encoding) {
    std::u16string text;
    for (const auto& line : lines) text += line + u"\r\n";
    std::vector<std::uint8_t> bytes;
    switch (encoding) {
        case TextEncoding::kAnsi: {
            const std::string ansi = code_page.ToAnsi(text);
            bytes.assign(ansi.begin(), ansi.end());
            break;
        }
        case TextEncoding::kUtf8: {
            const std::string utf8 = ToUtf8(text);
            bytes = {0xEF, 0xBB, 0xBF};
            bytes.insert(bytes.end(), utf8.begin(), utf8.end());
            break;
        }
        case TextEncoding::kUtf16Le:
        case TextEncoding::kUtf16Be: {
            const bool big = encoding == TextEncoding::kUtf16Be;
            bytes =
                big ? std::vector<std::uint8_t>{0xFE, 0xFF} : std::vector<std::uint8_t>{0xFF, 0xFE};
            for (char16_t c : text) {
                const std::uint8_t high = std::uint8_t(c >> 8), low = std::uint8_t(c & 0xFF);
                bytes.push_back(big ? high : low);
                bytes.push_back(big ? low : high);
            }
            break;
        }
    }
    return fs.WriteFile(path, bytes);
}

UninstallRecords::UninstallRecords(FileSystemPort& fs, CodePagePort& code_page,
                                   std::u16string folder)
    : fs_(fs), code_page_(code_page), folder_(std::move(folder)) {}

void UninstallRecords::WriteAfterAnalysis(const AnalysisRecord& analysis, StringList& config) {
    config.clear();
    const StringList status = {
        u"1",
        FromUtf8(std::to_string(analysis.files_folders_count)),
        FromUtf8(std::to_string(analysis.registry_rows)),
        analysis.select_software,
        u"0",
        u"0",
        u"0",
        analysis.uninstall_mode == 2 ? u"2" : u"1",
        FromUtf8(std::to_string(analysis.uninstall_mode)),
        analysis.uninstall_type == 1 ? u"1" : u"0",
    };
    TextEncoding encoding = TextEncoding::kAnsi;
    if (LoadLines(fs_, code_page_, Path(kConfig), config, encoding)) {
        if (config.size() < status.size()) config.resize(status.size());
        std::copy(status.begin(), status.end(), config.begin());
    } else {
        config = status;
    }
    SaveLines(fs_, code_page_, Path(kConfig), config, encoding);
    const StringList none;
    SaveLines(fs_, code_page_, Path(kFileRecord), analysis.files ? *analysis.files : none,
              TextEncoding::kAnsi);
    SaveLines(fs_, code_page_, Path(kFolderRecord), analysis.folders ? *analysis.folders : none,
              TextEncoding::kAnsi);
    SaveLines(fs_, code_page_, Path(kRegRecord), analysis.registry ? *analysis.registry : none,
              TextEncoding::kAnsi);
}

void UninstallRecords::SetStepUninstalled(StringList& config) {
    TextEncoding encoding = TextEncoding::kAnsi;
    if (!LoadLines(fs_, code_page_, Path(kConfig), config, encoding) || config.size() < 8) return;
    config[7] = std::u16string(1, u'2');  // (a literal here trips a false -Wrestrict in GCC 12)
    SaveLines(fs_, code_page_, Path(kConfig), config, encoding);
}

void UninstallRecords::Remove() {
    for (const char16_t* name : {kFileRecord, kFolderRecord, kRegRecord, kConfig})
        fs_.DeleteFile(Path(name));
}

}  // namespace purgeon
