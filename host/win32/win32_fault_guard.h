// A structured fault guard for mingw, which has no __try/__except: a fault that escapes the
// guarded call is put to the platform's last-chance filter, and when the filter chooses the
// handler, control comes back to the guard as if the call had returned.
#ifndef LATTICEDRIFT_HOST_WIN32_FAULT_GUARD_H
#define LATTICEDRIFT_HOST_WIN32_FAULT_GUARD_H

using GuardedCall = int (*)(const char* arguments);

// Runs call(arguments) inside the guard. Returns true with the call's result in *result when it
// returned; false with the fault's exception code in *result when the handler ran instead.
bool run_in_fault_guard(GuardedCall call, const char* arguments, int* result);

#endif
