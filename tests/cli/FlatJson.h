#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace clitest {

/// One value of a korvani-pitch JSON object: a string, a number, null, or a
/// list of [caption or null, text] pairs (the "errors").
struct JsonValue {
    enum class Kind { String, Number, Null, Pairs } Kind = Kind::Null;
    std::string Text;     ///< the string, or the number as written
    double Number = 0.0;  ///< the number
    std::vector<std::pair<std::optional<std::string>, std::string>> Pairs;
};

/// Reads one JSON object of the shapes korvani-pitch prints; throws
/// std::runtime_error on anything else, so a malformed line fails the test.
class FlatJson {
public:
    explicit FlatJson(const std::string& line) : text_(line)
    {
        Expect('{');
        while (true) {
            const std::string key = ReadString();
            Expect(':');
            if (fields_.contains(key)) {
                throw std::runtime_error("key twice: " + key);
            }
            keys_.push_back(key);
            fields_[key] = ReadValue();
            if (Peek() == ',') {
                ++at_;
                continue;
            }
            Expect('}');
            break;
        }
        if (at_ != text_.size()) {
            throw std::runtime_error("text after the object: " + text_);
        }
    }

    /// The keys in the order written.
    const std::vector<std::string>& Keys() const { return keys_; }

    /// The value of `key`; throws when there is none.
    const JsonValue& operator[](const std::string& key) const
    {
        const auto found = fields_.find(key);
        if (found == fields_.end()) {
            throw std::runtime_error("no key " + key + " in " + text_);
        }
        return found->second;
    }

    std::string String(const std::string& key) const { return (*this)[key].Text; }
    double Number(const std::string& key) const { return (*this)[key].Number; }

private:
    char Peek() const
    {
        if (at_ >= text_.size()) {
            throw std::runtime_error("unexpected end of " + text_);
        }
        return text_[at_];
    }

    void Expect(char c)
    {
        if (Peek() != c) {
            throw std::runtime_error(std::string("expected ") + c + " at " + std::to_string(at_) + " in " + text_);
        }
        ++at_;
    }

    std::string ReadString()
    {
        Expect('"');
        std::string value;
        while (Peek() != '"') {
            char c = text_[at_++];
            if (c == '\\') {
                c = Peek();
                ++at_;
                switch (c) {
                case 'n': value += '\n'; break;
                case 't': value += '\t'; break;
                case 'u': value += static_cast<char>(std::stoi(text_.substr(at_, 4), nullptr, 16)); at_ += 4; break;
                default: value += c;
                }
            } else {
                value += c;
            }
        }
        ++at_;
        return value;
    }

    JsonValue ReadValue()
    {
        JsonValue value;
        if (Peek() == '"') {
            value.Kind = JsonValue::Kind::String;
            value.Text = ReadString();
        } else if (text_.compare(at_, 4, "null") == 0) {
            at_ += 4;
        } else if (Peek() == '[') {
            value.Kind = JsonValue::Kind::Pairs;
            ++at_;
            while (Peek() != ']') {
                Expect('[');
                std::optional<std::string> caption;
                if (Peek() == '"') {
                    caption = ReadString();
                } else {
                    for (const char c : std::string("null")) {
                        Expect(c);
                    }
                }
                Expect(',');
                value.Pairs.emplace_back(caption, ReadString());
                Expect(']');
                if (Peek() == ',') {
                    ++at_;
                }
            }
            ++at_;
        } else {
            const std::size_t begin = at_;
            while (at_ < text_.size() && std::string("+-.0123456789eE").find(text_[at_]) != std::string::npos) {
                ++at_;
            }
            value.Kind = JsonValue::Kind::Number;
            value.Text = text_.substr(begin, at_ - begin);
            char* end = nullptr;
            value.Number = std::strtod(value.Text.c_str(), &end);
            if (value.Text.empty() || *end != '\0') {
                throw std::runtime_error("bad number in " + text_);
            }
        }
        return value;
    }

    std::string text_;
    std::size_t at_ = 0;
    std::vector<std::string> keys_;
    std::map<std::string, JsonValue> fields_;
};

}  // namespace clitest
