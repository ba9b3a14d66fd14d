#include "cooler/models.h"

// Header names KRAKEN ELITE, KRAKEN ELITE V2, KRAKEN, KRAKEN PLUS, KRAKEN Z and KRAKEN X;
// curve headers 01 01 on the 2023 and 2024 models, 00 00 on the Z and X models.
const CoolerModel CoolerModels[CoolerModelCount] = {
    {0x300C, u" ELITE", true, true, {0x01, 0x01}},
    {0x3012, u" ELITE V2", true, true, {0x01, 0x01}},
    {0x300E, u"", true, true, {0x01, 0x01}},
    {0x3014, u" PLUS", true, true, {0x01, 0x01}},
    {0x3008, u" Z", true, true, {0x00, 0x00}},
    {0x2007, u" X", false, false, {0x00, 0x00}},
    {0x2014, u" X", false, false, {0x00, 0x00}},
};

int32_t CoolerModelOf(uint16_t productId)
{
    for (int32_t i = 0; i < CoolerModelCount; ++i) {
        if (CoolerModels[i].productId == productId) return i;
    }
    return -1;
}
