//===- meter/powers_of_ten.h - Extended powers of ten -----------*- C++ -*-===//
//
// The float text scales its argument by a power of ten made of at most two
// factors, 10^(m mod 32) and 10^(32 * (m div 32)). Each entry is the value of
// the x87 extended format (64-bit significand) nearest to the exact power,
// ties to even: 10^0 to 10^27 are exact, the larger ones are rounded. They
// are written as hexadecimal literals so that no conversion at compile or run
// time can round them differently.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_METER_POWERS_OF_TEN_H
#define VEXMOR_METER_POWERS_OF_TEN_H

#include <limits>

namespace vexmor {

static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 extended format");

/// 10^K for K = 0 to 31.
inline constexpr long double SmallPowersOfTen[32] = {
    0x8.000000000000000p-3L,  // 10^0
    0xA.000000000000000p+0L,  // 10^1
    0xC.800000000000000p+3L,  // 10^2
    0xF.A00000000000000p+6L,  // 10^3
    0x9.C40000000000000p+10L, // 10^4
    0xC.350000000000000p+13L, // 10^5
    0xF.424000000000000p+16L, // 10^6
    0x9.896800000000000p+20L, // 10^7
    0xB.EBC200000000000p+23L, // 10^8
    0xE.E6B280000000000p+26L, // 10^9
    0x9.502F90000000000p+30L, // 10^10
    0xB.A43B74000000000p+33L, // 10^11
    0xE.8D4A51000000000p+36L, // 10^12
    0x9.184E72A00000000p+40L, // 10^13
    0xB.5E620F480000000p+43L, // 10^14
    0xE.35FA931A0000000p+46L, // 10^15
    0x8.E1BC9BF04000000p+50L, // 10^16
    0xB.1A2BC2EC5000000p+53L, // 10^17
    0xD.E0B6B3A76400000p+56L, // 10^18
    0x8.AC7230489E80000p+60L, // 10^19
    0xA.D78EBC5AC620000p+63L, // 10^20
    0xD.8D726B7177A8000p+66L, // 10^21
    0x8.78678326EAC9000p+70L, // 10^22
    0xA.968163F0A57B400p+73L, // 10^23
    0xD.3C21BCECCEDA100p+76L, // 10^24
    0x8.4595161401484A0p+80L, // 10^25
    0xA.56FA5B99019A5C8p+83L, // 10^26
    0xC.ECB8F27F4200F3Ap+86L, // 10^27
    0x8.13F3978F8940984p+90L, // 10^28
    0xA.18F07D736B90BE5p+93L, // 10^29
    0xC.9F2C9CD04674EDFp+96L, // 10^30
    0xF.C6F7C4045812296p+99L, // 10^31
};

/// 10^(32 * J) for J = 0 to 15. Doubles need J up to 10 only; entry 0 is 1
/// so that a scaling by less than 10^32 can multiply by it without a branch.
inline constexpr long double LargePowersOfTen[16] = {
    0x8.000000000000000p-3L,    // 10^0
    0x9.DC5ADA82B70B59Ep+103L,  // 10^32
    0xC.2781F49FFCFA6D5p+209L,  // 10^64
    0xE.FB3AB16C59B14A3p+315L,  // 10^96
    0x9.3BA47C980E98CE0p+422L,  // 10^128
    0xB.616A12B7FE617AAp+528L,  // 10^160
    0xE.070F78D3927556Bp+634L,  // 10^192
    0x8.A5296FFE33CC930p+741L,  // 10^224
    0xA.A7EEBFB9DF9DE8Ep+847L,  // 10^256
    0xD.226FC195C6A2F8Cp+953L,  // 10^288
    0x8.1842F29F2CCE376p+1060L, // 10^320
    0x9.FA42700DB900AD2p+1166L, // 10^352
    0xC.4C5E310AEF8AA17p+1272L, // 10^384
    0xF.28A9C07E9B09C59p+1378L, // 10^416
    0x9.57A4AE1EBF7F3D4p+1485L, // 10^448
    0xB.83ED8DC0795A262p+1591L, // 10^480
};

} // namespace vexmor

#endif // VEXMOR_METER_POWERS_OF_TEN_H
