// Any 64 bytes from the cooler: a reply is believed only when every value is in range (or its
// liquid is FF FF, unknown), and a rejected one stores nothing.
#include "cooler/commands.h"
#include "tests/fuzz/fuzz_check.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t report[ReportSize] = {};
    memcpy(report, data, size < ReportSize ? size : ReportSize);

    CoolerStatus status;
    memset(&status, 0x5A, sizeof status);
    const CoolerStatus before = status;
    if (DecodeStatusReply(report, &status)) {
        FUZZ_CHECK(report[0] == 0x75 && (report[1] == 0x01 || report[1] == 0x02));
        FUZZ_CHECK(status.connected == 1 && status.linkState == 0);
        FUZZ_CHECK((status.liquidTenths >= 0 && status.liquidTenths <= 1000) ||
                   (status.liquidTenths == LiquidUnknown && report[15] == 0xFF && report[16] == 0xFF));
        FUZZ_CHECK(status.pumpDuty >= 0 && status.pumpDuty <= 100);
        FUZZ_CHECK(status.fanDuty >= 0 && status.fanDuty <= 100);
        FUZZ_CHECK(status.pumpRpm >= 0 && status.pumpRpm <= 65535);
        FUZZ_CHECK(status.fanRpm >= 0 && status.fanRpm <= 65535);
        FUZZ_CHECK(status.gpuValid == before.gpuValid && status.gpuTempC == before.gpuTempC);
    } else {
        FUZZ_CHECK(memcmp(&status, &before, sizeof status) == 0);
    }

    int32_t brightness = -7;
    int32_t mode = -7;
    if (DecodeScreenInfoReply(report, &brightness, &mode)) {
        FUZZ_CHECK(report[0] == 0x31 && report[1] == 0x01);
        FUZZ_CHECK(brightness >= 0 && brightness <= 100);
        FUZZ_CHECK(mode >= 0 && mode <= 3);
    } else {
        FUZZ_CHECK(brightness == -7 && mode == -7);
    }
    return 0;
}
