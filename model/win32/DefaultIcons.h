// The default category icons travel with the program (the installer and the
// ZIP put them beside it); every user's data folder gets its own copies.
#pragma once

// Copies each default icon file that the data folder lacks out of the program
// folder (both with their trailing backslash). A file already in the data
// folder is never replaced, so a user's own or changed icon stays.
void CopyMissingDefaultIcons(const wchar_t* programFolder, const wchar_t* dataFolder);
