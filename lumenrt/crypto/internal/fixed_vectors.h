// The fixed initialisation vectors of the block ciphers (internal). Part of the stored format of
// enciphered data: they never change.
#pragma once

namespace lumenrt {

// Shared by Triple DES, Blowfish-128 and Blowfish-56.
inline constexpr unsigned char kFixedVector8[8] = {0x12, 0x34, 0x56, 0x78, 0x90, 0xAB, 0xCD, 0xEF};

// AES.
inline constexpr unsigned char kFixedVector16[16] = {0x0F, 0x1E, 0x2D, 0x3C, 0x4B, 0x5A, 0x69, 0x78,
                                                     0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0};

}  // namespace lumenrt
