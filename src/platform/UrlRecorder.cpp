#include "platform/UrlRecorder.h"

#include "os/LocalFile.h"

#include <algorithm>

bool IsPlainUrl(std::string_view url)
{
    return !url.empty() && std::none_of(url.begin(), url.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

CUrlRecorder::CUrlRecorder(std::string path) : strPath(std::move(path)) {}

void CUrlRecorder::Record(std::string_view url)
{
    if (!IsAbsoluteLocalPath(strPath) || !IsPlainUrl(url))
        return;
    const std::string line = std::string(url) + '\n';
    const std::lock_guard lock(fileLock);
    AppendToRegularFile(strPath, line); // nothing is reported about opening a URL
}
