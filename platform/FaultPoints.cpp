// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FaultPoints.h"

namespace {

/// The real services' answer: no call fails.
class NoFaults final : public platform::fault::ServiceFaults {
public:
    bool GlobalAllocFails() override { return false; }
    bool GlobalLockFails() override { return false; }
    std::optional<std::uint32_t> MmioOpenFault() override { return std::nullopt; }
    std::optional<std::uint32_t> MmioCloseFault() override { return std::nullopt; }
    std::optional<std::int64_t> MmioWriteLimit() override { return std::nullopt; }
};

}  // namespace

template <>
platform::fault::ServiceFaults& TSeam<platform::fault::ServiceFaults>::Default() {
    static NoFaults none;
    return none;
}
