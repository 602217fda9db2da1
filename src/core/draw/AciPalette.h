#pragma once
// The 256-colour index palette of DXF drawings (ACI), as 0xRRGGBB. 1-9 are fixed colours,
// 10-249 are 24 hues in 15-degree steps, each in five shades with a pale twin, 250-255 greys.
// 0 (by block) and 256 (by layer) are resolved by the caller; here both give white, as does
// 7, which CAD programs draw white on a dark ground.
#include <cstdint>

uint32_t AciColour(int index);
