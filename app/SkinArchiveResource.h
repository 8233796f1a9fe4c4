#pragma once
// The skin archive the program file carries as resource "ZIPRES" 101.
#include <windows.h>

#include <vector>

// Copies the archive's bytes out of module; false when the resource is
// missing, cannot be loaded or is empty.
bool LoadSkinArchive(HMODULE module, std::vector<unsigned char>& bytes);
