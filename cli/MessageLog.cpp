// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/MessageLog.h"

#include "cli/PlainFailures.h"

#include "engine/WaveTexts.h"

void MessageLog::Report(std::string_view text, const char* caption) {
    BoxMessage message{caption != nullptr ? std::optional<std::string>(caption) : std::nullopt, std::string(text)};
    const bool isInformation = message.Caption == kChannelCountCaption || message.Caption == kSamplingFrequencyCaption;
    if (isInformation) {
        information_.push_back(std::move(message));
        return;
    }
    PlainFailure plain = PlainFailureOf(text, caption);
    failures_.push_back({std::nullopt, std::move(plain.Reason), plain.Code});
}

void MessageLog::AddFailure(std::string text) {
    failures_.push_back({std::nullopt, std::move(text), FailureCode::Failed});
}

void MessageLog::AddFailure(FailureCode code, std::string text) {
    failures_.push_back({std::nullopt, std::move(text), code});
}
