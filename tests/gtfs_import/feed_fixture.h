#pragma once
// A hand-made feed of tests/data/gtfs (city by default), copied into a
// temporary folder with chosen files changed or left out, as a folder or as a
// zip.

#include "gtfs_import/feed/feed_error.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>

#include <zip.h>

#include <functional>
#include <vector>

namespace kvapomer::test {

// The problem `call` throws; a failure when it throws none.
inline gtfs::Problem problemOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const gtfs::FeedError& e) {
        return e.problem();
    }
    ADD_FAILURE() << "no error";
    return gtfs::Problem::BadFeed;
}

// File name -> new contents; an empty value leaves the file out.
using FeedEdits = QMap<QString, QByteArray>;

inline QMap<QString, QByteArray> feedFiles(const FeedEdits& edits = {},
                                           const QString& feed = QStringLiteral("city")) {
    QMap<QString, QByteArray> files;
    const QDir source(QStringLiteral(KVAPOMER_GTFS_DATA "/") + feed);
    for (const QString& name : source.entryList(QDir::Files)) {
        QFile f(source.filePath(name));
        f.open(QIODevice::ReadOnly);
        files[name] = f.readAll();
    }
    for (auto it = edits.begin(); it != edits.end(); ++it) {
        if (it.value().isEmpty()) {
            files.remove(it.key());
        } else {
            files[it.key()] = it.value();
        }
    }
    return files;
}

// stop_times.txt of the city feed with a pickup_type column: `pickup` at the
// call of `trip` at `stop`, empty everywhere else.
inline QByteArray withPickup(const QString& trip, const QString& stop, const QByteArray& pickup) {
    const QList<QByteArray> rows = feedFiles()["stop_times.txt"].split('\n');
    QByteArray result;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QByteArray row = rows[i].trimmed();
        if (row.isEmpty()) {
            continue;
        }
        const QList<QByteArray> fields = row.split(',');
        const bool chosen =
            fields.size() > 3 && fields[0] == trip.toUtf8() && fields[3] == stop.toUtf8();
        result += row + (i == 0 ? QByteArray(",pickup_type") : "," + (chosen ? pickup : "")) + '\n';
    }
    return result;
}

// The feed unpacked into `folder`/`name`; returns its path.
inline QString feedFolder(const TempFolder& folder, const QString& name,
                          const FeedEdits& edits = {},
                          const QString& feed = QStringLiteral("city")) {
    QDir(folder.path()).mkdir(name);
    const QMap<QString, QByteArray> files = feedFiles(edits, feed);
    for (auto it = files.begin(); it != files.end(); ++it) {
        folder.write(name + u'/' + it.key(), it.value());
    }
    return folder.file(name);
}

// Adds `files` to `archive`; their bytes must live until it is closed.
inline void addToZip(zip_t* archive, const QMap<QString, QByteArray>& files) {
    for (auto it = files.begin(); it != files.end(); ++it) {
        zip_source_t* data = zip_source_buffer(archive, it.value().constData(),
                                               static_cast<zip_uint64_t>(it.value().size()), 0);
        zip_file_add(archive, it.key().toUtf8().constData(), data, ZIP_FL_OVERWRITE);
    }
}

// The feed as a zip archive `folder`/`name`; returns its path.
inline QString feedZip(const TempFolder& folder, const QString& name, const FeedEdits& edits = {}) {
    const QString path = folder.file(name);
    const QMap<QString, QByteArray> files = feedFiles(edits);
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    addToZip(archive, files);
    zip_close(archive); // the buffers above live until here
    return path;
}

} // namespace kvapomer::test
