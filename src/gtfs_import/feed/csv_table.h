#pragma once
// Reading one CSV table of a feed as the GTFS reference describes it:
// RFC 4180 quoting, an optional UTF-8 byte-order mark, CRLF or LF line ends,
// the first record naming the columns in any order. Blanks around an unquoted
// field are not part of it; empty lines are skipped. The bytes are pushed in
// chunks, so a table of any length is read in constant memory: a record longer
// than the limit is a fault of the table, and the heap is watched as the rows
// are handled so that what they keep cannot grow without bound.

#include "gtfs_import/feed/feed_limits.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvapomer::gtfs {

// A column the reader asks for, by its name in the header.
struct Column {
    std::string_view name;
    bool required = true;
};

// One record, its fields in the order of the requested columns; an absent
// optional column reads as the empty text. Valid only during the callback.
class TableRow {
public:
    std::string_view operator[](std::size_t column) const { return fields_[column]; }
    long number() const { return number_; } // record number in the file, the header is 1

private:
    friend class CsvTable;
    std::vector<std::string_view> fields_;
    long number_ = 0;
};

class CsvTable {
public:
    using RowHandler = std::function<void(const TableRow&)>;

    // `fileName` names the table in messages. Throws FeedError (BadFeed) on a
    // missing required column, a record with fewer fields than the header,
    // broken quoting, a record longer than `limits.recordBytes`, or the heap
    // grown past `limits.heapBytes` while the rows are handled.
    CsvTable(std::string fileName, std::vector<Column> columns, RowHandler onRow,
             FeedLimits limits = {});
    ~CsvTable();
    CsvTable(const CsvTable&) = delete;
    CsvTable& operator=(const CsvTable&) = delete;

    void push(std::string_view bytes);
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace kvapomer::gtfs
