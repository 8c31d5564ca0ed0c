#include "netware/sim/NetworkReader.h"

#include <algorithm>
#include <array>
#include <optional>

namespace nwsim::loader {
namespace {

std::string pointerToken(std::string_view key) {
    std::string token;
    for (const char c : key) {
        if (c == '~')
            token += "~0";
        else if (c == '/')
            token += "~1";
        else
            token += c;
    }
    return token;
}

} // namespace

[[noreturn]] void refuse(std::string place, std::string problem) {
    throw Refusal{std::move(place), std::move(problem)};
}

std::string at(const std::string& base, std::string_view key) {
    return base + '/' + pointerToken(key);
}

std::string at(const std::string& base, std::size_t index) {
    return base + '/' + std::to_string(index);
}

std::string inQuotes(std::string_view text) {
    return '"' + std::string(text) + '"';
}

namespace {

// Builds the document like nlohmann's own parser does, but refuses a key that
// appears twice in one object (the library would silently keep the last one,
// dropping part of the network) and nesting beyond kMaxJsonNesting.
class DomBuilder final : public nlohmann::json_sax<Json> {
public:
    Json root;
    std::optional<Refusal> refusal;
    std::optional<std::size_t> syntaxPosition;
    std::string syntaxMessage;

    bool null() override { return add(Json(nullptr)); }
    bool boolean(bool value) override { return add(Json(value)); }
    bool number_integer(number_integer_t value) override { return add(Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return add(Json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return add(Json(value)); }
    bool string(string_t& value) override { return add(Json(value)); }
    bool binary(binary_t&) override { return false; } // the text parser never produces one

    bool start_object(std::size_t) override { return open(Json::object()); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        key_ = name;
        if (frames_.back().value->contains(name)) {
            refusal = Refusal{childPointer(), "the key " + inQuotes(name) + " appears twice in one object"};
            return false;
        }
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
        syntaxPosition = position;
        syntaxMessage = error.what();
        return false;
    }

private:
    struct Frame {
        Json* value;
        std::string pointer;
    };

    std::string childPointer() const {
        const Frame& frame = frames_.back();
        return frame.value->is_array() ? at(frame.pointer, frame.value->size()) : at(frame.pointer, key_);
    }

    Json* insert(Json value) {
        if (frames_.empty()) {
            root = std::move(value);
            return &root;
        }
        Json& container = *frames_.back().value;
        if (container.is_array()) {
            container.push_back(std::move(value));
            return &container.back();
        }
        Json& slot = container[key_];
        slot = std::move(value);
        return &slot;
    }

    bool add(Json value) {
        insert(std::move(value));
        return true;
    }

    bool open(Json value) {
        std::string pointer = frames_.empty() ? std::string() : childPointer();
        if (frames_.size() >= kMaxJsonNesting) {
            refusal = Refusal{pointer, "nested more than " + std::to_string(kMaxJsonNesting) + " levels deep"};
            return false;
        }
        Json* opened = insert(std::move(value));
        frames_.push_back({opened, std::move(pointer)});
        return true;
    }

    bool close() {
        frames_.pop_back();
        return true;
    }

    std::vector<Frame> frames_;
    std::string key_;
};

// nlohmann reports how many bytes it had read when it gave up; the last of
// them is the offending character. Columns count characters, not bytes, so
// that they match what an editor shows.
std::string syntaxPlace(std::string_view text, std::size_t bytesRead) {
    const std::size_t last = std::min(bytesRead == 0 ? 0 : bytesRead - 1, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < last; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    std::size_t column = 0;
    for (std::size_t i = lineStart; i < std::min(last + 1, text.size()); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++column;
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(std::max<std::size_t>(column, 1));
}

// Turns "[json.exception.parse_error.101] parse error at line 3, column 8:
// syntax error while parsing value - invalid literal; last read: '...'" into
// "invalid literal". The echo of the last token goes: it may hold the very
// bytes that are not UTF-8.
std::string syntaxProblem(std::string message) {
    if (const auto column = message.find("column "); column != std::string::npos) {
        if (const auto colon = message.find(": ", column); colon != std::string::npos)
            message.erase(0, colon + 2);
    }
    if (message.starts_with("syntax error")) {
        if (const auto dash = message.find(" - "); dash != std::string::npos)
            message.erase(0, dash + 3);
    }
    // The echo may itself hold "'; ", so its end is found from the back: the
    // parser adds "; expected <token>" after it, or nothing, and <token> is
    // one of its own names. Whatever else follows belongs to the echo.
    if (const auto echo = message.find("; last read: '"); echo != std::string::npos) {
        static constexpr std::string_view kExpected = "'; expected ";
        // What the parser ever says it expected.
        static constexpr std::array<std::string_view, 6> kTokens = {
            "string literal", "':'", "']'", "'}'", "end of input", "'[', '{', or a literal"};
        std::string expected;
        if (const auto at = message.rfind(kExpected); at != std::string::npos) {
            const std::string_view token = std::string_view(message).substr(at + kExpected.size());
            if (std::find(kTokens.begin(), kTokens.end(), token) != kTokens.end())
                expected = "; expected " + std::string(token);
        }
        message.erase(echo);
        message += expected;
    }
    return "not valid JSON: " + message;
}

} // namespace

Json parseDocument(std::string_view text) {
    DomBuilder builder;
    if (Json::sax_parse(text, &builder, Json::input_format_t::json, true, false))
        return std::move(builder.root);
    if (builder.refusal)
        throw *builder.refusal;
    if (builder.syntaxPosition)
        refuse(syntaxPlace(text, *builder.syntaxPosition), syntaxProblem(builder.syntaxMessage));
    refuse("", "not valid JSON");
}

} // namespace nwsim::loader
