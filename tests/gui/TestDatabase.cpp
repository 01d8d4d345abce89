#include "tests/gui/TestDatabase.h"

#include "app/Wide.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "security/Cipher.h"

#include <windows.h>

#include <algorithm>
#include <string>

TestDatabase::TestDatabase(const std::wstring& path) : file(kDatabaseSignature) {
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    CreateDatabaseFile(file, U(path.c_str()));
    settings = std::make_unique<CSettings>(file, CSettings::kDesktopProfile);
    theSettings = settings.get();
    categories.Load(file);
}

TestDatabase::~TestDatabase() {
    settings->SaveSettings();
    theSettings = nullptr;
    file.Close();
}

void TestDatabase::Add(const char16_t* category, std::vector<const char16_t*> values) {
    values.resize(CRecord::kValueCount, nullptr);
    auto* record = new CRecord;
    CCategory* c = categories.FindByName(category);
    record->categoryId = c->id;
    record->isEnciphered = c->isProtected && HasPassword();
    record->SetFields(values.data());
    record->Save(file, false);
    records.Append(record);
}

void TestDatabase::AddPassword(const char16_t* password) { OnPasswordAdded(records, file, password, categories); }

StoredDatabase::StoredDatabase(const std::wstring& path) : file(kDatabaseSignature) {
    file.OpenReadOnly(U(path.c_str()));
    settings = std::make_unique<CSettings>(file, CSettings::kDesktopProfile);
    theSettings = settings.get();
    categories.Load(file);
    records.Load(file, categories);
}

StoredDatabase::~StoredDatabase() {
    records.Clear();
    theSettings = nullptr;
    file.Close();
}

CRecord* StoredDatabase::RecordNamed(const char16_t* firstField) const {
    for (CRecord* record : Nodes<CRecord>(records)) {
        if (std::u16string(record->firstField) == firstField) return record;
    }
    return nullptr;
}

bool StoredDatabase::RecordEntryHolds(const char16_t* firstField, const char16_t* text) {
    CRecord* record = RecordNamed(firstField);
    std::vector<unsigned char> entry;
    if (!record || !file.Find(record->fileKey) || !file.ReadEntry(entry)) return false;
    std::u16string wanted = text;
    auto* first = reinterpret_cast<const unsigned char*>(wanted.data());
    return std::search(entry.begin(), entry.end(), first, first + 2 * wanted.size()) != entry.end();
}
