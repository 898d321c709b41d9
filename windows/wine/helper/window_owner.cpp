// The desktop windows of a scenario, owned by a process of their own as a
// running application would own them.
#include <windows.h>

#include <cstdio>
#include <string>

#include "seeding.h"

namespace wine_test {
namespace {

const char kReadyEvent[] = "SorvexWineTestWindowsReady";
const DWORD kStartWaitMs = 60000;

struct OwnerState {
  int openWindows = 0;
  WNDPROC dialogProc = NULL;
};
OwnerState owner;

// Closing a window destroys it, as the companion application does; the last
// one ends the process.
LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_NCDESTROY && --owner.openWindows == 0) PostQuitMessage(0);
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  if (owner.dialogProc != NULL && std::string(className) == "#32770") {
    return CallWindowProcA(owner.dialogProc, window, message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Windows of the standard dialog class get its procedure under ours; any
// other class is registered here.
HWND CreateOwnedWindow(const WindowSpec &entry) {
  if (entry.windowClass != "#32770") {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = OwnedWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = entry.windowClass.c_str();
    RegisterClassA(&windowClass);
  }
  HWND window = CreateWindowExA(0, entry.windowClass.c_str(), entry.title.c_str(),
                                WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 200, 100, NULL,
                                NULL, GetModuleHandleA(NULL), NULL);
  if (window != NULL && entry.windowClass == "#32770") {
    owner.dialogProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnedWindowProc)));
  }
  return window;
}

}  // namespace

bool StartWindowOwner(const std::vector<WindowSpec> &windows) {
  char self[MAX_PATH];
  GetModuleFileNameA(NULL, self, sizeof self);
  std::string commandLine = "\"" + std::string(self) + "\" window-owner";
  for (const WindowSpec &entry : windows)
    commandLine += " \"" + entry.windowClass + "|" + entry.title + "\"";

  HANDLE ready = CreateEventA(NULL, TRUE, FALSE, kReadyEvent);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(self, &commandLine[0], NULL, NULL, FALSE, DETACHED_PROCESS, NULL, NULL,
                      &startup, &process)) {
    fprintf(stderr, "setup failed: start the window owner (error %lu)\n", GetLastError());
    CloseHandle(ready);
    return false;
  }
  HANDLE waitFor[] = {ready, process.hProcess};
  DWORD result = WaitForMultipleObjects(2, waitFor, FALSE, kStartWaitMs);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(ready);
  if (result != WAIT_OBJECT_0) fprintf(stderr, "setup failed: the window owner did not come up\n");
  return result == WAIT_OBJECT_0;
}

int RunWindowOwner(const std::vector<WindowSpec> &windows) {
  for (const WindowSpec &entry : windows) {
    if (CreateOwnedWindow(entry) == NULL) return 1;
    ++owner.openWindows;
  }
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, kReadyEvent);
  if (ready == NULL) return 1;
  SetEvent(ready);
  CloseHandle(ready);
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

}  // namespace wine_test
