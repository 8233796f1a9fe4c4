#include "support/Md5.h"

#include "support/ScopedHandles.h"
#include "support/WorkerStop.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Game files run to several gigabytes; large reads keep the digest of a
// file close to the speed of the transform itself.
constexpr DWORD kFileChunkBytes = 1024 * 1024;

inline uint32_t RotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

// Windows runs on little-endian processors only, so a message word is the
// four bytes as they lie in memory.
inline uint32_t Word(const unsigned char* block, int index) {
  uint32_t value;
  std::memcpy(&value, block + index * 4, 4);
  return value;
}

// The four round functions in forms with one operation fewer than the
// RFC's; each gives the same value for every input.
inline void StepF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + RotateLeft(a + (d ^ (b & (c ^ d))) + x + t, s);
}
inline void StepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + RotateLeft(a + (c ^ (d & (b ^ c))) + x + t, s);
}
inline void StepH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + RotateLeft(a + (b ^ c ^ d) + x + t, s);
}
inline void StepI(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + RotateLeft(a + (c ^ (b | ~d)) + x + t, s);
}

// Runs the RFC 1321 transform over whole 64-byte blocks, keeping the
// chaining words in registers from one block to the next.
void TransformBlocks(uint32_t state[4], const unsigned char* data, size_t blockCount) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; blockCount > 0; --blockCount, data += 64) {
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
    const unsigned char* x = data;

    StepF(a, b, c, d, Word(x, 0), 0xd76aa478, 7);
    StepF(d, a, b, c, Word(x, 1), 0xe8c7b756, 12);
    StepF(c, d, a, b, Word(x, 2), 0x242070db, 17);
    StepF(b, c, d, a, Word(x, 3), 0xc1bdceee, 22);
    StepF(a, b, c, d, Word(x, 4), 0xf57c0faf, 7);
    StepF(d, a, b, c, Word(x, 5), 0x4787c62a, 12);
    StepF(c, d, a, b, Word(x, 6), 0xa8304613, 17);
    StepF(b, c, d, a, Word(x, 7), 0xfd469501, 22);
    StepF(a, b, c, d, Word(x, 8), 0x698098d8, 7);
    StepF(d, a, b, c, Word(x, 9), 0x8b44f7af, 12);
    StepF(c, d, a, b, Word(x, 10), 0xffff5bb1, 17);
    StepF(b, c, d, a, Word(x, 11), 0x895cd7be, 22);
    StepF(a, b, c, d, Word(x, 12), 0x6b901122, 7);
    StepF(d, a, b, c, Word(x, 13), 0xfd987193, 12);
    StepF(c, d, a, b, Word(x, 14), 0xa679438e, 17);
    StepF(b, c, d, a, Word(x, 15), 0x49b40821, 22);

    StepG(a, b, c, d, Word(x, 1), 0xf61e2562, 5);
    StepG(d, a, b, c, Word(x, 6), 0xc040b340, 9);
    StepG(c, d, a, b, Word(x, 11), 0x265e5a51, 14);
    StepG(b, c, d, a, Word(x, 0), 0xe9b6c7aa, 20);
    StepG(a, b, c, d, Word(x, 5), 0xd62f105d, 5);
    StepG(d, a, b, c, Word(x, 10), 0x02441453, 9);
    StepG(c, d, a, b, Word(x, 15), 0xd8a1e681, 14);
    StepG(b, c, d, a, Word(x, 4), 0xe7d3fbc8, 20);
    StepG(a, b, c, d, Word(x, 9), 0x21e1cde6, 5);
    StepG(d, a, b, c, Word(x, 14), 0xc33707d6, 9);
    StepG(c, d, a, b, Word(x, 3), 0xf4d50d87, 14);
    StepG(b, c, d, a, Word(x, 8), 0x455a14ed, 20);
    StepG(a, b, c, d, Word(x, 13), 0xa9e3e905, 5);
    StepG(d, a, b, c, Word(x, 2), 0xfcefa3f8, 9);
    StepG(c, d, a, b, Word(x, 7), 0x676f02d9, 14);
    StepG(b, c, d, a, Word(x, 12), 0x8d2a4c8a, 20);

    StepH(a, b, c, d, Word(x, 5), 0xfffa3942, 4);
    StepH(d, a, b, c, Word(x, 8), 0x8771f681, 11);
    StepH(c, d, a, b, Word(x, 11), 0x6d9d6122, 16);
    StepH(b, c, d, a, Word(x, 14), 0xfde5380c, 23);
    StepH(a, b, c, d, Word(x, 1), 0xa4beea44, 4);
    StepH(d, a, b, c, Word(x, 4), 0x4bdecfa9, 11);
    StepH(c, d, a, b, Word(x, 7), 0xf6bb4b60, 16);
    StepH(b, c, d, a, Word(x, 10), 0xbebfbc70, 23);
    StepH(a, b, c, d, Word(x, 13), 0x289b7ec6, 4);
    StepH(d, a, b, c, Word(x, 0), 0xeaa127fa, 11);
    StepH(c, d, a, b, Word(x, 3), 0xd4ef3085, 16);
    StepH(b, c, d, a, Word(x, 6), 0x04881d05, 23);
    StepH(a, b, c, d, Word(x, 9), 0xd9d4d039, 4);
    StepH(d, a, b, c, Word(x, 12), 0xe6db99e5, 11);
    StepH(c, d, a, b, Word(x, 15), 0x1fa27cf8, 16);
    StepH(b, c, d, a, Word(x, 2), 0xc4ac5665, 23);

    StepI(a, b, c, d, Word(x, 0), 0xf4292244, 6);
    StepI(d, a, b, c, Word(x, 7), 0x432aff97, 10);
    StepI(c, d, a, b, Word(x, 14), 0xab9423a7, 15);
    StepI(b, c, d, a, Word(x, 5), 0xfc93a039, 21);
    StepI(a, b, c, d, Word(x, 12), 0x655b59c3, 6);
    StepI(d, a, b, c, Word(x, 3), 0x8f0ccc92, 10);
    StepI(c, d, a, b, Word(x, 10), 0xffeff47d, 15);
    StepI(b, c, d, a, Word(x, 1), 0x85845dd1, 21);
    StepI(a, b, c, d, Word(x, 8), 0x6fa87e4f, 6);
    StepI(d, a, b, c, Word(x, 15), 0xfe2ce6e0, 10);
    StepI(c, d, a, b, Word(x, 6), 0xa3014314, 15);
    StepI(b, c, d, a, Word(x, 13), 0x4e0811a1, 21);
    StepI(a, b, c, d, Word(x, 4), 0xf7537e82, 6);
    StepI(d, a, b, c, Word(x, 11), 0xbd3af235, 10);
    StepI(c, d, a, b, Word(x, 2), 0x2ad7d2bb, 15);
    StepI(b, c, d, a, Word(x, 9), 0xeb86d391, 21);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

void Md5Init(Md5Context& context) {
  context.state[0] = 0x67452301;
  context.state[1] = 0xefcdab89;
  context.state[2] = 0x98badcfe;
  context.state[3] = 0x10325476;
  context.bitCount = 0;
}

void Md5Update(Md5Context& context, const unsigned char* data, size_t length) {
  size_t buffered = static_cast<size_t>((context.bitCount >> 3) & 63);
  context.bitCount += static_cast<uint64_t>(length) << 3;
  if (buffered > 0) {
    size_t take = 64 - buffered;
    if (length < take) {
      std::memcpy(context.buffer + buffered, data, length);
      return;
    }
    std::memcpy(context.buffer + buffered, data, take);
    TransformBlocks(context.state, context.buffer, 1);
    data += take;
    length -= take;
  }
  TransformBlocks(context.state, data, length / 64);
  data += length & ~static_cast<size_t>(63);
  length &= 63;
  if (length > 0) std::memcpy(context.buffer, data, length);
}

// Pads to 56 bytes modulo 64, appends the bit count and wipes the context.
void Md5Final(Md5Context& context, unsigned char digest[16]) {
  unsigned char lengthBytes[8];
  for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<unsigned char>(context.bitCount >> (8 * i));
  static const unsigned char kPadding[64] = {0x80};
  size_t buffered = static_cast<size_t>((context.bitCount >> 3) & 63);
  Md5Update(context, kPadding, buffered < 56 ? 56 - buffered : 120 - buffered);
  Md5Update(context, lengthBytes, 8);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<unsigned char>(context.state[i] >> (8 * j));
  }
  SecureZeroMemory(&context, sizeof(context));
}

