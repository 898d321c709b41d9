// The thread's last error and Sleep.
#include <chrono>
#include <thread>

#include "hostwin32/win32.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

extern "C" DWORD WINAPI GetLastError(void) { return lastError; }

extern "C" VOID WINAPI SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }

extern "C" VOID WINAPI Sleep(DWORD dwMilliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
