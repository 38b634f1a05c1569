// Makes one fault of the kind named on its command line, so that the
// sanitizer build can show it still stops at each: a heap overflow, a leak,
// a signed overflow, a double too big for an int. Exits 0 only when the
// sanitizers let the fault pass.
// Usage: sanitizer_canary overflow|leak|signed|cast

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Blocks go through here, so the compiler can neither drop them nor know
// what is done with them.
void* volatile g_block;
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s overflow|leak|signed|cast\n", argv[0]);
        return 2;
    }
    // volatile: the compiler must not fold the fault away.
    volatile int index = 8;
    if (std::strcmp(argv[1], "overflow") == 0) {
        // Through memset: a plain store would meet the undefined-behaviour
        // checks first.
        g_block = std::malloc(8);
        std::memset(g_block, 0, index + 1);
        std::free(g_block);
    } else if (std::strcmp(argv[1], "leak") == 0) {
        g_block = std::malloc(64);
        g_block = nullptr;
    } else if (std::strcmp(argv[1], "signed") == 0) {
        volatile int big = 0x7fffffff;
        std::printf("%d\n", big + index);
    } else if (std::strcmp(argv[1], "cast") == 0) {
        volatile double huge = 1e300;
        std::printf("%d\n", static_cast<int>(huge) + index);
    } else {
        return 2;
    }
    return 0;
}
