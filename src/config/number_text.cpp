#include "config/number_text.h"

#include "profile/cp1250.h"
#include "profile/error_numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kvapomer {

std::optional<double> parseDecimal(const QString& input) {
    const QStringView text = cp1250::trimBlanks(input);
    std::string normalised;
    normalised.reserve(std::size_t(text.size()));
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == u'-';
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        ++i;
    }
    int digits = 0;
    bool separator = false;
    bool wholePart = false; // a non-zero digit before the separator
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            normalised += char(c.unicode());
            ++digits;
            wholePart = wholePart || (!separator && c != u'0');
        } else if ((c == u'.' || c == u',') && !separator) {
            normalised += '.';
            separator = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    double value = 0;
    const char* begin = normalised.data();
    const auto [end, error] =
        std::from_chars(begin, begin + normalised.size(), value, std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
        // Too many digits for a double: a number all the same, far beyond
        // any range when it has a whole part, otherwise next to zero.
        value = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc() || end != begin + normalised.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double roundHalfEven(double value) {
    return std::nearbyint(value); // the default rounding mode takes a half to the even neighbour
}

Result<int> toWholeNumber(const QString& text, int min, int max) {
    const std::optional<double> value = parseDecimal(text);
    if (!value) {
        return errorOf(error::kTypeMismatch);
    }
    const double rounded = roundHalfEven(*value);
    if (rounded < min || rounded > max) {
        return errorOf(error::kOverflow);
    }
    return static_cast<int>(rounded);
}

} // namespace kvapomer
