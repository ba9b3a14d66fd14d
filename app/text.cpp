#include "app/text.h"

int AppendText(char16_t* buffer, int pos, int cap, const char16_t* text)
{
    if (pos < 0 || pos >= cap) return pos;
    while (*text != 0 && pos + 1 < cap) buffer[pos++] = *text++;
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
