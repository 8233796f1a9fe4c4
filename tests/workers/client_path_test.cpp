// Which list entries the download writes: the names Windows would store
// under another name, outside the client folder, or on a device are refused.
#include "workers/ClientPath.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Text.h"

namespace {

TEST(IsSafeClientPath, Table) {
  const struct {
    const wchar_t* path;
    bool safe;
  } kCases[] = {
      {L"a.bin", true},
      {L"data/c.bin", true},
      {L"data\\deep\\e.bin", true},
      {L"Data/Bundle.pak.1", true},
      {L".hidden", true},
      {L"a..b", true},
      {L"...x", true},
      {L" lead.bin", true},
      {L"中文/资源.dat", true},
      // Names that only begin like a device.
      {L"console.txt", true},
      {L"nul0", true},
      {L"nullable.dat", true},
      {L"aux_data/x", true},
      {L"com10.dat", true},
      {L"com.dat", true},
      {L"lpt", true},
      {L"comX", true},
      {L"com\u00B4", true},
      {L"x.nul", true},
      {L"my nul.txt", true},
      {L"conin", true},
      // Leaving the folder or naming none.
      {L"", false},
      {L"..", false},
      {L"../escape.bin", false},
      {L"sub/../../up.bin", false},
      {L"sub\\..\\..\\up.bin", false},
      {L"\\abs.bin", false},
      {L"/abs.bin", false},
      {L"C:abs.bin", false},
      {L"C:\\abs.bin", false},
      {L"\\\\server\\share\\a", false},
      {L"good.bin:stream", false},
      {L"sub/", false},
      {L"sub//a.bin", false},
      // Names Windows changes: trailing dots and blanks, "." segments.
      {L".", false},
      {L"./a.bin", false},
      {L"sub/./a.bin", false},
      {L"a.bin.", false},
      {L"a.bin ", false},
      {L"a.bin. .", false},
      {L"sub./a.bin", false},
      {L"sub /a.bin", false},
      {L"...", false},
      {L"sub/... /up.bin", false},
      // Characters no name may hold.
      {L"a?.bin", false},
      {L"a*.bin", false},
      {L"a<b", false},
      {L"a>b", false},
      {L"a|b", false},
      {L"a\"b", false},
      {L"a\tb", false},
      {L"a\nb", false},
      {L"a\x01" L"b", false},
      // Devices, with or without an extension, in any segment and case.
      {L"nul", false},
      {L"nul.txt", false},
      {L"NUL.TXT", false},
      {L"Nul.tar.gz", false},
      {L"con.tar.gz", false},
      {L"CON", false},
      {L"prn.log", false},
      {L"aux", false},
      {L"nul .txt", false},
      {L"nul  .txt", false},
      {L"nul..txt", false},
      {L"conin$", false},
      {L"CONOUT$.log", false},
      {L"sub/COM1.dat", false},
      {L"COM1", false},
      {L"com9.x", false},
      {L"com0", false},
      {L"lpt1", false},
      {L"LPT9.txt", false},
      {L"lpt0.dat", false},
      {L"com\u00B9", false},
      {L"COM\u00B2.dat", false},
      {L"lpt\u00B3", false},
      {L"nul/a.bin", false},
      {L"data\\aux\\a.bin", false},
      {L"a/b/c/prn", false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(IsSafeClientPath(c.path), c.safe) << WideToUtf8(c.path);
  }
}

// JSON can carry "\u0000" inside a name; Windows would cut the name there.
TEST(IsSafeClientPath, NullInsideTheText) {
  EXPECT_FALSE(IsSafeClientPath(std::wstring(L"a\0b.bin", 7)));
}

}  // namespace
