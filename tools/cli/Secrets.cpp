#include "tools/cli/Secrets.h"

#include "platform/Platform.h"
#include "security/Cipher.h"
#include "tools/cli/Database.h"

#include <string>
#include <vector>

namespace cli {

namespace {

// A password line is short; a longer first line is cut well past the 31
// characters that count.
constexpr size_t kMaxSecretBytes = 4096;

void ReadFirstLine(platform::File& input, std::string& line) {
    std::vector<char> bytes(kMaxSecretBytes, 0);
    size_t got = input.Read(bytes.data(), bytes.size());
    size_t start = got >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF' ? 3 : 0;
    size_t end = start;
    while (end < got && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    line.assign(bytes.data() + start, end - start);
    platform::Wipe(bytes.data(), bytes.size());
}

// A password in a file that others may read is no longer a secret, and one
// that others may change lets them choose it; such a file is refused, as ssh
// refuses a private key with such a mode.
bool PrivateToOwner(const platform::File& input, const std::string& file, CliIo& io) {
    std::string why = input.WhyNotPrivate();
    if (why.empty()) return true;
    Fail(io, file + ": " + why + "; a password file must be for its owner only, so it was not used");
    return false;
}

}  // namespace

std::string Arguments::Value(const std::string& option) const {
    auto found = values.find(option);
    return found == values.end() ? std::string() : found->second;
}

bool ParseArguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                    const std::set<std::string>& flagOptions, Arguments& parsed, std::string& problem) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (valueOptions.count(arg)) {
            if (i + 1 >= args.size()) {
                problem = arg + " needs a value";
                return false;
            }
            parsed.values[arg] = args[++i];
        } else if (flagOptions.count(arg)) {
            parsed.flags.insert(arg);
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            problem = "unknown option '" + arg + "'";
            return false;
        } else {
            parsed.positional.push_back(arg);
        }
    }
    return true;
}

SecretRead ReadPassword(CliIo& io, const std::string& file, const std::string& prompt, CString& password) {
    std::string utf8;
    if (!file.empty()) {
        platform::File input;
        if (!input.OpenForRead(Widen(file).c_str())) {
            Fail(io, file + ": cannot be read");
            return SecretRead::kFailed;
        }
        if (!PrivateToOwner(input, file, io)) return SecretRead::kFailed;
        ReadFirstLine(input, utf8);
    } else if (!io.readSecret || !io.readSecret(prompt, utf8)) {
        return SecretRead::kUnavailable;
    }
    std::u16string text = Widen(utf8);
    platform::Wipe(utf8.data(), utf8.size());
    // Cutting a longer one silently would leave the user a password other
    // than the one typed.
    size_t length = text.size();
    if (length > static_cast<size_t>(kMaxPasswordLength)) {
        platform::Wipe(text.data(), text.size() * sizeof(char16_t));
        Fail(io, "the password has " + std::to_string(length) + " characters; a password has at most " +
                     std::to_string(kMaxPasswordLength));
        return SecretRead::kFailed;
    }
    password.AssignUnits(text.data(), static_cast<int32_t>(length));
    platform::Wipe(text.data(), text.size() * sizeof(char16_t));
    return SecretRead::kGot;
}

}  // namespace cli
