#include "platform/linux/DesktopUrlOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QThread>
#include <QUrl>
#include <QtGlobal>

namespace {

void OpenOnGuiThread(const QUrl& url)
{
    // The desktop's URL handling keeps state of its own and belongs to the thread of the
    // application object; other threads hand the URL over to it.
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication*>(app))
        return; // no desktop session to show anything in
    if (QThread::currentThread() == app->thread())
        QDesktopServices::openUrl(url);
    else
        QMetaObject::invokeMethod(
            app, [url] { QDesktopServices::openUrl(url); }, Qt::QueuedConnection);
}

} // namespace

CDesktopUrlOpener::CDesktopUrlOpener()
    : CDesktopUrlOpener(qEnvironmentVariable("TRAVELKIN_URL_RECORDER").toStdString())
{
}

CDesktopUrlOpener::CDesktopUrlOpener(std::string recorderPath) : recorder(std::move(recorderPath)) {}

void CDesktopUrlOpener::OpenUrl(const std::string& url)
{
    if (!IsPlainUrl(url))
        return;
    if (recorder.IsOn()) {
        recorder.Record(url);
        return;
    }
    const QUrl qurl(QString::fromStdString(url), QUrl::StrictMode);
    if (qurl.isValid())
        OpenOnGuiThread(qurl);
}
