#include <windows.h>

#include "core/startup.h"

// The record lives for the whole run; it is large, so it is not on the stack.
static InstallContext g_context;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    runInstaller(&g_context);
    return 0;
}
