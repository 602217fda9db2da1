#include "AciPalette.h"

namespace {

constexpr uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b);
}

constexpr uint32_t kFixed[10] = {Rgb(255, 255, 255), Rgb(255, 0, 0),     Rgb(255, 255, 0),
                                 Rgb(0, 255, 0),     Rgb(0, 255, 255),   Rgb(0, 0, 255),
                                 Rgb(255, 0, 255),   Rgb(255, 255, 255), Rgb(128, 128, 128),
                                 Rgb(192, 192, 192)};
constexpr int kGreys[6] = {51, 91, 132, 173, 214, 255};
constexpr int kShades[5] = {255, 204, 153, 127, 76};

// A hue's channel in quarters of the shade: hue h of 24, channel 0 red, 1 green, 2 blue.
int Quarters(int hue, int channel) {
    // The hue circle in six sectors of four steps: each channel rises, holds, falls, rests.
    const int shifted = (hue + 24 - channel * 8) % 24;  // green lags red by 120 degrees
    if (shifted <= 4) return 4;                         // 0 .. 60 degrees past its peak
    if (shifted < 8) return 8 - shifted;                // falling
    if (shifted < 16) return 0;
    if (shifted < 20) return shifted - 16;  // rising
    return 4;
}

}  // namespace

uint32_t AciColour(int index) {
    if (index < 0 || index > 255) return kFixed[7];
    if (index < 10) return kFixed[index];
    if (index >= 250) return Rgb(kGreys[index - 250], kGreys[index - 250], kGreys[index - 250]);
    const int hue = (index - 10) / 10;
    const int shade = kShades[(index % 10) / 2];
    const bool pale = index % 2 == 1;
    int c[3];
    for (int channel = 0; channel < 3; ++channel) {
        const int q = Quarters(hue, channel);
        // Pale: halfway from the hue's channel to the shade's full value.
        c[channel] = pale ? shade * (4 + q) / 8 : shade * q / 4;
    }
    return Rgb(c[0], c[1], c[2]);
}
