// Switching the protection of a category that holds 5,000 of a database's
// 10,000 records, on and then off again: every record of the category is
// rewritten once, and the whole switch is one transaction (one flush pair).
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

void SwitchCategoryProtectionBench(benchmark::State& state) {
    auto folder = fs::temp_directory_path() / "quorrel-bench";
    fs::create_directories(folder);
    fs::remove(folder / "protection.qrb");
    CDatabase database;
    if (database.Create((folder / "protection.qrb").u16string().c_str()) != CxFile::kOpened) std::abort();
    CxFile& file = database.file;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
    SetPassword(u"bench password");
    database.settings->locked = 0;
    CCategory* bank = categories.FindByName(u"Bank");
    CCategory* email = categories.FindByName(u"Email");
    if (!SwitchCategoryProtection(records, file, categories, *bank, false)) std::abort();
    {
        CxTransaction filling(file);
        for (int i = 0; i < 10000; ++i) {
            auto* record = new CRecord;
            CCategory* category = i % 2 == 0 ? bank : email;
            record->categoryId = category->id;
            record->isEnciphered = category->isProtected;
            std::u16string title = u"Record " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
            record->SetFields(title.c_str(), u"user@example.org", u"pw-1234", nullptr, nullptr, nullptr, u"a note");
            record->Save(file, false);
            records.Append(record);
        }
        if (!filling.Commit()) std::abort();
    }
    bool protect = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!SwitchCategoryProtection(records, file, categories, *bank, !protect)) std::abort();
        state.ResumeTiming();
        if (!SwitchCategoryProtection(records, file, categories, *bank, protect)) std::abort();
    }
    state.SetItemsProcessed(state.iterations() * 5000);
}

}  // namespace

// Argument 1: switched to protected, 0: to unprotected.
BENCHMARK(SwitchCategoryProtectionBench)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
