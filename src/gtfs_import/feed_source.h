#pragma once
// Where a feed's files come from: a zip archive (read through libzip, each
// file inflated as it is read) or a folder holding the unpacked files.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kvapomer::gtfs {

class FeedSource {
public:
    using ChunkHandler = std::function<void(std::string_view)>;

    virtual ~FeedSource() = default;
    virtual bool contains(const std::string& name) const = 0;
    // Passes the file's bytes in order, a chunk at a time. Throws FeedError
    // (BadFeed) when the file is absent or cannot be read whole.
    virtual void read(const std::string& name, const ChunkHandler& onChunk) const = 0;

    // A folder when `path` is one, otherwise a zip archive. Throws FeedError
    // (BadFeed) when neither can be opened.
    static std::unique_ptr<FeedSource> open(const std::string& path);
};

} // namespace kvapomer::gtfs
