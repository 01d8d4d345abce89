// A full walk of a record file's structure: header, the index chain both ways,
// key order and page bounds, every data chain and its byte count, the free
// list, and pages reached twice or not at all. Works on a copy of the file
// read at once, so it is fast and never changes the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Looks at one entry's payload; answers an empty text when it is sound.
using EntryCheck = std::function<std::string(int32_t key, const unsigned char* payload, int32_t length)>;

// The first fault found, or an empty text when the file is sound.
std::string CheckRecordFileImage(const std::vector<unsigned char>& image, const char* signature,
                                 const EntryCheck& entryCheck = {});
std::string CheckRecordFile(const char16_t* path, const char* signature, const EntryCheck& entryCheck = {});
