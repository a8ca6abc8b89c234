#include "gtfs_import/feed/table_reading.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/terminal_text.h"

#include <charconv>

namespace kvapomer::gtfs {

std::string shown(std::string_view text) {
    return printable(shortened(text, kEchoCharacters));
}

std::string quoted(std::string_view text) {
    return "„" + shown(text) + "“";
}

std::optional<int> parseNumber(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

void badRow(const std::string& file, const TableRow& row, const std::string& what,
            std::string_view value) {
    badRow(file, row.number(), what, value);
}

void badRow(const std::string& file, long rowNumber, const std::string& what,
            std::string_view value) {
    throw FeedError(Problem::BadFeed, "Soubor " + file + ": řádek " + std::to_string(rowNumber) +
                                          " má neplatné " + what + " " + quoted(value) + ".");
}

void readTable(const FeedSource& source, const std::string& name, std::vector<Column> columns,
               const CsvTable::RowHandler& onRow) {
    CsvTable table(name, std::move(columns), onRow, source.limits());
    source.read(name, [&](std::string_view chunk) { table.push(chunk); });
    table.finish();
}

} // namespace kvapomer::gtfs
