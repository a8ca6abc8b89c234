// The CSV rules of the feed reader: quoting, byte-order mark, line ends,
// columns by name, chunks split anywhere, and the faults that stop a read.

#include "gtfs_import/csv_table.h"
#include "gtfs_import/feed_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvapomer::gtfs {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Reads `bytes` asking for columns a, b (required) and c (optional), pushed
// in chunks of `chunk` bytes.
Rows readAB(std::string_view bytes, std::size_t chunk = 1 << 20) {
    Rows rows;
    CsvTable table("t.txt", {{"a"}, {"b"}, {"c", false}}, [&](const TableRow& row) {
        rows.push_back({std::string(row[0]), std::string(row[1]), std::string(row[2])});
    });
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        table.push(bytes.substr(i, chunk));
    }
    table.finish();
    return rows;
}

TEST(CsvTable, ReadsTheReferenceDialect) {
    const struct {
        const char* name;
        std::string bytes;
        Rows rows;
    } cases[] = {
        {"plain LF", "a,b\n1,2\n", {{"1", "2", ""}}},
        {"CRLF, no final line end", "a,b\r\n1,2\r\n3,4", {{"1", "2", ""}, {"3", "4", ""}}},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "a,b\n1,2\n",
         {{"1", "2", ""}}},
        {"columns in any order, unknown ignored", "x,b,c,a\n9,2,3,1\n", {{"1", "2", "3"}}},
        {"quoted comma, doubled quote, line break",
         "a,b\n\"Spořilov, sídliště\",\"say \"\"hi\"\"\nthere\"\n",
         {{"Spořilov, sídliště", "say \"hi\"\nthere", ""}}},
        {"empty fields and empty lines", "a,b\n\n,\n\n", {{"", "", ""}}},
        {"blanks around unquoted fields", "a,b\n 1 ,\" 2\"\n", {{"1", " 2", ""}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readAB(c.bytes), c.rows) << c.name;
        EXPECT_EQ(readAB(c.bytes, 1), c.rows) << c.name << ", one byte at a time";
    }
}

TEST(CsvTable, RefusesBrokenTables) {
    const struct {
        std::string bytes;
        const char* message;
    } cases[] = {
        {"a,c\n1,2\n", "Soubor t.txt: chybí sloupec b."},
        {"a,b,c\n1,2\n", "Soubor t.txt: řádek 2 má méně sloupců (2) než záhlaví (3)."},
        {"a,b\n1,\"2\n", "Soubor t.txt: neukončené uvozovky na konci souboru."},
        {"a,b\n1,\"2\"x\n", "Soubor t.txt: chybné uvozovky v řádku 2."},
        {"", "Soubor t.txt: chybí řádek se jmény sloupců."},
    };
    for (const auto& c : cases) {
        try {
            readAB(c.bytes);
            ADD_FAILURE() << "read: " << c.bytes;
        } catch (const FeedError& e) {
            EXPECT_EQ(e.problem(), Problem::BadFeed);
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

} // namespace
} // namespace kvapomer::gtfs
