// The four memory routines GCC may emit calls to, since no C runtime is linked. The
// attribute stops GCC from turning these loops back into calls to themselves.
#include <stddef.h>

#define NO_LOOP_PATTERNS __attribute__((optimize("no-tree-loop-distribute-patterns")))

extern "C" {

NO_LOOP_PATTERNS void* memset(void* destination, int value, size_t size)
{
    unsigned char* out = static_cast<unsigned char*>(destination);
    while (size--) *out++ = static_cast<unsigned char>(value);
    return destination;
}

NO_LOOP_PATTERNS void* memcpy(void* destination, const void* source, size_t size)
{
    unsigned char* out = static_cast<unsigned char*>(destination);
    const unsigned char* in = static_cast<const unsigned char*>(source);
    while (size--) *out++ = *in++;
    return destination;
}

NO_LOOP_PATTERNS void* memmove(void* destination, const void* source, size_t size)
{
    unsigned char* out = static_cast<unsigned char*>(destination);
    const unsigned char* in = static_cast<const unsigned char*>(source);
    if (out < in) {
        while (size--) *out++ = *in++;
    } else {
        while (size--) out[size] = in[size];
    }
    return destination;
}

NO_LOOP_PATTERNS int memcmp(const void* left, const void* right, size_t size)
{
    const unsigned char* a = static_cast<const unsigned char*>(left);
    const unsigned char* b = static_cast<const unsigned char*>(right);
    for (; size; --size, ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
    }
    return 0;
}

} // extern "C"
