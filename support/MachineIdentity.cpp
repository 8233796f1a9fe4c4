#include "support/MachineIdentity.h"

#include "support/Md5.h"
#include "support/Text.h"

#include <cpuid.h>

#include <cstdio>
#include <vector>

namespace {

// From Windows 8 on, the adapter address takes no part in the identity.
const char kAddressFromWindows8[] = "FF-FF-FF-FF-FF-FF";

std::string ComputeMachineId() {
  std::string address = IsWindows8OrLater() ? kAddressFromWindows8 : PrimaryMacAddress();
  return CMd5A().Md5String(MachineIdInput(address));
}

std::string FormatAddress(const BYTE* bytes) {
  char text[32] = {};
  std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", bytes[0], bytes[1], bytes[2], bytes[3],
                bytes[4], bytes[5]);
  return text;
}

// The system folders to read ntdll.dll from. On 64-bit Windows a 32-bit
// program's System32 is redirected to the 32-bit system folder, which is
// named first so that a 64-bit build reads the same file; the native folder
// follows for 32-bit Windows, where there is no such folder.
std::vector<std::wstring> NtdllPaths() {
  std::vector<std::wstring> paths;
  wchar_t folder[1024] = {};
  UINT length = GetSystemWow64DirectoryW(folder, 1023);
  if (length > 0 && length < 1023) paths.push_back(std::wstring(folder) + L"\\ntdll.dll");
  length = GetSystemDirectoryW(folder, 1023);
  if (length > 0 && length < 1023) paths.push_back(std::wstring(folder) + L"\\ntdll.dll");
  return paths;
}

bool FileVersion(const std::wstring& path, int& major, int& minor, DWORD& build) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength) || !fixed ||
      fixedLength < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  major = HIWORD(fixed->dwFileVersionMS);
  minor = LOWORD(fixed->dwFileVersionMS);
  build = HIWORD(fixed->dwFileVersionLS);
  return true;
}

// The fixed file information of ntdll.dll gives the real version even to a
// program that declares no compatibility with newer systems.
bool NtdllFileVersion(int& major, int& minor, DWORD& build) {
  for (const std::wstring& path : NtdllPaths()) {
    if (FileVersion(path, major, minor, build)) return true;
  }
  return false;
}

}  // namespace

std::string MachineId() {
  try {
    // A function-local static: concurrent first callers wait for the one
    // computation; if it throws, the next call tries again.
    static const std::string id = ComputeMachineId();
    return id;
  } catch (...) {
    return std::string();
  }
}

std::string MachineIdInput(const std::string& address) {
  wchar_t name[512] = {};
  DWORD nameLength = 512;
  if (!GetComputerNameW(name, &nameLength)) name[0] = L'\0';
  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof(memory);
  if (!GlobalMemoryStatusEx(&memory)) memory.ullTotalPhys = 0;
  return WideToUtf8(name) + "." + address + "." + std::to_string(static_cast<int>(system.dwNumberOfProcessors)) +
         "." + std::to_string(static_cast<long long>(memory.ullTotalPhys)) + "." + CpuSignature();
}

std::string PrimaryMacAddress() {
  try {
    // ULONGLONG elements keep the list aligned as the system expects.
    std::vector<ULONGLONG> buffer;
    ULONG size = 0;
    // The list may grow between asking for its size and reading it.
    for (int attempt = 0; attempt < 3; ++attempt) {
      auto* list = buffer.empty() ? nullptr : reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
      ULONG result = GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, list, &size);
      if (result == NO_ERROR) return list ? AddressOfLowestIndexAdapter(list) : std::string();
      if (result != ERROR_BUFFER_OVERFLOW) return std::string();
      buffer.assign((size + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG), 0);
    }
  } catch (...) {
    // No memory for the list: no address.
  }
  return std::string();
}

std::string AddressOfLowestIndexAdapter(const IP_ADAPTER_ADDRESSES* first) {
  std::string chosen;
  bool found = false;
  DWORD lowestIndex = 0;
  for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter; adapter = adapter->Next) {
    if (adapter->PhysicalAddressLength != 6) continue;
    if (found && adapter->IfIndex >= lowestIndex) continue;
    chosen = FormatAddress(adapter->PhysicalAddress);
    lowestIndex = adapter->IfIndex;
    found = true;
  }
  return chosen;
}

std::string CpuSignature() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) eax = edx = 0;
  char text[64] = {};
  std::snprintf(text, sizeof(text), "%08X%08X", edx, eax);
  return text;
}

DWORD OsVersionNumbers(int& major, int& minor) {
  DWORD build = 0;
  if (NtdllFileVersion(major, minor, build)) return build;
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
    major = static_cast<int>(version.dwMajorVersion);
    minor = static_cast<int>(version.dwMinorVersion);
  }
  return 0;
}

bool IsWindows8OrLater() {
  int major = -1, minor = -1;
  OsVersionNumbers(major, minor);
  return IsVersionWindows8OrLater(major, minor);
}

bool IsVersionWindows8OrLater(int major, int minor) { return (major == 6 && minor >= 2) || major > 6; }
