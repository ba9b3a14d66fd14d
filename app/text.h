// Bounded UTF-16 text building. A buffer has a capacity `cap` in characters, terminator
// included; a position is the index of the current terminator. Every call leaves the buffer
// terminated and returns the new position; text that does not fit is cut without a mark.
#pragma once

#include <stdint.h>

// Copies `text` while pos + 1 < cap. A position outside 0..cap-1 writes nothing.
int AppendText(char16_t* buffer, int pos, int cap, const char16_t* text);

// True when the two NUL-terminated texts are the same.
bool SameText(const char16_t* a, const char16_t* b);

// Copies the 8-bit `source` decoded as UTF-8, characters beyond U+FFFF as surrogate pairs
// (a pair that does not fit whole is left out). Text that is not valid UTF-8 throughout (a
// stray, truncated or overlong sequence, a surrogate, a value beyond U+10FFFF) is copied one
// byte to one unit instead.
int AppendUtf8(char16_t* buffer, int pos, int cap, const char* source);

// Appends `value` in decimal; when the buffer fills, the least significant digits are lost.
int AppendDecimal(char16_t* buffer, int pos, int cap, uint32_t value);

// A temperature held in tenths of a degree, as whole "." tenth (312 reads 31.2); no unit.
int AppendTenths(char16_t* buffer, int pos, int cap, int32_t tenths);

// "70%" into a buffer of 8.
constexpr int PercentTextCapacity = 8;
void PercentText(char16_t* buffer, int32_t value);

// label, two spaces, value, "%".
int LabelPercent(char16_t* buffer, int cap, const char16_t* label, int32_t value);

// label, two spaces, rpm, " RPM  ", percent, "%".
int LabelRpmPercent(char16_t* buffer, int cap, const char16_t* label, int32_t rpm,
                    int32_t percent);
