#include "platform/linux/DesktopUrlOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QThread>
#include <QUrl>
#include <QtGlobal>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A URL with a control character would forge extra lines in the record, and no URL that
// the actions build contains one.
bool IsPlainUrl(const std::string& url)
{
    return !url.empty() && std::none_of(url.begin(), url.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

void OpenOnGuiThread(const QUrl& url)
{
    // The desktop's URL handling keeps state of its own and belongs to the thread of the
    // application object; other threads hand the URL over to it.
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication*>(app))
        return;  // no desktop session to show anything in
    if (QThread::currentThread() == app->thread())
        QDesktopServices::openUrl(url);
    else
        QMetaObject::invokeMethod(app, [url] { QDesktopServices::openUrl(url); }, Qt::QueuedConnection);
}

} // namespace

CDesktopUrlOpener::CDesktopUrlOpener()
    : CDesktopUrlOpener(qEnvironmentVariable("TRAVELKIN_URL_RECORDER").toStdString())
{
}

CDesktopUrlOpener::CDesktopUrlOpener(std::string recorderPath) : m_strRecorderPath(std::move(recorderPath)) {}

void CDesktopUrlOpener::OpenUrl(const std::string& url)
{
    if (!IsPlainUrl(url))
        return;
    if (!m_strRecorderPath.empty()) {
        Record(url);
        return;
    }
    const QUrl qurl(QString::fromStdString(url), QUrl::StrictMode);
    if (qurl.isValid())
        OpenOnGuiThread(qurl);
}

void CDesktopUrlOpener::Record(const std::string& url)
{
    // The recorder only ever appends to a regular file given by an absolute path: it never
    // follows a planted link, never truncates, never runs what it names. A path that does not
    // qualify records nothing and opens nothing, since whoever set it did not want a browser.
    if (m_strRecorderPath.front() != '/')
        return;
    const std::string line = url + '\n';
    const std::lock_guard lock(m_recordLock);
    const int fd = open(m_strRecorderPath.c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return;
    struct stat info{};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const ssize_t written = write(fd, line.data(), line.size());
        static_cast<void>(written);  // nothing is reported about opening a URL
    }
    close(fd);
}
