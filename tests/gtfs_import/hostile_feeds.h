#pragma once
// Feeds made to hurt the import, generated when a test runs: a file far
// larger than the archive (its bytes made as libzip compresses them, never
// held whole), an archive with damaged data, two files of one name, or more
// files than a feed has.

#include "feed_fixture.h"

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kvapomer::test {

// The bytes of a generated file: `head`, `count` times `fill`, `tail`.
struct GeneratedFile {
    QString name;
    QByteArray head;
    std::uint64_t count = 0;
    char fill = 'x';
    QByteArray tail;
};

namespace detail {
struct Generator {
    GeneratedFile file;
    std::uint64_t position = 0;
    zip_error_t error{};

    std::uint64_t size() const {
        return static_cast<std::uint64_t>(file.head.size()) + file.count +
               static_cast<std::uint64_t>(file.tail.size());
    }

    std::uint64_t read(char* out, std::uint64_t wanted) {
        const auto head = static_cast<std::uint64_t>(file.head.size());
        std::uint64_t done = 0;
        while (done < wanted && position < size()) {
            std::uint64_t n = 0;
            if (position < head) {
                n = std::min(wanted - done, head - position);
                std::memcpy(out + done, file.head.constData() + position, n);
            } else if (position < head + file.count) {
                n = std::min(wanted - done, head + file.count - position);
                std::memset(out + done, file.fill, n);
            } else {
                const std::uint64_t at = position - head - file.count;
                n = std::min(wanted - done, size() - position);
                std::memcpy(out + done, file.tail.constData() + at, n);
            }
            done += n;
            position += n;
        }
        return done;
    }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length,
                                zip_source_cmd_t command) {
        auto* g = static_cast<Generator*>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN:
            g->position = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return static_cast<zip_int64_t>(g->read(static_cast<char*>(data), length));
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = g->size();
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&g->error, data, length);
        case ZIP_SOURCE_FREE:
            delete g;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&g->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};
} // namespace detail

// The city feed as a zip with `generated` in place of its file of that name
// and `emptyFiles` more empty files beside it.
inline QString hostileZip(const TempFolder& folder, const QString& name,
                          const GeneratedFile& generated, int emptyFiles = 0) {
    const QString path = folder.file(name);
    QMap<QString, QByteArray> files = feedFiles();
    files.remove(generated.name);
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    addToZip(archive, files);
    if (!generated.name.isEmpty()) {
        auto* g = new detail::Generator{generated};
        zip_source_t* data = zip_source_function(archive, detail::Generator::callback, g);
        const zip_int64_t index =
            zip_file_add(archive, generated.name.toUtf8().constData(), data, 0);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
    for (int i = 0; i < emptyFiles; ++i) {
        zip_file_add(archive, QByteArray::number(i).constData(),
                     zip_source_buffer(archive, nullptr, 0, 0), 0);
    }
    zip_close(archive);
    return path;
}

// The city feed as a zip whose compressed stops.txt has a run of bytes
// overwritten (the archive's directory stays sound).
inline QString damagedZip(const TempFolder& folder, const QString& name) {
    feedZip(folder, name);
    QByteArray bytes = folder.read(name);
    const qsizetype at = bytes.indexOf("stops.txt") - 30; // the name follows a 30-byte header
    const auto u16 = [&](qsizetype i) {
        return static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
    };
    const qsizetype data = at + 30 + u16(at + 26) + u16(at + 28);
    for (qsizetype i = data + 8; i < data + 40; ++i) {
        bytes[i] = '\xFF';
    }
    folder.write(name, bytes);
    return folder.file(name);
}

// The city feed as a zip in which trips.txt is renamed stops.txt: two files
// of one name.
inline QString zipWithTwins(const TempFolder& folder, const QString& name) {
    feedZip(folder, name);
    folder.write(name, folder.read(name).replace("trips.txt", "stops.txt"));
    return folder.file(name);
}

} // namespace kvapomer::test
