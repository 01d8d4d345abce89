// The Categories command's loop: the chooser, then the action it asked for,
// then the chooser again, until the user closes it.
#pragma once

#include <windows.h>

class CCategories;
class CRecords;

// True when any category was created, changed or deleted.
bool ManageCategories(HWND parent, CCategories& categories, CRecords& records, int filterCategoryId);
