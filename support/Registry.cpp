#include "support/Registry.h"

#include <cwchar>
#include <vector>

#include "support/ScopedHandles.h"

namespace {

const DWORD kValueBufferBytes = 10240;

bool OpenForQuery(HKEY hive, const std::wstring& subKey, REGSAM view, CScopedRegKey& key) {
  return RegOpenKeyExW(hive, subKey.c_str(), 0, KEY_QUERY_VALUE | view, key.Receive()) ==
         ERROR_SUCCESS;
}

// The buffer has room for a terminator even when the value fills it.
LONG QueryValue(const CScopedRegKey& key, const std::wstring& valueName, std::vector<BYTE>& buffer) {
  buffer.assign(kValueBufferBytes + sizeof(wchar_t), 0);
  DWORD size = kValueBufferBytes;
  return RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, nullptr, buffer.data(), &size);
}

}  // namespace

bool RegistryRead(HKEY hive, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                  std::wstring& out) {
  out.clear();
  CScopedRegKey key;
  if (!OpenForQuery(hive, subKey, KEY_WOW64_32KEY, key) &&
      !OpenForQuery(hive, subKey, KEY_WOW64_64KEY, key)) {
    return false;
  }
  std::vector<BYTE> buffer;
  LONG status = QueryValue(key, valueName, buffer);
  if (status == ERROR_FILE_NOT_FOUND) {
    if (!OpenForQuery(hive, subKey, KEY_WOW64_64KEY, key)) return false;
    status = QueryValue(key, valueName, buffer);
  }
  if (status != ERROR_SUCCESS) return false;
  if (type == REG_SZ) {
    out = reinterpret_cast<const wchar_t*>(buffer.data());
  } else if (type == REG_DWORD || type == REG_BINARY) {
    long word = 0;
    memcpy(&word, buffer.data(), sizeof(word));
    wchar_t text[16] = {};
    swprintf(text, 16, L"%ld", word);
    out = text;
  }
  return true;
}

bool RegistryWrite(HKEY hive, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                   const void* data, DWORD byteCount) {
  CScopedRegKey key;
  if (RegOpenKeyExW(hive, subKey.c_str(), 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                    key.Receive()) != ERROR_SUCCESS &&
      RegCreateKeyExW(hive, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExW(key.Get(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data),
                        byteCount) == ERROR_SUCCESS;
}

bool RegistryWriteNarrow(HKEY hive, const std::string& subKey, const std::string& valueName,
                         DWORD type, const void* data, DWORD byteCount) {
  CScopedRegKey key;
  if (RegOpenKeyExA(hive, subKey.c_str(), 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                    key.Receive()) != ERROR_SUCCESS &&
      RegCreateKeyExA(hive, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(key.Get(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data),
                        byteCount) == ERROR_SUCCESS;
}

bool RegistryDelete(HKEY hive, const std::wstring& subKey, const std::wstring& valueName) {
  CScopedRegKey key;
  if (RegOpenKeyExW(hive, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegDeleteValueW(key.Get(), valueName.c_str()) == ERROR_SUCCESS;
}
