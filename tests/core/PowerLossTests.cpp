// Power loss and I/O faults during changes of the record file.
//
// The power-loss harness records every write, flush, truncation and removal
// one operation makes (through the platform layer's file observer), then
// rebuilds the database and its journal as a crash could leave them: after
// every prefix of the operations, with the last write torn at each 512-byte
// sector boundary, and with any write since its file's last flush lost while
// the later ones landed. Each state is opened as any program opens it and
// must read as the file before the operation or after it, byte for byte.
//
// The fault test makes the N-th read, write or flush of an operation fail,
// for every N: the operation must report the failure and leave the file as
// it was, or (for a failure after the commit, such as the journal's
// invalidation) report success with the change kept.
#include "exchange/Exchange.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/FileCheck.h"
#include "storage/Journal.h"
#include "storage/Settings.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using platform::FileOp;

struct RecordedOp {
    FileOp kind;
    std::u16string path;
    int64_t offset;
    Bytes data;
};

class Recorder : public platform::FileObserver {
public:
    bool Allow(FileOp kind, const std::u16string& path, int64_t offset, const void* data, size_t count) override {
        if (kind == FileOp::Read) return true;
        const auto* bytes = static_cast<const unsigned char*>(data);
        ops.push_back({kind, path, offset, kind == FileOp::Write ? Bytes(bytes, bytes + count) : Bytes()});
        return true;
    }
    std::vector<RecordedOp> ops;
};

// Fails the N-th read, write or flush (counting from 1), and with lasting
// set every one after it too (a disk that went away); 0 only counts.
class FaultInjector : public platform::FileObserver {
public:
    FaultInjector(int failAt, bool lasting = false) : failAt(failAt), lasting(lasting) {}
    bool Allow(FileOp kind, const std::u16string&, int64_t, const void*, size_t) override {
        if (kind != FileOp::Read && kind != FileOp::Write && kind != FileOp::Flush) return true;
        ++seen;
        return failAt == 0 || (lasting ? seen < failAt : seen != failAt);
    }
    int failAt;
    bool lasting;
    int seen = 0;
};

class Observing {
public:
    explicit Observing(platform::FileObserver& observer) { platform::SetFileObserver(&observer); }
    ~Observing() { platform::SetFileObserver(nullptr); }
    Observing(const Observing&) = delete;
    Observing& operator=(const Observing&) = delete;
};

