#include "gtfs_import/feed/csv_table.h"

#include "gtfs_import/feed/feed_error.h"

#include <csv.h>

#include <algorithm>
#include <exception>
#include <new>

namespace kvapomer::gtfs {

namespace {
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
// The parser is given at most this much at a time, so that the field it is
// collecting can outgrow the record limit by no more than this.
constexpr std::size_t kPieceSize = 4096;
// The heap is looked at after rows worth this many bytes (a row counts at
// least kRowWeight): often enough to stop early, rarely enough to cost nothing.
constexpr std::size_t kHeapCheckBytes = std::size_t{256} << 10;
constexpr std::size_t kRowWeight = 256;
} // namespace

struct CsvTable::Impl {
    std::string fileName;
    std::vector<Column> columns;
    RowHandler onRow;
    FeedLimits limits;
    csv_parser parser{};
    bool startChecked = false; // the byte-order mark has been looked for
    std::string pending;       // first bytes kept until the mark can be judged
    long records = 0;
    // The fields of the record being read: their bytes one after the other.
    std::string bytes;
    std::vector<std::size_t> ends;
    std::size_t headerSize = 0;
    std::vector<std::size_t> index; // requested column -> field number
    TableRow row;
    std::string error;              // a fault of the table found inside a callback
    std::exception_ptr rowFailure;  // what the row handler threw (never through the C parser)
    std::size_t sinceHeapCheck = 0; // bytes of rows handled since the heap was looked at

    [[noreturn]] void fail(const std::string& what) const {
        throw FeedError(Problem::BadFeed, "Soubor " + fileName + ": " + what);
    }

    bool failed() const { return !error.empty() || rowFailure; }

    // The bytes of the record being read with the field in progress, a
    // separator counted for each field.
    std::size_t recordSize(std::size_t fieldInProgress) const {
        return bytes.size() + ends.size() + 1 + fieldInProgress;
    }

    std::string tooLong() const {
        return "řádek " + std::to_string(records + 1) + " je delší než " +
               sizeText(limits.recordBytes) + ".";
    }

    static void onField(void* data, std::size_t size, void* self) {
        auto* d = static_cast<Impl*>(self);
        if (d->failed()) {
            return;
        }
        if (d->recordSize(size) > d->limits.recordBytes) {
            d->error = d->tooLong();
            return;
        }
        d->bytes.append(static_cast<const char*>(data), size);
        d->ends.push_back(d->bytes.size());
    }

    static void onEnd(int, void* self) { static_cast<Impl*>(self)->endRecord(); }

    void endRecord() {
        if (failed()) {
            return;
        }
        ++records;
        if (records == 1) {
            readHeader();
        } else {
            readRecord();
        }
        bytes.clear();
        ends.clear();
    }

    std::string_view field(std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(bytes).substr(begin, ends[i] - begin);
    }

    void readHeader() {
        headerSize = ends.size();
        index.assign(columns.size(), kAbsent);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            for (std::size_t i = 0; i < headerSize; ++i) {
                if (field(i) == columns[c].name) {
                    index[c] = i;
                    break;
                }
            }
            if (index[c] == kAbsent && columns[c].required) {
                error = "chybí sloupec " + std::string(columns[c].name) + ".";
                return;
            }
        }
        row.fields_.assign(columns.size(), {});
    }

    void readRecord() {
        if (ends.size() < headerSize) {
            error = "řádek " + std::to_string(records) + " má méně sloupců (" +
                    std::to_string(ends.size()) + ") než záhlaví (" + std::to_string(headerSize) +
                    ").";
            return;
        }
        for (std::size_t c = 0; c < columns.size(); ++c) {
            row.fields_[c] = index[c] == kAbsent ? std::string_view() : field(index[c]);
        }
        row.number_ = records;
        try {
            onRow(row);
        } catch (...) {
            rowFailure = std::current_exception();
            return;
        }
        sinceHeapCheck += std::max(recordSize(0), kRowWeight);
        if (sinceHeapCheck >= kHeapCheckBytes) {
            sinceHeapCheck = 0;
            if (heapInUse() > limits.heapBytes) {
                error = "u řádku " + std::to_string(records) +
                        " by údaje jízdního řádu zabraly v paměti víc než " +
                        sizeText(limits.heapBytes) + "; tak velký jízdní řád program nenačte.";
            }
        }
    }

    void raisePending() const {
        if (rowFailure) {
            std::rethrow_exception(rowFailure);
        }
        if (!error.empty()) {
            fail(error);
        }
    }

    void parse(std::string_view chunk) {
        while (!chunk.empty()) {
            const std::string_view piece = chunk.substr(0, kPieceSize);
            chunk.remove_prefix(piece.size());
            const std::size_t done =
                csv_parse(&parser, piece.data(), piece.size(), onField, onEnd, this);
            raisePending();
            if (done != piece.size() && csv_error(&parser) == CSV_ENOMEM) {
                throw std::bad_alloc();
            }
            if (done != piece.size()) {
                fail("chybné uvozovky v řádku " + std::to_string(records + 1) + ".");
            }
            // The parser keeps the field it is collecting to itself.
            if (recordSize(parser.entry_pos) > limits.recordBytes) {
                fail(tooLong());
            }
        }
    }
};

CsvTable::CsvTable(std::string fileName, std::vector<Column> columns, RowHandler onRow,
                   FeedLimits limits)
    : d_(std::make_unique<Impl>()) {
    d_->fileName = std::move(fileName);
    d_->columns = std::move(columns);
    d_->onRow = std::move(onRow);
    d_->limits = limits;
    csv_init(&d_->parser, CSV_STRICT | CSV_STRICT_FINI);
}

CsvTable::~CsvTable() {
    csv_free(&d_->parser);
}

void CsvTable::push(std::string_view bytes) {
    if (!d_->startChecked) {
        d_->pending.append(bytes);
        if (d_->pending.size() < kByteOrderMark.size() && kByteOrderMark.starts_with(d_->pending)) {
            return; // too short yet to tell
        }
        d_->startChecked = true;
        std::string start = std::move(d_->pending);
        std::string_view rest = start;
        if (rest.starts_with(kByteOrderMark)) {
            rest.remove_prefix(kByteOrderMark.size());
        }
        d_->parse(rest);
        return;
    }
    d_->parse(bytes);
}

void CsvTable::finish() {
    if (!d_->startChecked) {
        d_->startChecked = true;
        d_->parse(d_->pending);
    }
    if (csv_fini(&d_->parser, Impl::onField, Impl::onEnd, d_.get()) != 0) {
        d_->fail("neukončené uvozovky na konci souboru.");
    }
    d_->raisePending();
    if (d_->records == 0) {
        d_->fail("chybí řádek se jmény sloupců.");
    }
}

} // namespace kvapomer::gtfs
