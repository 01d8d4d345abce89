// The record file's pages: reading them (a block ahead at a time), the header
// and the free list, and transactions. Pages a transaction changes are kept in
// memory until the outermost Commit, which journals the originals (see
// storage/Journal.h), writes the file and flushes it. The first failure inside
// a transaction refuses every further change and makes its Commit answer
// false, with the file as it was before Begin.
//
// Every page read is checked to be a page of the file; a file that breaks the
// format is reported through Damage() and is never written to again.
#pragma once

#include "platform/Platform.h"
#include "storage/ChangedPages.h"
#include "storage/Journal.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cx {

inline constexpr int32_t kHeaderSize = 36;
inline constexpr int32_t kNone = -1;

struct Header {
    char signature[16];
    int32_t firstUserValue;
    int32_t secondUserValue;
    int32_t pageSize;
    int32_t firstIndexPage;
    int32_t freeListHead;
};
static_assert(sizeof(Header) == kHeaderSize);

// "what at offset N", the form every damage report takes.
std::string At(const char* what, int64_t offset);

}  // namespace cx

// The reason given when a change would take the file past 2 GiB.
inline constexpr char kSizeLimitText[] = "the database would grow past the 2 GiB its format can address";
// The reason given when memory ran out during a commit.
inline constexpr char kOutOfMemoryText[] = "out of memory";

class CxPager {
public:
    CxPager() = default;
    CxPager(const CxPager&) = delete;
    CxPager& operator=(const CxPager&) = delete;

    platform::File& File() { return file; }
    bool IsOpen() const { return file.IsOpen(); }
    // Takes a header read from the file or made for a new one as written.
    void Adopt(const cx::Header& stored, int64_t size, bool sound, bool forReading);
    // Writes the adopted header of a new file and flushes it.
    bool WriteFreshHeader();
    // Ends a transaction left open, removes the journal of a sound one and
    // closes the file; every state goes back to closed.
    void Close();

    cx::Header& Head() { return header; }
    int32_t PageSize() const { return header.pageSize; }
    int64_t FileSize() const { return fileSize; }
    int32_t PageCount() const;
    bool IsPageOffset(int32_t offset) const;
    // Open with a sound header and no commit left broken: it may be read.
    bool Usable() const { return IsOpen() && headerSound && !broken; }
    // And sound, opened for writing and no change failed: it may be changed.
    bool Writable() const { return Usable() && damage.empty() && !readOnly && !failed; }
    bool Broken() const { return broken; }

    const std::string& Damage() const { return damage; }
    void ReportDamage(const std::string& what);
    const std::string& IoError() const { return ioError; }
    void NoteIoFailure();

    // Reads and writes at a position; reads go through the read-ahead block.
    int32_t RawRead(int64_t offset, void* buffer, int32_t count);
    int32_t RawWrite(int64_t offset, const void* buffer, int32_t count);
    bool Flush();
    bool WriteHeader();

    // A whole page, checked to be one of the file; from the transaction's
    // pages where it holds it.
    bool ReadPage(int32_t offset, std::vector<int32_t>& words);
    // Reads within one page, from the transaction's pages where it holds it.
    bool ReadStored(int32_t offset, void* buffer, int32_t count);
    // Only inside a transaction: the page is kept until the commit.
    bool WritePage(int32_t offset, const void* bytes);
    int32_t AllocPage();
    bool FreePage(int32_t offset);
    void CheckFreeList();

    bool Begin();
    // discarded tells that the changes since Begin were dropped: what the
    // caller keeps of the file's pages is stale.
    bool Commit(bool& discarded);
    int Depth() const { return depth; }
    bool Failed() const { return failed || broken; }
    // The first failure of the transaction in progress: it will be discarded.
    void Fail() { failed = true; }
    // Ends a transaction of any depth as failed.
    void Abandon(bool& discarded);

private:
    bool CommitChanges();
    bool JournalAndWrite();
    bool OpenJournal(bool& made);
    bool WriteJournalBody(JournalHead& head, const std::vector<int32_t>& offsets);
    bool WriteChanges(std::vector<unsigned char>& run);
    void InvalidateJournal();
    void DiscardChanges();

    static constexpr size_t kReadAheadSize = 32 * 1024;
    static constexpr size_t kWriteRunSize = 1024 * 1024;

    platform::File file;
    cx::Header header{};
    cx::Header writtenHeader{};
    int64_t fileSize = 0;
    bool unflushed = false;
    bool headerSound = false;
    bool readOnly = false;
    std::string damage;
    std::string ioError;

    // The transaction in progress.
    int depth = 0;
    bool failed = false;
    // A commit failed after the file was touched and could not be undone
    // here; the journal stays, and the next open rolls it back.
    bool broken = false;
    cx::Header originalHeader{};
    int64_t originalSize = 0;
    // Those inside the original size are journaled; those past it are new.
    CxChangedPages changedPages;
    platform::File journal;
    std::u16string journalPath;  // where it lies, for Close to remove it
    // Where the latest body went in the journal, so that the next one avoids it.
    int64_t lastBodyStart = 0;
    int64_t lastBodyEnd = 0;
    // The commit is writing: the file on disk still has its original size.
    bool committing = false;
    // The commit has begun to write the file itself.
    bool fileTouched = false;

    std::vector<unsigned char> readAhead;  // file bytes from readAheadStart on
    int64_t readAheadStart = 0;
};
