#pragma once
// Where a feed's files come from: a zip archive (read through libzip, each
// file inflated as it is read) or a folder holding the unpacked files.

#include "gtfs_import/feed/feed_limits.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kvapomer::gtfs {

class FeedSource {
public:
    using ChunkHandler = std::function<void(std::string_view)>;

    explicit FeedSource(FeedLimits limits = {}) : limits_(limits) {}
    virtual ~FeedSource() = default;
    virtual bool contains(const std::string& name) const = 0;
    // Passes the file's bytes in order, a chunk at a time. Throws FeedError
    // (BadFeed) when the file is absent, cannot be read whole or is longer
    // than `limits().fileBytes`.
    virtual void read(const std::string& name, const ChunkHandler& onChunk) const = 0;

    // What reading this feed may cost; the tables read from it keep to it too.
    const FeedLimits& limits() const { return limits_; }

    // A folder when `path` is one, otherwise a zip archive. Throws FeedError
    // (BadFeed) when neither can be opened.
    static std::unique_ptr<FeedSource> open(const std::string& path, FeedLimits limits = {});

protected:
    // Counts a chunk of `name` that has `total` bytes before it; throws
    // FeedError (BadFeed) once the file outgrows the limit.
    void countRead(const std::string& name, std::uint64_t& total, std::size_t chunk) const;

private:
    FeedLimits limits_;
};

} // namespace kvapomer::gtfs
