#pragma once
// String values under the registry's predefined roots. Failures are results;
// nothing is shown.
#include <windows.h>

#include <string>

// Reads a value, trying the 64-bit view when the key or value is missing in
// the default one. type is the caller's expected type: REG_SZ gives the
// text; REG_DWORD or REG_BINARY give the first 32-bit word as "%ld".
bool RegistryRead(HKEY hive, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                  std::wstring& out);
// Creates the key when missing. byteCount excludes any terminating zero.
bool RegistryWrite(HKEY hive, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                   const void* data, DWORD byteCount);
bool RegistryWriteNarrow(HKEY hive, const std::string& subKey, const std::string& valueName,
                         DWORD type, const void* data, DWORD byteCount);
bool RegistryDelete(HKEY hive, const std::wstring& subKey, const std::wstring& valueName);
