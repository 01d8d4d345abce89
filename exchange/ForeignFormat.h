// The exports of browsers and other password managers: which one a header
// row names, and how one of its rows becomes the seven values of a record of
// the category "Web Login" (Description, URL, User Name, Password, two
// unused fields, the note).
//
// Values without a field of their own go into the note after the entry's
// notes, one line each as "Label: value" ("Folder: Work"). A value longer
// than its field's limit, or holding a line break, goes whole into the note
// as such a line too, under its field's label; the Description then shows
// its first line cut to the limit and an ellipsis. A row whose note is then
// still too long is left out. Bookkeeping values (identifiers, times, icon
// numbers, Bitwarden's reprompt setting) are not kept.
#pragma once

#include "exchange/Exchange.h"
#include "model/base/CString.h"

#include <string_view>
#include <vector>

class ForeignLayout {
public:
    // Fills the layout when the header row names exactly the columns of a
    // known format, in any order, ignoring case and surrounding spaces.
    bool Recognise(const std::vector<std::u16string_view>& header);
    ImportFormat Format() const { return format; }

    enum class Outcome {
        kRecord,
        kTooLong,
        kNotALogin,
        kExtraValues,
    };
    // The seven values of the row's record. fieldLabels name the first four
    // fields for the note lines of values that do not fit them.
    Outcome Map(const std::vector<std::u16string_view>& row, const char16_t* const fieldLabels[4],
                CString values[7]) const;

private:
    struct Spec;
    const Spec* known = nullptr;
    ImportFormat format = ImportFormat::kQuorrel;
    int32_t headerColumns = 0;
    std::vector<int32_t> positions;  // of the format's columns in the row; -1 when absent
};

// The host name of a web address ("https://me@a.example:8443/x" gives
// "a.example"); empty when it has none.
std::u16string_view HostOf(std::u16string_view url);
