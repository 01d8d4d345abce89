#include "exchange/ForeignFormat.h"

#include "model/Record.h"
#include "model/base/StringTable.h"
#include "platform/Platform.h"

#include <iterator>

namespace {

enum class Use {
    kTitle,
    kUrl,
    kUserName,
    kPassword,
    kNotes,
    kType,           // Bitwarden: "login", "note", or a kind left out
    kLine,           // a note line when not empty
    kFlag,           // a note line "Label: yes" when set
    kLineUnlessUrl,  // a note line when not empty and not the URL again
    kSkip,           // bookkeeping
};

struct Column {
    const char16_t* name;
    Use use;
    int32_t label = 0;
    bool optional = false;  // absent from some versions' header rows
};

// The header rows as each program writes them (older Chromium versions
// have no "note").
constexpr Column kChromium[] = {
    {u"name", Use::kTitle},          {u"url", Use::kUrl}, {u"username", Use::kUserName}, {u"password", Use::kPassword},
    {u"note", Use::kNotes, 0, true},
};
constexpr Column kFirefox[] = {
    {u"url", Use::kUrl},
    {u"username", Use::kUserName},
    {u"password", Use::kPassword},
    {u"httpRealm", Use::kLine, IDS_NOTE_HTTP_REALM},
    {u"formActionOrigin", Use::kLineUnlessUrl, IDS_NOTE_FORM_ACTION},
    {u"guid", Use::kSkip},
    {u"timeCreated", Use::kSkip},
    {u"timeLastUsed", Use::kSkip},
    {u"timePasswordChanged", Use::kSkip},
};
constexpr Column kSafari[] = {
    {u"Title", Use::kTitle},       {u"URL", Use::kUrl},     {u"Username", Use::kUserName},
    {u"Password", Use::kPassword}, {u"Notes", Use::kNotes}, {u"OTPAuth", Use::kLine, IDS_NOTE_TOTP},
};
constexpr Column kBitwarden[] = {
    {u"folder", Use::kLine, IDS_NOTE_FOLDER},
    {u"favorite", Use::kFlag, IDS_NOTE_FAVORITE},
    {u"type", Use::kType},
    {u"name", Use::kTitle},
    {u"notes", Use::kNotes},
    {u"fields", Use::kLine, IDS_NOTE_FIELDS},
    {u"reprompt", Use::kSkip},
    {u"login_uri", Use::kUrl},
    {u"login_username", Use::kUserName},
    {u"login_password", Use::kPassword},
    {u"login_totp", Use::kLine, IDS_NOTE_TOTP},
};
constexpr Column kKeePassXC[] = {
    {u"Group", Use::kLine, IDS_NOTE_GROUP},
    {u"Title", Use::kTitle},
    {u"Username", Use::kUserName},
    {u"Password", Use::kPassword},
    {u"URL", Use::kUrl},
    {u"Notes", Use::kNotes},
    {u"TOTP", Use::kLine, IDS_NOTE_TOTP},
    {u"Icon", Use::kSkip},
    {u"Last Modified", Use::kSkip},
    {u"Created", Use::kSkip},
};
constexpr Column kLastPass[] = {
    {u"url", Use::kUrl},
    {u"username", Use::kUserName},
    {u"password", Use::kPassword},
    {u"totp", Use::kLine, IDS_NOTE_TOTP},
    {u"extra", Use::kNotes},
    {u"name", Use::kTitle},
    {u"grouping", Use::kLine, IDS_NOTE_FOLDER},
    {u"fav", Use::kFlag, IDS_NOTE_FAVORITE},
};
constexpr Column kOnePassword[] = {
    {u"Title", Use::kTitle},
    {u"Url", Use::kUrl},
    {u"Username", Use::kUserName},
    {u"Password", Use::kPassword},
    {u"OTPAuth", Use::kLine, IDS_NOTE_TOTP},
    {u"Favorite", Use::kFlag, IDS_NOTE_FAVORITE},
    {u"Archived", Use::kFlag, IDS_NOTE_ARCHIVED},
    {u"Tags", Use::kLine, IDS_NOTE_TAGS},
    {u"Notes", Use::kNotes},
};

// LastPass writes its secure notes as rows with this address.
constexpr std::u16string_view kLastPassNoteUrl = u"http://sn";

bool IsLineBreak(char16_t ch) { return ch == u'\r' || ch == u'\n'; }

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
    return text;
}

