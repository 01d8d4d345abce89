// Import of 1,000, 10,000 and 100,000 records into a new database as one
// transaction, against SQLite inserting the same rows in one transaction with
// synchronous=FULL. One record saved as its own durable transaction, against
// this machine's rate of flushing an appending write and against SQLite with
// one commit per row. A password change over 10,000 records. And the start-up
// load of a 100,000-record database: open, settings, categories, records.
// And 10,000 rows of a Bitwarden export, the richest of the foreign formats.
//
// Both imports read the same comma-separated file with the same parser, so
// the comparison is of the stores. The files live in the temporary folder,
// which must be a real disk for the flushes to mean anything.
#include "exchange/Exchange.h"
#include "exchange/TextFile.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path BenchFolder() {
    auto folder = fs::temp_directory_path() / "quorrel-bench";
    fs::create_directories(folder);
    return folder;
}

// n rows over a few existing and a few new categories, values of ordinary size.
const std::u16string& CsvWith(int n) {
    static std::map<int, std::u16string> made;
    auto found = made.find(n);
    if (found != made.end()) return found->second;
    fs::path path = BenchFolder() / ("import-" + std::to_string(n) + ".csv");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const char* categories[] = {"Bank", "Email", "Web Login", "Garden", "Work Accounts", "Travel"};
    for (int i = 0; i < n; ++i) {
        out << '"' << categories[i % 6] << "\",\"Title " << i << "\",\"user" << i << "@example.org\",\"pw-" << i * 7919
            << "\",\"https://example.org/" << i << "\",\"\",\"\",\"A note for record " << i << ", with a comma.\"\r\n";
    }
    return made.emplace(n, path.u16string()).first->second;
}

// The database open as the program holds it after start-up.
struct OpenDatabase {
    explicit OpenDatabase(const std::u16string& path) {
        if (database.Open(path.c_str(), CDatabase::Access::Write) != CxFile::kOpened) std::abort();
    }

    CDatabase database;
    CxFile& file = database.file;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};

const fs::path& FreshDatabase() {
    static const fs::path path = [] {
        fs::path p = BenchFolder() / "fresh.qrb";
        fs::remove(p);
        CDatabase database;
        if (database.Create(p.u16string().c_str()) != CxFile::kOpened) std::abort();
        return p;
    }();
    return path;
}

