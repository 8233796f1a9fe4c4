#include "support/FileSystem.h"

#include <windows.h>
#include <io.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "support/ScopedHandles.h"

namespace {

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CreateDirectoryTree(const std::wstring& path) {
  if (IsFolder(path)) return true;
  size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return false;
  std::wstring parent = path.substr(0, separator);
  if (!parent.empty() && !IsFolder(parent) && !CreateDirectoryTree(parent)) return false;
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  // Another thread may have made it in the meantime; a file of that name is not a folder.
  return GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(path);
}

bool FileExists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileAccessible(const std::wstring& path) { return _waccess(path.c_str(), 0) == 0; }

std::string ReadWholeFile(const std::wstring& path) {
  CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    OutputDebugStringW((path + L"文件打开失败\n").c_str());
    return std::string();
  }
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFF0) {
    OutputDebugStringW(L"文件读写异常\n");
    return std::string();
  }
  std::vector<char> buffer(static_cast<size_t>(size.QuadPart) + 4, '\0');
  DWORD total = 0;
  while (total < size.QuadPart) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data() + total, static_cast<DWORD>(size.QuadPart) - total,
                  &read, nullptr)) {
      OutputDebugStringW(L"文件读写异常\n");
      break;
    }
    if (read == 0) break;
    total += read;
  }
  return std::string(buffer.data());
}

int DeleteTree(const std::wstring& path) {
  std::wstring list = path;
  list.append(2, L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  return SHFileOperationW(&operation);
}

bool ShortcutTarget(const std::wstring& lnkPath, std::wstring& out) {
  CComPtrOwner<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.ReceiveVoid()))) {
    return false;
  }
  CComPtrOwner<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return false;
  if (FAILED(file->Load(lnkPath.c_str(), STGM_READ))) return false;
  wchar_t target[MAX_PATH] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_SHORTPATH))) return false;
  out = target;
  return true;
}
