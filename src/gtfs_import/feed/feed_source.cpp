#include "gtfs_import/feed/feed_source.h"

#include "gtfs_import/feed/feed_error.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

// The system's reason for a failed call, in Czech (the C library's own texts
// follow the locale, which may be English or none).
std::string systemText(int error) {
    switch (error) {
    case ENOENT:
        return "soubor neexistuje";
    case EACCES:
    case EPERM:
        return "přístup odepřen";
    case EISDIR:
        return "je to složka";
    case ENOTDIR:
        return "část cesty není složka";
    case ELOOP:
        return "příliš mnoho symbolických odkazů";
    case ENAMETOOLONG:
        return "příliš dlouhé jméno";
    case EMFILE:
    case ENFILE:
        return "příliš mnoho otevřených souborů";
    case ENOMEM:
        return "nedostatek paměti";
    case EIO:
        return "chyba čtení z disku";
    case EFBIG:
    case EOVERFLOW:
        return "soubor je příliš velký";
    case ENXIO:
    case ENODEV:
        return "zařízení není dostupné";
    case ESPIPE:
        return "soubor nelze procházet (roura nebo zařízení)";
    case EINTR:
        return "čtení bylo přerušeno";
    case EAGAIN:
        return "soubor je dočasně nedostupný";
    case EINVAL:
        return "neplatný argument";
    default:
        return "systémová chyba č. " + std::to_string(error);
    }
}

// libzip's reason, in Czech: its own texts are English.
std::string zipText(int zipError, int systemError) {
    std::string text;
    switch (zipError) {
    case ZIP_ER_OK:
        return "bez chyby";
    case ZIP_ER_MULTIDISK:
        return "archiv rozdělený na více disků program nečte";
    case ZIP_ER_RENAME:
        text = "dočasný soubor nelze přejmenovat";
        break;
    case ZIP_ER_CLOSE:
        text = "archiv nelze zavřít";
        break;
    case ZIP_ER_SEEK:
        text = "v souboru nelze přejít na místo";
        break;
    case ZIP_ER_READ:
        text = "soubor nelze přečíst";
        break;
    case ZIP_ER_WRITE:
        text = "soubor nelze zapsat";
        break;
    case ZIP_ER_CRC:
        return "archiv je poškozený (nesouhlasí kontrolní součet)";
    case ZIP_ER_ZIPCLOSED:
        return "archiv už je zavřený";
    case ZIP_ER_NOENT:
        return "soubor v archivu není";
    case ZIP_ER_EXISTS: // in an archive that is only read: a name given twice
        return "archiv obsahuje více souborů stejného jména";
    case ZIP_ER_OPEN:
        text = "soubor nelze otevřít";
        break;
    case ZIP_ER_TMPOPEN:
        text = "dočasný soubor nelze vytvořit";
        break;
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return "komprimovaná data jsou poškozená";
    case ZIP_ER_MEMORY:
        return "nedostatek paměti";
    case ZIP_ER_CHANGED:
        return "položka archivu se změnila";
    case ZIP_ER_COMPNOTSUPP:
        return "neznámý způsob komprese";
    case ZIP_ER_EOF:
        return "archiv předčasně končí";
    case ZIP_ER_INVAL:
        return "neplatný argument";
    case ZIP_ER_NOZIP:
        return "není to zip, nebo je neúplný";
    case ZIP_ER_INTERNAL:
        return "vnitřní chyba knihovny libzip";
    case ZIP_ER_INCONS:
        return "archiv je poškozený";
    case ZIP_ER_REMOVE:
        text = "soubor nelze odstranit";
        break;
    case ZIP_ER_DELETED:
        return "položka archivu byla odstraněna";
    case ZIP_ER_ENCRNOTSUPP:
        return "neznámý způsob šifrování";
    case ZIP_ER_RDONLY:
        return "archiv je jen ke čtení";
    case ZIP_ER_NOPASSWD:
        return "soubor je zašifrovaný";
    case ZIP_ER_WRONGPASSWD:
        return "chybné heslo";
    case ZIP_ER_OPNOTSUPP:
        return "nepodporovaná operace";
    case ZIP_ER_INUSE:
        return "archiv se právě používá";
    case ZIP_ER_TELL:
        text = "nelze zjistit místo v souboru";
        break;
    case ZIP_ER_CANCELLED:
        return "operace byla zrušena";
    default:
        return "chyba knihovny libzip č. " + std::to_string(zipError);
    }
    // The codes that stand for a failed call of the system say which.
    return systemError != 0 ? text + ": " + systemText(systemError) : text;
}

std::string zipText(zip_error_t* error) {
    return zipText(zip_error_code_zip(error),
                   zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : 0);
}

class FolderSource : public FeedSource {
public:
    FolderSource(std::filesystem::path folder, FeedLimits limits)
        : FeedSource(limits), folder_(std::move(folder)) {}

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
            fail("Soubor " + name + " nelze otevřít: " + systemText(errno) + ".");
        }
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
        std::vector<char> buffer(kChunkSize);
        std::uint64_t total = 0;
        for (;;) {
            const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
            if (n > 0) {
                countRead(name, total, n);
                onChunk(std::string_view(buffer.data(), n));
            }
            if (n < buffer.size()) {
                if (std::ferror(file)) {
                    fail("Soubor " + name + " nelze přečíst: " + systemText(errno) + ".");
                }
                return;
            }
        }
    }

