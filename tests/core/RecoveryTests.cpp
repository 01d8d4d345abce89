// Recovery that never guesses: journals that cannot be read are kept, a
// journal that is not the file's own is set aside, readers never see a commit
// half done, a failed backup costs no generation, a failed creation leaves
// nothing behind, and a commit leaves no spurious I/O error.
#include "model/Database.h"
#include "model/Record.h"
#include "platform/Platform.h"
#include "storage/Backup.h"
#include "storage/CxFile.h"
#include "storage/Journal.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#ifndef _WIN32
#include <thread>  // MinGW's win32 thread model has no std::thread
#endif
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using platform::FileOp;

class Observing {
public:
    explicit Observing(platform::FileObserver& observer) { platform::SetFileObserver(&observer); }
    ~Observing() { platform::SetFileObserver(nullptr); }
    Observing(const Observing&) = delete;
    Observing& operator=(const Observing&) = delete;
};

// Refuses what a test names: reads of one file, or writes and flushes of one
// file after the first few.
class Refusing : public platform::FileObserver {
public:
    Refusing(std::u16string target, FileOp refused, int allowedFirst = 0)
        : path(std::move(target)), op(refused), allowed(allowedFirst) {}
    bool Allow(FileOp kind, const std::u16string& at, int64_t, const void*, size_t) override {
        bool matches = (path.empty() || at == path) && (kind == op || (op == FileOp::Write && kind == FileOp::Flush));
        return !matches || allowed-- > 0;
    }
    std::u16string path;
    FileOp op;
    int allowed;
};

Bytes Payload(int key, int length, unsigned char salt = 0) {
    return Bytes(static_cast<size_t>(length), static_cast<unsigned char>(key * 7 + salt));
}

#ifndef _WIN32
// A stored record whose note is this long.
Bytes RecordPayload(int noteLength, char16_t fill) {
    CRecord record;
    std::u16string note(static_cast<size_t>(noteLength), fill);
    record.categoryId = 1;
    record.SetFields(u"site", u"user", u"secret", nullptr, nullptr, nullptr, note.c_str());
    Bytes bytes(static_cast<size_t>(record.EntrySize()));
    record.Encode(bytes.data());
    return bytes;
}
#endif

class Recovery : public ::testing::Test {
protected:
    // A record file with these keys, each with a payload of its own; then
    // more keys added in changes of their own.
    void Make(const std::u16string& at, int keys, unsigned char salt = 0, int later = 0) {
        platform::RemoveFile(at.c_str());
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Create(at.c_str(), 128, 1, 0), CxFile::kOpened);
        CxTransaction transaction(file);
        for (int key = 1; key <= keys; ++key) {
            Bytes payload = Payload(key, 40 + key % 200, salt);
            ASSERT_TRUE(file.Insert(key, payload.data(), static_cast<int32_t>(payload.size())));
        }
        ASSERT_TRUE(transaction.Commit());
        for (int key = keys + 1; key <= keys + later; ++key) {
            Bytes payload = Payload(key, 100, salt);
            ASSERT_TRUE(file.Insert(key, payload.data(), 100));
        }
    }
    // A change that reached the file in part and could not be undone: its
    // journal stays hot beside the half-written file.
    void CrashInTheMiddleOfAChange() {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
        Refusing diskGone(path, FileOp::Write, 1);
        Observing observing(diskGone);
        CxTransaction transaction(file);
        for (int key = 1; key <= 30; key += 3) {
            Bytes payload = Payload(key, 300, 1);
            ASSERT_TRUE(file.Find(key));
            ASSERT_TRUE(file.Update(payload.data(), static_cast<int32_t>(payload.size())));
        }
        Bytes more = Payload(999, 500);
        ASSERT_TRUE(file.Insert(999, more.data(), static_cast<int32_t>(more.size())));
        ASSERT_FALSE(transaction.Commit());
        file.Close();
        ASSERT_TRUE(platform::FileExists(journalPath.c_str()));
        ASSERT_NE(ReadBytes(path), before);
    }
    void SetUp() override {
        Make(path, 60);
        before = ReadBytes(path);
    }

    ScratchFolder folder;
    std::u16string path = folder.Path("db.qrb");
    std::u16string journalPath = JournalPathFor(path);
    Bytes before;
};

