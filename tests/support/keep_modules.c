/* Preloaded into the sanitizer build's host in the end-to-end checks: no module is ever unloaded.
   The GL driver is unloaded when the display closes, and the leak checker cannot name the frames
   of an unloaded module, so its suppressions could not match the driver's own allocations. */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
