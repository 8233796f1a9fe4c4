#pragma once
// String values under the registry's predefined roots. Failures are results;
// nothing is shown.
#include <windows.h>

#include <string>

// Reads a value from the registry view a 32-bit program sees by default,
// then from the 64-bit view when the key or value is missing there. The
// views are named explicitly, so a 64-bit build of the program reads what
// the 32-bit program reads on 64-bit Windows (on 32-bit Windows both flags
// are ignored). type is the caller's expected type: REG_SZ gives the
// text; REG_DWORD or REG_BINARY give the first 32-bit word as "%ld".
bool RegistryRead(HKEY hive, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                  std::wstring& out);
// Creates the key when missing. byteCount excludes any terminating zero.
bool RegistryWrite(HKEY hive, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                   const void* data, DWORD byteCount);
bool RegistryWriteNarrow(HKEY hive, const std::string& subKey, const std::string& valueName,
                         DWORD type, const void* data, DWORD byteCount);
bool RegistryDelete(HKEY hive, const std::wstring& subKey, const std::wstring& valueName);
