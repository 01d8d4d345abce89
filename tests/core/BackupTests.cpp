#include "platform/Platform.h"
#include "storage/Backup.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Backup, OneCopyADayKeepingThree) {
    ScratchFolder folder;
    std::u16string db = folder.Path("QuorrelDPC.qrb");
    EXPECT_EQ(NewestBackup(db), u"");
    const int32_t today = platform::CurrentTime();
    std::string reason;
    auto version = [&](unsigned char day) { WriteBytes(db, {'d', 'b', day}); };

    version(0);
    ASSERT_TRUE(BackUpDatabase(db, today, reason)) << reason;
    EXPECT_EQ(ReadBytes(BackupPath(db, 1)), ReadBytes(db));
    version(1);
    ASSERT_TRUE(BackUpDatabase(db, today, reason));  // made today already: left alone
    EXPECT_EQ(ReadBytes(BackupPath(db, 1)), (std::vector<unsigned char>{'d', 'b', 0}));

    for (unsigned char day = 1; day <= 3; ++day) {
        version(day);
        ASSERT_TRUE(BackUpDatabase(db, today + day * 86400, reason)) << reason;
    }
    EXPECT_EQ(ReadBytes(BackupPath(db, 1)), (std::vector<unsigned char>{'d', 'b', 3}));
    EXPECT_EQ(ReadBytes(BackupPath(db, 2)), (std::vector<unsigned char>{'d', 'b', 2}));
    EXPECT_EQ(ReadBytes(BackupPath(db, 3)), (std::vector<unsigned char>{'d', 'b', 1}));
    EXPECT_FALSE(platform::FileExists(BackupPath(db, 4).c_str()));
    EXPECT_EQ(NewestBackup(db), BackupPath(db, 1));
}

TEST(Backup, AFailedCopyIsReportedAndLeavesNoPartialBackup) {
    ScratchFolder folder;
    std::u16string db = folder.Path("missing.qrb");
    std::string reason;
    EXPECT_FALSE(BackUpDatabase(db, platform::CurrentTime(), reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(NewestBackup(db), u"");
}

}  // namespace
