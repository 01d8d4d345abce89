// Online help: the compiled help file beside the program, opened at a topic
// in the HTML Help viewer when one is installed.
#pragma once

// A null topic opens the introduction.
void ShowHelp(const wchar_t* topic);
