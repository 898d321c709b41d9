// Detection of a SiS host chipset, whose USB controller the exposure code
// must treat more gently. Two sources: the USB controller's description in
// the registry and the vendor id of the PCI host bridge, read through the
// PCI BIOS32 service.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// Sets sisHostController to 1 for a SiS host; leaves it alone otherwise, and
// touches no hardware when the controller description cannot be read.
void DetectSisHost(IspContext *context);

// Configuration dword 0 (device and vendor id) of PCI bus 0, device 0,
// function 0, or 0 when the PCI BIOS32 service is absent.
uint32_t ReadHostBridgeId();

// The BIOS32 service directory in a mapped image of the BIOS area: the first
// "_32_" signature on a 4-byte boundary, if its length byte (offset 9, in
// 16-byte paragraphs) is 1 and its 16 bytes sum to 0. Null otherwise.
const uint8_t *FindBios32Directory(const uint8_t *image, uint32_t imageBytes);

}  // namespace sorvex0
