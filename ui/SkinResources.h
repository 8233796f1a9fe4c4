#pragma once
// Where skin files and skin images come from: a folder on disk, a zip file,
// or the skin archive held in memory ("membuffer"). The settings are
// process-wide, set once at start-up on the window thread and read by every
// loader afterwards.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace ui {

// Largest skin file or image the loaders accept.
constexpr size_t kMaxSkinFileSize = 4 * 1024 * 1024;

// The archive name that marks an archive registered from memory.
constexpr const wchar_t* kMemoryArchiveName = L"membuffer";

void set_instance(HINSTANCE instance);
HINSTANCE instance();
// Module that holds the resources; when unset, the instance.
void set_resource_instance(HINSTANCE module);
HINSTANCE resource_instance();

// Folder prefixed to every skin file name in folder mode, and to the name of
// a zip file in archive mode. Include the trailing backslash.
void set_resource_folder(const std::wstring& folder);
const std::wstring& resource_folder();

// Empty selects folder mode; kMemoryArchiveName the archive registered with
// set_skin_archive; anything else names a zip file under the resource folder.
// Changing it closes a cached archive.
void set_archive_name(const std::wstring& name);
const std::wstring& archive_name();

// When on (the default) the archive is opened once and kept open; when off
// every read opens and closes it.
void set_cache_archive(bool cache);
bool cache_archive();

// Registers the skin archive held in memory. The bytes are borrowed and must
// outlive every skin read. At most 64 bytes of the password are kept; null or
// empty clears it. Nothing changes when the memory archive is already the
// current source.
void set_skin_archive(const void* bytes, size_t size, const char* password = nullptr);

// Closes the cached archive and returns to folder mode with no password.
void reset_skin_sources();

// Reads the whole named file from the current source. On failure `error`
// receives the reason ("Error opening file", "File is empty",
// "File too large", "Could not read file", "Error opening zip file",
// "Could not find ziped file", "Could not unzip file") and bytes is empty.
bool read_skin_file(const std::wstring& name, std::vector<unsigned char>& bytes, std::wstring& error);

}  // namespace ui
