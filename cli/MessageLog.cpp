#include "cli/MessageLog.h"

#include "document/WaveTexts.h"

void MessageLog::Report(std::string_view text, const char* caption) {
    BoxMessage message{caption != nullptr ? std::optional<std::string>(caption) : std::nullopt, std::string(text)};
    const bool isInformation = message.Caption == kChannelCountCaption || message.Caption == kSamplingFrequencyCaption;
    (isInformation ? information_ : failures_).push_back(std::move(message));
}

void MessageLog::AddFailure(std::string text) {
    failures_.push_back({std::nullopt, std::move(text)});
}
