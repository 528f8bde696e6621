// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ResultWriter.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// "-11.8", "+3.0", "+0.0": one decimal, always signed.
std::string CentsText(double cents) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%+.1f", cents);
    return text.data();
}

// "27.46 Hz": a hundredth of a hertz is a cent from 17 Hz on.
std::string PitchText(double pitch) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%.2f Hz", pitch);
    return text.data();
}

// "0.93".
std::string ClarityText(double clarity) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.2f", clarity);
    return text.data();
}

std::string BoxLine(const BoxMessage& message) {
    return message.Caption ? *message.Caption + ": " + message.Text : message.Text;
}

// One line, as valid UTF-8: invalid bytes become U+FFFD, control characters
// are escaped, other characters are written as they are.
std::string JsonText(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::string ShortestNumber(double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string("null");
}

namespace {

// The length of the valid UTF-8 sequence at the start of `text` (a shortest
// form, no surrogate, at most U+10FFFF) and its code point; 0 when there is none.
std::size_t Utf8Sequence(std::string_view text, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || text.size() < length) {
        return 0;
    }
    codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = codePoint << 6 | (byte(i) & 0x3F);
    }
    const bool shortest = length < 3 || codePoint >= (length == 3 ? 0x800U : 0x10000U);
    const bool valid = codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
    return shortest && valid ? length : 0;
}

std::string Escape(const char* format, unsigned value) {
    std::array<char, 16> escape{};
    std::snprintf(escape.data(), escape.size(), format, value);
    return escape.data();
}

}  // namespace

