// Any bytes as a database file: the full structural check and a CxFile walk
// of every entry must end, stay inside the file and agree with each other.
#include "fuzz/FuzzFiles.h"
#include "model/Database.h"
#include "storage/CxFile.h"
#include "storage/FileCheck.h"

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<unsigned char> image(data, data + size);
    const std::string fault = CheckRecordFileImage(image, kDatabaseSignature, CheckDatabaseEntry);

    static const std::u16string path = fuzz::ScratchPath("record-file.qrb");
    fuzz::WriteFile(path, data, size);
    CxFile file(kDatabaseSignature);
    if (file.OpenReadOnly(path.c_str()) != CxFile::kOpened) return 0;
    std::vector<unsigned char> entry;
    int32_t previous = INT32_MIN;
    bool first = true;
    for (bool more = file.First(); more; more = file.Next()) {
        int32_t key = 0;
        if (!file.GetKey(key)) break;
        // The walk gives keys in rising order, each entry once.
        fuzz::Require(first || key > previous);
        first = false;
        previous = key;
        // Entries of a sound file decode as what their keys say they are.
        if (file.ReadEntry(entry) && fault.empty()) {
            fuzz::Require(CheckDatabaseEntry(key, entry.data(), static_cast<int32_t>(entry.size())).empty());
        }
    }
    for (int32_t key : {0, 100, 101, 1000, 1001, previous}) file.Find(key);
    file.Last();
    // A file the full check calls sound holds nothing the walk calls damaged.
    if (fault.empty()) fuzz::Require(file.Damage().empty());
    return 0;
}
