#include "config/number_text.h"

#include "config/cp1250.h"

#include <cmath>

namespace kvapomer {

std::optional<double> parseDecimal(const QString& input) {
    const QStringView text = cp1250::trimBlanks(input);
    const qsizetype end = text.size();
    QString normalised;
    normalised.reserve(end);
    qsizetype i = 0;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        normalised += text[i];
        ++i;
    }
    int digits = 0;
    bool separator = false;
    for (; i < end; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            normalised += c;
            ++digits;
        } else if ((c == u'.' || c == u',') && !separator) {
            normalised += u'.';
            separator = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = normalised.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

double roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) {
        return floor;
    }
    if (diff > 0.5) {
        return floor + 1.0;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

ConvertedInt toWholeNumber(const QString& text, int min, int max) {
    const std::optional<double> value = parseDecimal(text);
    if (!value) {
        return {NumberError::TypeMismatch, 0};
    }
    const double rounded = roundHalfEven(*value);
    if (rounded < min || rounded > max) {
        return {NumberError::Overflow, 0};
    }
    return {NumberError::None, static_cast<int>(rounded)};
}

} // namespace kvapomer
