#include "exchange/Csv.h"

namespace {

bool EndsField(char16_t ch) { return ch == u',' || ch == u'\r' || ch == u'\n'; }

}  // namespace

bool CsvReader::Read(Cursor& at, int32_t& firstLine, std::vector<std::u16string_view>* fields) const {
    int32_t& pos = at.position;
    while (pos < length) {
        if (fields) fields->clear();
        firstLine = at.line;
        bool empty = true;  // a line of empty fields (",,,") is no record
        for (;;) {
            const int32_t start = pos;
            int32_t end = start;
            if (pos < length && text[pos] == u'"') {
                // Unquoted in place: the text only shrinks, so writing at end
                // never overtakes reading at pos.
                for (++pos; pos < length; ++pos) {
                    char16_t ch = text[pos];
                    if (ch == u'"') {
                        if (pos + 1 == length || text[pos + 1] != u'"') {
                            ++pos;
                            break;
                        }
                        ++pos;  // a doubled quote is one
                    } else if (ch == u'\n' || (ch == u'\r' && (pos + 1 == length || text[pos + 1] != u'\n'))) {
                        ++at.line;
                    }
                    if (fields) text[end] = ch;
                    ++end;
                }
                for (; pos < length && !EndsField(text[pos]); ++pos, ++end) {
                    if (fields) text[end] = text[pos];
                }
            } else {
                while (pos < length && !EndsField(text[pos])) ++pos;
                end = pos;
            }
            if (end > start) empty = false;
            if (fields) fields->emplace_back(text + start, static_cast<size_t>(end - start));
            if (pos < length && text[pos] == u',') {
                ++pos;
                continue;
            }
            break;
        }
        if (pos < length) {  // the line break that ends the record
            if (text[pos] == u'\r' && pos + 1 < length && text[pos + 1] == u'\n') ++pos;
            ++pos;
            ++at.line;
        }
        if (!empty) return true;
    }
    if (fields) fields->clear();
    return false;
}

bool CsvReader::Next(std::vector<std::u16string_view>& fields) { return Read(cursor, recordLine, &fields); }

int32_t CsvReader::CountRemaining() const {
    Cursor at = cursor;
    int32_t line = 0;
    int32_t records = 0;
    while (Read(at, line, nullptr)) ++records;
    return records;
}

void AppendCsvField(std::u16string& line, std::u16string_view field) {
    bool quoted = !field.empty() && (field.front() == u' ' || field.back() == u' ');
    for (char16_t ch : field) quoted = quoted || ch == u'"' || EndsField(ch);
    if (!quoted) {
        line.append(field);
        return;
    }
    line += u'"';
    for (char16_t ch : field) {
        if (ch == u'"') line += u'"';
        line += ch;
    }
    line += u'"';
}