void ImportQuorrel(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::u16string& csv = CsvWith(n);
    const fs::path path = BenchFolder() / "import.qrb";
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(FreshDatabase(), path, fs::copy_options::overwrite_existing);
        auto db = std::make_unique<OpenDatabase>(path.u16string());
        ImportTarget target{db->file, db->categories, db->records, nullptr};
        state.ResumeTiming();
        ExchangeResult result = ImportFile(csv.c_str(), true, target);
        if (result.count != n) state.SkipWithError("not every record was imported");
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// n rows of a Bitwarden export: quoted names with commas, notes over two
// lines, folders, favourites, TOTP secrets and now and then a secure note.
const std::u16string& BitwardenCsvWith(int n) {
    static std::map<int, std::u16string> made;
    auto found = made.find(n);
    if (found != made.end()) return found->second;
    fs::path path = BenchFolder() / ("bitwarden-" + std::to_string(n) + ".csv");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n";
    for (int i = 0; i < n; ++i) {
        out << "Work/Team " << i % 7 << "," << (i % 5 == 0 ? "1" : "") << "," << (i % 50 == 0 ? "note" : "login")
            << ",\"Site " << i << ", Inc.\",\"Line one of " << i << "\nline \"\"two\"\"\",,0,https://site-" << i
            << ".example:8443/login,user" << i << "@example.org,pw-" << i * 7919 << "-Xy!,"
            << (i % 3 == 0 ? "JBSWY3DPEHPK3PXP" : "") << "\n";
    }
    return made.emplace(n, path.u16string()).first->second;
}

// A foreign export imported into "Web Login" as one transaction; with
// range(1) set, under a master password, so that every record is enciphered.
void ImportBitwarden(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::u16string& csv = BitwardenCsvWith(n);
    const fs::path path = BenchFolder() / "foreign.qrb";
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(FreshDatabase(), path, fs::copy_options::overwrite_existing);
        auto db = std::make_unique<OpenDatabase>(path.u16string());
        if (state.range(1) && !OnPasswordAdded(db->records, db->file, u"bench password", db->categories)) std::abort();
        ImportTarget target{db->file, db->categories, db->records, nullptr};
        state.ResumeTiming();
        ExchangeResult result = ImportFile(csv.c_str(), true, target);
        if (result.count != n || result.format != ImportFormat::kBitwarden) {
            state.SkipWithError("not every row was imported");
        }
        state.PauseTiming();
        db.reset();
        WipeKey();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void Check(int status, sqlite3* db) {
    if (status != SQLITE_OK && status != SQLITE_DONE && status != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

// The same rows into SQLite: the category found by name or inserted, then the
// record; all rows in one transaction, or each row its own.
void InsertSqlite(benchmark::State& state, int n, bool oneTransaction) {
    const std::u16string& csv = CsvWith(n);
    const fs::path path = BenchFolder() / "import.sqlite";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(path);
        fs::remove(path.string() + "-journal");
        sqlite3* db = nullptr;
        Check(sqlite3_open(path.c_str(), &db), db);
        Check(sqlite3_exec(db,
                           "PRAGMA synchronous=FULL;"
                           "CREATE TABLE category(id INTEGER PRIMARY KEY, name TEXT UNIQUE COLLATE NOCASE, "
                           "  protected INTEGER, labels TEXT);"
                           "CREATE TABLE record(id INTEGER PRIMARY KEY, category INTEGER, v0 TEXT, v1 TEXT, "
                           "  v2 TEXT, v3 TEXT, v4 TEXT, v5 TEXT, note TEXT, created INTEGER, modified INTEGER);",
                           nullptr, nullptr, nullptr),
              db);
        sqlite3_stmt *findCategory = nullptr, *addCategory = nullptr, *addRecord = nullptr;
        Check(sqlite3_prepare_v2(db, "SELECT id FROM category WHERE name = ?", -1, &findCategory, nullptr), db);
        Check(sqlite3_prepare_v2(db, "INSERT INTO category(name, protected, labels) VALUES (?, 1, 'Field 1..6')", -1,
                                 &addCategory, nullptr),
              db);
        Check(sqlite3_prepare_v2(db,
                                 "INSERT INTO record(category, v0, v1, v2, v3, v4, v5, note, created, modified) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, strftime('%s','now'), strftime('%s','now'))",
                                 -1, &addRecord, nullptr),
              db);
        state.ResumeTiming();

        if (oneTransaction) Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
        TextFile input;
        if (!input.OpenForRead(csv.c_str())) std::abort();
        CString columns[kExchangeColumns];
        int rows = 0;
        while (char16_t* line = input.ReadLine()) {
            if (line[0] == 0) continue;
            int32_t position = 0;
            for (CString& column : columns) position = ParseCsvField(line, position, column);
            sqlite3_bind_text16(findCategory, 1, columns[0].c_str(), -1, SQLITE_STATIC);
            sqlite3_int64 category = 0;
            if (sqlite3_step(findCategory) == SQLITE_ROW) {
                category = sqlite3_column_int64(findCategory, 0);
            } else {
                sqlite3_bind_text16(addCategory, 1, columns[0].c_str(), -1, SQLITE_STATIC);
                Check(sqlite3_step(addCategory), db);
                sqlite3_reset(addCategory);
                category = sqlite3_last_insert_rowid(db);
            }
            sqlite3_reset(findCategory);
            sqlite3_bind_int64(addRecord, 1, category);
            for (int i = 1; i < kExchangeColumns; ++i) sqlite3_bind_text16(addRecord, i + 1, columns[i].c_str(), -1, SQLITE_STATIC);
            Check(sqlite3_step(addRecord), db);
            sqlite3_reset(addRecord);
            ++rows;
        }
        if (oneTransaction) Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        if (rows != n) state.SkipWithError("not every row was inserted");

        state.PauseTiming();
        sqlite3_finalize(findCategory);
        sqlite3_finalize(addCategory);
        sqlite3_finalize(addRecord);
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void ImportSqlite(benchmark::State& state) { InsertSqlite(state, static_cast<int>(state.range(0)), true); }

void InsertSqliteCommitPerRow(benchmark::State& state) { InsertSqlite(state, 1000, false); }

// One new record saved, durable when Save returns.
void InsertOneRecordQuorrel(benchmark::State& state) {
    const fs::path path = BenchFolder() / "single.qrb";
    fs::copy_file(FreshDatabase(), path, fs::copy_options::overwrite_existing);
    OpenDatabase db(path.u16string());
    CCategory* category = db.categories.FindByName(u"Bank");
    std::u16string title = u"Title", user = u"user@example.org", note = u"A note for this record, with a comma.";
    const char16_t* values[CRecord::kValueCount] = {title.c_str(), user.c_str(), u"pw-1234", u"https://example.org/",
                                                    u"", u"", note.c_str()};
    for (auto _ : state) {
        auto* record = new CRecord;
        record->categoryId = category->id;
        record->SetFields(values);
        if (!record->Save(db.file, false)) state.SkipWithError("a record was not saved");
        db.records.Append(record);
    }
    state.SetItemsProcessed(state.iterations());
}

// The machine's own rate: a record-sized write appended to a file, then flushed.
void AppendAndFlush(benchmark::State& state) {
    const fs::path path = BenchFolder() / "append.bin";
    fs::remove(path);
    platform::File file;
    if (!file.OpenShared(path.u16string().c_str(), true)) std::abort();
    std::vector<unsigned char> bytes(384, 0x42);
    int64_t end = 0;
    for (auto _ : state) {
        if (file.WriteAt(end, bytes.data(), bytes.size()) != bytes.size() || !file.Flush()) std::abort();
        end += static_cast<int64_t>(bytes.size());
    }
    state.SetItemsProcessed(state.iterations());
}

// A password change over 10,000 protected records: decipher, encipher and
// one transaction writing each record once.
void ChangePassword10000(benchmark::State& state) {
    const fs::path path = BenchFolder() / "password.qrb";
    const fs::path made = BenchFolder() / "password-10000.qrb";
    if (!fs::exists(made)) {
        fs::copy_file(FreshDatabase(), made, fs::copy_options::overwrite_existing);
        OpenDatabase db(made.u16string());
        if (!OnPasswordAdded(db.records, db.file, u"first password", db.categories)) std::abort();
        ImportTarget target{db.file, db.categories, db.records, nullptr};
        if (ImportFile(CsvWith(10000).c_str(), true, target).count != 10000) std::abort();
    }
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(made, path, fs::copy_options::overwrite_existing);
        auto db = std::make_unique<OpenDatabase>(path.u16string());
        if (!VerifyPassword(u"first password")) std::abort();
        state.ResumeTiming();
        if (!OnPasswordChanged(db->records, db->file, u"second password", db->categories)) {
            state.SkipWithError("the password change failed");
        }
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}

// A 100,000-record database made once (in memory-backed storage when there
// is one, where the flushes cost nothing), then copied to the bench folder.
const fs::path& LargeDatabase() {
    static const fs::path path = [] {
        std::error_code failed;
        fs::path scratch = fs::is_directory("/dev/shm", failed) ? fs::path("/dev/shm") / "quorrel-bench-large.qrb"
                                                                : BenchFolder() / "large-scratch.qrb";
        fs::copy_file(FreshDatabase(), scratch, fs::copy_options::overwrite_existing);
        {
            OpenDatabase db(scratch.u16string());
            ImportTarget target{db.file, db.categories, db.records, nullptr};
            if (ImportFile(CsvWith(100000).c_str(), true, target).count != 100000) std::abort();
        }
        fs::path p = BenchFolder() / "large.qrb";
        fs::copy_file(scratch, p, fs::copy_options::overwrite_existing);
        fs::remove(scratch);
        return p;
    }();
    return path;
}

void LoadLargeDatabase(benchmark::State& state) {
    const std::u16string path = LargeDatabase().u16string();
    for (auto _ : state) {
        OpenDatabase db(path);
        if (db.records.count != 100000) state.SkipWithError("records missing");
        benchmark::DoNotOptimize(db.records.count);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

}  // namespace

// Interleaved by size, so that a change in the machine's load hits both alike.
#define IMPORT_BENCHMARK(store, rows) \
    BENCHMARK(store)->Arg(rows)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime()
IMPORT_BENCHMARK(ImportQuorrel, 1000);
IMPORT_BENCHMARK(ImportSqlite, 1000);
IMPORT_BENCHMARK(ImportQuorrel, 10000);
IMPORT_BENCHMARK(ImportSqlite, 10000);
IMPORT_BENCHMARK(ImportQuorrel, 100000);
IMPORT_BENCHMARK(ImportSqlite, 100000);
BENCHMARK(ImportBitwarden)
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(InsertOneRecordQuorrel)->Iterations(300)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(AppendAndFlush)->Iterations(300)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(InsertSqliteCommitPerRow)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ChangePassword10000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LoadLargeDatabase)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
