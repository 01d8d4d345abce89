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
