// Whatever the cooler sends, in whatever order and length: the reply wait reads at most
// eight reports, and an operation succeeds only with a whole, in-range reply.
#include "cooler/commands.h"
#include "tests/fakes/scripted_transport.h"
#include "tests/fuzz/fuzz_check.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    ResetScriptedTransport();
    InterlockedExchange(&ScreenBrightness, -1);
    InterlockedExchange(&ScreenMode, -1);
    const bool screen = data[0] & 1;
    if (data[0] & 2) FailWrite(1);
    size_t at = 1;
    // Each scripted read: a length byte (0 = a failed read), then that many bytes.
    while (at < size) {
        const int length = data[at++] % (ReportSize + 1);
        if (length == 0) {
            ScriptReadFailure();
            continue;
        }
        uint8_t report[ReportSize] = {};
        const size_t take = size - at < static_cast<size_t>(length) ? size - at : length;
        memcpy(report, data + at, take);
        at += take;
        ScriptRead(report, length);
    }

    if (screen) {
        const bool ok = ReadScreenInfo(ScriptedCooler(), nullptr);
        const LONG brightness = AtomicRead(&ScreenBrightness);
        const LONG mode = AtomicRead(&ScreenMode);
        if (ok) FUZZ_CHECK(brightness >= 0 && brightness <= 100 && mode >= 0 && mode <= 3);
        else FUZZ_CHECK(brightness == -1 && mode == -1);
    } else {
        CoolerStatus status = {};
        status.linkState = 2;
        const bool ok = ReadStatus(ScriptedCooler(), nullptr, &status);
        if (ok) {
            FUZZ_CHECK(status.connected == 1 && status.liquidTenths <= 1000);
        } else {
            FUZZ_CHECK(status.connected == 0 && status.linkState == 2);
        }
    }
    FUZZ_CHECK(ScriptedReadCount() <= ReplyAttempts);
    if (data[0] & 2) FUZZ_CHECK(ScriptedReadCount() == 0); // an unwritten request reads nothing
    return 0;
}
