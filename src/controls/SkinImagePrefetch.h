#pragma once

// Skin pictures decoded ahead of their first use, on a thread of their own: while the window
// is being built on one processor, its pictures are read and decoded on the other. A picture
// is served only while its file is still the one that was decoded (same size and time of
// change); anything else is decoded where it is asked for, as it always is.

#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

class CSkinImagePrefetch
{
public:
    // Starts decoding the files at `localPaths`, in that order. One prefetch serves the process
    // at a time: the latest made.
    explicit CSkinImagePrefetch(QStringList localPaths);
    // Waits for the decoding thread.
    ~CSkinImagePrefetch();

    CSkinImagePrefetch(const CSkinImagePrefetch&) = delete;
    CSkinImagePrefetch& operator=(const CSkinImagePrefetch&) = delete;

    // The picture decoded from `file` if the serving prefetch has it and the file is unchanged,
    // waiting while it is being decoded. Every caller shares the one decoded picture.
    static std::optional<QImage> Find(const QFileInfo& file);
    // Start-up is over: the pictures are dropped (those in use live on in their controls) and
    // later requests decode as usual.
    static void Release();

private:
    struct Picture
    {
        bool decoded = false;
        QImage image;
        qint64 size = -1;
        std::filesystem::file_time_type modified;
    };

    void DecodeAll(const QStringList& localPaths);
    std::optional<QImage> Serve(const QFileInfo& file);
    void Drop();

    std::mutex m_mutex;
    std::condition_variable m_progress;
    std::map<QString, Picture> m_pictures;
    bool m_released = false;
    std::thread m_decoder;
};
