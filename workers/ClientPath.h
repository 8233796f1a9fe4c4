#pragma once
// Which file-list entries may be written under the game's client folder.
#include <string>

// True when relativePath ("\\" or "/" separators) names a file inside the
// client folder that Windows stores under exactly that name, so the file on
// disk is the one fetched from the server. Refused: an empty path or
// segment (so absolute paths and trailing separators), "." and "..", a
// segment ending in a dot or blank (Windows drops those, so "a. " would
// name "a" and "... " would climb), a character Windows does not allow in a
// name (":" would also name a drive or a stream), and a device name as the
// part of a segment before its first dot, blanks before that dot ignored,
// in any case: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9 and
// LPT0-LPT9 (also with the digits ¹ ² ³), as "nul.txt" or "com1 .dat" are.
bool IsSafeClientPath(const std::wstring& relativePath);
