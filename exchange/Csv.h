// Comma-separated values as RFC 4180 writes them, the form browsers and
// other password managers export: a field in double quotes may hold commas,
// line breaks and doubled quotes; records end at CR LF, LF or CR.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CsvReader {
public:
    // Reads text in place: quoted fields are unquoted inside it, so the
    // fields Next hands out are views into text, valid while it lives.
    CsvReader(char16_t* text, int32_t length) : text(text), length(length) {}

    // The next record with at least one value; false at the end. Lenient
    // where the RFC is broken: a quote inside an unquoted field is kept, text
    // after a closing quote is added to the field, and a quoted field left
    // open runs to the end of the text.
    bool Next(std::vector<std::u16string_view>& fields);
    // The line (from 1) on which the record Next gave last begins.
    int32_t Line() const { return recordLine; }
    // The records Next will still give, counted without changing the text.
    int32_t CountRemaining() const;

private:
    struct Cursor {
        int32_t position = 0;
        int32_t line = 1;
    };
    // One record from cursor on, unquoted in place when fields is given;
    // firstLine is the line it begins on.
    bool Read(Cursor& cursor, int32_t& firstLine, std::vector<std::u16string_view>* fields) const;

    char16_t* text;
    int32_t length;
    Cursor cursor;
    int32_t recordLine = 0;
};

// Appends a field as RFC 4180 writes it: in quotes, each quote doubled, when
// it holds a comma, a quote, a line break or a space at either end; as it
// is otherwise.
void AppendCsvField(std::u16string& line, std::u16string_view field);
