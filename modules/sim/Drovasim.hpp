#pragma once
// The exports of the extension module Drovasim (build/lib/Drovasim.so), next
// to the array utilities of modules/sim/EmxArray.hpp. MATLAB calls
//
//     times = Drovasim(simulations, analysisTime, gsms)
//
// through mexFunction: simulations a real int64 scalar, analysisTime a real
// double scalar, gsms a scalar structure with the fields of SimModel; times
// is a 1-by-m double row of the first-passage times (simulate/SimulateGSMS.hpp).
// The host loads the module and calls these by name (host/classic/ClassicModule.hpp).

#include "modules/sim/EmxArray.hpp"

#include "host/classic/ClassicArray.hpp"
#include "host/classic/ClassicRuntime.hpp"

#include <cstdint>

extern "C" {

// The entry: registers simulateGSMS_atexit as the at-exit hook, runs
// simulateGSMS_initialize, checks the argument counts (3 inputs, at most one
// output), decodes the inputs, simulates, sets plhs[0] (even when nlhs is 0)
// and runs simulateGSMS_terminate. Errors end the call through the host.
void mexFunction(int nlhs, drova::ClassicArray* plhs[], int nrhs, const drova::ClassicArray* prhs[]);

// The simulation over a model given as list records: fills times (an
// initialised list) with the 1-by-m result.
void simulateGSMS(drova::ClassicRootContext* context, int64_T simulations, real_T analysisTime, const struct0_T* gsms,
                  emxArray_real_T* times);

// Per-call set-up: creates the module's root context ("simulateGSMS", release
// 0x2021B, first time), clears the host's allocation count, enters the
// run-time stack and runs the host's first-time hook.
void simulateGSMS_initialize();
// Per-call tear-down: leaves the run-time stack and destroys the root context.
void simulateGSMS_terminate();
// Run by the host when it unloads the module.
void simulateGSMS_atexit();

// A structure describing the entry point (Version, ResolvedFunctions,
// EntryPoints); created by the module, owned by the host.
drova::ClassicArray* emlrtMexFcnProperties();
// The release the module was built for (0x2021B) and its interface version (0x08000000).
void mexfilerequiredapiversion(std::uint32_t* builtByRelease, std::uint32_t* targetApiVersion);
}