std::string HexOfDigest(const unsigned char digest[16]) {
  static const char kHex[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 0; i < 16; ++i) {
    text[i * 2] = kHex[digest[i] >> 4];
    text[i * 2 + 1] = kHex[digest[i] & 15];
  }
  return text;
}

}  // namespace

CMd5A::~CMd5A() = default;

std::string CMd5A::Md5String(const std::string& bytes) {
  CMd5Stream stream;
  stream.Update(bytes.data(), bytes.size());
  return stream.Finish();
}

std::string CMd5A::Md5File(const std::wstring& path) {
  CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) return std::string();
  // One buffer per thread for all its files: the download workers check
  // thousands of files, and allocating and zeroing 1 MiB each time shows.
  thread_local std::vector<unsigned char> chunk;
  try {
    chunk.resize(kFileChunkBytes);
  } catch (...) {
    return std::string();
  }
  CMd5Stream stream;
  for (;;) {
    // A worker asked to stop leaves a large file unfinished, so closing the
    // window need not wait for its digest.
    if (WorkerStopRequested()) return std::string();
    DWORD read = 0;
    // A read that fails part way must not pass for the digest of the
    // whole file: a damaged game file would then count as checked.
    if (!ReadFile(file.Get(), chunk.data(), kFileChunkBytes, &read, nullptr)) return std::string();
    if (read == 0) break;
    stream.Update(chunk.data(), read);
  }
  return stream.Finish();
}

CMd5Stream::CMd5Stream() { Md5Init(context_); }

void CMd5Stream::Update(const void* data, size_t length) {
  Md5Update(context_, static_cast<const unsigned char*>(data), length);
}

std::string CMd5Stream::Finish() {
  unsigned char digest[16];
  Md5Final(context_, digest);
  Md5Init(context_);
  return HexOfDigest(digest);
}
