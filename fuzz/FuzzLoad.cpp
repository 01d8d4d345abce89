// Any bytes as the database at start-up: open it (for changes when it is
// sound), load (and on a file without settings, write) the settings, load the
// categories and the records and read every value. A sound file loads without loss and stays
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
        // A damaged file is never opened for changes; it is still read as far as it goes.
        CDatabase database;
        int opened = database.Open(path.c_str(), CDatabase::Access::Write);
        if (opened == CDatabase::kDamaged) opened = database.Open(path.c_str(), CDatabase::Access::Read);
        if (opened != CxFile::kOpened) return 0;
        if (sound) fuzz::Require(database.loadedWhole);
        VerifyPassword(u"fuzz");
        CString value;
        for (uint8_t locked : {1, 0}) {
            database.settings->locked = locked;
            for (const CRecord* r : Nodes<CRecord>(database.records)) {
                for (int i = 0; i < CRecord::kValueCount; ++i) r->GetField(i, value);
            }
        }
    }
    if (sound) fuzz::Require(CheckDatabase(path.c_str()).empty());
    return 0;
}
