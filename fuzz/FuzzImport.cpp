// Any bytes as an import file into a new database: the import ends (or
// refuses a file with NUL characters), every record it counts is on disk,
// and the database stays sound.
#include "exchange/Exchange.h"
#include "fuzz/FuzzFiles.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

namespace {

struct Loaded {
    explicit Loaded(const std::u16string& path) {
        fuzz::Require(database.Open(path.c_str(), CDatabase::Access::Write) == CxFile::kOpened);
    }

    CDatabase database;
    CxFile& file = database.file;
    CCategories& categories = database.categories;
    CRecords& records = database.records;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::u16string database = fuzz::ScratchPath("import.qrb");
    static const std::u16string csv = fuzz::ScratchPath("import.csv");
    const std::vector<unsigned char>& fresh = fuzz::FreshDatabaseImage();
    fuzz::WriteFile(database, fresh.data(), fresh.size());
    fuzz::WriteFile(csv, data, size);
    int32_t imported = 0;
    {
        Loaded db(database);
        ImportTarget target{db.file, db.categories, db.records, u"icon_air1"};
        ExchangeResult result = ImportFile(csv.c_str(), true, target);
        // A file with a NUL character is refused whole.
        fuzz::Require(result.error == ExchangeResult::kNone || result.error == ExchangeResult::kHoldsNul);
        fuzz::Require(db.records.count == result.count);
        imported = result.count;
    }
    fuzz::Require(CheckDatabase(database.c_str()).empty());
    Loaded again(database);
    fuzz::Require(again.records.count == imported);
    return 0;
}
