// Daily copies of the database beside it: "<database>.bak1" is the newest,
// ".bak2" and ".bak3" the ones before, so a user always has the file as it
// was on an earlier day.
#pragma once

#include <cstdint>
#include <string>

std::u16string BackupPath(const std::u16string& databasePath, int number);

// At start-up, before the first write: unless ".bak1" was already made today
// (UTC), the database is copied to a new file, then the older copies move up
// by one (the oldest is dropped) and the copy becomes ".bak1". False, with the
// system's reason, when a copy or a move fails; the database itself is never
// touched, and a failed copy leaves the older ones where they were.
bool BackUpDatabase(const std::u16string& databasePath, int32_t now, std::string& reason);

// The newest backup copy there is, or empty.
std::u16string NewestBackup(const std::u16string& databasePath);
