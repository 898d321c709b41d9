// A driver image built wrongly on purpose, so that the test of the table
// check sees it find each fault: an export too many and one missing, the
// entry point on the wrong function, a routine the drivers must not import,
// the floating-point save without its restore, a user-mode DLL, and (through its build) unwind tables, an executable of
// the wrong subsystem and image base, no relocations and a void checksum.
extern "C" {

__declspec(dllimport) void __stdcall KeBugCheck(unsigned long code);
__declspec(dllimport) unsigned long __stdcall GetTickCount(void);
__declspec(dllimport) long __stdcall KeSaveFloatingPointState(void *area);

long __stdcall DriverEntry(void *, void *) { return 0; }

void __stdcall StrayExport(void) {
  unsigned long area[8];
  if (GetTickCount() == 0 || KeSaveFloatingPointState(area) != 0) KeBugCheck(0);
}

}  // extern "C"
