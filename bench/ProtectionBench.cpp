// Switching the protection of a category that holds 5,000 of a database's
// 10,000 records, on and then off again: every record of the category is
// rewritten (and flushed) once per switch. For comparison, the same switch
// with one flush at its end, as a switch that is one transaction has.
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

// Holds every flush back until FlushNow.
class OneFlushFile : public CxFile {
public:
    OneFlushFile() : CxFile(kDatabaseSignature) {}
    void FlushNow() { CxFile::Flush(); }
    bool holdFlushes = false;

protected:
    void Flush() override {
        if (!holdFlushes) CxFile::Flush();
    }
};

void SwitchCategoryProtectionBench(benchmark::State& state) {
    auto folder = fs::temp_directory_path() / "quorrel-bench";
    fs::create_directories(folder);
    std::u16string path = (folder / "protection.qrb").u16string();
    fs::remove(folder / "protection.qrb");
    OneFlushFile file;
    if (CreateDatabaseFile(file, path.c_str()) != CxFile::kOpened) std::abort();
    CSettings settings(file, CSettings::kDesktopProfile);
    theSettings = &settings;
    CCategories categories;
    categories.Load(file);
    CRecords records;
    SetPassword(u"bench password");
    settings.locked = 0;
    CCategory* bank = categories.FindByName(u"Bank");
    CCategory* email = categories.FindByName(u"Email");
    SwitchCategoryProtection(records, file, categories, *bank, false);
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
    bool protect = state.range(0) != 0;
    bool oneFlush = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        SwitchCategoryProtection(records, file, categories, *bank, !protect);
        state.ResumeTiming();
        file.holdFlushes = oneFlush;
        SwitchCategoryProtection(records, file, categories, *bank, protect);
        file.holdFlushes = false;
        file.FlushNow();
    }
    state.SetItemsProcessed(state.iterations() * 5000);
    records.Clear();
    file.Close();
    theSettings = nullptr;
}

}  // namespace

// First argument 1: switched to protected, 0: to unprotected; second argument
// 1: one flush for the whole switch, 0: a flush per record as today.
BENCHMARK(SwitchCategoryProtectionBench)
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
