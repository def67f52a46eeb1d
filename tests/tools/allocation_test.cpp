// The per-frame path allocates nothing: global operator new/delete (and, outside sanitizer builds,
// malloc/calloc/realloc) are replaced by counting versions, and 1000 headless frames after the
// start-up must make no allocation from our code. The GL library's own allocations are not ours;
// an allocation counts as ours when its caller is in this executable (the core is linked in
// statically), or when libstdc++ allocates on behalf of a caller in this executable.
#include "tests/support/gl_test_context.h"
#include "tools/headless_scene.h"

#include <gtest/gtest.h>

#include <execinfo.h>
#include <link.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define LD_COUNT_MALLOC 0
#else
#define LD_COUNT_MALLOC 1
#endif

#if LD_COUNT_MALLOC
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);
#endif

namespace {

struct TextRange {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
};

// Executable segments of this program and of libstdc++, found once before counting starts.
constexpr int MAX_RANGES = 8;
TextRange g_programText[MAX_RANGES];
int g_programRanges = 0;
TextRange g_stdlibText[MAX_RANGES];
int g_stdlibRanges = 0;

std::atomic<bool> g_counting{ false };
std::atomic<long> g_ourAllocations{ 0 };
std::atomic<long> g_otherAllocations{ 0 };
thread_local bool t_inHook = false;

bool in_ranges(const TextRange* ranges, int count, std::uintptr_t address)
{
    for (int i = 0; i < count; ++i)
        if (address >= ranges[i].begin && address < ranges[i].end)
            return true;
    return false;
}

int collect_text(dl_phdr_info* info, size_t, void* firstSeen)
{
    bool& first = *static_cast<bool*>(firstSeen);
    TextRange* ranges = nullptr;
    int* count = nullptr;
    if (first) {
        ranges = g_programText;
        count = &g_programRanges;
    } else if (info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "libstdc++") != nullptr) {
        ranges = g_stdlibText;
        count = &g_stdlibRanges;
    }
    first = false;
    for (int i = 0; ranges != nullptr && i < info->dlpi_phnum && *count < MAX_RANGES; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && (ph.p_flags & PF_X) != 0)
            ranges[(*count)++] = { info->dlpi_addr + ph.p_vaddr, info->dlpi_addr + ph.p_vaddr + ph.p_memsz };
    }
    return 0;
}

// Decides whether an allocation whose immediate caller is at `caller` was made by our code.
void record(void* caller)
{
    if (!g_counting.load(std::memory_order_relaxed) || t_inHook)
        return;
    t_inHook = true;
    const auto address = reinterpret_cast<std::uintptr_t>(caller);
    bool ours = in_ranges(g_programText, g_programRanges, address);
    if (!ours && in_ranges(g_stdlibText, g_stdlibRanges, address)) {
        // Walk out of libstdc++ and see who asked it.
        void* frames[32];
        const int n = backtrace(frames, 32);
        int i = 0;
        while (i < n && frames[i] != caller)
            ++i;
        while (i < n && in_ranges(g_stdlibText, g_stdlibRanges, reinterpret_cast<std::uintptr_t>(frames[i])))
            ++i;
        ours = i < n && in_ranges(g_programText, g_programRanges, reinterpret_cast<std::uintptr_t>(frames[i]));
    }
    (ours ? g_ourAllocations : g_otherAllocations).fetch_add(1, std::memory_order_relaxed);
    t_inHook = false;
}

// The allocator underneath the replacements, bypassing the counting malloc.
void* raw_malloc(size_t size)
{
#if LD_COUNT_MALLOC
    return __libc_malloc(size == 0 ? 1 : size);
#else
    return std::malloc(size == 0 ? 1 : size);
#endif
}

// Out of line: GCC otherwise sees free() paired with operator new and warns of a mismatch.
__attribute__((noinline)) void raw_free(void* block)
{
    std::free(block);
}

