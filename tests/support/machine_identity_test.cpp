#include "support/MachineIdentity.h"

#include "support/Md5.h"
#include "support/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

bool IsUpperHex(const std::string& text) {
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

std::vector<std::string> SplitAtFullStops(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == '.') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

struct Adapter {
  ULONG index;
  ULONG addressLength;
  BYTE firstByte;
};

// Builds a linked adapter list like the system's, in the given order.
std::string ChooseAmong(const std::vector<Adapter>& adapters) {
  std::vector<IP_ADAPTER_ADDRESSES> nodes(adapters.size());
  for (size_t i = 0; i < adapters.size(); ++i) {
    nodes[i] = IP_ADAPTER_ADDRESSES{};
    nodes[i].IfIndex = adapters[i].index;
    nodes[i].PhysicalAddressLength = adapters[i].addressLength;
    const BYTE address[8] = {adapters[i].firstByte, 0x0B, 0xC0, 0x00, 0xEE, 0x05, 0x77, 0x88};
    std::copy(address, address + 8, nodes[i].PhysicalAddress);
    nodes[i].Next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
  }
  return AddressOfLowestIndexAdapter(nodes.empty() ? nullptr : &nodes[0]);
}

}  // namespace

// First in this file, so these really are the first callers in the process.
TEST(MachineIdentity, ConcurrentFirstCallersGetTheOneIdentity) {
  const int kThreads = 12;
  std::atomic<bool> go{false};
  std::vector<std::string> results(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      while (!go) std::this_thread::yield();
      results[i] = MachineId();
    });
  }
  go = true;
  for (std::thread& thread : threads) thread.join();

  std::string address = IsWindows8OrLater() ? "FF-FF-FF-FF-FF-FF" : PrimaryMacAddress();
  const std::string expected = CMd5A().Md5String(MachineIdInput(address));
  ASSERT_EQ(expected.size(), 32u);
  for (const std::string& result : results) EXPECT_EQ(result, expected);
  EXPECT_EQ(MachineId(), expected);
}

TEST(MachineIdentity, InputJoinsTheFiveFactsInOrder) {
  wchar_t name[512] = {};
  DWORD nameLength = 512;
  ASSERT_TRUE(GetComputerNameW(name, &nameLength));
  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof(memory);
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));

  std::vector<std::string> parts = SplitAtFullStops(MachineIdInput("AA-BB-CC-DD-EE-FF"));
  ASSERT_EQ(parts.size(), 5u);
  EXPECT_EQ(parts[0], WideToUtf8(name));
  EXPECT_EQ(parts[1], "AA-BB-CC-DD-EE-FF");
  EXPECT_EQ(parts[2], std::to_string(system.dwNumberOfProcessors));
  EXPECT_EQ(parts[3], std::to_string(memory.ullTotalPhys));
  EXPECT_EQ(parts[4], CpuSignature());

  // No adapter: the address part is empty, two full stops in a row.
  std::string withoutAddress = MachineIdInput("");
  EXPECT_EQ(withoutAddress, parts[0] + ".." + parts[2] + "." + parts[3] + "." + parts[4]);
}

TEST(MachineIdentity, AdapterWithTheLowestIndexAndASixByteAddressWins) {
  struct Case { const char* what; std::vector<Adapter> adapters; const char* expected; };
  const Case cases[] = {
      {"no adapters", {}, ""},
      {"no 6-byte address", {{1, 0, 0x11}, {2, 8, 0x22}}, ""},
      {"lowest index, not first", {{12, 6, 0x11}, {3, 6, 0x22}, {7, 6, 0x33}}, "22-0B-C0-00-EE-05"},
      {"equal indexes: the earlier", {{5, 6, 0x11}, {5, 6, 0x22}}, "11-0B-C0-00-EE-05"},
      {"lower index with a long address is skipped", {{1, 8, 0x11}, {9, 6, 0x22}}, "22-0B-C0-00-EE-05"},
      {"indexes compared unsigned", {{0x80000000u, 6, 0x11}, {2, 6, 0x22}}, "22-0B-C0-00-EE-05"},
      {"the highest index still counts", {{0xFFFFFFFFu, 6, 0x0A}}, "0A-0B-C0-00-EE-05"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseAmong(c.adapters), c.expected) << c.what;
}

TEST(MachineIdentity, PrimaryMacAddressShape) {
  std::string address = PrimaryMacAddress();
  if (address.empty()) GTEST_SKIP() << "this machine has no adapter with a 6-byte address";
  ASSERT_EQ(address.size(), 17u);
  for (size_t i = 0; i < address.size(); ++i) {
    if (i % 3 == 2) {
      EXPECT_EQ(address[i], '-') << address;
    } else {
      EXPECT_TRUE(IsUpperHex(address.substr(i, 1))) << address;
    }
  }
  EXPECT_EQ(PrimaryMacAddress(), address);
}

TEST(MachineIdentity, CpuSignatureIsFeatureFlagsThenVersion) {
  std::string signature = CpuSignature();
  ASSERT_EQ(signature.size(), 16u);
  ASSERT_TRUE(IsUpperHex(signature)) << signature;
  unsigned long features = std::stoul(signature.substr(0, 8), nullptr, 16);
  unsigned long version = std::stoul(signature.substr(8), nullptr, 16);
  // Every processor this program runs on has an FPU and SSE2; the version
  // word has a non-zero family and its top four bits reserved as zero.
  EXPECT_TRUE(features & 1u) << signature;
  EXPECT_TRUE(features & (1u << 26)) << signature;
  EXPECT_NE((version >> 8) & 0xF, 0u) << signature;
  EXPECT_EQ(version >> 28, 0u) << signature;
}

TEST(MachineIdentity, OsVersionMatchesTheKernelsOwnReport) {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(rtlGetVersion, nullptr);
  OSVERSIONINFOEXW kernel = {};
  kernel.dwOSVersionInfoSize = sizeof(kernel);
  ASSERT_EQ(rtlGetVersion(reinterpret_cast<OSVERSIONINFOW*>(&kernel)), 0);

  int major = -1, minor = -1;
  DWORD build = OsVersionNumbers(major, minor);
  EXPECT_EQ(major, static_cast<int>(kernel.dwMajorVersion));
  EXPECT_EQ(minor, static_cast<int>(kernel.dwMinorVersion));
  EXPECT_EQ(build, kernel.dwBuildNumber);
  EXPECT_EQ(IsWindows8OrLater(), IsVersionWindows8OrLater(major, minor));
}

TEST(MachineIdentity, Windows8IsVersion6Point2) {
  struct Case { int major; int minor; bool expected; };
  const Case cases[] = {
      {5, 1, false}, {6, 0, false}, {6, 1, false}, {6, 2, true}, {6, 3, true}, {10, 0, true}, {-1, -1, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsVersionWindows8OrLater(c.major, c.minor), c.expected) << c.major << "." << c.minor;
  }
}
