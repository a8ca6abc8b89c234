#include "profile/error_numbers.h"

namespace kvapomer {

QString errorDescription(int number) {
    switch (number) {
    case error::kInvalidArgument:
        return QStringLiteral("Neplatné volání procedury nebo argument");
    case error::kOverflow:
        return QStringLiteral("Přetečení");
    case error::kOutOfRange:
        return QStringLiteral("Index mimo rozsah");
    case error::kTypeMismatch:
        return QStringLiteral("Neshoda typů");
    case error::kFileNotFound:
        return QStringLiteral("Soubor nenalezen");
    case error::kDiskFull:
        return QStringLiteral("Disk je plný");
    case error::kAccessDenied:
        return QStringLiteral("Přístup odepřen");
    case error::kFileAccess:
        return QStringLiteral("Chyba přístupu k souboru");
    default:
        return QStringLiteral("Neznámá chyba");
    }
}

Error errorOfFileInUse() {
    return {error::kAccessDenied,
            QStringLiteral("Přístup odepřen – soubor právě používá jiná kopie Kvapoměru")};
}

} // namespace kvapomer
