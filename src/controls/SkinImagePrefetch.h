#pragma once

// Skin pictures decoded ahead of their first use, on a thread of their own: while the data
// folder is written and the window is built on one processor, the pictures are decoded on the
// other, from the embedded resources the folder's files are written from. A file's picture is
// served only once the folder holds that resource in the file (ConfirmFiles) and while the
// file keeps that size and time of change; anything else is decoded where it is asked for,
// as it always is. A picture nobody has started on yet is decoded by whoever asks for it
// first: the window never waits for a decoder that its processor has not yet run.

#include <QFileInfo>
#include <QImage>
#include <QString>

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CSkinImagePrefetch
{
public:
    // A picture's local file and where that file's bytes come from (a resource path).
    struct Source
    {
        QString file;
        QString origin;
    };

    // Starts decoding the sources' origins, in that order; the files need not exist yet. One
    // prefetch serves the process at a time: the latest made.
    explicit CSkinImagePrefetch(std::vector<Source> sources);
    // Waits for the decoding thread.
    ~CSkinImagePrefetch();

    CSkinImagePrefetch(const CSkinImagePrefetch&) = delete;
    CSkinImagePrefetch& operator=(const CSkinImagePrefetch&) = delete;

    // Every file now holds exactly the bytes of its origin: from here on its picture is served
    // while the file keeps its present size and time of change.
    void ConfirmFiles();

    // The picture for `file` if the serving prefetch has it and the file is confirmed and
    // unchanged, waiting while it is being decoded. Every caller shares the one decoded picture.
    static std::optional<QImage> Find(const QFileInfo& file);
    // Start-up is over: the pictures are dropped (those in use live on in their controls) and
    // later requests decode as usual.
    static void Release();

private:
    enum class Progress
    {
        Waiting,
        Decoding,
        Decoded,
    };

    struct Picture
    {
        Source source;
        Progress progress = Progress::Waiting;
        QImage image;
        qint64 size = -1; // until the file is confirmed
        std::filesystem::file_time_type modified;
    };

    void DecodeAll(const std::vector<Source>& sources);
    // Decodes the picture of `file` unless another thread has started on it; false when the
    // prefetch was released meanwhile. Called with `lock` held, which it gives up while decoding.
    bool Claim(const QString& file, std::unique_lock<std::mutex>& lock);
    std::optional<QImage> Serve(const QFileInfo& file);
    void Drop();

    std::mutex mutex;
    std::condition_variable progress;
    std::map<QString, Picture> pictures;
    bool released = false;
    std::thread decoder;
};
