#include "tests/gui/TestDatabase.h"

#include "app/Wide.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "security/Cipher.h"

#include <windows.h>

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
