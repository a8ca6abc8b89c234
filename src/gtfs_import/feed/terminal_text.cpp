#include "gtfs_import/feed/terminal_text.h"

#include "gtfs_import/feed/utf8.h"

namespace kvapomer::gtfs {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

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
        const Utf8Char d = decodeUtf8(text, pos);
        if (d.code == kInvalidUtf8 || (d.code >= 0x80 && d.code <= 0x9F) || isBidiControl(d.code) ||
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
        pos += decodeUtf8(text, pos).length;
    }
    return std::string(text);
}

std::string withoutControls(std::string_view text) {
    std::string out;
    bool pendingBlank = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Char d = decodeUtf8(text, pos);
        if (d.code != kInvalidUtf8 && breaksWords(d.code)) {
            pendingBlank = !out.empty();
        } else if (d.code == kInvalidUtf8 || !(isControl(d.code) || isBidiControl(d.code))) {
            if (pendingBlank && !out.ends_with(' ') && text[pos] != ' ') {
                out += ' ';
            }
            pendingBlank = false;
            out.append(d.code == kInvalidUtf8 ? kReplacement : text.substr(pos, d.length));
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
