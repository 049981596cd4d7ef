/* A harmless DLL placed beside the test program, standing in for one planted there. */
#include <windows.h>

__declspec(dllexport) int DllProbeAnswer(void) { return 42; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
