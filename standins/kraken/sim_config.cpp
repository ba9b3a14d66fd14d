// The control text of the simulated cooler, one line at a time, without the C library.
#include "standins/kraken/sim_config.h"

namespace {

constexpr int TokenCapacity = 12;

struct Token {
    const char* start;
    int length; // bytes
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool Is(const Token& token, const char* word)
{
    int i = 0;
    for (; i < token.length; ++i) {
        if (word[i] != token.start[i]) return false;
    }
    return word[i] == '\0';
}

// Splits one line into tokens; a '#' ends the line. False when there are too many.
bool Tokenize(const char* line, int length, Token* tokens, int* count)
{
    *count = 0;
    int i = 0;
    while (i < length && line[i] != '#') {
        if (IsSpace(line[i])) {
            ++i;
            continue;
        }
        if (*count == TokenCapacity) return false;
        Token& token = tokens[(*count)++];
        token.start = line + i;
        while (i < length && !IsSpace(line[i]) && line[i] != '#') ++i;
        token.length = static_cast<int>(line + i - token.start);
    }
    return true;
}

// A number in `base` (10 or 16) from 0 to `limit`.
bool Number(const Token& token, int base, int limit, int* value)
{
    if (token.length == 0 || token.length > 9) return false;
    int result = 0;
    for (int i = 0; i < token.length; ++i) {
        const char c = token.start[i];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        result = result * base + digit;
    }
    if (result > limit) return false;
    *value = result;
    return true;
}

bool ParseDevice(const Token* tokens, int count, SimConfig* config)
{
    if (count < 4 || config->interfaceCount == SimInterfaceCapacity) return false;
    if (tokens[1].length >= SimNameSize) return false;
    SimInterface device = {};
    for (int i = 0; i < tokens[1].length; ++i) device.name[i] = tokens[1].start[i];
    int vendorId = 0;
    int productId = 0;
    if (!Number(tokens[2], 16, 0xFFFF, &vendorId) || !Number(tokens[3], 16, 0xFFFF, &productId)) {
        return false;
    }
    device.vendorId = static_cast<uint16_t>(vendorId);
    device.productId = static_cast<uint16_t>(productId);
    device.inputLength = SimDefaultReportLength;
    device.outputLength = SimDefaultReportLength;
    for (int i = 4; i < count; ++i) {
        if (Is(tokens[i], "held")) device.held = true;
        else if (Is(tokens[i], "noattr")) device.noAttributes = true;
        else if (Is(tokens[i], "nodetail")) device.noDetail = true;
        else if (Is(tokens[i], "absent")) device.absent = true;
        else if (Is(tokens[i], "nocaps")) device.noCaps = true;
        else if (Is(tokens[i], "noids")) device.noIds = true;
        else if (Is(tokens[i], "upperids")) device.upperIds = true;
        else if (Is(tokens[i], "report") && i + 1 < count &&
                 Number(tokens[i + 1], 10, 1024, &device.inputLength)) {
            ++i;
            device.outputLength = device.inputLength;
            if (i + 1 < count && Number(tokens[i + 1], 10, 1024, &device.outputLength)) ++i;
        } else {
            return false;
        }
    }
    if (FindSimInterface(*config, device.name) >= 0) return false;
    config->interfaces[config->interfaceCount++] = device;
    return true;
}

bool ParseSet(const Token* tokens, int count, SimConfig* config)
{
    if (count != 3) return false;
    const bool on = Is(tokens[2], "on");
    if (Is(tokens[1], "pushes") || Is(tokens[1], "answers")) {
        if (!on && !Is(tokens[2], "off")) return false;
        (Is(tokens[1], "pushes") ? config->pushes : config->answers) = on;
        return true;
    }
    if (Is(tokens[1], "latency")) return Number(tokens[2], 10, 1000, &config->latencyMs);
    if (Is(tokens[1], "liquid") && Is(tokens[2], "nosata")) {
        config->liquidTenths = SimLiquidNoSata;
        return true;
    }
    int* field = nullptr;
    int limit = 255;
    if (Is(tokens[1], "liquid")) field = &config->liquidTenths, limit = 2559;
    else if (Is(tokens[1], "pumprpm")) field = &config->pumpRpm, limit = 65535;
    else if (Is(tokens[1], "pumpduty")) field = &config->pumpDuty;
    else if (Is(tokens[1], "fanrpm")) field = &config->fanRpm, limit = 65535;
    else if (Is(tokens[1], "fanduty")) field = &config->fanDuty;
    else if (Is(tokens[1], "brightness")) field = &config->brightness;
    else if (Is(tokens[1], "mode")) field = &config->mode;
    else return false;
    if (Is(tokens[2], "model")) {
        *field = SimModelValue;
        return true;
    }
    return Number(tokens[2], 10, limit, field);
}

bool ParseFault(const Token* tokens, int count, SimConfig* config)
{
    if (count < 2 || config->faultCount == SimFaultCapacity) return false;
    SimFault fault = {};
    int next = 2;
    const Token& kind = tokens[1];
    if (Is(kind, "silent")) fault.kind = SimFaultSilent;
    else if (Is(kind, "deaf")) fault.kind = SimFaultDeaf;
    else if (Is(kind, "garbage")) fault.kind = SimFaultGarbage;
    else if (Is(kind, "unplug")) fault.kind = SimFaultUnplug;
    else if (Is(kind, "writefail")) fault.kind = SimFaultWriteFail;
    else if (Is(kind, "late") || Is(kind, "powerloss")) {
        // An optional length of time first.
        const bool late = Is(kind, "late");
        fault.kind = late ? SimFaultLate : SimFaultPowerLoss;
        fault.count = late ? SimDefaultLateMs : SimDefaultPowerGapMs;
        if (count > 2 && Number(tokens[2], 10, 60000, &fault.count)) next = 3;
    } else if (Is(kind, "othercontroller")) {
        fault.kind = SimFaultOtherController;
        if (count != 3 || !Number(tokens[2], 10, 3600, &fault.count) || fault.count == 0) return false;
        next = 3;
    } else if (Is(kind, "unrelated") || Is(kind, "unsolicited") || Is(kind, "short")) {
        fault.kind = Is(kind, "unrelated")     ? SimFaultUnrelated
                     : Is(kind, "unsolicited") ? SimFaultUnsolicited
                                               : SimFaultShort;
        const int limit = fault.kind == SimFaultShort ? 63 : 16;
        if (count < 3 || !Number(tokens[2], 10, limit, &fault.count)) return false;
        next = 3;
    } else if (Is(kind, "patch")) {
        fault.kind = SimFaultPatch;
        if (count < 5) return false;
        if (Is(tokens[2], "status")) fault.target = 0x75;
        else if (Is(tokens[2], "screen")) fault.target = 0x31;
        else return false;
        if (!Number(tokens[3], 10, 63, &fault.offset) || !Number(tokens[4], 10, 255, &fault.value)) {
            return false;
        }
        next = 5;
    } else {
        return false;
    }
    while (next < count) {
        if (next + 1 >= count) return false;
        int* field = Is(tokens[next], "after")   ? &fault.after
                     : Is(tokens[next], "for")   ? &fault.span
                     : Is(tokens[next], "every") ? &fault.every
                                                 : nullptr;
        if (!field || !Number(tokens[next + 1], 10, 1000000, field)) return false;
        next += 2;
    }
    config->faults[config->faultCount++] = fault;
    return true;
}

bool ParseDrift(const Token* tokens, int count, SimConfig* config)
{
    if (count != 2 || (!Is(tokens[1], "on") && !Is(tokens[1], "off"))) return false;
    config->drift = Is(tokens[1], "on");
    return true;
}

bool ParseLine(const char* line, int length, SimConfig* config)
{
    Token tokens[TokenCapacity];
    int count = 0;
    if (!Tokenize(line, length, tokens, &count)) return false;
    if (count == 0 || Is(tokens[0], "step")) return true;
    if (Is(tokens[0], "device")) return ParseDevice(tokens, count, config);
    if (Is(tokens[0], "set")) return ParseSet(tokens, count, config);
    if (Is(tokens[0], "fault")) return ParseFault(tokens, count, config);
    if (Is(tokens[0], "drift")) return ParseDrift(tokens, count, config);
    if (Is(tokens[0], "quiet") && count == 1) {
        config->pushes = false;
        config->answers = SimRepliesOnly;
        config->latencyMs = 0;
        return true;
    }
    return false;
}

} // namespace

void ClearSimConfig(SimConfig* config)
{
    *config = {};
    config->liquidTenths = SimModelValue;
    config->pumpRpm = SimModelValue;
    config->pumpDuty = SimModelValue;
    config->fanRpm = SimModelValue;
    config->fanDuty = SimModelValue;
    config->brightness = SimModelValue;
    config->mode = SimModelValue;
    config->pushes = SimModelValue;
    config->answers = SimModelValue;
    config->latencyMs = SimDefaultLatencyMs;
}

bool ParseSimConfig(const char* text, int length, SimConfig* config, int* errorLine)
{
    ClearSimConfig(config);
    *errorLine = 0;
    int lineNumber = 0;
    int start = 0;
    while (start < length) {
        int end = start;
        while (end < length && text[end] != '\n') ++end;
        ++lineNumber;
        if (!ParseLine(text + start, end - start, config)) {
            *errorLine = lineNumber;
            return false;
        }
        start = end + 1;
    }
    return true;
}

const SimKind SimKinds[SimKindCount] = {
    // id    pushes answers ack         fans  screen header
    {0x300C, true, true, SimAckReply, true, 640, 0x01},
    {0x3012, true, true, SimAckReply, true, 640, 0x01},
    {0x300E, true, false, SimAckReply, true, 240, 0x01},
    {0x3014, true, false, SimAckReply, true, 240, 0x01},
    {0x3008, false, true, SimAckEcho, true, 320, 0x00},
    {0x2007, true, false, SimAckNone, false, 0, 0x00},
    {0x2014, true, false, SimAckNone, false, 0, 0x00},
};

int SimKindOf(const SimInterface& device)
{
    for (int i = 0; device.vendorId == 0x1E71 && i < SimKindCount; ++i) {
        if (SimKinds[i].productId == device.productId) return i;
    }
    return -1;
}

bool IsCoolerInterface(const SimInterface& device)
{
    return SimKindOf(device) >= 0;
}

int FindSimInterface(const SimConfig& config, const char* name)
{
    for (int i = 0; i < config.interfaceCount; ++i) {
        const char* known = config.interfaces[i].name;
        int c = 0;
        while (known[c] != '\0' && known[c] == name[c]) ++c;
        if (known[c] == '\0' && name[c] == '\0') return i;
    }
    return -1;
}