private:
    std::filesystem::path folder_;
};

// The size of an archive's directory as its end records claim it. libzip reads
// the whole directory when it opens an archive, so an archive that names a
// few million empty files would take gigabytes before a byte of the feed is read.
struct DirectoryClaim {
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;
};

std::uint32_t little(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | p[i];
    }
    return value;
}

std::uint64_t little64(const unsigned char* p) {
    return little(p, 4) | (std::uint64_t{little(p + 4, 4)} << 32);
}

// The largest claim among every end record that a reader could take for the
// archive's (the last 64 KiB of the file, where libzip looks too), with the
// 64-bit record that each one's locator points to.
DirectoryClaim directoryClaim(const std::string& path) {
    DirectoryClaim claim;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file || fseeko(file.get(), 0, SEEK_END) != 0) {
        return claim; // libzip says why
    }
    const off_t size = ftello(file.get());
    constexpr off_t kEndRecord = 22, kLocator = 20, kEnd64Record = 56;
    const off_t tail = std::min<off_t>(size, 0xFFFF + kEndRecord + kLocator);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(tail));
    if (tail < kEndRecord || fseeko(file.get(), size - tail, SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return claim;
    }
    for (off_t at = tail - kEndRecord; at >= 0; --at) {
        const unsigned char* end = bytes.data() + at;
        if (little(end, 4) != 0x06054b50) {
            continue;
        }
        claim.entries = std::max<std::uint64_t>(claim.entries, little(end + 10, 2));
        claim.bytes = std::max<std::uint64_t>(claim.bytes, little(end + 12, 4));
        const unsigned char* locator = end - kLocator;
        if (at < kLocator || little(locator, 4) != 0x07064b50) {
            continue;
        }
        unsigned char end64[kEnd64Record];
        const std::uint64_t offset = little64(locator + 8);
        if (offset <= static_cast<std::uint64_t>(size - kEnd64Record) &&
            fseeko(file.get(), static_cast<off_t>(offset), SEEK_SET) == 0 &&
            std::fread(end64, 1, sizeof end64, file.get()) == sizeof end64 &&
            little(end64, 4) == 0x06064b50) {
            claim.entries = std::max(claim.entries, little64(end64 + 32));
            claim.bytes = std::max(claim.bytes, little64(end64 + 40));
        }
    }
    return claim;
}

// A feed has a dozen files and a directory of a few kilobytes.
constexpr std::uint64_t kMaxZipEntries = 10000;
constexpr std::uint64_t kMaxDirectoryBytes = std::uint64_t{16} << 20;

class ZipSource : public FeedSource {
public:
    ZipSource(const std::string& path, FeedLimits limits) : FeedSource(limits) {
        const DirectoryClaim claim = directoryClaim(path);
        if (claim.entries > kMaxZipEntries || claim.bytes > kMaxDirectoryBytes) {
            fail("Jízdní řád " + path +
                 " nelze otevřít jako zip: archiv má víc než 10 000 souborů nebo je jejich "
                 "seznam delší než " +
                 sizeText(kMaxDirectoryBytes) + ".");
        }
        int error = 0;
        archive_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!archive_) {
            const int system = errno; // zip_open reports the code alone
            zip_error_t details;
            zip_error_init_with_code(&details, error);
            const bool fromSystem = zip_error_system_type(&details) == ZIP_ET_SYS;
            zip_error_fini(&details);
            fail("Jízdní řád " + path +
                 " nelze otevřít jako zip: " + zipText(error, fromSystem ? system : 0) + ".");
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
            fail("Soubor " + name + " v zipu nelze otevřít: " + zipText(zip_get_error(archive_)) +
                 ".");
        }
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(file, zip_fclose);
        std::vector<char> buffer(kChunkSize);
        std::uint64_t total = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
            if (n < 0) {
                fail("Soubor " + name +
                     " v zipu nelze rozbalit: " + zipText(zip_file_get_error(file)) + ".");
            }
            if (n == 0) {
                return;
            }
            countRead(name, total, static_cast<std::size_t>(n));
            onChunk(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        }
    }

private:
    zip_t* archive_ = nullptr;
};

} // namespace

void FeedSource::countRead(const std::string& name, std::uint64_t& total, std::size_t chunk) const {
    total += chunk;
    if (total > limits_.fileBytes) {
        fail("Soubor " + name + " je delší než " + sizeText(limits_.fileBytes) +
             "; tak velký jízdní řád program nečte.");
    }
}

std::unique_ptr<FeedSource> FeedSource::open(const std::string& path, FeedLimits limits) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) {
        return std::make_unique<FolderSource>(path, limits);
    }
    if (!std::filesystem::exists(status)) {
        fail("Jízdní řád " + path + " neexistuje.");
    }
    if (!std::filesystem::is_regular_file(status)) {
        // A pipe or a device would be read without end, or block.
        fail("Jízdní řád " + path + " není soubor ani složka.");
    }
    return std::make_unique<ZipSource>(path, limits);
}

} // namespace kvapomer::gtfs
