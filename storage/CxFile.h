// The record file: a keyed store of byte payloads under 32-bit signed keys in
// one paged file. Keys live in a doubly linked chain of sorted index pages,
// each payload in its own chain of data pages, released pages on a free list.
//
// Every page read from disk is checked before it is used; a file that breaks
// the format is reported through Damage() and is never written to again, and
// every walk of a chain is bounded, so a damaged or hostile file cannot make
// an operation loop, overflow a buffer or spread the damage.
//
// Every change is a transaction (see storage/Journal.h): pages changed are
// kept in memory until the outermost Commit, which journals the originals,
// writes the file and flushes it. Insert, Update and Delete are each one
// transaction, or join the caller's when one is open. The first failure
// inside a transaction refuses every further change and makes its Commit
// answer false, with the file as it was before Begin.
#pragma once

#include "platform/Platform.h"
#include "storage/Journal.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CxFile {
public:
    static constexpr int32_t kHeaderSize = 36;
    static constexpr int32_t kIndexPageHeadSize = 24;
    static constexpr int32_t kIndexEntrySize = 12;
    static constexpr int32_t kDataPageHeadSize = 12;
    static constexpr int32_t kNone = -1;

    // Results of Open and Create.
    static constexpr int kOpened = 0;
    static constexpr int kCannotOpen = -2;
    static constexpr int kOtherFormat = -3;
    // A reader found another process in the middle of writing the file.
    static constexpr int kBusy = -4;

    explicit CxFile(const char* signature);
    CxFile(const CxFile&) = delete;
    CxFile& operator=(const CxFile&) = delete;
    virtual ~CxFile();

    virtual int Open(const char16_t* path);
    // Opens for reading only, also while another process writes the file;
    // every change is then refused.
    int OpenReadOnly(const char16_t* path);
    virtual int Create(const char16_t* path, int32_t requestedPageSize, int32_t firstUserValue,
                       int32_t secondUserValue);
    virtual void GetUserValues(int32_t& first, int32_t& second);
    virtual void Close();
    virtual bool Find(int32_t key);
    virtual bool First();
    virtual bool Next();
    virtual bool Last();
    virtual bool Insert(int32_t key, const void* data, int32_t length);
    virtual bool GetKey(int32_t& key);
    virtual bool GetLength(int32_t& length);
    // The buffer must hold GetLength bytes; never more than that is written.
    virtual bool ReadData(void* buffer, int32_t& length);
    virtual bool Update(const void* data, int32_t length);
    virtual bool Delete();
    virtual bool IsOpen();

    // GetLength and ReadData in one: the current entry's payload, refused
    // (before anything is allocated) when its length cannot fit in the file.
    bool ReadEntry(std::vector<unsigned char>& bytes);

    // The smallest key from `from` upward that Find does not find. Remembers
    // how far the keys are known to be taken, so allocating keys one after
    // another stays linear in the number of keys.
    int32_t FirstFreeKey(int32_t from);

    // Description of the first damage met since the file was opened, or empty.
    const std::string& Damage() const { return damage; }
    int32_t PageSize() const { return header.pageSize; }

    // Transactions; a nested Begin joins the outer one, only the outermost
    // Commit writes. Begin fails on a file that cannot be written.
    bool Begin();
    bool Commit();
    void Rollback();
    bool InTransaction() const { return depth > 0; }
    // A change inside the transaction in progress failed (or an earlier
    // commit could not be undone): everything since Begin will be discarded.
    bool Failed() const { return failed || broken; }
    // The system's reason for the first read, write or flush that failed
    // since the file was opened or the latest outermost Begin, or empty.
    const std::string& IoError() const { return ioError; }

protected:
    virtual bool OpenHandle(const char16_t* path, bool create);
    virtual bool Flush();
    // Reads and writes at a position (a single system call where there is one).
    virtual int32_t RawRead(int64_t offset, void* buffer, int32_t count);
    virtual int32_t RawWrite(int64_t offset, const void* buffer, int32_t count);
    virtual int64_t Seek(int64_t offset, int origin);
    virtual bool WriteHeader();
    virtual int32_t AllocPage();
    virtual bool FreePage(int32_t offset);
    virtual bool SplitPage(int32_t key);

