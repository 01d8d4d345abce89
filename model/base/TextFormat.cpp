#include "model/base/TextFormat.h"

#include <string>

CString FormatText(const char16_t* format, std::initializer_list<const char16_t*> arguments) {
    std::u16string out;
    auto next = arguments.begin();
    for (const char16_t* p = format ? format : u""; *p; ++p) {
        if (p[0] == u'%' && (p[1] == u'd' || p[1] == u's')) {
            if (next != arguments.end()) {
                out += *next ? *next : u"";
                ++next;
            }
            ++p;
        } else if (p[0] == u'%' && p[1] == u'%') {
            out += u'%';
            ++p;
        } else {
            out += *p;
        }
    }
    CString text;
    text.AssignUnits(out.data(), static_cast<int32_t>(out.size()));
    return text;
}

std::u16string NumberText(int64_t value) {
    std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}
