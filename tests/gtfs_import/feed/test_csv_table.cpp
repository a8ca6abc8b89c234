// The CSV rules of the feed reader: quoting, byte-order mark, line ends,
// columns by name, chunks split anywhere, the faults that stop a read, and
// the limits on a record and on what the rows keep.

#include "gtfs_import/feed/csv_table.h"
#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/feed_limits.h"

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

// The message of the fault that stops reading `bytes` pushed in `chunk`-sized
// pieces, each row handed to `keep`; empty when the table reads whole.
std::string faultOf(
    const std::string& bytes, std::size_t chunk, FeedLimits limits,
    const std::function<void(const TableRow&)>& keep = [](const TableRow&) {}) {
    try {
        CsvTable table("t.txt", {{"a"}, {"b"}}, keep, limits);
        for (std::size_t i = 0; i < bytes.size(); i += chunk) {
            table.push(std::string_view(bytes).substr(i, chunk));
        }
        table.finish();
    } catch (const FeedError& e) {
        EXPECT_EQ(e.problem(), Problem::BadFeed);
        return e.what();
    }
    return {};
}

TEST(CsvTable, RefusesARecordPastTheLimit) {
    FeedLimits limits;
    limits.recordBytes = 100; // the bytes of the fields and one separator each
    const std::string tooLong = "Soubor t.txt: řádek 3 je delší než 100 B.";

    const struct {
        const char* name;
        std::string bytes;
        std::string fault;
    } cases[] = {
        {"at the limit", "a,b\n1,2\n" + std::string(98, 'x') + ",\n", ""},
        {"one byte past it", "a,b\n1,2\n" + std::string(99, 'x') + ",\n", tooLong},
        {"in a quoted field still open", "a,b\n1,2\n\"" + std::string(1000000, 'x'), tooLong},
        {"in the count of fields", "a,b\n1,2\n" + std::string(1000000, ',') + "\n", tooLong},
    };
    for (const auto& c : cases) {
        for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20}) {
            EXPECT_EQ(faultOf(c.bytes, chunk, limits), c.fault) << c.name << ", chunk " << chunk;
        }
    }
}

TEST(CsvTable, StopsWhenTheRowsKeepTooMuch) {
    // Rows of 1 KiB, 16 MiB of them; the heap may grow by 4 MiB.
    std::string bytes = "a,b\n";
    for (int i = 0; i < 16 * 1024; ++i) {
        bytes += std::to_string(i) + ',' + std::string(1024, 'x') + '\n';
    }
    FeedLimits limits;
    limits.heapBytes = heapInUse() + (std::size_t{4} << 20);
    // Read and dropped, the rows cost nothing.
    EXPECT_EQ(faultOf(bytes, 1 << 16, limits), "");
    std::vector<std::string> kept;
    const std::string fault =
        faultOf(bytes, 1 << 16, limits, [&](const TableRow& row) { kept.emplace_back(row[1]); });
    EXPECT_TRUE(fault.starts_with("Soubor t.txt: u řádku ")) << fault;
    EXPECT_TRUE(fault.ends_with(" by údaje jízdního řádu zabraly v paměti víc než " +
                                sizeText(limits.heapBytes) +
                                "; tak velký jízdní řád program nenačte."))
        << fault;
    EXPECT_LT(kept.size() * 1024, std::size_t{5} << 20);
}

} // namespace
} // namespace kvapomer::gtfs