void* checked(void* block)
{
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void* aligned(size_t size, std::align_val_t alignment)
{
    void* block = nullptr;
    const size_t a = static_cast<size_t>(alignment) < sizeof(void*) ? sizeof(void*) : static_cast<size_t>(alignment);
    return posix_memalign(&block, a, size == 0 ? 1 : size) == 0 ? block : nullptr;
}

void start_counting()
{
    if (g_programRanges == 0) {
        bool first = true;
        dl_iterate_phdr(&collect_text, &first);
        // backtrace loads the unwinder on first use (and allocates then): do that now.
        void* frames[4];
        backtrace(frames, 4);
    }
    g_ourAllocations = 0;
    g_otherAllocations = 0;
    g_counting = true;
}

void stop_counting()
{
    g_counting = false;
}

// Out of line so the compiler can't drop the new/delete pair.
__attribute__((noinline)) void allocate_something()
{
    int* volatile block = new int(3);
    delete block;
}

} // namespace

// noinline keeps __builtin_return_address(0) the real caller of each replacement.
#define LD_CALLER __builtin_return_address(0)
__attribute__((noinline)) void* operator new(size_t size) { record(LD_CALLER); return checked(raw_malloc(size)); }
__attribute__((noinline)) void* operator new[](size_t size) { record(LD_CALLER); return checked(raw_malloc(size)); }
__attribute__((noinline)) void* operator new(size_t size, const std::nothrow_t&) noexcept { record(LD_CALLER); return raw_malloc(size); }
__attribute__((noinline)) void* operator new[](size_t size, const std::nothrow_t&) noexcept { record(LD_CALLER); return raw_malloc(size); }
__attribute__((noinline)) void* operator new(size_t size, std::align_val_t a) { record(LD_CALLER); return checked(aligned(size, a)); }
__attribute__((noinline)) void* operator new[](size_t size, std::align_val_t a) { record(LD_CALLER); return checked(aligned(size, a)); }
__attribute__((noinline)) void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { record(LD_CALLER); return aligned(size, a); }
__attribute__((noinline)) void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { record(LD_CALLER); return aligned(size, a); }
void operator delete(void* block) noexcept { raw_free(block); }
void operator delete[](void* block) noexcept { raw_free(block); }
void operator delete(void* block, size_t) noexcept { raw_free(block); }
void operator delete[](void* block, size_t) noexcept { raw_free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { raw_free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { raw_free(block); }
void operator delete(void* block, std::align_val_t) noexcept { raw_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { raw_free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { raw_free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { raw_free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { raw_free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { raw_free(block); }

#if LD_COUNT_MALLOC
extern "C" __attribute__((noinline)) void* malloc(size_t size) noexcept { record(LD_CALLER); return __libc_malloc(size); }
extern "C" __attribute__((noinline)) void* calloc(size_t count, size_t size) noexcept { record(LD_CALLER); return __libc_calloc(count, size); }
extern "C" __attribute__((noinline)) void* realloc(void* block, size_t size) noexcept { record(LD_CALLER); return __libc_realloc(block, size); }
#endif

TEST(Allocations, CounterSeesOurAllocationsDirectAndThroughTheStandardLibrary)
{
    start_counting();
    allocate_something();
    const long direct = g_ourAllocations.load();
    std::string text(200, 'x');
    const long total = g_ourAllocations.load();
    stop_counting();
    EXPECT_EQ(direct, 1);
    EXPECT_EQ(total, 2) << text.size();
}

TEST(Allocations, NoneByOurCodeAcross1000FramesAfterStartUp)
{
    ASSERT_TRUE(use_gl_context(64, 48)) << gl_context_error();
    headless_start(64, 48, true, 99);
    start_counting();
    for (long k = 1; k <= 1000; ++k)
        headless_frame(k, 60.0);
    stop_counting();
    const long ours = g_ourAllocations.load();
    headless_stop();
    EXPECT_EQ(ours, 0) << "allocations by the GL library in the same frames: " << g_otherAllocations.load();
}
