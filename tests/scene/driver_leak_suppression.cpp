// Leak-checker settings of the scene tests (read only in sanitizer builds): llvmpipe keeps the
// buffers of its feedback-mode pipeline past the context's destruction, which the point-cube
// feedback tests would otherwise report. Only allocations made inside the driver are ignored.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\n";
}
