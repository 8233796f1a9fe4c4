#include "app/SkinArchiveResource.h"

namespace {

const WORD kSkinArchiveId = 101;

}  // namespace

bool LoadSkinArchive(HMODULE module, std::vector<unsigned char>& bytes) {
  bytes.clear();
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kSkinArchiveId), L"ZIPRES");
  if (!resource) return false;
  // Loaded resources are part of the mapped module: nothing to free.
  HGLOBAL loaded = LoadResource(module, resource);
  const DWORD size = SizeofResource(module, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return false;
  const unsigned char* first = static_cast<const unsigned char*>(data);
  bytes.assign(first, first + size);
  return true;
}
