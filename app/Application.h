// The objects made at start-up that live for the whole run: the resource
// module, the data folder with its icons, the open database and the main
// window. RunQuorrel owns the one Application of the program.
#pragma once

#include "app/MainWindow.h"
#include "dialogs/CdlgStartUpNotices.h"
#include "model/Database.h"
#include "model/win32/DataFolder.h"

#include <windows.h>

#include <memory>

struct Application {
    HINSTANCE instance = nullptr;
    HINSTANCE resources = nullptr;  // where icons, dialogs and strings come from
    std::unique_ptr<CDataFolder> dataFolder;
    CDatabase database;                                  // open from start-up to exit
    bool isFirstRun = false;                             // the database was created by this start
    std::unique_ptr<CdlgFirstRunNotice> firstRunNotice;  // shown while a new database is made
    MainWindowState mainWindow{*this};
};

// The whole program: start-up, message loop, shutdown. Answers the exit code.
int RunQuorrel(HINSTANCE instance, int showCommand);
