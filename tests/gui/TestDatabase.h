// A database of the program's own format, made by a test through the core
// before the program opens it.
#pragma once

#include "model/Category.h"
#include "model/Record.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

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

    CxFile file;
    std::unique_ptr<CSettings> settings;
    CCategories categories;
    CRecords records;
};

// A database file as the next start of the program reads it: settings,
// categories and records, opened read-only after the program has ended.
class StoredDatabase {
public:
    explicit StoredDatabase(const std::wstring& path);
    ~StoredDatabase();
    StoredDatabase(const StoredDatabase&) = delete;
    StoredDatabase& operator=(const StoredDatabase&) = delete;

    // Whether the stored entry of the first record whose first field is
    // given holds the text as the database stores text (UTF-16).
    bool RecordEntryHolds(const char16_t* firstField, const char16_t* text);
    CRecord* RecordNamed(const char16_t* firstField) const;

    CxFile file;
    std::unique_ptr<CSettings> settings;
    CCategories categories;
    CRecords records;
};