// Fault 1: a journal that cannot be read is never deleted, whatever the reason.
TEST_F(Recovery, AJournalThatCannotBeReadIsKeptAndNamed) {
    CrashInTheMiddleOfAChange();
    const Bytes halfWritten = ReadBytes(path), journal = ReadBytes(journalPath);
    for (bool reader : {false, true}) {
        Refusing unreadable(journalPath, FileOp::Read);
        Observing observing(unreadable);
        CxFile file("Quorrel200");
        EXPECT_EQ(reader ? file.OpenReadOnly(path.c_str()) : file.Open(path.c_str()), CxFile::kJournalRefused);
        EXPECT_NE(file.JournalNotice().find("db.qrb-journal cannot be read"), std::string::npos)
            << file.JournalNotice();
        EXPECT_EQ(ReadBytes(journalPath), journal);
        EXPECT_EQ(ReadBytes(path), halfWritten);
    }
    CxFile file("Quorrel200");  // once it can be read, it restores the file byte for byte
    ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
    file.Close();
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(platform::FileExists(journalPath.c_str()));
}

// Fault 1: a journal damaged after it was written (a flipped byte, a cut) is
// discarded only when the database shows it was never touched under it.
TEST_F(Recovery, ADamagedJournalIsDiscardedOnlyBesideAnUntouchedFile) {
    CrashInTheMiddleOfAChange();
    const Bytes halfWritten = ReadBytes(path), journal = ReadBytes(journalPath);
    struct Case {
        const char* name;
        bool untouched;
        bool cut;
    };
    for (Case c : {Case{"flipped byte", false, false}, Case{"cut", false, true}, Case{"flipped, file untouched", true, false}}) {
        Bytes damaged = journal;
        if (c.cut) damaged.resize(damaged.size() - 100);
        else damaged[damaged.size() - 10] ^= 0x40;
        WriteBytes(journalPath, damaged);
        WriteBytes(path, c.untouched ? before : halfWritten);
        CxFile file("Quorrel200");
        int opened = file.Open(path.c_str());
        file.Close();
        if (c.untouched) {
            EXPECT_EQ(opened, CxFile::kOpened) << c.name;
            EXPECT_FALSE(platform::FileExists(journalPath.c_str())) << c.name;
            EXPECT_EQ(ReadBytes(path), before) << c.name;
        } else {
            EXPECT_EQ(opened, CxFile::kJournalRefused) << c.name;
            EXPECT_NE(file.JournalNotice().find("damaged"), std::string::npos) << c.name;
            EXPECT_EQ(ReadBytes(journalPath), damaged) << c.name;
            EXPECT_EQ(ReadBytes(path), halfWritten) << c.name;
        }
    }
}

// Fault 3: a journal is replayed only into the file it was written for.
TEST_F(Recovery, AJournalBesideAnotherFileIsSetAsideNeverReplayed) {
    const Bytes backup = ReadBytes(path);  // an earlier copy of the same database
    Make(path, 60, 0, 30);
    before = ReadBytes(path);
    std::u16string other = folder.Path("other.qrb");
    Make(other, 60, 5, 30);  // the same keys and lengths, other values: same size and header
    ASSERT_EQ(ReadBytes(other).size(), before.size());
    CrashInTheMiddleOfAChange();
    const Bytes journal = ReadBytes(journalPath);
    for (const Bytes& replacement : {backup, ReadBytes(other)}) {
        WriteBytes(journalPath, journal);
        WriteBytes(path, replacement);  // copied or renamed over the database after the crash
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
        EXPECT_NE(file.JournalNotice().find("does not belong to this database"), std::string::npos);
        file.Close();
        EXPECT_EQ(ReadBytes(path), replacement);
        EXPECT_FALSE(platform::FileExists(journalPath.c_str()));
        std::u16string setAside = journalPath + u"-set-aside-1";
        EXPECT_EQ(ReadBytes(setAside), journal);
        platform::RemoveFile(setAside.c_str());
    }
}

