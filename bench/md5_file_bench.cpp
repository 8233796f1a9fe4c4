// Times CMd5A::Md5File on one file and prints "<digest> <bytes> <seconds>".
#include "support/Md5.h"

#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: md5_file_bench <file>\n");
    return 2;
  }
  WIN32_FILE_ATTRIBUTE_DATA attributes = {};
  if (!GetFileAttributesExW(argv[1], GetFileExInfoStandard, &attributes)) {
    std::fwprintf(stderr, L"cannot read the attributes of %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  unsigned long long bytes =
      (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  std::string digest = CMd5A().Md5File(argv[1]);
  QueryPerformanceCounter(&end);
  if (digest.empty()) {
    std::fwprintf(stderr, L"Md5File failed on %ls\n", argv[1]);
    return 1;
  }
  double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("%s %llu %.6f\n", digest.c_str(), bytes, seconds);
  return 0;
}
