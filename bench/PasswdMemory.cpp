// The memory quorrel-cli passwd needs on a large database: makes a database
// of protected records of ordinary size (400 MB unless another size in MB is
// given), changes its master password with the real quorrel-cli in a child
// process, and prints the child's peak resident size beside the file's size.
// The files are removed afterwards. Hand-run:
//
//     build/release/bench/passwd_memory [MB]
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr char16_t kOldPassword[] = u"first password";
constexpr int32_t kRecordsPerTransaction = 20000;

// Where the large files go; removed on every way out.
const fs::path scratch = fs::temp_directory_path() / "quorrel-passwd-memory";

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "passwd_memory: %s\n", what);
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    std::exit(1);
}

std::u16string Text(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A database with a master password and protected records up to about the
// given size, written in transactions of a bounded size.
void MakeDatabase(const fs::path& path, int64_t bytes) {
    CDatabase db;
    Require(db.Create(path.u16string().c_str()) == CxFile::kOpened, "the database cannot be made");
    Require(OnPasswordAdded(db.records, db.file, kOldPassword, db.categories), "the password cannot be set");
    const CCategory* bank = db.categories.FindByName(u"Bank");
    Require(bank && bank->isProtected, "no protected category Bank");
    std::vector<unsigned char> entry;
    int32_t key = CRecord::kMarkerKey + 1;
    while (static_cast<int64_t>(fs::file_size(path)) < bytes) {
        CxTransaction transaction(db.file);
        for (int32_t i = 0; i < kRecordsPerTransaction; ++i, ++key) {
            const std::string n = std::to_string(key);
            CRecord record;
            record.categoryId = bank->id;
            record.isEnciphered = true;
            Require(record.SetFields(Text("Account " + n).c_str(), Text("user" + n + "@example.org").c_str(),
                                     Text("pw-" + std::to_string(key * 7919)).c_str(),
                                     Text("https://example.org/" + n).c_str(), nullptr, nullptr,
                                     Text("A note for record " + n + ", with a few words more than a title.").c_str()),
                    "a record cannot be enciphered");
            entry.resize(static_cast<size_t>(record.EntrySize()));
            record.Encode(entry.data());
            Require(db.file.Insert(key, entry.data(), static_cast<int32_t>(entry.size())), "a record cannot be saved");
        }
        Require(transaction.Commit(), "the records cannot be written");
    }
}

void WriteLine(const fs::path& path, const char* line) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << line << "\n";
}

// Runs quorrel-cli with these arguments; its exit status and peak resident size in KiB.
int RunCli(const std::vector<std::string>& args, long& peakKiB) {
    std::vector<char*> argv{const_cast<char*>(QUORREL_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Its report is not wanted here; its errors are.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, QUORREL_CLI, &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    Require(spawned == 0, "quorrel-cli cannot start");
    int status = 0;
    rusage usage{};
    Require(wait4(child, &status, 0, &usage) == child, "quorrel-cli cannot be waited for");
    peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 400;
    Require(megabytes > 0, "usage: passwd_memory [MB]");
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const fs::path db = scratch / "large.qrb", oldFile = scratch / "old.txt", newFile = scratch / "new.txt";

    auto start = std::chrono::steady_clock::now();
    MakeDatabase(db, megabytes * 1000 * 1000);
    WriteLine(oldFile, "first password");
    WriteLine(newFile, "second password");
    const double size = static_cast<double>(fs::file_size(db)) / (1024 * 1024);
    std::printf("database: %.1f MiB, made in %.0f s\n", size,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    long checkKiB = 0, passwdKiB = 0;
    Require(RunCli({"check", db.string()}, checkKiB) == 0, "the database is not sound");
    start = std::chrono::steady_clock::now();
    int status = RunCli({"passwd", db.string(), "--password-file", oldFile.string(), "--new-password-file",
                         newFile.string()},
                        passwdKiB);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fs::remove_all(scratch);
    Require(status == 0, "passwd failed");
    std::printf("check:  peak resident %.1f MiB (%.2f times the database)\n", checkKiB / 1024.0,
                checkKiB / 1024.0 / size);
    std::printf("passwd: peak resident %.1f MiB (%.2f times the database) in %.1f s\n", passwdKiB / 1024.0,
                passwdKiB / 1024.0 / size, seconds);
    return 0;
}
