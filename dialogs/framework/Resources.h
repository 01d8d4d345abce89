// The module that holds the program's dialog templates, strings and pictures,
// named once at start-up (the program itself, or a test that links its
// resources). The dialog base and the string-table texts read it.
#pragma once

#include <windows.h>

void SetResourceModule(HINSTANCE module);
HINSTANCE ResourceModule();
