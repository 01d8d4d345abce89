// A database of the program's own format, made by a test through the core
// before the program opens it.
#pragma once

#include "model/Database.h"

#include <memory>
#include <string>
#include <vector>

class TestDatabase {
public:
    // Creates a new database at path (making its folder), as a first start does.
    explicit TestDatabase(const std::wstring& path);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // Adds a record to the named category; missing values are empty.
    void Add(const char16_t* category, std::vector<const char16_t*> values);
    // Sets a master password, enciphering the protected records.
    void AddPassword(const char16_t* password);
    // The preferences; written when the object goes.
    ProfileSettings& Preferences() { return settings->Active(); }

    CDatabase database;
    CxFile& file = database.file;
    std::unique_ptr<CSettings>& settings = database.settings;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};

// The records a database holds, read through the core as a new start of the
// program would (after the program has closed it).
class StoredRecords {
public:
    // A password unlocks the protected values; without one they read "******".
    explicit StoredRecords(const std::wstring& path, const char16_t* password = nullptr);
    ~StoredRecords();
    StoredRecords(const StoredRecords&) = delete;
    StoredRecords& operator=(const StoredRecords&) = delete;

    // The first record with this first field, or null.
    CRecord* Find(const std::u16string& title) const;
    // The seven values of a record, as text.
    std::vector<std::u16string> Values(const CRecord& record) const;
    std::u16string CategoryName(const CRecord& record) const;
    int Count() const;
    // Whether the stored entry of the first record with this first field
    // holds the text as the database stores text (UTF-16).
    bool RecordEntryHolds(const char16_t* firstField, const char16_t* text);

    CDatabase database;
    CxFile& file = database.file;
    std::unique_ptr<CSettings>& settings = database.settings;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};
