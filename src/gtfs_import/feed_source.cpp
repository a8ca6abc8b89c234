#include "gtfs_import/feed_source.h"

#include "gtfs_import/feed_error.h"

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace kvapomer::gtfs {

namespace {

constexpr std::size_t kChunkSize = 1 << 16;

[[noreturn]] void fail(const std::string& message) {
    throw FeedError(Problem::BadFeed, message);
}

[[noreturn]] void failMissing(const std::string& name) {
    fail("V jízdním řádu chybí soubor " + name + ".");
}

class FolderSource : public FeedSource {
public:
    explicit FolderSource(std::filesystem::path folder) : folder_(std::move(folder)) {}

    bool contains(const std::string& name) const override {
        std::error_code ec;
        return std::filesystem::is_regular_file(folder_ / name, ec);
    }

    void read(const std::string& name, const ChunkHandler& onChunk) const override {
        if (!contains(name)) {
            failMissing(name);
        }
        std::FILE* file = std::fopen((folder_ / name).c_str(), "rb");
        if (!file) {
            fail("Soubor " + name + " nelze otevřít: " + std::strerror(errno) + ".");
        }
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
        std::vector<char> buffer(kChunkSize);
        for (;;) {
            const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
            if (n > 0) {
                onChunk(std::string_view(buffer.data(), n));
            }
            if (n < buffer.size()) {
                if (std::ferror(file)) {
                    fail("Soubor " + name + " nelze přečíst.");
                }
                return;
            }
        }
    }

private:
    std::filesystem::path folder_;
};

std::string openFailure(int error) {
    switch (error) {
    case ZIP_ER_NOZIP:
        return "není to zip, nebo je neúplný";
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
        return "archiv je poškozený";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
        return std::string("soubor nelze přečíst (") + std::strerror(errno) + ")";
    default:
        zip_error_t details;
        zip_error_init_with_code(&details, error);
        std::string reason = zip_error_strerror(&details);
        zip_error_fini(&details);
        return reason;
    }
}

class ZipSource : public FeedSource {
public:
    explicit ZipSource(const std::string& path) {
        int error = 0;
        archive_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!archive_) {
            fail("Jízdní řád " + path + " nelze otevřít jako zip: " + openFailure(error) + ".");
        }
    }
    ~ZipSource() override { zip_discard(archive_); }
    ZipSource(const ZipSource&) = delete;
    ZipSource& operator=(const ZipSource&) = delete;

    bool contains(const std::string& name) const override {
        return zip_name_locate(archive_, name.c_str(), 0) >= 0;
    }

    void read(const std::string& name, const ChunkHandler& onChunk) const override {
        zip_file_t* file = zip_fopen(archive_, name.c_str(), 0);
        if (!file) {
            if (!contains(name)) {
                failMissing(name);
            }
            fail("Soubor " + name + " v zipu nelze otevřít (" + zip_strerror(archive_) + ").");
        }
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(file, zip_fclose);
        std::vector<char> buffer(kChunkSize);
        for (;;) {
            const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
            if (n < 0) {
                fail("Soubor " + name + " v zipu je poškozený (" +
                     std::string(zip_file_strerror(file)) + ").");
            }
            if (n == 0) {
                return;
            }
            onChunk(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        }
    }

private:
    zip_t* archive_ = nullptr;
};

} // namespace

std::unique_ptr<FeedSource> FeedSource::open(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return std::make_unique<FolderSource>(path);
    }
    if (!std::filesystem::exists(path, ec)) {
        fail("Jízdní řád " + path + " neexistuje.");
    }
    return std::make_unique<ZipSource>(path);
}

} // namespace kvapomer::gtfs
