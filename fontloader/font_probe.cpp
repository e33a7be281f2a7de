// Test helper: prints, for each family named on the command line, "name=1" when
// this process's font table has it and "name=0" when not. The loader's tests run
// it as a later process to see what a run of the loader left registered.
#include <windows.h>

#include <cstdio>

namespace {

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFamily(HDC dc, const wchar_t* family) {
  LOGFONTW wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(wanted.lfFaceName, family, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, Found, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HDC dc = GetDC(nullptr);
  for (int i = 1; i < argc; ++i) {
    std::printf("%ls=%d\n", argv[i], HasFamily(dc, argv[i]) ? 1 : 0);
  }
  ReleaseDC(nullptr, dc);
  return 0;
}
