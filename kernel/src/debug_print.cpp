// DbgPrint: the debugger output is captured for tests, and echoed to stderr
// on request (EchoDebugOutput or SORVEX_DEBUG_ECHO=1).
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "hostkernel/host_control.h"

namespace hostkernel {
namespace {

struct DebugLog {
  std::mutex mutex;
  std::string captured;
  bool echo = EchoRequestedByEnvironment();

  static bool EchoRequestedByEnvironment() {
    const char *value = std::getenv("SORVEX_DEBUG_ECHO");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }
};

// Leaked on purpose: usable from static destructors of test programs.
DebugLog &TheDebugLog() {
  static DebugLog *log = new DebugLog;
  return *log;
}

std::string FormatText(const char *format, va_list args) {
  va_list sizing;
  va_copy(sizing, args);
  const int length = std::vsnprintf(nullptr, 0, format, sizing);
  va_end(sizing);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(&text[0], text.size(), format, args);
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

std::string DebugOutput() {
  DebugLog &log = TheDebugLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  return log.captured;
}

void ClearDebugOutput() {
  DebugLog &log = TheDebugLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.captured.clear();
}

void EchoDebugOutput(bool toStderr) {
  DebugLog &log = TheDebugLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.echo = toStderr;
}

}  // namespace hostkernel

extern "C" ULONG DbgPrint(const char *Format, ...) {
  va_list args;
  va_start(args, Format);
  const std::string text = hostkernel::FormatText(Format, args);
  va_end(args);

  hostkernel::DebugLog &log = hostkernel::TheDebugLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.captured += text;
  if (log.echo) std::fputs(text.c_str(), stderr);
  return STATUS_SUCCESS;
}
