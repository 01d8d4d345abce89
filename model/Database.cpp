#include "model/Database.h"

#include "model/Category.h"
#include "model/Record.h"
#include "storage/CxFile.h"
#include "storage/FileCheck.h"

int CreateDatabaseFile(CxFile& file, const char16_t* path) { return file.Create(path, kDatabasePageSize, 1, 0); }

std::string CheckDatabaseEntry(int32_t key, const unsigned char* payload, int32_t length) {
    if (key >= CCategory::kFirstKey && key < CRecord::kMarkerKey) {
        if (length != CCategory::kEntrySize) return "a category entry of " + std::to_string(length) + " bytes, not 564";
    } else if (key > CRecord::kMarkerKey) {
        CRecord record;
        if (!record.Decode(payload, length)) return "a record whose lengths do not agree with its " + std::to_string(length) + " bytes";
    }
    return {};
}

std::string CheckDatabase(const char16_t* path) { return CheckRecordFile(path, kDatabaseSignature, CheckDatabaseEntry); }
