// The objects made at start-up that live for the whole run, each in one
// application-wide slot that the rest of the program reads.
#pragma once

#include "model/Database.h"
#include "model/win32/DataFolder.h"

#include <windows.h>

#include <memory>

struct Application {
    HINSTANCE instance = nullptr;
    HINSTANCE resources = nullptr;  // where icons, dialogs and strings come from
    std::unique_ptr<CDataFolder> dataFolder;
    CDatabase database;       // open from start-up to exit
    bool isFirstRun = false;  // the database was created by this start
};

extern Application theApp;

// The whole program: start-up, message loop, shutdown. Answers the exit code.
int RunQuorrel(HINSTANCE instance, int showCommand);
