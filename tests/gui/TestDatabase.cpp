#include "tests/gui/TestDatabase.h"

#include "app/Wide.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "security/Cipher.h"

#include <windows.h>

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
