#include "cooler/transport.h"

int LastIoEnd = IoDone;

namespace {

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

int HexDigit(char16_t c)
{
    c = Lower(c);
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// The four hex digits after the first `key` (lower case, matched in any case) in `path`;
// -1 when there is no such key followed by four hex digits.
int32_t IdAfter(const char16_t* path, const char16_t* key)
{
    for (const char16_t* at = path; *at; ++at) {
        int k = 0;
        while (key[k] && Lower(at[k]) == key[k]) ++k;
        if (key[k]) continue;
        int32_t id = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexDigit(at[k + i]);
            if (digit < 0) return -1;
            id = id * 16 + digit;
        }
        return id;
    }
    return -1;
}

} // namespace

bool PathMayBeCooler(const char16_t* path)
{
    const int32_t vendor = IdAfter(path, u"vid_");
    const int32_t product = IdAfter(path, u"pid_");
    if (vendor < 0 || product < 0) return true;
    return vendor == CoolerVendorId && product == CoolerProductId;
}

bool SendCommand(HANDLE cooler, HANDLE ioEvent, const uint8_t* command, int length)
{
    uint8_t report[ReportSize] = {};
    if (length < 0 || length > ReportSize) return false;
    for (int i = 0; i < length; ++i) report[i] = command[i];
    return ReportIo(cooler, ioEvent, IoWrite, report, WriteLimitMs);
}

void DiscardInput(HANDLE cooler, HANDLE ioEvent)
{
    uint8_t report[ReportSize];
    for (int i = 0; i < DiscardLimit; ++i) {
        if (!ReportIo(cooler, ioEvent, IoRead, report, DiscardReadMs)) return;
    }
}