// A database opened the way the program opens it, with its lists loaded.
struct Session {
    explicit Session(const std::u16string& at) : path(at) {}
    ~Session() { Close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool Open(bool create) {
        int opened = create ? database.Create(path.c_str()) : database.Open(path.c_str(), CDatabase::Access::Write);
        return opened == CxFile::kOpened && database.loadedWhole;
    }
    void Close() { database.Close(); }
    bool AddRecord(const char16_t* categoryName, const std::u16string& secret, int n) {
        std::u16string first = u"site " + std::u16string(1, static_cast<char16_t>(u'A' + n % 26));
        std::u16string note(static_cast<size_t>(n % 7) * 9, u'n');
        const char16_t* values[CRecord::kValueCount] = {first.c_str(), u"user", secret.c_str(), u"", u"", u"", note.c_str()};
        CCategory* category = categories.FindByName(categoryName);
        if (!category) return false;
        auto* record = new CRecord;
        record->categoryId = category->id;
        record->isEnciphered = category->isProtected && HasPassword();
        record->SetFields(values);
        if (!record->Save(file, false)) {
            delete record;
            return false;
        }
        records.Append(record);
        return true;
    }

    std::u16string path;
    CDatabase database;
    CxFile& file = database.file;
    std::unique_ptr<CSettings>& settings = database.settings;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};

std::u16string Secret(int n) { return u"Secret-value-" + std::u16string(1, static_cast<char16_t>(u'a' + n % 26)) + u"-" +
                                      std::u16string(1, static_cast<char16_t>(u'0' + n / 26)); }

bool Contains(const Bytes& haystack, const std::u16string& text) {
    Bytes needle;
    for (char16_t ch : text) {
        needle.push_back(static_cast<unsigned char>(ch & 0xFF));
        needle.push_back(static_cast<unsigned char>(ch >> 8));
    }
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// One scenario: how the database is made, and the operation under test.
struct Scenario {
    const char* name;
    std::function<bool(Session&)> prepare;
    std::function<bool(Session&)> operation;
    bool model = true;          // opened with settings and lists, else as a bare record file
    bool noCleartext = false;   // no protected value may be in the file in clear at any point
    // What the database after the operation must give when it is opened again.
    std::function<bool(Session&)> holds = nullptr;
};

// Every record made by the test holds its own value, read under the given
// password (none: no password is set).
bool ValuesReadBack(Session& s, const char16_t* password, int count) {
    if (password ? !VerifyPassword(password) : HasPassword()) return false;
    s.settings->locked = 0;
    std::set<std::u16string> values;
    for (CRecord* r : Nodes<CRecord>(s.records)) values.insert(r->GetField(2).c_str());
    for (int i = 0; i < count; ++i) {
        if (!values.count(Secret(i))) return false;
    }
    return true;
}

constexpr char16_t kPassword[] = u"old password 1";

bool WithRecords(Session& s, int count, const char16_t* category) {
    for (int i = 0; i < count; ++i) {
        if (!s.AddRecord(category, Secret(i), i)) return false;
    }
    return true;
}

bool KeysWithPayload(Session& s, std::initializer_list<int32_t> keys, int32_t length) {
    for (int32_t key : keys) {
        Bytes payload(static_cast<size_t>(length), static_cast<unsigned char>(key));
        if (!s.file.Insert(key, payload.data(), length)) return false;
    }
    return true;
}

bool UpdateTo(Session& s, int32_t key, int32_t length) {
    Bytes payload(static_cast<size_t>(length), 0x5A);
    return s.file.Find(key) && s.file.Update(payload.data(), length);
}

std::vector<Scenario> Scenarios(ScratchFolder& folder) {
    std::u16string csv = folder.Path("import.csv");
    std::string lines;
    for (int i = 0; i < 30; ++i) lines += "Imported " + std::to_string(i % 3) + ",name " + std::to_string(i) + ",user,pw" + std::to_string(i) + ",,,,\n";
    WriteBytes(csv, Bytes(lines.begin(), lines.end()));
    return {
        {"insert", [](Session& s) { return KeysWithPayload(s, {1, 2, 3}, 40); },
         [](Session& s) { return KeysWithPayload(s, {4}, 300); }, false},
        {"split", [](Session& s) { return KeysWithPayload(s, {1, 2, 3, 4, 5, 6, 7, 8}, 20); },
         [](Session& s) { return KeysWithPayload(s, {9}, 20); }, false},
        {"update grow", [](Session& s) { return KeysWithPayload(s, {1, 2, 3}, 50); },
         [](Session& s) { return UpdateTo(s, 2, 400); }, false},
        {"update shrink", [](Session& s) { return KeysWithPayload(s, {1, 2, 3}, 400); },
         [](Session& s) { return UpdateTo(s, 2, 20); }, false},
        {"delete and reuse", [](Session& s) { return KeysWithPayload(s, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 200); },
         [](Session& s) {
             CxTransaction transaction(s.file);
             bool done = s.file.Find(5) && s.file.Delete() && s.file.Find(9) && s.file.Delete() &&
                         KeysWithPayload(s, {10}, 300);
             return done && transaction.Commit();
         },
         false},
        {"import", [](Session& s) { return WithRecords(s, 5, u"Bank"); },
         [csv](Session& s) {
             ImportTarget target{s.file, s.categories, s.records, nullptr};
             ExchangeResult result = ImportFile(csv.c_str(), true, target);
             return result.error == ExchangeResult::kNone && result.count == 30;
         }},
        {"password add", [](Session& s) { return WithRecords(s, 12, u"Bank"); },
         [](Session& s) { return OnPasswordAdded(s.records, s.file, kPassword, s.categories); }, true, false,
         [](Session& s) { return ValuesReadBack(s, kPassword, 12); }},
        {"password change", [](Session& s) { return OnPasswordAdded(s.records, s.file, kPassword, s.categories) && WithRecords(s, 40, u"Bank"); },
         [](Session& s) {
             return VerifyPassword(kPassword) && OnPasswordChanged(s.records, s.file, u"new password 22", s.categories);
         },
         true, true, [](Session& s) { return ValuesReadBack(s, u"new password 22", 40); }},
        {"password remove", [](Session& s) { return OnPasswordAdded(s.records, s.file, kPassword, s.categories) && WithRecords(s, 12, u"Bank"); },
         [](Session& s) { return VerifyPassword(kPassword) && OnPasswordRemoved(s.records, s.file, s.categories); },
         true, false, [](Session& s) { return ValuesReadBack(s, nullptr, 12); }},
        // The same, as quorrel-cli passwd does it: over the stored records, a batch at a time.
        {"password add, streamed", [](Session& s) { return WithRecords(s, 12, u"Bank"); },
         [](Session& s) { return ApplyPasswordActionToFile(PasswordAction::Add, kPassword, s.file, s.categories); },
         true, false, [](Session& s) { return ValuesReadBack(s, kPassword, 12); }},
        {"password change, streamed",
         [](Session& s) { return OnPasswordAdded(s.records, s.file, kPassword, s.categories) && WithRecords(s, 40, u"Bank"); },
         [](Session& s) {
             return VerifyPassword(kPassword) &&
                    ApplyPasswordActionToFile(PasswordAction::Change, u"new password 22", s.file, s.categories);
         },
         true, true, [](Session& s) { return ValuesReadBack(s, u"new password 22", 40); }},
        {"password remove, streamed",
         [](Session& s) { return OnPasswordAdded(s.records, s.file, kPassword, s.categories) && WithRecords(s, 12, u"Bank"); },
         [](Session& s) {
             return VerifyPassword(kPassword) && ApplyPasswordActionToFile(PasswordAction::Remove, nullptr, s.file, s.categories);
         },
         true, false, [](Session& s) { return ValuesReadBack(s, nullptr, 12); }},
    };
}

bool OpenSession(Session& s, bool model) {
    if (model) return s.Open(false);
    return s.file.Open(s.path.c_str()) == CxFile::kOpened;
}

// The database and its journal as a crash leaves them.
struct DiskState {
    std::map<std::u16string, Bytes> files;

    void Apply(const RecordedOp& op, size_t count) {
        if (op.kind == FileOp::Write) {
            auto found = files.find(op.path);
            Bytes& bytes = found != files.end() ? found->second : files[op.path];
            size_t end = static_cast<size_t>(op.offset) + count;
            if (bytes.size() < end) bytes.resize(end, 0);
            std::copy(op.data.begin(), op.data.begin() + static_cast<std::ptrdiff_t>(count),
                      bytes.begin() + op.offset);
        } else if (op.kind == FileOp::Truncate) {
            files[op.path].resize(static_cast<size_t>(op.offset), 0);
        } else if (op.kind == FileOp::Remove) {
            files.erase(op.path);
        }
    }
};

class PowerLoss : public ::testing::TestWithParam<size_t> {
protected:
    void TearDown() override { theSettings = nullptr; }

    ScratchFolder folder;
    std::u16string path = folder.Path("db.qrb");
    std::u16string journalPath = JournalPathFor(path);
    std::u16string statePath = folder.Path("state.qrb");
    std::u16string stateJournal = JournalPathFor(statePath);
};

// What opening a crash state gives: the database bytes once it has been
// opened (and so recovered) and closed again.
Bytes Recovered(const DiskState& state, const std::u16string& path, const std::u16string& journalPath,
                const std::u16string& statePath, const std::u16string& stateJournal, bool readOnly) {
    std::filesystem::remove(std::filesystem::path(statePath));  // not through the observed platform layer
    std::filesystem::remove(std::filesystem::path(stateJournal));
    for (const auto& [name, bytes] : state.files) {
        if (name == path) WriteBytes(statePath, bytes);
        if (name == journalPath) WriteBytes(stateJournal, bytes);
    }
    CxFile file("Quorrel200");
    int opened = readOnly ? file.OpenReadOnly(statePath.c_str()) : file.Open(statePath.c_str());
    EXPECT_EQ(opened, CxFile::kOpened);
    file.Close();
    return ReadBytes(statePath);
}

// The same, and a crash in the middle of the rollback too: a rollback cut
// short must open to what the whole rollback gives.
Bytes RecoveredEvenIfInterrupted(const DiskState& state, const std::u16string& path, const std::u16string& journalPath,
                                 const std::u16string& statePath, const std::u16string& stateJournal, bool readOnly,
                                 int& interrupted) {
    Recorder recovery;
    Bytes opened;
    {
        Observing observing(recovery);
        opened = Recovered(state, path, journalPath, statePath, stateJournal, readOnly);
    }
    DiskState atStart;
    for (const auto& [name, bytes] : state.files) atStart.files[name == path ? statePath : stateJournal] = bytes;
    // Cut after a handful of its writes, spread over the whole rollback.
    const size_t step = std::max<size_t>(1, recovery.ops.size() / 6);
    for (size_t k = 1; k < recovery.ops.size(); k += step) {
        if (recovery.ops[k - 1].kind != FileOp::Write) continue;
        DiskState cut = atStart;
        for (size_t i = 0; i < k; ++i) cut.Apply(recovery.ops[i], recovery.ops[i].data.size());
        DiskState back;
        for (const auto& [name, bytes] : cut.files) back.files[name == statePath ? path : journalPath] = bytes;
        EXPECT_EQ(Recovered(back, path, journalPath, statePath, stateJournal, false), opened)
            << "a rollback cut after " << k << " of its " << recovery.ops.size() << " operations";
        ++interrupted;
    }
    return opened;
}

TEST_P(PowerLoss, EveryCrashStateOpensToBeforeOrAfter) {
    Scenario scenario = Scenarios(folder)[GetParam()];
    {
        Session s(path);
        ASSERT_TRUE(scenario.model ? s.Open(true) : s.file.Create(path.c_str(), 128, 1, 0) == CxFile::kOpened);
        ASSERT_TRUE(scenario.prepare(s)) << scenario.name;
    }
    const Bytes before = ReadBytes(path);
    Recorder recorder;
    {
        Session s(path);
        ASSERT_TRUE(OpenSession(s, scenario.model));
        Observing observing(recorder);
        ASSERT_TRUE(scenario.operation(s)) << scenario.name;
        s.Close();  // the journal goes with it
    }
    const Bytes after = ReadBytes(path);
    ASSERT_NE(before, after) << scenario.name;
    if (scenario.holds) {
        Session s(path);
        ASSERT_TRUE(s.Open(false));
        EXPECT_TRUE(scenario.holds(s)) << scenario.name;
    }
    EXPECT_FALSE(platform::FileExists(journalPath.c_str()));

    const std::vector<RecordedOp>& ops = recorder.ops;
    DiskState start;
    start.files[path] = before;
    int states = 0, asBefore = 0, asAfter = 0, interrupted = 0;
    auto check = [&](const DiskState& state, const std::string& what) {
        ++states;
        if (scenario.noCleartext) {
            for (const auto& [name, bytes] : state.files) {
                for (int i = 0; i < 40; ++i) ASSERT_FALSE(Contains(bytes, Secret(i))) << what << ": cleartext of record " << i;
            }
        }
        // Readers and writers alike recover; a reader leaves an invalid journal where it is.
        bool reader = states % 2 == 0;
        Bytes opened = RecoveredEvenIfInterrupted(state, path, journalPath, statePath, stateJournal, reader, interrupted);
        if (opened == before) ++asBefore;
        else if (opened == after) ++asAfter;
        else ADD_FAILURE() << scenario.name << ": " << what << " opens to neither the file before nor after";
        if (!reader) {
            EXPECT_FALSE(platform::FileExists(stateJournal.c_str())) << what;
        }
    };
    for (size_t k = 0; k <= ops.size(); ++k) {
        // Writes since their file's last flush may be lost, each on its own.
        std::vector<size_t> unflushed;
        DiskState state = start;
        for (size_t i = 0; i < k; ++i) {
            state.Apply(ops[i], ops[i].data.size());
            if (ops[i].kind == FileOp::Write) unflushed.push_back(i);
            if (ops[i].kind == FileOp::Flush) {
                std::erase_if(unflushed, [&](size_t w) { return ops[w].path == ops[i].path; });
            }
        }
        std::string where = "after " + std::to_string(k) + " of " + std::to_string(ops.size()) + " operations";
        check(state, where);
        if (k > 0 && ops[k - 1].kind == FileOp::Write) {
            const RecordedOp& last = ops[k - 1];
            DiskState torn = start;
            for (size_t i = 0; i + 1 < k; ++i) torn.Apply(ops[i], ops[i].data.size());
            for (int64_t cut = (last.offset / 512 + 1) * 512; cut < last.offset + static_cast<int64_t>(last.data.size());
                 cut += 512) {
                DiskState part = torn;
                part.Apply(last, static_cast<size_t>(cut - last.offset));
                check(part, where + ", the last write torn at " + std::to_string(cut));
            }
        }
        for (size_t lost : unflushed) {
            DiskState reordered = start;
            for (size_t i = 0; i < k; ++i) {
                if (i != lost) reordered.Apply(ops[i], ops[i].data.size());
            }
            check(reordered, where + ", operation " + std::to_string(lost) + " lost");
        }
    }
    EXPECT_GT(asAfter, 0);
    EXPECT_GT(asBefore, 0);
    std::printf("[ power loss ] %s: %zu recorded operations, %d states (%d before, %d after), "
                "%d more with the rollback itself cut short\n",
                scenario.name, ops.size(), states, asBefore, asAfter, interrupted);
}

TEST_P(PowerLoss, EveryInjectedFaultIsReportedAndLeavesTheFileAsBefore) {
    Scenario scenario = Scenarios(folder)[GetParam()];
    {
        Session s(path);
        ASSERT_TRUE(scenario.model ? s.Open(true) : s.file.Create(path.c_str(), 128, 1, 0) == CxFile::kOpened);
        ASSERT_TRUE(scenario.prepare(s)) << scenario.name;
    }
    const Bytes before = ReadBytes(path);
    int total = 0;
    {
        Session s(path);
        ASSERT_TRUE(OpenSession(s, scenario.model));
        FaultInjector counter(0);
        Observing observing(counter);
        ASSERT_TRUE(scenario.operation(s));
        total = counter.seen;
    }
    int reported = 0, reportedKept = 0, absorbed = 0;
    for (int run = 0; run < 2 * total; ++run) {
        const int n = run % total + 1;
        const bool lasting = run >= total;  // the undo fails too: the next open rolls back
        WriteBytes(path, before);
        bool done = false;
        Bytes committed;
        {
            Session s(path);
            ASSERT_TRUE(OpenSession(s, scenario.model));
            FaultInjector injector(n, lasting);
            {
                Observing observing(injector);
                done = scenario.operation(s);
                committed = ReadBytes(path);  // what reached the file
                if (lasting) s.Close();
            }
            if (!done && !lasting) {
                // What the session holds in memory is as it was before, so
                // the same operation succeeds once the disk works again.
                EXPECT_TRUE(scenario.operation(s)) << scenario.name << ": a retry after fault " << n;
                s.Close();
                if (scenario.holds) {
                    Session again(path);
                    ASSERT_TRUE(again.Open(false));
                    EXPECT_TRUE(scenario.holds(again)) << scenario.name << ": a retry after fault " << n;
                }
                WriteBytes(path, committed);  // the file as the failed attempt left it, for the check below
                platform::RemoveFile(journalPath.c_str());
            }
        }
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
        file.Close();
        Bytes opened = ReadBytes(path);
        if (done) {
            ++absorbed;
            EXPECT_EQ(opened, committed) << scenario.name << ": fault " << n << " of " << total;
            EXPECT_NE(opened, before) << scenario.name << ": fault " << n << " reported success but changed nothing";
        } else if (!lasting) {
            ++reported;
            EXPECT_EQ(opened, before) << scenario.name << ": fault " << n << " of " << total << " changed the file";
        } else {
            // Nothing could be written any more, not even the undo: the next
            // open rolls back, unless every write but the flush had reached
            // the file, which then holds the whole change. Never anything between.
            ++reported;
            if (opened != before) {
                ++reportedKept;
                EXPECT_EQ(opened, committed) << scenario.name << ": fault " << n << " from there on";
                EXPECT_EQ(CheckRecordFile(path.c_str(), "Quorrel200"), "") << scenario.name << ": fault " << n;
            }
        }
    }
    EXPECT_GT(reported, 0);
    std::printf("[ faults     ] %s: %d reads, writes and flushes, each failed once and failing from there on: "
                "%d reported (%d with the whole change on disk once the undo failed too, the rest as before), "
                "%d after the commit\n",
                scenario.name, total, reported, reportedKept, absorbed);
}

INSTANTIATE_TEST_SUITE_P(Operations, PowerLoss, ::testing::Range<size_t>(0, 12));

// A read that fails while the database opens is an error, never a shorter
// list: for every read, write and flush of the open, in either access.
TEST(DatabaseOpen, AFailedReadIsNeverAShorterList) {
    ScratchFolder folder;
    const std::u16string path = folder.Path("QuorrelDPC.qrb");
    constexpr size_t kRecords = 400;  // several read-ahead blocks
    {
        Session made(path);
        ASSERT_TRUE(made.Open(true));
        for (int n = 0; n < static_cast<int>(kRecords); ++n) ASSERT_TRUE(made.AddRecord(u"Bank", u"secret", n));
    }
    for (CDatabase::Access access : {CDatabase::Access::Write, CDatabase::Access::Read}) {
        FaultInjector counter(0);
        {
            Observing observing(counter);
            CDatabase database;
            ASSERT_EQ(database.Open(path.c_str(), access), CxFile::kOpened);
        }
        ASSERT_GT(counter.seen, 2);
        for (int n = 1; n <= counter.seen; ++n) {
            FaultInjector fault(n);
            CDatabase database;
            int opened;
            {
                Observing observing(fault);
                opened = database.Open(path.c_str(), access);
            }
            if (opened == CxFile::kOpened) {
                EXPECT_EQ(database.records.count, static_cast<int32_t>(kRecords)) << "fault at " << n;
            } else {
                EXPECT_FALSE(database.IsLoaded()) << "fault at " << n;
            }
        }
    }
}

}  // namespace

namespace {

// A valid journal beside a file whose writer is alive is that writer's
// transaction in progress: a reader waits, then reports busy; once the
// writer is gone the journal is hot and the reader rolls it back.
TEST(Journal, ReaderWaitsForALiveWriterThenRecoversWhenItIsGone) {
    ScratchFolder folder;
    std::u16string path = folder.Path("db.qrb");
    {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Create(path.c_str(), 128, 1, 0), CxFile::kOpened);
        const int32_t one = 1;
        ASSERT_TRUE(file.Insert(1, &one, 4));
    }
    const Bytes before = ReadBytes(path);

