// Online help: the compiled help file beside the program, opened at a topic
// in the HTML Help viewer when one is installed.
#pragma once

// Opens the help file of the program's folder (ending in a backslash) at a
// topic; a null topic opens the introduction.
void ShowHelp(const wchar_t* programFolder, const wchar_t* topic);
