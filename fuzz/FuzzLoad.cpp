// Any bytes as the database at start-up: open it for changes, load (and on a
// file without settings, write) the settings, load the categories and the
// records and read every value. A sound file loads without loss and stays
// sound after what the start-up writes.
#include "fuzz/FuzzFiles.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "security/Cipher.h"
#include "storage/CxFile.h"
#include "storage/FileCheck.h"
#include "storage/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<unsigned char> image(data, data + size);
    const bool sound = CheckRecordFileImage(image, kDatabaseSignature, CheckDatabaseEntry).empty();

    static const std::u16string path = fuzz::ScratchPath("load.qrb");
    fuzz::WriteFile(path, data, size);
    {
        CxFile file(kDatabaseSignature);
        if (file.Open(path.c_str()) != CxFile::kOpened) return 0;
        CSettings settings(file, CSettings::kDesktopProfile);
        theSettings = &settings;
        CCategories categories;
        CRecords records;
        bool loaded = categories.Load(file);
        loaded = records.Load(file, categories) && loaded;
        if (sound) fuzz::Require(loaded);
        VerifyPassword(u"fuzz");
        CString value;
        for (uint8_t locked : {1, 0}) {
            settings.locked = locked;
            for (const CRecord* r : Nodes<CRecord>(records)) {
                for (int i = 0; i < CRecord::kValueCount; ++i) r->GetField(i, value);
            }
        }
        theSettings = nullptr;
    }
    if (sound) fuzz::Require(CheckDatabase(path.c_str()).empty());
    return 0;
}
