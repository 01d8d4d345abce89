// Finding, opening or creating the database at start-up, with the notices
// the user sees on the way.
#pragma once

struct Application;

// Makes the data folder object, opens the database (creating it where no file
// exists, behind the first-run notice) and loads the settings. False when the
// program must stop; the user has then been told why, and the file is as it was.
bool OpenDatabase(Application& app);

// On a first run, waits until the user has pressed OK on the first-run notice.
void WaitForFirstRunNotice(Application& app);
