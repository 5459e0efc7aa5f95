// The DLL's entry routine. The library keeps no state, so there is nothing
// to set up or tear down for a process or a thread: every notification
// succeeds.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