// Journals are read a chunk (1 MiB) at a time, whatever their size: a change
// of some 3 MiB of original pages cut short is rolled back byte for byte, a
// byte flipped in the journal's last chunk is caught, and the same change
// made whole, beside a journal whose invalidation was lost, is kept (its 1.8 MiB
// of appended pages hashed a chunk at a time too).
TEST_F(Recovery, JournalsOfManyChunksAreReadWhole) {
    Make(path, 0);
    {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
        CxTransaction transaction(file);
        for (int key = 1; key <= 3000; ++key) {
            Bytes payload = Payload(key, 900);
            ASSERT_TRUE(file.Insert(key, payload.data(), static_cast<int32_t>(payload.size())));
        }
        ASSERT_TRUE(transaction.Commit());
    }
    before = ReadBytes(path);
    auto growEveryEntry = [](CxFile& file) {
        CxTransaction transaction(file);
        for (int key = 1; key <= 3000; ++key) {
            Bytes payload = Payload(key, 1400, 3);
            if (!file.Find(key) || !file.Update(payload.data(), static_cast<int32_t>(payload.size()))) return false;
        }
        return transaction.Commit();
    };
    {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
        Refusing diskGone(path, FileOp::Write, 1);
        Observing observing(diskGone);
        ASSERT_FALSE(growEveryEntry(file));
    }
    const Bytes journal = ReadBytes(journalPath);
    ASSERT_GT(journal.size(), size_t{3} << 20);
    Bytes flipped = journal;
    flipped[flipped.size() - 100] ^= 1;
    WriteBytes(journalPath, flipped);
    {
        CxFile file("Quorrel200");
        EXPECT_EQ(file.Open(path.c_str()), CxFile::kJournalRefused);
        EXPECT_NE(file.JournalNotice().find("damaged"), std::string::npos) << file.JournalNotice();
    }
    WriteBytes(journalPath, journal);
    {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
    }
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(platform::FileExists(journalPath.c_str()));

    Bytes whole;
    {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
        ASSERT_TRUE(growEveryEntry(file));
        whole = ReadBytes(journalPath);  // invalidated, until its magic is put back
    }
    const Bytes after = ReadBytes(path);
    ASSERT_GT(after.size(), before.size() + (size_t{1} << 20));
    std::copy(journal.begin(), journal.begin() + kJournalMagicSize, whole.begin());
    WriteBytes(journalPath, whole);
    {
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Open(path.c_str()), CxFile::kOpened);
    }
    EXPECT_EQ(ReadBytes(path), after);
    EXPECT_FALSE(platform::FileExists(journalPath.c_str()));
}

// Fault 2: a commit that reads original pages near the end of the file
// leaves no I/O error behind.
TEST(RecordFileCommits, ManyRandomChangeSequencesLeaveNoIoError) {
    ScratchFolder folder;
    std::mt19937 random(21);
    for (int sequence = 0; sequence < 200; ++sequence) {
        std::u16string path = folder.Path(("seq" + std::to_string(sequence) + ".qrb").c_str());
        CxFile file("Quorrel200");
        ASSERT_EQ(file.Create(path.c_str(), 128, 1, 0), CxFile::kOpened);
        for (int step = 0; step < 12; ++step) {
            CxTransaction transaction(file);
            for (int change = 0; change < 4; ++change) {
                auto key = static_cast<int32_t>(random() % 40);
                Bytes payload = Payload(key, static_cast<int>(1 + random() % 400));
                auto length = static_cast<int32_t>(payload.size());
                if (!file.Find(key)) ASSERT_TRUE(file.Insert(key, payload.data(), length));
                else if (random() % 3 == 0) ASSERT_TRUE(file.Delete());
                else ASSERT_TRUE(file.Update(payload.data(), length));
            }
            ASSERT_TRUE(transaction.Commit());
            ASSERT_EQ(file.IoError(), "") << "sequence " << sequence << ", step " << step;
        }
    }
}

#ifndef _WIN32
// Fault 4: while another writer commits, every reader sees the file sound,
// before or after a commit, never in between.
TEST_F(Recovery, ReadersNeverSeeACommitHalfDone) {
    std::u16string database = folder.Path("QuorrelDPC.qrb");
    {
        CDatabase made;
        ASSERT_EQ(made.Create(database.c_str()), CxFile::kOpened);
        CxTransaction transaction(made.file);
        Bytes record = RecordPayload(60, u'n');
        for (int key = 2000; key < 6000; ++key) {
            ASSERT_TRUE(made.file.Insert(key, record.data(), static_cast<int32_t>(record.size())));
        }
        ASSERT_TRUE(transaction.Commit());
    }
    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    std::thread writer([&] {
        CxFile file(kDatabaseSignature);
        if (file.Open(database.c_str()) != CxFile::kOpened) return;
        for (int round = 0; !stop; ++round) {
            // Pages all over the file change in one commit.
            CxTransaction transaction(file);
            for (int key = 2000 + round % 97; key < 6000; key += 97) {
                Bytes record = RecordPayload(20 + (round * 37 + key) % 150, static_cast<char16_t>(u'a' + round % 26));
                if (file.Find(key)) file.Update(record.data(), static_cast<int32_t>(record.size()));
            }
            if (transaction.Commit()) ++commits;
        }
    });
    int reads = 0;
    for (; reads < 12 || commits < 3; ++reads) {
        CDatabase reader;
        ASSERT_EQ(reader.Open(database.c_str(), CDatabase::Access::Read), CxFile::kOpened) << "read " << reads;
        EXPECT_EQ(reader.fault, "") << "read " << reads;
        if (reads > 200) break;
    }
    stop = true;
    writer.join();
    EXPECT_GE(commits, 3);
    std::printf("[ readers    ] %d reads while %d commits went on\n", reads, commits.load());
}

#endif

