// Writes the seed corpora of the fuzz targets into the folder given: small
// databases made through the core (new, with records, with a password and
// released pages) and import files with the cases the import must handle.
#include "exchange/Exchange.h"
#include "fuzz/FuzzFiles.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Protection.h"
#include "model/Record.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void Save(const fs::path& folder, const std::string& name, const std::vector<unsigned char>& bytes) {
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A new database with records added by import; some deleted again so that
// released pages sit on the free list; optionally with a master password.
std::vector<unsigned char> DatabaseWithRecords(bool password) {
    const std::u16string path = fuzz::ScratchPath("seed.qrb");
    const std::u16string csv = fuzz::ScratchPath("seed.csv");
    const std::vector<unsigned char>& fresh = fuzz::FreshDatabaseImage();
    fuzz::WriteFile(path, fresh.data(), fresh.size());
    std::string lines;
    for (int i = 0; i < 12; ++i) {
        lines += (i % 3 ? "Bank" : "Garden") + std::string(",Title ") + std::to_string(i) +
                 ",account,\"pin \"\"" + std::to_string(i) + "\"\"\",,,,a note that spans more than one data page of the file\n";
    }
    fuzz::WriteFile(csv, lines.data(), lines.size());
    {
        CDatabase database;
        fuzz::Require(database.Open(path.c_str(), CDatabase::Access::Write) == CxFile::kOpened);
        CxFile& file = database.file;
        CCategories& categories = database.categories;
        CRecords& records = database.records;
        ImportTarget target{file, categories, records, u"icon_air1"};
        ImportFile(csv.c_str(), true, target);
        for (int i = 0; i < 3; ++i) records.DeleteRecord(file, static_cast<CRecord*>(records.head->next));
        if (password) OnPasswordAdded(records, file, u"seed password", categories);
    }
    std::vector<unsigned char> bytes = fuzz::ReadFile(path);
    fs::remove(fs::path(path));
    fs::remove(fs::path(csv));
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const fs::path root = argv[1];
    const std::vector<unsigned char>& fresh = fuzz::FreshDatabaseImage();
    std::vector<unsigned char> header(fresh.begin(), fresh.begin() + CxFile::kHeaderSize);
    const std::pair<std::string, std::vector<unsigned char>> databases[] = {
        {"new.qrb", fresh},
        {"records.qrb", DatabaseWithRecords(false)},
        {"protected.qrb", DatabaseWithRecords(true)},
        {"header-only.qrb", header},
    };
    for (const auto& [name, bytes] : databases) {
        Save(root / "record_file", name, bytes);
        Save(root / "load", name, bytes);
    }
    const std::pair<std::string, std::string> imports[] = {
        {"quoted.csv", "\"Bank\",\"First\",\"12-34\",\"9876\",\"\",\"\",\"\",\"a note\"\r\n"},
        {"doubled.csv", "Bank,\"\"\"word\"\"\",x\n"},
        {"spaces.csv", "c,  a   b  ,z\tq\n"},
        {"breaks.csv", "Bank,1\rBank,2\nBank,3\r\nBank,4\n\rBank,5"},
        {"unclosed.csv", "New,\"open,to the end\nother,x\"y,z"},
        {"extra.csv", "c,1,2,3,4,5,6,note,extra,more\n"},
        {"bom.csv", "\xEF\xBB\xBF" "Bank,x\n"},
        {"utf8.csv", "Caf\xC3\xA9,\xF0\x9F\x94\x91,\xFF\xFE\n"},
        {"long.csv", std::string(40, 'c') + "," + std::string(100, 'v') + ",2,3,4,5,6," + std::string(300, 'n') + "\n"},
        // The exports of other programs, told by their header rows.
        {"chromium.csv", "name,url,username,password,note\n\"a,b\",https://x.example:8443/,me,\"p\"\"w\",\"two\nlines\"\n"},
        {"firefox.csv", "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
                        "\"timeLastUsed\",\"timePasswordChanged\"\r\n\"https://[::1]:8080\",\"u\",\"p\",\"realm\",,\"{1}\",\"1\",\"2\",\"3\"\r\n"},
        {"safari.csv", "\xEF\xBB\xBFTitle,URL,Username,Password,Notes,OTPAuth\r\nT,https://a.example/,,p,\"n\r\n\",otpauth://x\r\n"},
        {"bitwarden.csv", "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
                          "login_totp\nWork/Email,1,login,n,\"x\ny\",\"a: b\",0,https://a.example,u,p,T\n,,note,N,text,,0,,,,\n"
                          ",,card,C,,,0,,,,\n"},
        {"keepassxc.csv", "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
                          "\"Created\"\n\"Root/A\",\"t\",\"u\",\"p\",\"https://a.example\",\"n\",\"\",\"0\",\"x\",\"y\"\n"},
        {"lastpass.csv", "url,username,password,totp,extra,name,grouping,fav\nhttp://sn,,,,\"NoteType:x\ny\",S,A\\B,1\n"},
        {"1password.csv", "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\r\nT,u,n,p,,true,false,\"a,b\",\"x\"\r\n"},
    };
    for (const auto& [name, text] : imports) Save(root / "import", name, Bytes(text));
    return 0;
}
