// The rollback journal of a record file: before a transaction changes the
// file, the original bytes of every page it changes, the file's original size
// and header go to "<database>-journal", checksummed and flushed. Only then is
// the database written and flushed; invalidating the journal commits. A valid
// journal found later belongs to a transaction that may have reached the file
// in part: putting the originals back and cutting the file to its original
// size gives the state before it. Pages appended past the original end need
// no copy.
//
// The journal also holds a hash of the file as the transaction leaves it, so
// that a crash after the database was flushed but before the journal was
// invalidated keeps the finished transaction instead of undoing it.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

struct JournalImage {
    static constexpr int32_t kHeaderSize = 36;

    int32_t pageSize = 0;
    int64_t originalSize = 0;
    int64_t newSize = 0;
    uint64_t afterHash = 0;
    unsigned char header[kHeaderSize] = {};
    std::vector<int32_t> offsets;      // pages changed that lay inside the original size
    std::vector<unsigned char> pages;  // their original bytes, offsets.size() × pageSize
};

// FNV-1a, 64 bits: the journal's checksum and the hash of the file after.
class JournalHash {
public:
    void Add(const void* bytes, size_t count);
    uint64_t Value() const { return value; }

private:
    uint64_t value = 14695981039346656037ull;
};

std::u16string JournalPathFor(const std::u16string& databasePath);

std::vector<unsigned char> EncodeJournal(const JournalImage& image);
// False when the bytes are not a whole journal with a matching checksum (a
// journal torn while it was written, or one already invalidated).
bool DecodeJournal(const std::vector<unsigned char>& bytes, JournalImage& image);
// The bytes that invalidate a journal when written at its start.
inline constexpr size_t kJournalMagicSize = 16;

// True when a valid journal lies beside the database.
bool ReadJournal(const std::u16string& journalPath, JournalImage& image);

// Puts the original pages and header back and cuts the file to its original
// size, then flushes. False when any of it fails.
bool RollBackJournal(platform::File& database, const JournalImage& image);

enum class Recovery {
    kNothingToDo,
    kRolledBack,
    kFailed
};
// For a database opened for writing: settles a journal left beside it. A
// journal that is not valid is removed; a valid one is rolled back, unless
// the file already holds the transaction's end state; then it is removed.
Recovery RecoverDatabase(platform::File& database);
