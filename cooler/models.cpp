#include "cooler/models.h"

const CoolerModel CoolerModels[CoolerModelCount] = {
    {0x300C, u"KRAKEN ELITE", true, true, {0x01, 0x01}},
    {0x3012, u"KRAKEN ELITE V2", true, true, {0x01, 0x01}},
    {0x300E, u"KRAKEN", true, true, {0x01, 0x01}},
    {0x3014, u"KRAKEN PLUS", true, true, {0x01, 0x01}},
    {0x3008, u"KRAKEN Z", true, true, {0x00, 0x00}},
    {0x2007, u"KRAKEN X", false, false, {0x00, 0x00}},
    {0x2014, u"KRAKEN X", false, false, {0x00, 0x00}},
};

int32_t CoolerModelOf(uint16_t productId)
{
    for (int32_t i = 0; i < CoolerModelCount; ++i) {
        if (CoolerModels[i].productId == productId) return i;
    }
    return -1;
}
