#include "tests/gui/TestDatabase.h"

#include "platform/Wide.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "security/Cipher.h"

#include <windows.h>

#include <algorithm>
#include <string>

TestDatabase::TestDatabase(const std::wstring& path) {
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    database.Create(U(path.c_str()));
}

TestDatabase::~TestDatabase() {
    if (settings) settings->SaveSettings();
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

StoredRecords::StoredRecords(const std::wstring& path, const char16_t* password) {
    database.Open(U(path.c_str()), CDatabase::Access::Read);
    if (settings && password && VerifyPassword(password)) settings->locked = 0;
}

StoredRecords::~StoredRecords() = default;

CRecord* StoredRecords::Find(const std::u16string& title) const {
    for (CRecord* record : Nodes<CRecord>(records)) {
        if (record->GetField(0).c_str() == title) return record;
    }
    return nullptr;
}

std::vector<std::u16string> StoredRecords::Values(const CRecord& record) const {
    std::vector<std::u16string> values;
    for (int i = 0; i < CRecord::kValueCount; ++i) values.emplace_back(record.GetField(i).c_str());
    return values;
}

std::u16string StoredRecords::CategoryName(const CRecord& record) const {
    const CCategory* category = categories.FindById(record.categoryId);
    return category ? category->name : u"";
}

int StoredRecords::Count() const {
    int count = 0;
    for (CRecord* record : Nodes<CRecord>(records)) {
        (void)record;
        ++count;
    }
    return count;
}

bool StoredRecords::RecordEntryHolds(const char16_t* firstField, const char16_t* text) {
    CRecord* record = Find(firstField);
    std::vector<unsigned char> entry;
    if (!record || !file.Find(record->fileKey) || !file.ReadEntry(entry)) return false;
    std::u16string wanted = text;
    auto* first = reinterpret_cast<const unsigned char*>(wanted.data());
    return std::search(entry.begin(), entry.end(), first, first + 2 * wanted.size()) != entry.end();
}
