// The Import and Export commands of the window program: the lock checks, the
// common file dialogs, the progress window and the messages around the
// import and export of the core.
#pragma once

class MainWindowState;

void ImportRecords(MainWindowState& window);
void ExportRecords(MainWindowState& window);
