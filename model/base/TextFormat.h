// Fills the placeholders of a numbered text: each %d and %s in the format
// takes the next argument, already as text; "%%" stands for a percent sign.
#pragma once

#include "model/base/CString.h"

#include <cstdint>
#include <initializer_list>
#include <string>

CString FormatText(const char16_t* format, std::initializer_list<const char16_t*> arguments);

// A number as decimal text.
std::u16string NumberText(int64_t value);
