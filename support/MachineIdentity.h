#pragma once
// The machine identity sent with every request: an MD5 digest over the
// computer name, the network adapter address, the processor count, the
// memory size and the processor signature, and the system queries under it.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <string>

// 32 lower-case hex characters, worked out once per process (concurrent
// first callers wait for the one computation) and kept for the run.
std::string MachineId();
// The text the identity digests: name.address.processors.memory.signature.
std::string MachineIdInput(const std::string& address);
// "AA-BB-CC-DD-EE-FF" of the adapter with the lowest interface index among
// those with a 6-byte address, or empty when there is none.
std::string PrimaryMacAddress();
// The choice PrimaryMacAddress makes, over an adapter list as the system
// returns it; of equal indexes the earlier adapter wins.
std::string AddressOfLowestIndexAdapter(const IP_ADAPTER_ADDRESSES* first);
// "%08X%08X" of the processor's feature flags (EDX) and version (EAX).
std::string CpuSignature();
// The system's major and minor version; returns the build number (0 when
// only the plain version query answered).
DWORD OsVersionNumbers(int& major, int& minor);
bool IsWindows8OrLater();
// Windows 8 is version 6.2.
bool IsVersionWindows8OrLater(int major, int minor);
