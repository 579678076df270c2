// The limits a package is read within, whatever it declares about itself.
#pragma once

#include <cstdint>

namespace tenvor {

// A member larger than this once inflated is refused (checked against the declared size first,
// then while inflating).
inline constexpr std::uint64_t kMaxMemberBytes = std::uint64_t{256} * 1024 * 1024;

// A member larger than kRatioAppliesAboveBytes once inflated may be at most this many times its
// compressed size.
inline constexpr std::uint64_t kMaxCompressionRatio = 1000;
inline constexpr std::uint64_t kRatioAppliesAboveBytes = std::uint64_t{1} * 1024 * 1024;

// ZIPs inside ZIPs: the package itself is depth 1, a ZIP in it depth 2, and so on; a ZIP that
// would be opened at a depth beyond this is refused.
inline constexpr int kMaxPackageDepth = 4;

// Everything read from one package (nested ZIPs and their members included) may inflate to at
// most kMaxCompressionRatio times the package's size plus kMaxMemberBytes, so that entries
// sharing their compressed data cannot multiply the work. No honest package comes near it:
// deflate itself does not compress more than about 1,032 times.
inline constexpr std::uint64_t PackageInflateBudget(std::uint64_t packageBytes)
{
    return packageBytes > (UINT64_MAX - kMaxMemberBytes) / kMaxCompressionRatio
               ? UINT64_MAX
               : packageBytes * kMaxCompressionRatio + kMaxMemberBytes;
}

}  // namespace tenvor
