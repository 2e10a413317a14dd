// The fault plan of tessary-scale-faults, a test build of tessary-scale whose calls into the
// system, made through the platform layer, pass through wrappers (wrap_posix.cpp,
// wrap_windows.cpp, linked in with the linker's --wrap). The environment says what to do:
//
//   TESSARY_FAULT_COUNT=PATH  append a line "N NAME SITE" for each call N (from 1), NAME being
//                             the system function and SITE the caller's address in the image
//   TESSARY_FAULT_AT=N        act on call N (its log line ends " acted"):
//   TESSARY_FAULT_KIND=fail   make it fail with TESSARY_FAULT_ERROR (errno, or the Win32
//                             error code), without doing it
//   TESSARY_FAULT_KIND=stop   end the program there, as a kill -9 would: no cleanup at all
//   TESSARY_FAULT_KIND=interrupt
//                             ask the program to stop (SIGINT; on Windows its console
//                             handler is given Ctrl+C) just before the call, which then
//                             goes ahead
//   TESSARY_FAULT_RUN_1="N COMMAND", TESSARY_FAULT_RUN_2="N COMMAND"
//                             run COMMAND (through the shell) just before call N, which then
//                             goes ahead: another program acting at that moment
//   TESSARY_FAULT_UNNAMED=refuse
//                             (POSIX) refuse to make files with no name (O_TMPFILE), as a
//                             file system without them does, so that new files have names
//                             from the start; such a refusal is not a counted call
//
// With none of them set the program is tessary-scale, call for call. Calls on the standard
// streams are neither counted nor failed: they carry the report that the tests read. A system
// function that the platform layer comes to call needs a wrapper and its name in the list of
// tests/CMakeLists.txt, or its calls go unseen.
#pragma once

namespace tessary::faults {

/// Counts one call to `name` from `caller`, logs it, and stops the program when the plan says
/// so. Returns 0 when the call is to go ahead, or the error it is to fail with.
long Intercept(const char* name, const void* caller) noexcept;

// What each system provides:
/// Where the program's image starts, so that a site is the same in every run.
const char* ImageStart() noexcept;
/// Ends the program at once, as killing it would.
[[noreturn]] void StopNow() noexcept;
/// Sends the program the request to stop that Ctrl+C sends.
void InterruptNow() noexcept;

}  // namespace tessary::faults
