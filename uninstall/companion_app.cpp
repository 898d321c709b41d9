#include "package_names.h"
#include "uninstall.h"

void CloseCompanionApp() {
  HWND window = FindWindowA(kCompanionWindowClass, kCompanionWindowTitle);
  if (window == NULL) return;
  SendMessageA(window, WM_CLOSE, 0, 0);
  // The application holds the camera's files open until it has exited.
  Sleep(kCompanionExitWaitMs);
}
