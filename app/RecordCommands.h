// The record commands: New Record, Edit Record and Delete Record, with the
// password prompt and the questions they ask on the way.
#pragma once

class MainWindowState;

void NewRecord(MainWindowState& window);
void EditRecord(MainWindowState& window);
void DeleteRecord(MainWindowState& window);