std::string EscapeControls(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    while (!text.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(text, codePoint);
        if (length == 0) {  // a byte that is not UTF-8
            escaped += Escape("\\x%02x", static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (codePoint == '\n') {
            escaped += "\\n";
        } else if (codePoint == '\t') {
            escaped += "\\t";
        } else if (codePoint == '\r') {
            escaped += "\\r";
        } else if (codePoint == '\\') {
            escaped += "\\\\";
        } else if (codePoint < 0x20 || codePoint == 0x7F) {
            escaped += Escape("\\x%02x", static_cast<unsigned>(codePoint));
        } else if ((codePoint >= 0x80 && codePoint <= 0x9F) || codePoint == 0x2028 || codePoint == 0x2029) {
            // C1 controls and the Unicode line and paragraph separators: line
            // ends or terminal commands to some readers.
            escaped += Escape("\\u%04x", static_cast<unsigned>(codePoint));
        } else {
            escaped.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return escaped;
}

std::string FailureLine(std::string_view file, std::string_view text) {
    return kErrorLinePrefix + EscapeControls(file) + ": " + EscapeControls(text);
}

void WriteTextBlock(std::ostream& out, const PitchResult& result, bool withSpectrum) {
    out << "file: " << EscapeControls(result.File) << '\n'
        << "reader: " << result.Reader << '\n'
        << "format: " << result.Format << '\n';
    for (const BoxMessage& message : result.Messages.Information()) {
        out << BoxLine(message) << '\n';
    }
    if (result.Mixed) {
        out << "channels: " << result.Channels << ", mixed for the analysis\n";
    }
    out << "transform size: " << result.TransformSize << '\n' << "start sample: " << result.StartSample << '\n';
    if (result.Centred) {
        out << "window: centred on the start (the stretch from it is silent)\n";
    }
    out << "local maximum at: " << result.FrequencyText << '\n'
        << "pitch: " << PitchText(result.Pitch) << '\n'
        << "clarity: " << ClarityText(result.Clarity) << (result.Doubtful ? " (doubtful)" : "") << '\n'
        << "corresponding note: " << result.NoteText << '\n'
        << "cents: " << CentsText(result.Cents) << '\n'
        << "proposed sample rate: " << result.RateText << '\n';
    if (result.WrittenRate) {
        out << "retuned copy: " << EscapeControls(result.WrittenFile) << " (" << *result.WrittenRate << " Hz)\n";
    }
    if (result.SmplTuning) {
        out << "sampler copy: " << EscapeControls(result.SmplFile) << " (unity note " << result.SmplTuning->UnityNote
            << ", fraction " << ShortestNumber(std::round(result.SmplTuning->PitchFraction / 0x1p32 * 1000.0) / 1000.0)
            << ")\n";
    }
    if (withSpectrum) {
        const double binHz = static_cast<double>(result.SampleRate) / result.TransformSize;
        for (std::size_t k = 0; k < result.Spectrum.size(); ++k) {
            out << k << '\t' << ShortestNumber(static_cast<double>(k) * binHz) << '\t'
                << ShortestNumber(result.Spectrum[k]) << '\n';
        }
    }
}

namespace {

// The object of one result, the JSON line's and the CSV row's.
nlohmann::ordered_json ResultJson(const PitchResult& result) {
    nlohmann::ordered_json json;
    json["file"] = result.File;
    if (!result.Succeeded()) {
        json["errors"] = nlohmann::ordered_json::array();
        for (const BoxMessage& failure : result.Messages.Failures()) {
            json["errors"].push_back(
                {failure.Caption ? nlohmann::ordered_json(*failure.Caption) : nullptr, failure.Text});
        }
        json["error_code"] = FailureCodeText(result.Messages.Failures().front().Code);
        if (!result.NoPitch.empty()) {
            json["no_pitch"] = result.NoPitch;
        }
        return json;
    }
    json["reader"] = result.Reader;
    json["format"] = result.Format;
    json["sample_rate"] = result.SampleRate;
    json["bits_per_sample"] = result.BitsPerSample;
    json["channels"] = result.Channels;
    json["mixed"] = result.Mixed;
    json["transform_size"] = result.TransformSize;
    json["start_sample"] = result.StartSample;
    json["centred"] = result.Centred;
    json["start_bin"] = result.StartBin;
    json["peak_bin"] = result.PeakBin;
    json["frequency"] = result.Frequency;
    json["frequency_text"] = result.FrequencyText;
    json["note_text"] = result.NoteText;
    json["note_frequency"] = result.NoteFrequency;
    json["cents"] = result.Cents;
    // 440, not 440.0: a whole reference reads as one.
    if (result.A4 == std::floor(result.A4)) {
        json["a4"] = static_cast<long>(result.A4);
    } else {
        json["a4"] = result.A4;
    }
    json["rate"] = result.Rate;
    json["rate_text"] = result.RateText;
    json["pitch"] = result.Pitch;
    json["clarity"] = result.Clarity;
    json["doubtful"] = result.Doubtful;
    if (result.WrittenRate) {
        json["written"] = {{"file", result.WrittenFile}, {"rate", *result.WrittenRate}};
    }
    if (result.SmplTuning) {
        json["smpl"] = {{"file", result.SmplFile},
                        {"unity_note", result.SmplTuning->UnityNote},
                        {"pitch_fraction", result.SmplTuning->PitchFraction}};
    }
    return json;
}

// The columns of a CSV row: the JSON keys, those of an object inside as
// "object_key". A key added to the JSON needs its column here.
constexpr std::array<const char*, 31> kCsvColumns = {
    "file",
    "reader",
    "format",
    "sample_rate",
    "bits_per_sample",
    "channels",
    "mixed",
    "transform_size",
    "start_sample",
    "centred",
    "start_bin",
    "peak_bin",
    "frequency",
    "frequency_text",
    "note_text",
    "note_frequency",
    "cents",
    "a4",
    "rate",
    "rate_text",
    "pitch",
    "clarity",
    "doubtful",
    "written_file",
    "written_rate",
    "smpl_file",
    "smpl_unity_note",
    "smpl_pitch_fraction",
    "errors",
    "error_code",
    "no_pitch",
};

// A field as RFC 4180 writes it: in quotes, quotes doubled, when it holds a
// comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

// A text cell a spreadsheet would take for a formula (OWASP's list of first
// characters) gets a ' before it; numbers are written as they are.
std::string InertCell(std::string text) {
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) {
        text.insert(0, 1, '\'');
    }
    return text;
}

std::string CsvText(const nlohmann::ordered_json& value) {
    if (value.is_string()) {
        return InertCell(value.get<std::string>());
    }
    if (value.is_array()) {  // the errors: "CAPTION: TEXT" pairs, "; " between them
        std::string joined;
        for (const auto& pair : value) {
            joined += (joined.empty() ? "" : "; ") + (pair[0].is_null() ? "" : pair[0].get<std::string>() + ": ") +
                      pair[1].get<std::string>();
        }
        return InertCell(joined);
    }
    return JsonText(value);
}

void WriteCsvLine(std::ostream& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out << (i == 0 ? "" : ",") << CsvField(fields[i]);
    }
    out << "\r\n";
}

}  // namespace

void WriteJsonLine(std::ostream& out, const PitchResult& result) {
    out << JsonText(ResultJson(result)) << '\n';
}

void WriteCsvHeader(std::ostream& out) {
    WriteCsvLine(out, std::vector<std::string>(kCsvColumns.begin(), kCsvColumns.end()));
}

void WriteCsvRow(std::ostream& out, const PitchResult& result) {
    const nlohmann::ordered_json json = ResultJson(result);
    nlohmann::ordered_json flat;
    for (const auto& [key, value] : json.items()) {
        if (value.is_object()) {
            for (const auto& [inner, innerValue] : value.items()) {
                flat[key + "_" + inner] = innerValue;
            }
        } else {
            flat[key] = value;
        }
    }
    std::vector<std::string> fields;
    for (const char* column : kCsvColumns) {
        fields.push_back(flat.contains(column) ? CsvText(flat[column]) : "");
    }
    WriteCsvLine(out, fields);
}

void WriteFailureLines(std::ostream& err, const PitchResult& result) {
    for (const BoxMessage& message : result.Messages.Failures()) {
        err << FailureLine(result.File, BoxLine(message)) << '\n';
    }
}