// Header names and the words of types and flags are ASCII.
bool SameWord(std::u16string_view text, std::u16string_view word) {
    text = Trimmed(text);
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t a = text[i] >= u'A' && text[i] <= u'Z' ? text[i] + 32 : text[i];
        char16_t b = word[i] >= u'A' && word[i] <= u'Z' ? word[i] + 32 : word[i];
        if (a != b) return false;
    }
    return true;
}

bool IsSet(std::u16string_view flag) {
    return !Trimmed(flag).empty() && !SameWord(flag, u"0") && !SameWord(flag, u"false") && !SameWord(flag, u"no");
}

// A value fits a field when it is within the limit and on one line.
bool FitsField(std::u16string_view value) {
    if (value.size() > static_cast<size_t>(kImportValueLimit)) return false;
    for (char16_t ch : value) {
        if (IsLineBreak(ch)) return false;
    }
    return true;
}

// The Description of a title that does not fit: its first line, cut to
// leave room for an ellipsis, never between the halves of a surrogate pair.
void ShortenInto(CString& out, std::u16string_view title) {
    size_t keep = 0;
    while (keep < title.size() && !IsLineBreak(title[keep])) ++keep;
    if (keep > static_cast<size_t>(kImportValueLimit - 1)) keep = kImportValueLimit - 1;
    if (keep > 0 && title[keep - 1] >= 0xD800 && title[keep - 1] <= 0xDBFF) --keep;
    out.AssignUnits(title.data(), static_cast<int32_t>(keep));
    out.Append(u"\u2026");
}

// The note, built in a fixed buffer that is wiped, since it may hold a
// password; line breaks become CR LF, as the note's edit box keeps them.
class NoteBuilder {
public:
    NoteBuilder() = default;
    ~NoteBuilder() { platform::Wipe(units, sizeof units); }
    NoteBuilder(const NoteBuilder&) = delete;
    NoteBuilder& operator=(const NoteBuilder&) = delete;

    void Add(std::u16string_view text) {
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
            if (IsLineBreak(text[i])) {
                Put(u'\r');
                Put(u'\n');
            } else {
                Put(text[i]);
            }
        }
    }
    void AddLine(std::u16string_view label, std::u16string_view value) {
        if (length > 0 || overflowed) Add(u"\r\n");
        Add(label);
        Add(u": ");
        Add(value);
    }
    bool Overflowed() const { return overflowed; }
    void CopyTo(CString& out) const { out.AssignUnits(units, length); }

private:
    void Put(char16_t ch) {
        if (length < kImportNoteLimit) units[length++] = ch;
        else overflowed = true;
    }

    char16_t units[kImportNoteLimit] = {};
    int32_t length = 0;
    bool overflowed = false;
};

}  // namespace

struct ForeignLayout::Spec {
    ImportFormat id;
    const Column* columns;
    size_t count;
};

bool ForeignLayout::Recognise(const std::vector<std::u16string_view>& header) {
    static constexpr Spec kFormats[] = {
        {ImportFormat::kChromium, kChromium, std::size(kChromium)},
        {ImportFormat::kFirefox, kFirefox, std::size(kFirefox)},
        {ImportFormat::kSafari, kSafari, std::size(kSafari)},
        {ImportFormat::kBitwarden, kBitwarden, std::size(kBitwarden)},
        {ImportFormat::kKeePassXC, kKeePassXC, std::size(kKeePassXC)},
        {ImportFormat::kLastPass, kLastPass, std::size(kLastPass)},
        {ImportFormat::kOnePassword, kOnePassword, std::size(kOnePassword)},
    };
    for (const Spec& candidate : kFormats) {
        if (header.size() > candidate.count) continue;
        std::vector<int32_t> found(candidate.count, -1);
        bool matches = true;
        for (size_t i = 0; i < header.size() && matches; ++i) {
            size_t column = 0;
            while (column < candidate.count && !SameWord(header[i], candidate.columns[column].name)) ++column;
            matches = column < candidate.count && found[column] < 0;
            if (matches) found[column] = static_cast<int32_t>(i);
        }
        for (size_t column = 0; column < candidate.count && matches; ++column) {
            matches = found[column] >= 0 || candidate.columns[column].optional;
        }
        if (!matches) continue;
        known = &candidate;
        format = candidate.id;
        headerColumns = static_cast<int32_t>(header.size());
        positions = std::move(found);
        return true;
    }
    return false;
}

