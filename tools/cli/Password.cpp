// passwd and gen: the master password, as the Change Password dialog checks
// and the password command applies it, and the password generator.
#include "model/Protection.h"
#include "model/base/StringTable.h"
#include "model/base/TextFormat.h"
#include "security/Cipher.h"
#include "security/PasswordGenerator.h"
#include "security/PasswordRules.h"
#include "tools/cli/Cli.h"
#include "tools/cli/Database.h"
#include "tools/cli/Secrets.h"

#include <charconv>
#include <string>
#include <string_view>

namespace cli {

namespace {

// A password made at a console is pasted, not typed: longer than the dialog's 6.
constexpr int32_t kCliGeneratedLength = 16;

// A numbered text on one line: its line breaks become spaces.
std::string OneLine(const CString& text) {
    std::string line = Narrow(text.c_str());
    for (char& ch : line) {
        if (ch == '\n') ch = ' ';
    }
    return line;
}

std::string OneLine(int32_t id) { return OneLine(CString(LoadText(id))); }

// The new password and its confirmation: from the file (which stands for
// both), else typed twice at the terminal.
int ReadNewPassword(CliIo& io, const std::string& file, CString& password, CString& confirmation) {
    const std::string unavailable = "no terminal to ask for the new password: give it with --new-password-file";
    switch (ReadPassword(io, file, "New password: ", password)) {
        case SecretRead::kFailed: return kFailure;
        case SecretRead::kUnavailable: return Fail(io, unavailable);
        case SecretRead::kGot: break;
    }
    if (!file.empty()) {
        confirmation = password;
        return kSuccess;
    }
    switch (ReadPassword(io, "", "Confirm new password: ", confirmation)) {
        case SecretRead::kFailed: return kFailure;
        case SecretRead::kUnavailable: return Fail(io, unavailable);
        case SecretRead::kGot: break;
    }
    return kSuccess;
}

}  // namespace

int Passwd(const std::vector<std::string>& args, CliIo& io) {
    Arguments parsed;
    std::string problem;
    if (!ParseArguments(args, {"--password-file", "--new-password-file"}, {}, parsed, problem)) {
        return Usage(io, problem);
    }
    if (parsed.positional.size() != 1) return Usage(io, "passwd takes one database PATH");
    // The records stay in the file: they are rewritten a batch at a time,
    // so a database of any size fits in memory.
    CliDatabase db;
    if (!db.OpenForWriting(parsed.positional[0], io, false)) return kFailure;

    // The checks of the Change Password dialog, in its order. Verifying the
    // old password also installs its key, which re-enciphering needs.
    const bool hadPassword = HasPassword();
    if (hadPassword) {
        CString old;
        switch (ReadPassword(io, parsed.Value("--password-file"), "Old password: ", old)) {
            case SecretRead::kFailed: return kFailure;
            case SecretRead::kUnavailable:
                return Fail(io, "no terminal to ask for the old password: give it with --password-file");
            case SecretRead::kGot: break;
        }
        if (old.IsEmpty() || !VerifyPassword(old.c_str())) {
            return Fail(io, OneLine(IDS_OLD_PASSWORD_WRONG) + " Nothing was changed.");
        }
    }
    CString password, confirmation;
    int status = ReadNewPassword(io, parsed.Value("--new-password-file"), password, confirmation);
    if (status != kSuccess) return status;
    const NewPasswordCheck check = CheckNewPassword(password.c_str(), confirmation.c_str());
    if (check == NewPasswordCheck::Mismatch)
        return Fail(io, OneLine(IDS_NEW_PASSWORDS_DIFFER) + " Nothing was changed.");
    if (check == NewPasswordCheck::TooShort) {
        std::u16string minimum = NumberText(kMinPasswordLength);
        CString refusal = FormatText(LoadText(IDS_PASSWORD_TOO_SHORT), {minimum.c_str()});
        return Fail(io, OneLine(refusal) + " Nothing was changed.");
    }
    if (check == NewPasswordCheck::ShorterThanRecommended) {
        // The dialog asks whether to type another; a console warns and goes on.
        std::u16string given = NumberText(password.Length()), recommended = NumberText(kRecommendedPasswordLength);
        CString warning = FormatText(LoadText(IDS_SHORT_PASSWORD_WARNING), {given.c_str(), recommended.c_str()});
        std::u16string_view statement(warning.c_str());
        statement = statement.substr(0, statement.rfind(u'\n'));  // without the question
        CString text;
        text.AssignUnits(statement.data(), static_cast<int32_t>(statement.size()));
        io.err << "quorrel-cli: warning: " << OneLine(text) << "\n";
    }

    PasswordAction action = ActionFor(hadPassword, password.IsEmpty());
    if (!ApplyPasswordActionToFile(action, password.c_str(), db.file, db.categories)) {
        return db.WriteFailed(io, "nothing was changed");
    }
    io.changed = action != PasswordAction::None;
    switch (action) {
        case PasswordAction::None: io.out << "no master password is set and none was given: nothing changed\n"; break;
        case PasswordAction::Add: io.out << "master password added\n"; break;
        case PasswordAction::Remove: io.out << "master password removed\n"; break;
        case PasswordAction::Change: io.out << "master password changed\n"; break;
    }
    return kSuccess;
}

int Gen(const std::vector<std::string>& args, CliIo& io) {
    Arguments parsed;
    std::string problem;
    if (!ParseArguments(args, {"--length"}, {"--upper", "--lower", "--digits", "--punct"}, parsed, problem)) {
        return Usage(io, problem);
    }
    if (!parsed.positional.empty()) return Usage(io, "gen takes options only");
    int32_t length = kCliGeneratedLength;
    if (std::string text = parsed.Value("--length"); !text.empty()) {
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
        if (error != std::errc() || end != text.data() + text.size()) return Usage(io, "--length needs a number");
    }
    // No group chosen: the groups the generator starts with.
    bool upper = parsed.Has("--upper"), lower = parsed.Has("--lower"), digits = parsed.Has("--digits");
    bool punctuation = parsed.Has("--punct");
    if (!upper && !lower && !digits && !punctuation) upper = lower = digits = true;
    if (int32_t refusal = GeneratorChoiceError(length, upper, lower, digits, punctuation); refusal != 0) {
        return Usage(io, OneLine(refusal));
    }
    CString password;
    if (!GeneratePassword(password, length, upper, lower, digits, punctuation)) {
        return Fail(io, "the system's random source failed; no password was made");
    }
    io.out << Narrow(password.c_str()) << "\n";
    return kSuccess;
}

}  // namespace cli
