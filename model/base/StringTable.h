// The numbered texts of the program, from res/StringTable.def.
#pragma once

#include <cstdint>

enum StringId : int32_t {
#define QSTR(name, id, text) name = id,
#include "res/StringTable.def"
#undef QSTR
};

// The text of a string id; the empty text when the table has none.
const char16_t* LoadText(int32_t id);