// Fault 5: a backup copy that fails costs no generation, and its copy is
// made exclusively, never through a link.
TEST(BackupRotation, AFailedCopyKeepsEveryGeneration) {
    ScratchFolder folder;
    std::u16string db = folder.Path("QuorrelDPC.qrb");
    const int32_t today = platform::CurrentTime();
    std::string reason;
    for (unsigned char day = 1; day <= 3; ++day) {
        WriteBytes(db, {'d', 'b', day});
        ASSERT_TRUE(BackUpDatabase(db, today - (4 - day) * 86400, reason)) << reason;
    }
    const Bytes newest = ReadBytes(BackupPath(db, 1)), older = ReadBytes(BackupPath(db, 2));
    WriteBytes(db, {'d', 'b', 4});
    const int32_t tomorrow = today + 86400;  // the copies above were all made today
    for (int attempt = 0; attempt < 2; ++attempt) {  // the disk is full twice on one day
        Refusing full(db + u".bak-new", FileOp::Write);
        Observing observing(full);
        EXPECT_FALSE(BackUpDatabase(db, tomorrow, reason));
    }
    EXPECT_EQ(ReadBytes(BackupPath(db, 1)), newest);
    EXPECT_EQ(ReadBytes(BackupPath(db, 2)), older);
    EXPECT_FALSE(platform::FileExists((db + u".bak-new").c_str()));
#ifndef _WIN32
    std::filesystem::path victim(folder.Path("victim"));
    WriteBytes(folder.Path("victim"), {'k', 'e', 'e', 'p'});
    std::filesystem::permissions(victim, std::filesystem::perms::all);
    std::filesystem::create_symlink(victim, std::filesystem::path(db + u".bak-new"));
#endif
    ASSERT_TRUE(BackUpDatabase(db, tomorrow, reason)) << reason;
    EXPECT_EQ(ReadBytes(BackupPath(db, 1)), ReadBytes(db));
    EXPECT_EQ(ReadBytes(BackupPath(db, 2)), newest);
    EXPECT_EQ(ReadBytes(BackupPath(db, 3)), older);
#ifndef _WIN32
    EXPECT_EQ(ReadBytes(folder.Path("victim")), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(std::filesystem::status(std::filesystem::path(BackupPath(db, 1))).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif
}

// Fault 6: a read-only database with a hot journal: every open says that
// recovery needs write access, and nothing is read half-written.
TEST_F(Recovery, AReadOnlyFileWithAHotJournalNeedsWriteAccess) {
    CrashInTheMiddleOfAChange();
    const Bytes halfWritten = ReadBytes(path);
    std::filesystem::path file(path);
#ifdef _WIN32
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_ATTRIBUTE_READONLY);
#else
    // Root writes through permissions; an immutable file refuses even root.
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    std::string immutable = "chattr +i '" + file.string() + "' 2>/dev/null";
    std::system(immutable.c_str());
#endif
    // Wine run as root writes through the read-only attribute.
    if (platform::File probe; probe.OpenShared(path.c_str(), false)) GTEST_SKIP() << "the file cannot be made read-only here";
    for (bool reader : {false, true}) {
        CxFile db("Quorrel200");
        EXPECT_EQ(reader ? db.OpenReadOnly(path.c_str()) : db.Open(path.c_str()), CxFile::kNeedsWriteAccess);
    }
    CDatabase checked;
    EXPECT_EQ(checked.Open(path.c_str(), CDatabase::Access::Read), CxFile::kNeedsWriteAccess);
#ifdef _WIN32
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_ATTRIBUTE_NORMAL);
#else
    std::system(("chattr -i '" + file.string() + "' 2>/dev/null").c_str());
#endif
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(ReadBytes(path), halfWritten);
    CxFile db("Quorrel200");
    EXPECT_EQ(db.OpenReadOnly(path.c_str()), CxFile::kOpened);
    db.Close();
    EXPECT_EQ(ReadBytes(path), before);
}

// Fault 8: a disk that is full while a database is made leaves nothing behind.
TEST(DatabaseCreation, AFailureLeavesNothingBehind) {
    ScratchFolder folder;
    std::u16string path = folder.Path("QuorrelDPC.qrb");
    for (int allowed : {0, 1, 2, 3, 4, 6}) {
        Refusing full(u"", FileOp::Write, allowed);  // every file: the disk is full
        CDatabase database;
        int created;
        {
            Observing observing(full);
            created = database.Create(path.c_str());
        }
        EXPECT_NE(created, CxFile::kOpened) << allowed;
        EXPECT_FALSE(platform::FileExists(path.c_str())) << allowed;
        EXPECT_FALSE(platform::FileExists((path + u"-new").c_str())) << allowed;
    }
    CDatabase database;
    ASSERT_EQ(database.Create(path.c_str()), CxFile::kOpened);
    EXPECT_TRUE(database.loadedWhole);
}

}  // namespace
