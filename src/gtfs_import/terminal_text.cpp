#include "gtfs_import/terminal_text.h"

namespace kvapomer::gtfs {

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// One character of UTF-8 at `pos`: its code point and length, or kInvalid
// with the length of the malformed part (at least one byte), as Unicode's
// "maximal subpart" rule counts it.
struct Decoded {
    char32_t code;
    std::size_t length;
};

Decoded decode(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t code = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;  // no overlong forms
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    } else {
        return {kInvalid, 1};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (pos + i >= text.size()) {
            return {kInvalid, i};
        }
        const unsigned char next = byte(pos + i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) {
            return {kInvalid, i};
        }
        code = (code << 6) | (next & 0x3F);
    }
    return {code, length};
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool isControl(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

bool isBidiControl(char32_t code) {
    return code == 0x061C || code == 0x200E || code == 0x200F ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

bool isSeparator(char32_t code) {
    return code == 0x2028 || code == 0x2029;
}

bool breaksWords(char32_t code) {
    return (code >= 0x09 && code <= 0x0D) || code == 0x85 || isSeparator(code);
}

} // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode(text, pos);
        if (d.code == kInvalid || (d.code >= 0x80 && d.code <= 0x9F) || isBidiControl(d.code) ||
            isSeparator(d.code)) {
            out += kReplacement;
        } else if (d.code < 0x20) {
            appendUtf8(out, 0x2400 + d.code); // ␀ … ␟
        } else if (d.code == 0x7F) {
            appendUtf8(out, 0x2421); // ␡
        } else {
            out.append(text.substr(pos, d.length));
        }
        pos += d.length;
    }
    return out;
}

std::string shortened(std::string_view text, std::size_t characters) {
    std::size_t pos = 0;
    for (std::size_t count = 0; pos < text.size(); ++count) {
        if (count == characters) {
            return std::string(text.substr(0, pos)) + "…";
        }
        pos += decode(text, pos).length;
    }
    return std::string(text);
}

std::string withoutControls(std::string_view text) {
    std::string out;
    bool pendingBlank = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode(text, pos);
        if (d.code != kInvalid && breaksWords(d.code)) {
            pendingBlank = !out.empty();
        } else if (d.code == kInvalid || !(isControl(d.code) || isBidiControl(d.code))) {
            if (pendingBlank && !out.ends_with(' ') && text[pos] != ' ') {
                out += ' ';
            }
            pendingBlank = false;
            out.append(d.code == kInvalid ? kReplacement : text.substr(pos, d.length));
        }
        pos += d.length;
    }
    return out;
}

void say(std::ostream& err, std::string_view message) {
    err << printable(message) << '\n';
}

void sayLines(std::ostream& err, std::string_view message) {
    while (true) {
        const std::size_t end = message.find('\n');
        say(err, message.substr(0, end));
        if (end == std::string_view::npos) {
            return;
        }
        message.remove_prefix(end + 1);
    }
}

} // namespace kvapomer::gtfs
