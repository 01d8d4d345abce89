// The rollback journal of a record file, "<database>-journal". Before a
// transaction changes the file, the original bytes of every page it changes
// are written to the journal's body and flushed; then the journal's head (one
// 512-byte sector: sizes, the file's header before and after, checksums) is
// written and flushed. Only then is the database written and flushed;
// zeroing the head's magic commits. A head that is valid was written after
// its whole body reached the disk, so a body that fails its checksum was
// damaged later, never torn by a crash.
//
// A valid journal found later belongs to a transaction that may have reached
// the file in part: putting the originals back and cutting the file to its
// original size gives the state before it. Pages appended past the original
// end need no copy. The head also holds a hash of the file as the transaction
// leaves it, so that a crash after the database was flushed but before the
// journal was invalidated keeps the finished transaction.
//
// The journal names the file it belongs to: during a transaction the file
// only grows from the original to the new size, its header is the old or the
// new one, and pages the transaction did not change (a few of them, the
// witnesses, are hashed in the head) stay as they were. A journal beside a
// file that fails any of this (a backup copied over the database, another
// database renamed in) is set aside, never replayed.
//
// Consecutive transactions put their bodies in turn at two places of the
// journal, so that a body never overwrites the one whose head may still be
// valid on disk (its invalidation is not flushed).
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kJournalMagicSize = 16;
inline constexpr int64_t kJournalHeadSize = 512;
inline constexpr int kJournalWitnesses = 8;

struct JournalHead {
    static constexpr int32_t kHeaderSize = 36;

    int32_t pageSize = 0;
    int32_t count = 0;  // pages journaled
    int64_t originalSize = 0;
    int64_t newSize = 0;
    int64_t bodyOffset = kJournalHeadSize;
    uint64_t afterHash = 0;  // the file as the transaction leaves it
    uint64_t offsetsHash = 0;
    uint64_t pagesHash = 0;  // the original bytes of the journaled pages, as an untouched file holds them
    unsigned char header[kHeaderSize] = {};     // the file's header before
    unsigned char newHeader[kHeaderSize] = {};  // and after
    int32_t witnessCount = 0;
    int32_t witnesses[kJournalWitnesses] = {};  // pages left unchanged
    uint64_t witnessHash = 0;
};

// A whole journal in memory, for tests that lay one beside a file.
struct JournalImage {
    static constexpr int32_t kHeaderSize = JournalHead::kHeaderSize;

    int32_t pageSize = 0;
    int64_t originalSize = 0;
    int64_t newSize = 0;
    uint64_t afterHash = 0;
    unsigned char header[kHeaderSize] = {};
    unsigned char newHeader[kHeaderSize] = {};
    std::vector<int32_t> offsets;      // pages changed that lay inside the original size
    std::vector<unsigned char> pages;  // their original bytes, offsets.size() × pageSize
};

// FNV-1a, 64 bits: the journal's checksums and the hash of the file after.
class JournalHash {
public:
    void Add(const void* bytes, size_t count);
    uint64_t Value() const { return value; }

private:
    uint64_t value = 14695981039346656037ull;
};

std::u16string JournalPathFor(const std::u16string& databasePath);

// The head as its 512 bytes, with its own checksum.
std::vector<unsigned char> EncodeJournalHead(const JournalHead& head);
std::vector<unsigned char> EncodeJournal(const JournalImage& image);

// The witnesses of a file of this size whose pages at changed are being
// changed: up to eight other pages spread over the file.
void ChooseWitnesses(JournalHead& head, const std::vector<int32_t>& changed);
// The hash of the witness pages as the file holds them; false when unreadable.
bool HashWitnesses(platform::File& database, const JournalHead& head, uint64_t& hash);

// Puts the original pages (read from the journal's body) and header back and
// cuts the file to its original size, then flushes. False when any of it fails.
bool RollBackJournal(platform::File& database, platform::File& journal, const JournalHead& head,
                     const std::vector<int32_t>& offsets);

enum class Recovery {
    kNothingToDo,
    kRolledBack,
    kSetAside,    // the journal belongs to another file: renamed, the file left as it is
    kUnreadable,  // the journal cannot be read or is damaged: both files stay
    kFailed       // the rollback could not be written
};
// For a database opened for writing: settles a journal left beside it. A
// journal that was invalidated or never completed is removed; a valid one is
// rolled back, unless the file already holds the transaction's end state.
// problem tells why a journal was refused or set aside, naming it.
Recovery RecoverDatabase(platform::File& database, std::string& problem);
// True when a journal lies beside the database that a writer has to settle
// before the file can be read (one that is not invalidated, or that cannot
// even be looked at).
bool JournalNeedsRecovery(const std::u16string& databasePath);
