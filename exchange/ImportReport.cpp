#include "exchange/Exchange.h"

#include "model/base/StringTable.h"
#include "model/base/TextFormat.h"

#include <iterator>
#include <string>
#include <vector>

namespace {

// Enough to find the rows in the file, short enough for a message box.
constexpr size_t kListedLines = 10;

// "line 7", "lines 3, 9", or the first few and how many more.
CString LineList(const std::vector<int32_t>& lines) {
    std::u16string numbers;
    for (size_t i = 0; i < lines.size() && i < kListedLines; ++i) {
        if (i > 0) numbers += u", ";
        numbers += NumberText(lines[i]);
    }
    if (lines.size() == 1) return FormatText(LoadText(IDS_LINE_NUMBER), {numbers.c_str()});
    if (lines.size() <= kListedLines) return FormatText(LoadText(IDS_LINE_NUMBERS), {numbers.c_str()});
    std::u16string more = NumberText(static_cast<int64_t>(lines.size() - kListedLines));
    return FormatText(LoadText(IDS_LINE_NUMBERS_MORE), {numbers.c_str(), more.c_str()});
}

}  // namespace

const char16_t* ImportFormatName(ImportFormat format) {
    switch (format) {
        case ImportFormat::kQuorrel: break;
        case ImportFormat::kChromium: return LoadText(IDS_FORMAT_CHROMIUM);
        case ImportFormat::kFirefox: return LoadText(IDS_FORMAT_FIREFOX);
        case ImportFormat::kSafari: return LoadText(IDS_FORMAT_SAFARI);
        case ImportFormat::kBitwarden: return LoadText(IDS_FORMAT_BITWARDEN);
        case ImportFormat::kKeePassXC: return LoadText(IDS_FORMAT_KEEPASSXC);
        case ImportFormat::kLastPass: return LoadText(IDS_FORMAT_LASTPASS);
        case ImportFormat::kOnePassword: return LoadText(IDS_FORMAT_ONEPASSWORD);
    }
    return u"Quorrel";
}

CString ImportReportText(const ExchangeResult& result) {
    if (result.count == 0 && result.leftOut.empty()) return CString(LoadText(IDS_IMPORT_FILE_EMPTY));
    const std::u16string count = NumberText(result.count);
    const std::u16string leftOut = NumberText(static_cast<int64_t>(result.leftOut.size()));
    CString text;
    if (result.format == ImportFormat::kQuorrel) {
        // Nothing done is never told as done "successfully".
        text = result.count == 0 ? CString(LoadText(IDS_IMPORTED_NONE)) : ImportDoneText(result.count);
        if (result.leftOut.empty()) return text;
        text.Append(u"\n\n");
        text.Append(FormatText(LoadText(IDS_IMPORT_LINES_LEFT_OUT_COUNT), {leftOut.c_str()}).c_str());
    } else {
        text = FormatText(LoadText(IDS_IMPORTED_FOREIGN),
                          {ImportFormatName(result.format), count.c_str(), leftOut.c_str()});
        if (result.leftOut.empty()) return text;
        text.Append(u"\n");
    }
    constexpr struct {
        LeftOutReason reason;
        StringId text;
    } kReasons[] = {
        {LeftOutReason::kNoCategoryName, IDS_LEFT_OUT_NO_CATEGORY_NAME},
        {LeftOutReason::kTooLong, IDS_LEFT_OUT_TOO_LONG},
        {LeftOutReason::kNotALogin, IDS_LEFT_OUT_NOT_A_LOGIN},
        {LeftOutReason::kExtraValues, IDS_LEFT_OUT_EXTRA_VALUES},
        {LeftOutReason::kNoRoomForCategory, IDS_LEFT_OUT_NO_ROOM},
        {LeftOutReason::kLocked, IDS_LEFT_OUT_LOCKED},
    };
    for (const auto& reason : kReasons) {
        std::vector<int32_t> lines;
        for (const LeftOutLine& line : result.leftOut) {
            if (line.reason == reason.reason) lines.push_back(line.line);
        }
        if (lines.empty()) continue;
        text.Append(u"\n");
        text.Append(FormatText(LoadText(reason.text), {LineList(lines).c_str()}).c_str());
    }
    return text;
}
