#include "ResultWriter.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cstdio>

namespace {

std::string BoxLine(const BoxMessage& message)
{
    return message.Caption ? *message.Caption + ": " + message.Text : message.Text;
}

// One line, as valid UTF-8: invalid bytes become U+FFFD, control characters
// are escaped, other characters are written as they are.
std::string JsonText(const nlohmann::ordered_json& json)
{
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::string ShortestNumber(double value)
{
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string("null");
}

std::string EscapeControls(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            std::array<char, 8> escape{};
            std::snprintf(escape.data(), escape.size(), "\\x%02x", static_cast<unsigned>(byte));
            escaped += escape.data();
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string FailureLine(std::string_view file, std::string_view text)
{
    return "korvani-pitch: " + EscapeControls(file) + ": " + EscapeControls(text);
}

void WriteTextBlock(std::ostream& out, const PitchResult& result, bool withSpectrum)
{
    out << "file: " << EscapeControls(result.File) << '\n'
        << "reader: " << result.Reader << '\n'
        << "format: " << result.Format << '\n';
    for (const BoxMessage& message : result.Messages.Information()) {
        out << BoxLine(message) << '\n';
    }
    if (result.Mixed) {
        out << "channels: " << result.Channels << ", mixed for the analysis\n";
    }
    out << "transform size: " << result.TransformSize << '\n'
        << "start sample: " << result.StartSample << '\n'
        << "local maximum at: " << result.FrequencyText << '\n'
        << "corresponding note: " << result.NoteText << '\n'
        << "proposed sample rate: " << result.RateText << '\n';
    if (result.WrittenRate) {
        out << "retuned copy: " << EscapeControls(result.WrittenFile) << " (" << *result.WrittenRate << " Hz)\n";
    }
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
    nlohmann::ordered_json json;
    json["file"] = result.File;
    if (!result.Succeeded()) {
        json["errors"] = nlohmann::ordered_json::array();
        for (const BoxMessage& failure : result.Messages.Failures()) {
            json["errors"].push_back({failure.Caption ? nlohmann::ordered_json(*failure.Caption) : nullptr,
                                      failure.Text});
        }
        if (!result.NoPitch.empty()) {
            json["no_pitch"] = result.NoPitch;
        }
        out << JsonText(json) << '\n';
        return;
    }
    json["reader"] = result.Reader;
    json["format"] = result.Format;
    json["sample_rate"] = result.SampleRate;
    json["bits_per_sample"] = result.BitsPerSample;
    json["channels"] = result.Channels;
    json["mixed"] = result.Mixed;
    json["transform_size"] = result.TransformSize;
    json["start_sample"] = result.StartSample;
    json["start_bin"] = result.StartBin;
    json["peak_bin"] = result.PeakBin;
    json["frequency"] = result.Frequency;
    json["frequency_text"] = result.FrequencyText;
    json["note_text"] = result.NoteText;
    json["note_frequency"] = result.NoteFrequency;
    json["rate"] = result.Rate;
    json["rate_text"] = result.RateText;
    if (result.WrittenRate) {
        json["written"] = {{"file", result.WrittenFile}, {"rate", *result.WrittenRate}};
    }
    out << JsonText(json) << '\n';
}

void WriteFailureLines(std::ostream& err, const PitchResult& result)
{
    for (const BoxMessage& message : result.Messages.Failures()) {
        err << FailureLine(result.File, BoxLine(message)) << '\n';
    }
}
