#include "gtfs_import/index/boarding.h"

namespace kvapomer::gtfs {

Column pickupColumn() {
    return {"pickup_type", false};
}

bool pickupAllowed(std::string_view pickup) {
    return pickup.empty() || pickup == "0" || pickup == "2" || pickup == "3";
}

Column dropOffColumn() {
    return {"drop_off_type", false};
}

bool dropOffAllowed(std::string_view dropOff) {
    return dropOff != "1";
}

} // namespace kvapomer::gtfs
