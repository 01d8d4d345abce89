// The record file: a keyed store of byte payloads under 32-bit signed keys in
// one paged file. Keys live in a doubly linked chain of sorted index pages,
// each payload in its own chain of data pages, released pages on a free list.
//
// Every page read from disk is checked before it is used; a file that breaks
// the format is reported through Damage() and is never written to again, and
// every walk of a chain is bounded, so a damaged or hostile file cannot make
// an operation loop, overflow a buffer or spread the damage.
//
// Every change is a transaction (see storage/Pager.h): pages changed are
// kept in memory until the outermost Commit, which journals the originals,
// writes the file and flushes it. Insert, Update and Delete are each one
// transaction, or join the caller's when one is open. The first failure
// inside a transaction refuses every further change and makes its Commit
// answer false, with the file as it was before Begin.
#pragma once

#include "storage/DataChains.h"
#include "storage/KeyIndex.h"
#include "storage/Pager.h"

#include <cstdint>
#include <string>
#include <vector>

class CxFile {
public:
    static constexpr int32_t kHeaderSize = cx::kHeaderSize;
    static constexpr int32_t kIndexPageHeadSize = CxKeyIndex::kPageHeadSize;
    static constexpr int32_t kIndexEntrySize = CxKeyIndex::kEntrySize;
    static constexpr int32_t kDataPageHeadSize = CxDataChains::kPageHeadSize;
    static constexpr int32_t kNone = cx::kNone;

    // Results of Open and Create.
    static constexpr int kOpened = 0;
    static constexpr int kCannotOpen = -2;
    static constexpr int kOtherFormat = -3;
    // A reader found another process in the middle of writing the file.
    static constexpr int kBusy = -4;
    // A journal beside the file cannot be read or is damaged: both files are
    // kept as they are (JournalNotice says which and why).
    static constexpr int kJournalRefused = -7;
    // A journal beside the file must be rolled back first, and that needs
    // write access to the file.
    static constexpr int kNeedsWriteAccess = -8;

    explicit CxFile(const char* signature);
    CxFile(const CxFile&) = delete;
    CxFile& operator=(const CxFile&) = delete;
    ~CxFile();

    int Open(const char16_t* path);
    // Opens for reading only, also while another process writes the file;
    // every change is then refused.
    int OpenReadOnly(const char16_t* path);
    int Create(const char16_t* path, int32_t requestedPageSize, int32_t firstUserValue, int32_t secondUserValue);
    void GetUserValues(int32_t& first, int32_t& second);
    void Close();
    bool Find(int32_t key);
    bool First();
    bool Next();
    bool Last();
    bool Insert(int32_t key, const void* data, int32_t length);
    bool GetKey(int32_t& key);
    bool GetLength(int32_t& length);
    // The buffer must hold GetLength bytes; never more than that is written.
    bool ReadData(void* buffer, int32_t& length);
    bool Update(const void* data, int32_t length);
    bool Delete();
    bool IsOpen();

    // GetLength and ReadData in one: the current entry's payload, refused
    // (before anything is allocated) when its length cannot fit in the file.
    bool ReadEntry(std::vector<unsigned char>& bytes);

    // The smallest key from `from` upward that Find does not find. Remembers
    // how far the keys are known to be taken, so allocating keys one after
    // another stays linear in the number of keys.
    int32_t FirstFreeKey(int32_t from);

    // Description of the first damage met since the file was opened, or empty.
    const std::string& Damage() const { return pager.Damage(); }
    int32_t PageSize() const { return pager.PageSize(); }

    // Transactions; a nested Begin joins the outer one, only the outermost
    // Commit writes. Begin fails on a file that cannot be written.
    bool Begin();
    bool Commit();
    void Rollback();
    bool InTransaction() const { return pager.Depth() > 0; }
    // A change inside the transaction in progress failed (or an earlier
    // commit could not be undone): everything since Begin will be discarded.
    bool Failed() const { return pager.Failed(); }
    // The system's reason for the first read, write or flush that failed
    // since the file was opened or the latest outermost Begin, or empty.
    const std::string& IoError() const { return pager.IoError(); }
    // Why a journal was refused, could not be rolled back or was set aside
    // (not the file's own) at the latest Open, or empty.
    const std::string& JournalNotice() const { return journalNotice; }

private:
    bool Finish(bool done);
    // What the façade keeps of the pages after a transaction's changes were dropped.
    void AfterDiscard();
    bool InsertEntry(int32_t key, const unsigned char* bytes, int32_t length);
    bool UpdateEntry(const void* data, int32_t length);
    bool DeleteEntry();
    int OpenExisting(const char16_t* path, bool readOnly);
    int OpenForWriting(const char16_t* path);
    int OpenForReading(const char16_t* path);
    int Settle(platform::File& writer);

    std::string signature;
    CxPager pager;
    CxKeyIndex index{pager};
    CxDataChains chains{pager};
    int32_t freeKeyFrom = 0;
    int32_t freeKeyHint = 0;
    bool haveFreeKeyHint = false;
    std::string journalNotice;
};

// What every program says for kNeedsWriteAccess.
inline constexpr char kRecoveryNeedsWriteAccess[] =
    "a change to it was cut short, and recovery needs write access to the file";

// One transaction for a scope: rolled back unless committed.
class CxTransaction {
public:
    explicit CxTransaction(CxFile& recordFile) : file(recordFile), begun(recordFile.Begin()) {}
    ~CxTransaction() {
        if (begun && !finished) file.Rollback();
    }
    CxTransaction(const CxTransaction&) = delete;
    CxTransaction& operator=(const CxTransaction&) = delete;

    bool Begun() const { return begun; }
    bool Commit() {
        finished = true;
        return begun && file.Commit();
    }

private:
    CxFile& file;
    bool begun;
    bool finished = false;
};