    // The journal of a change that reached the file in part.
    JournalImage image;
    image.pageSize = 128;
    image.originalSize = static_cast<int64_t>(before.size());
    image.newSize = image.originalSize + 128;
    std::copy(before.begin(), before.begin() + 36, image.header);
    image.offsets = {36};
    image.pages.assign(before.begin() + 36, before.begin() + 164);
    WriteBytes(JournalPathFor(path), EncodeJournal(image));
    Bytes torn = before;
    std::fill(torn.begin() + 36, torn.begin() + 164, 0xEE);
    torn.resize(before.size() + 128, 0xEE);
    WriteBytes(path, torn);

    CxFile reader("Quorrel200");
    {
        platform::File writer;  // holds the file as a writer does
        ASSERT_TRUE(writer.OpenShared(path.c_str(), false));
        EXPECT_EQ(reader.OpenReadOnly(path.c_str()), CxFile::kBusy);
        EXPECT_EQ(ReadBytes(path), torn);
    }
    ASSERT_EQ(reader.OpenReadOnly(path.c_str()), CxFile::kOpened);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(platform::FileExists(JournalPathFor(path).c_str()));
    EXPECT_TRUE(reader.Find(1));
}

// A journal whose checksum does not match was never complete, so the file
// was not touched under it: it is discarded and the file read as it is.
TEST(Journal, ABadChecksumIsDiscarded) {
    ScratchFolder folder;
    std::u16string path = folder.Path("db.qrb");
    {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Create(path.c_str(), 128, 1, 0), CxFile::kOpened);
        const int32_t one = 1;
        ASSERT_TRUE(file.Insert(1, &one, 4));
    }
    const Bytes before = ReadBytes(path);
    JournalImage image;
    image.pageSize = 128;
    image.originalSize = 36;
    image.newSize = static_cast<int64_t>(before.size());
    Bytes journal = EncodeJournal(image);
    journal[journal.size() - 1] ^= 1;
    WriteBytes(JournalPathFor(path), journal);
    CxFile file("Quorrel200");
    ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
    EXPECT_TRUE(file.Find(1));
    file.Close();
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(platform::FileExists(JournalPathFor(path).c_str()));
}

}  // namespace
