// Facts about the database file that every writer shares, and its full check.
#pragma once

#include <cstdint>
#include <string>

class CxFile;

inline constexpr char kDatabaseSignature[] = "Quorrel200";
inline constexpr char16_t kDatabaseFileName[] = u"QuorrelDPC.qrb";
inline constexpr int32_t kDatabasePageSize = 128;

// Makes a new, empty database file the way the program's first start does;
// CSettings then fills it. Answers CxFile's result.
int CreateDatabaseFile(CxFile& file, const char16_t* path);

// The record file's structure and every entry's stored form: the first fault,
// or an empty text when the database is sound.
std::string CheckDatabase(const char16_t* path);
std::string CheckDatabaseEntry(int32_t key, const unsigned char* payload, int32_t length);
