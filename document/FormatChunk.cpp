#include "document/FormatChunk.h"

#include "TransformSize.h"

std::uint16_t ReadLittleEndian16(const std::byte* at)
{
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(at[0]) |
                                      std::to_integer<unsigned>(at[1]) << 8);
}

std::uint32_t ReadLittleEndian32(const std::byte* at)
{
    return std::to_integer<std::uint32_t>(at[0]) | std::to_integer<std::uint32_t>(at[1]) << 8 |
           std::to_integer<std::uint32_t>(at[2]) << 16 | std::to_integer<std::uint32_t>(at[3]) << 24;
}

void WriteLittleEndian32(std::byte* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::byte>(value >> (8 * i));
    }
}

bool IsUsableFormatChunk(const std::byte* chunk, std::uint32_t size, std::uint32_t neededBytes)
{
    // Every chunk that passes has the channel count and the rate the load
    // divides by: neither is 0, and the rate gives the analysis a transform size.
    if (size < neededBytes) {
        return false;
    }
    const std::uint32_t rate = ReadLittleEndian32(chunk + kSampleRateOffset);
    return ReadLittleEndian16(chunk + kChannelsOffset) != 0 && rate <= kHighestSampleRate &&
           ChooseTransformSize(rate).has_value();
}
