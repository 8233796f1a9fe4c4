#pragma once
// File contents and file reading shared by the download tests.
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

// size bytes that differ with the seed text; zero bytes included.
inline std::string TestBytes(const std::string& seed, size_t size) {
  std::seed_seq sequence(seed.begin(), seed.end());
  std::mt19937 generator(sequence);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// The whole file, or "<missing>" when it cannot be opened.
inline std::string ReadTestFile(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return "<missing>";
  std::string bytes;
  char chunk[65536];
  size_t read = 0;
  while ((read = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, read);
  fclose(file);
  return bytes;
}

inline bool WriteTestBytes(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

inline bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
