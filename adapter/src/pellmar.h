#pragma once
// The adapter's one export, called by the host with C linkage and an
// undecorated name.
#include <cstdint>

#if defined(_WIN32)
#  define PELLMAR_API __declspec(dllexport)
#else
#  define PELLMAR_API __attribute__((visibility("default")))
#endif

// method 0 and 99: nothing, status 0. 2: out[0] = 1.0. 3: out[0] = 511.0
// (inputs, run flag included), out[1] = 400.0 (outputs). 1: calculation:
// with the run flag in[0] set, in[1..510] go to "inputvars.dat" in the
// current folder and the driver runs; then out[0..399] are read from
// "outfile.dat" there. status: 0 done, 1 failed (a file that cannot be
// opened, written or read, a driver that did not end well, or an unknown
// method); after a failure out[] is as it was. Never ends the process.
extern "C" PELLMAR_API void interface_function(int32_t method, int32_t* status, double* in, double* out);
