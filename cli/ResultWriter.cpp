#include "ResultWriter.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace {

std::string BoxLine(const BoxMessage& message)
{
    return message.Caption ? *message.Caption + ": " + message.Text : message.Text;
}

}  // namespace

std::string ShortestNumber(double value)
{
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string("null");
}

std::string JsonString(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                std::array<char, 8> escape{};
                std::snprintf(escape.data(), escape.size(), "\\u%04x", static_cast<unsigned>(c));
                quoted += escape.data();
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

void WriteTextBlock(std::ostream& out, const PitchResult& result, bool withSpectrum)
{
    out << "file: " << result.File << '\n';
    for (const BoxMessage& message : result.Messages.Information()) {
        out << BoxLine(message) << '\n';
    }
    out << "transform size: " << result.TransformSize << '\n'
        << "start sample: " << result.StartSample << '\n'
        << "local maximum at: " << result.FrequencyText << '\n'
        << "corresponding note: " << result.NoteText << '\n'
        << "proposed sample rate: " << result.RateText << '\n';
    if (withSpectrum) {
        const double binHz = static_cast<double>(result.SampleRate) / result.TransformSize;
        for (std::size_t k = 0; k < result.Spectrum.size(); ++k) {
            out << k << '\t' << ShortestNumber(static_cast<double>(k) * binHz) << '\t'
                << ShortestNumber(result.Spectrum[k]) << '\n';
        }
    }
}

void WriteJsonLine(std::ostream& out, const PitchResult& result)
{
    out << "{\"file\":" << JsonString(result.File);
    if (!result.Succeeded()) {
        out << ",\"errors\":[";
        const auto& failures = result.Messages.Failures();
        for (std::size_t i = 0; i < failures.size(); ++i) {
            out << (i == 0 ? "" : ",") << '[' << (failures[i].Caption ? JsonString(*failures[i].Caption) : "null")
                << ',' << JsonString(failures[i].Text) << ']';
        }
        out << "]}\n";
        return;
    }
    out << ",\"sample_rate\":" << result.SampleRate << ",\"bits_per_sample\":" << result.BitsPerSample
        << ",\"channels\":" << result.Channels << ",\"transform_size\":" << result.TransformSize
        << ",\"start_sample\":" << result.StartSample << ",\"start_bin\":" << result.StartBin
        << ",\"peak_bin\":" << ShortestNumber(result.PeakBin) << ",\"frequency\":" << ShortestNumber(result.Frequency)
        << ",\"frequency_text\":" << JsonString(result.FrequencyText) << ",\"note_text\":" << JsonString(result.NoteText)
        << ",\"note_frequency\":" << ShortestNumber(result.NoteFrequency) << ",\"rate\":" << result.Rate
        << ",\"rate_text\":" << JsonString(result.RateText) << "}\n";
}

void WriteFailureLines(std::ostream& err, const PitchResult& result)
{
    for (const BoxMessage& message : result.Messages.Failures()) {
        err << BoxLine(message) << '\n';
    }
}
