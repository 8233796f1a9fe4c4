#pragma once
// Where the program's log lives: "marrowvalelog.txt" in the user's
// temporary folder, restarted when it grows over 1024 KiB.

// Points g_logFile at that file (deleting it when over the cap or empty).
void OpenProgramLog();