ForeignLayout::Outcome ForeignLayout::Map(const std::vector<std::u16string_view>& row,
                                          const char16_t* const fieldLabels[4], CString values[7]) const {
    for (int i = 0; i < 7; ++i) values[i].Clear();
    // Trailing empty values past the header (a comma too many) hold nothing.
    for (size_t i = static_cast<size_t>(headerColumns); i < row.size(); ++i) {
        if (!row[i].empty()) return Outcome::kExtraValues;
    }
    auto valueOf = [&](size_t column) {
        int32_t at = positions[column];
        return at >= 0 && static_cast<size_t>(at) < row.size() ? row[static_cast<size_t>(at)] : std::u16string_view();
    };
    // Description, URL, User Name, Password; the notes; the Bitwarden type.
    std::u16string_view fields[4], notes, type = u"login";
    for (size_t column = 0; column < known->count; ++column) {
        switch (known->columns[column].use) {
            case Use::kTitle: fields[0] = valueOf(column); break;
            case Use::kUrl: fields[1] = valueOf(column); break;
            case Use::kUserName: fields[2] = valueOf(column); break;
            case Use::kPassword: fields[3] = valueOf(column); break;
            case Use::kNotes: notes = valueOf(column); break;
            case Use::kType: type = valueOf(column); break;
            default: break;
        }
    }
    bool isNote = SameWord(type, u"note");
    if (!isNote && !SameWord(type, u"login")) return Outcome::kNotALogin;
    if (format == ImportFormat::kLastPass && SameWord(fields[1], kLastPassNoteUrl)) {
        isNote = true;
        fields[1] = {};
    }
    if (Trimmed(fields[0]).empty()) fields[0] = HostOf(fields[1]);

    NoteBuilder note;
    note.Add(notes);
    for (int i = 0; i < 4; ++i) {
        if (fields[i].empty()) continue;
        // A note keeps only its Description; anything else it carries goes to the note.
        if (FitsField(fields[i]) && (i == 0 || !isNote)) {
            values[i].AssignUnits(fields[i].data(), static_cast<int32_t>(fields[i].size()));
            continue;
        }
        note.AddLine(fieldLabels[i], fields[i]);
        if (i == 0) ShortenInto(values[0], fields[0]);
    }
    for (size_t column = 0; column < known->count; ++column) {
        const Column& c = known->columns[column];
        std::u16string_view value = valueOf(column);
        bool wanted = (c.use == Use::kLine && !value.empty()) || (c.use == Use::kFlag && IsSet(value)) ||
                      (c.use == Use::kLineUnlessUrl && !value.empty() && value != fields[1]);
        if (wanted) note.AddLine(LoadText(c.label), c.use == Use::kFlag ? LoadText(IDS_NOTE_YES) : value);
    }
    if (note.Overflowed()) {
        for (int i = 0; i < 7; ++i) values[i].Clear();
        return Outcome::kTooLong;
    }
    note.CopyTo(values[CRecord::kNoteIndex]);
    return Outcome::kRecord;
}

std::u16string_view HostOf(std::u16string_view url) {
    std::u16string_view rest = Trimmed(url);
    size_t scheme = rest.find(u"://");
    if (scheme != std::u16string_view::npos && rest.find_first_of(u"/?#") > scheme) rest.remove_prefix(scheme + 3);
    else if (rest.substr(0, 2) == u"//") rest.remove_prefix(2);
    rest = rest.substr(0, rest.find_first_of(u"/?#\\"));
    size_t at = rest.rfind(u'@');
    if (at != std::u16string_view::npos) rest.remove_prefix(at + 1);
    if (!rest.empty() && rest.front() == u'[') return rest.substr(0, rest.find(u']') + 1);  // IPv6 keeps its brackets
    return rest.substr(0, rest.find(u':'));
}
