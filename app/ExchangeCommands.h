// The Import and Export commands of the window program: the lock checks, the
// common file dialogs, the progress window and the messages around the
// import and export of the core.
#pragma once

#include <windows.h>

class CxFile;
class CCategories;
class CRecords;

// True when records were added and the views must be rebuilt.
bool ImportCommand(HWND mainWindow, CxFile& file, CCategories& categories, CRecords& records);
void ExportCommand(HWND mainWindow, const CCategories& categories, const CRecords& records);
