#include "app/text.h"

namespace {

// The length of the well-formed UTF-8 sequence at `at`, with its value in `*code`; 0 when
// there is none (a terminator inside it included).
int Utf8Sequence(const unsigned char* at, uint32_t* code)
{
    const uint32_t lead = at[0];
    int length = 1;
    uint32_t least = 0; // the smallest value this length may carry: less is overlong
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    if (lead >= 0xC0 && lead < 0xE0) {
        length = 2;
        least = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3;
        least = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
        least = 0x10000;
    } else {
        return 0;
    }
    uint32_t value = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((at[i] & 0xC0) != 0x80) return 0;
        value = value << 6 | (at[i] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) return 0;
    *code = value;
    return length;
}

bool IsUtf8(const unsigned char* text)
{
    uint32_t code = 0;
    for (int length = 0; *text != 0; text += length) {
        length = Utf8Sequence(text, &code);
        if (length == 0) return false;
    }
    return true;
}

} // namespace

int AppendText(char16_t* buffer, int pos, int cap, const char16_t* text)
{
    if (pos < 0 || pos >= cap) return pos;
    while (*text != 0 && pos + 1 < cap) buffer[pos++] = *text++;
    buffer[pos] = 0;
    return pos;
}

int AppendUtf8(char16_t* buffer, int pos, int cap, const char* source)
{
    if (pos < 0 || pos >= cap) return pos;
    const auto* at = reinterpret_cast<const unsigned char*>(source);
    const bool decode = IsUtf8(at);
    while (*at != 0 && pos + 1 < cap) {
        uint32_t code = *at;
        at += decode ? Utf8Sequence(at, &code) : 1;
        if (code < 0x10000) {
            buffer[pos++] = static_cast<char16_t>(code);
            continue;
        }
        if (pos + 2 >= cap) break;
        code -= 0x10000;
        buffer[pos++] = static_cast<char16_t>(0xD800 + (code >> 10));
        buffer[pos++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
    buffer[pos] = 0;
    return pos;
}

int AppendDecimal(char16_t* buffer, int pos, int cap, uint32_t value)
{
    if (pos < 0 || pos >= cap) return pos;
    char16_t digits[16];
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0 && pos + 1 < cap) buffer[pos++] = digits[--count];
    buffer[pos] = 0;
    return pos;
}

int AppendTenths(char16_t* buffer, int pos, int cap, int32_t tenths)
{
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(tenths / 10));
    pos = AppendText(buffer, pos, cap, u".");
    return AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(tenths % 10));
}

void PercentText(char16_t* buffer, int32_t value)
{
    int pos = AppendDecimal(buffer, 0, PercentTextCapacity, static_cast<uint32_t>(value));
    AppendText(buffer, pos, PercentTextCapacity, u"%");
}

int LabelPercent(char16_t* buffer, int cap, const char16_t* label, int32_t value)
{
    int pos = AppendText(buffer, 0, cap, label);
    pos = AppendText(buffer, pos, cap, u"  ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(value));
    return AppendText(buffer, pos, cap, u"%");
}

int LabelRpmPercent(char16_t* buffer, int cap, const char16_t* label, int32_t rpm,
                    int32_t percent)
{
    int pos = AppendText(buffer, 0, cap, label);
    pos = AppendText(buffer, pos, cap, u"  ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(rpm));
    pos = AppendText(buffer, pos, cap, u" RPM  ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(percent));
    return AppendText(buffer, pos, cap, u"%");
}

bool SameText(const char16_t* a, const char16_t* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}
