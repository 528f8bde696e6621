#include "RetunedCopy.h"

#include "document/SampleRateRewrite.h"

std::uint32_t RateToWrite(std::uint32_t requested, std::uint32_t fileRate, bool noHigher)
{
    return noHigher && fileRate < requested ? requested / 2 : requested;
}

bool WriteRetunedCopy(const std::string& source, const std::string& target, std::uint32_t rate,
                      TWaveReporter& reporter)
{
    return RewriteSampleRate(source, target, [rate] { return rate; }, reporter);
}