private:
    struct Header {
        char signature[16];
        int32_t firstUserValue;
        int32_t secondUserValue;
        int32_t pageSize;
        int32_t firstIndexPage;
        int32_t freeListHead;
    };
    static_assert(sizeof(Header) == kHeaderSize);

    // An index page held as 32-bit words: six head words, then three per entry.
    struct IndexPage {
        std::vector<int32_t> words;
        int32_t& Low() { return words[0]; }
        int32_t& High() { return words[1]; }
        int32_t& Self() { return words[2]; }
        int32_t& NextPage() { return words[3]; }
        int32_t& PrevPage() { return words[4]; }
        int32_t& Count() { return words[5]; }
        int32_t& Key(int32_t i) { return words[6 + 3 * i]; }
        int32_t& DataPage(int32_t i) { return words[7 + 3 * i]; }
        int32_t& Length(int32_t i) { return words[8 + 3 * i]; }
        void MoveEntries(int32_t to, int32_t from, int32_t n);
    };

    // A data page: previous, next, byte count, then the payload bytes.
    struct DataPage {
        std::vector<int32_t> words;
        int32_t& PrevPage() { return words[0]; }
        int32_t& NextPage() { return words[1]; }
        int32_t& Count() { return words[2]; }
        unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(words.data() + 3); }
    };

    int32_t Capacity() const { return (header.pageSize - kIndexPageHeadSize) / kIndexEntrySize; }
    int32_t DataCapacity() const { return header.pageSize - kDataPageHeadSize; }
    int32_t PageCount() const;
    int32_t MaxChainPages(int32_t length) const;
    bool IsPageOffset(int32_t offset) const;
    bool Usable();
    bool Writable();
    bool CursorValid();
    void ReportDamage(const std::string& what);

    bool ReadPage(int32_t offset, std::vector<int32_t>& words);
    // Reads within one page, from the transaction's pages where it holds it.
    bool ReadStored(int32_t offset, void* buffer, int32_t count);
    bool WritePage(int32_t offset, const void* bytes);
    bool WriteIndexPage(IndexPage& page);
    void NoteIoFailure();
    bool Finish(bool done);
    bool CommitChanges();
    bool WriteChanges();
    void DiscardChanges();
    bool InsertEntry(int32_t key, const unsigned char* bytes, int32_t length);
    bool UpdateEntry(const void* data, int32_t length);
    bool DeleteEntry();
    bool LoadIndexPage(int32_t offset, IndexPage& page);
    bool LoadDataPage(int32_t offset);
    // Reads a payload's chain into the data page buffer page by page,
    // collecting its offsets; false (and damage) when it breaks the format.
    bool WalkDataChain(int32_t first, int32_t length, std::vector<int32_t>* offsets, unsigned char* out);
    bool WriteDataChain(int32_t first, const unsigned char* data, int32_t length);
    bool ReleaseChain(const std::vector<int32_t>& offsets);
    void CheckFreeList();
    int OpenExisting(const char16_t* path, bool readOnly);

    static constexpr size_t kReadAheadSize = 32 * 1024;

    std::string signature;
    Header header{};
    Header writtenHeader{};
    IndexPage current;
    DataPage dataPage;
    int32_t cursor = kNone;
    bool buffersAllocated = false;
    bool unflushed = false;
    bool headerSound = false;
    bool readOnly = false;
    int64_t fileSize = 0;
    std::string damage;
    int32_t freeKeyFrom = 0;
    int32_t freeKeyHint = 0;
    bool haveFreeKeyHint = false;
    platform::File file;
    std::string ioError;

    // The transaction in progress.
    int depth = 0;
    bool failed = false;
    // A commit failed after the file was touched and could not be undone
    // here; the journal stays, and the next open rolls it back.
    bool broken = false;
    Header originalHeader{};
    int64_t originalSize = 0;
    std::map<int32_t, std::vector<unsigned char>> changedPages;  // inside the original size
    std::vector<unsigned char> appended;                         // from the original size on
    platform::File journal;

    std::vector<unsigned char> readAhead;  // file bytes from readAheadStart on
    int64_t readAheadStart = 0;
};

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
