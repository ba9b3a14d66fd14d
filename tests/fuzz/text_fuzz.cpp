// Any position, capacity, text and number: the builders write only inside the buffer and
// always leave it terminated at the position they return.
#include "app/text.h"
#include "tests/fuzz/fuzz_check.h"

#include <string.h>

namespace {

constexpr int BufferSize = 48;
constexpr int Guard = 8;
constexpr char16_t Fill = 0xA5A5;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 10) return 0;
    char16_t storage[Guard + BufferSize + Guard];
    for (char16_t& c : storage) c = Fill;
    char16_t* buffer = storage + Guard;
    const int cap = data[0] % (BufferSize + 1);
    int pos = static_cast<int8_t>(data[1]); // negative and past-the-end positions too
    uint32_t number;
    memcpy(&number, data + 2, 4);
    char16_t text[32];
    int length = 0;
    for (size_t at = 6; at + 1 < size && length < 31; at += 2) {
        text[length++] = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
        if (text[length - 1] == 0) break;
    }
    text[length] = 0;
    if (pos >= 0 && pos < cap) {
        for (int i = 0; i < cap; ++i) buffer[i] = u'x';
        buffer[pos] = 0;
    }

    char bytes[24];
    const size_t byteCount = size - 6 < sizeof bytes - 1 ? size - 6 : sizeof bytes - 1;
    memcpy(bytes, data + 6, byteCount);
    bytes[byteCount] = 0;

    const int start = pos;
    pos = AppendUtf8(buffer, pos, cap, bytes);
    pos = AppendText(buffer, pos, cap, text);
    pos = AppendDecimal(buffer, pos, cap, number);
    pos = AppendTenths(buffer, pos, cap, static_cast<int32_t>(number % 1001));
    if (start >= 0 && start < cap) {
        FUZZ_CHECK(pos >= start && pos < cap);
        FUZZ_CHECK(buffer[pos] == 0);
    } else {
        FUZZ_CHECK(pos == start);
    }
    for (int i = 0; i < Guard; ++i) {
        FUZZ_CHECK(storage[i] == Fill);
        FUZZ_CHECK(storage[Guard + BufferSize + i] == Fill);
    }
    for (int i = cap; i < BufferSize; ++i) FUZZ_CHECK(buffer[i] == Fill);
    return 0;
}
