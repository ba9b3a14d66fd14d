// The coolers that speak these reports: one row per USB product id (vendor 0x1E71). The
// table, never a reply, decides what the program asks of a cooler.
#pragma once

#include "app/base.h"

constexpr char16_t ModelNameStem[] = u"KRAKEN";

struct CoolerModel {
    uint16_t productId;
    char16_t name[10];      // after ModelNameStem in the header: "KRAKEN" and " Z"
    bool fans;              // a fan channel: no fan curve, figures or duty without it
    bool screen;            // a screen: no screen query or brightness without it
    uint8_t curveHeader[2]; // bytes 2 and 3 of the fan curve; the pump curve's are [0], 00
};

constexpr int CoolerModelCount = 7;
extern const CoolerModel CoolerModels[CoolerModelCount];

// The row of `productId` (vendor 0x1E71), or -1: the lighting controller (2012, 2021), the
// bootloader (3011) and every other id are not coolers.
int32_t CoolerModelOf(uint16_t productId);
