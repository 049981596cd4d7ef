/* Imports two functions that Windows XP and Windows 95 lack: the audit must name both. */
#include <windows.h>

int main(void) {
  return (int)(GetTickCount64() & 1) + (GetAncestor(GetDesktopWindow(), GA_ROOT) != NULL);
}
