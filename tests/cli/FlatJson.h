// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace clitest {

/// One value of a korvani-pitch JSON object: a string, a number, true or
/// false, null, a list of [caption or null, text] pairs (the "errors"), or an
/// object (Json holds every value as parsed).
struct JsonValue {
    enum class Kind { String, Number, Boolean, Null, Pairs, Object } Kind = Kind::Null;
    std::string Text;     ///< the string, or the number, true or false as written
    double Number = 0.0;  ///< the number
    std::vector<std::pair<std::optional<std::string>, std::string>> Pairs;
    nlohmann::ordered_json Json;
};

/// Reads one line korvani-pitch printed with --json as a JSON object, strictly
/// (valid UTF-8 included); throws on anything else, so a malformed line fails
/// the test.
class FlatJson {
public:
    explicit FlatJson(const std::string& line) : text_(line) {
        const auto object = nlohmann::ordered_json::parse(line);  // throws on malformed text
        if (!object.is_object()) {
            throw std::runtime_error("not an object: " + line);
        }
        for (const auto& [key, json] : object.items()) {
            keys_.push_back(key);
            values_.push_back(Read(json));
        }
    }

    /// The keys in the order written.
    const std::vector<std::string>& Keys() const { return keys_; }

    /// The value of `key`; throws when there is none.
    const JsonValue& operator[](const std::string& key) const {
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            if (keys_[i] == key) {
                return values_[i];
            }
        }
        throw std::runtime_error("no key " + key + " in " + text_);
    }

    std::string String(const std::string& key) const { return (*this)[key].Text; }
    double Number(const std::string& key) const { return (*this)[key].Number; }

private:
    static JsonValue Read(const nlohmann::ordered_json& json) {
        JsonValue value;
        value.Json = json;
        if (json.is_string()) {
            value.Kind = JsonValue::Kind::String;
            value.Text = json.get<std::string>();
        } else if (json.is_number()) {
            value.Kind = JsonValue::Kind::Number;
            value.Text = json.dump();
            value.Number = json.get<double>();
        } else if (json.is_boolean()) {
            value.Kind = JsonValue::Kind::Boolean;
            value.Text = json.dump();
        } else if (json.is_array()) {
            value.Kind = JsonValue::Kind::Pairs;
            for (const auto& pair : json) {
                const auto& caption = pair.at(0);
                value.Pairs.emplace_back(caption.is_null() ? std::nullopt : std::optional(caption.get<std::string>()),
                                         pair.at(1).get<std::string>());
            }
        } else if (json.is_object()) {
            value.Kind = JsonValue::Kind::Object;
        }
        return value;
    }

    std::string text_;
    std::vector<std::string> keys_;
    std::vector<JsonValue> values_;
};

}  // namespace clitest
