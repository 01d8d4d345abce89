// The context menu of a record, on its row in the list and on each value in
// the record view pane: "Copy <label>" for each non-empty field and the note.
#pragma once

#include <windows.h>

class CCategories;
class CRecord;
class Session;

// Shows the menu at a screen point and copies what the user chooses. The
// item of defaultIndex (a value index, or -1 for none) is the default one.
void ShowCopyMenu(HWND owner, const CRecord& record, const CCategories& categories, POINT screen, int defaultIndex,
                  Session& session);
// Copies value index (0 to 6) of the record to the clipboard for a few
// seconds; a protected value while the data is locked asks for the password
// first, as editing does. False when nothing was copied.
bool CopyRecordValue(HWND owner, const CRecord& record, int index, Session& session);
