#pragma once
// The update decision on the version check's decoded data.
#include <string>

// True when the data's "check_code" (a JSON text holding a decimal number)
// is greater than this program's version code. Data that is not JSON, a
// missing "check_code", or one that is not a text never offers an update.
bool IsUpdateOffered(const std::string& versionData);
