#include "kernel_stack.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "special_pool.h"

namespace driverrunner {
namespace {

constexpr size_t kPageBytes = 4096;
constexpr uint8_t kUnusedStackByte = 0xCD;
constexpr size_t kMaxArguments = 16;

struct KernelStack {
  uint8_t *guard = nullptr;  // the unmapped page below the stack
  uint8_t *bottom = nullptr;
  uint8_t *top = nullptr;
  int depth = 0;
  size_t highWater = 0;
};

KernelStack &TheStack() {
  static KernelStack stack;
  if (stack.guard == nullptr) {
    void *area = mmap(nullptr, kPageBytes + kKernelStackBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) {
      std::fprintf(stderr, "*** runner: no memory for the kernel stack\n");
      std::abort();
    }
    stack.guard = static_cast<uint8_t *>(area);
    stack.bottom = stack.guard + kPageBytes;
    stack.top = stack.bottom + kKernelStackBytes;
    mprotect(stack.bottom, kKernelStackBytes, PROT_READ | PROT_WRITE);
  }
  return stack;
}

// Async-signal-safe output of a message.
void WriteMessage(const char *text) {
  const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

void ReportFault(int signal, siginfo_t *info, void *) {
  const uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
  const KernelStack &stack = TheStack();
  char text[512];
  const uintptr_t guard = reinterpret_cast<uintptr_t>(stack.guard);
  if (address >= guard && address < guard + kPageBytes) {
    std::snprintf(text, sizeof text,
                  "*** kernel stack overflow: a driver call needed more than the %zu-byte kernel stack "
                  "(access at %p in the guard page below it)\n",
                  kKernelStackBytes, info->si_addr);
    WriteMessage(text);
  } else if (DescribeSpecialPoolFault(address, text, sizeof text)) {
    WriteMessage(text);
  }
  // Anything else is an ordinary crash: let it happen as it would.
  struct sigaction plain = {};
  plain.sa_handler = SIG_DFL;
  sigaction(signal, &plain, nullptr);
}

}  // namespace

void InstallFaultReporter() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  static uint8_t signalStack[64 * 1024];
  stack_t alternate = {};
  alternate.ss_sp = signalStack;
  alternate.ss_size = sizeof signalStack;
  sigaltstack(&alternate, nullptr);
  struct sigaction action = {};
  action.sa_sigaction = ReportFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, nullptr);
  sigaction(SIGBUS, &action, nullptr);
}

uint32_t CallOnKernelStack(const void *function, std::initializer_list<uint32_t> arguments) {
  KernelStack &stack = TheStack();
  InstallFaultReporter();
  uint32_t words[kMaxArguments];
  const uint32_t count = static_cast<uint32_t>(arguments.size());
  if (count > kMaxArguments) {
    std::fprintf(stderr, "*** runner: %u arguments, more than a call here takes\n", count);
    std::abort();
  }
  std::copy(arguments.begin(), arguments.end(), words);
  if (stack.depth > 0) {
    // Already on the kernel stack: a plain call on it.
    ++stack.depth;
    const uint32_t result = SorvexRunOnStack(function, words, count, nullptr);
    --stack.depth;
    return result;
  }
  // Unused bytes keep a pattern, so that the deepest use can be measured.
  std::memset(stack.bottom, kUnusedStackByte, kKernelStackBytes);
  ++stack.depth;
  const uint32_t result = SorvexRunOnStack(function, words, count, stack.top);
  --stack.depth;
  size_t untouched = 0;
  while (untouched < kKernelStackBytes && stack.bottom[untouched] == kUnusedStackByte) ++untouched;
  if (kKernelStackBytes - untouched > stack.highWater) stack.highWater = kKernelStackBytes - untouched;
  return result;
}

size_t KernelStackHighWater() { return TheStack().highWater; }

}  // namespace driverrunner
