#include "app/VesquorApp.h"

#include "app/DataFolder.h"
#include "app/InstanceName.h"
#include "app/LanguageIndex.h"
#include "controls/SkinImagePrefetch.h"
#include "discovery/SearchDeviceService.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include "TravelkinResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QMessageBox>

#include <string>
#include <utility>

namespace {

void ShowFailureBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kInstanceName), text, QMessageBox::Ok);
    box.exec();
}

std::vector<CSkinImagePrefetch::Source> PrefetchSources(const CDataFolder& folder)
{
    std::vector<CSkinImagePrefetch::Source> sources;
    for (const SkinImageFile& image : folder.SkinImageFiles())
        sources.push_back({image.local, image.resource});
    return sources;
}

} // namespace

CVesquorApp::Environment CVesquorApp::Environment::ProcessWide()
{
    return {CSearchDeviceService::Instance(), &SearchWindowServices::ProcessWide, &ShowFailureBox,
            [](CVesquorDlg& window) {
                // A request to end that came while the program started has no window to
                // close yet; one that comes from here on closes the window from its loop.
                if (!CTerminationSignals::Requested())
                    window.exec();
            }};
}

CVesquorApp::CVesquorApp(Environment environment) : env(std::move(environment)) {}

CVesquorApp::~CVesquorApp() = default;

bool CVesquorApp::InitInstance()
{
    InitTravelkinResources();
    pInstance = std::make_unique<CSingleInstance>(QString::fromLatin1(kInstanceName));
    // A later start has brought the running window forward (or found nobody listening yet)
    // and ends without a word; so does a start that cannot take the lock at all.
    if (pInstance->Acquire() != CSingleInstance::Claim::First)
        return false;

    const CDataFolder dataFolder = CDataFolder::ForThisSession();
    // Decoded on the other processor while this one writes the data folder and builds the
    // window.
    CSkinImagePrefetch pictures(PrefetchSources(dataFolder));
    std::string failure;
    if (!dataFolder.PrepareDataFolder(failure)) {
        // The sentence the user knows, and below it which folder or file and why, so the
        // user (or whoever helps) can tell a full disk from a file in the way.
        env.showFailure(PrepareFailureMessage(GetLanguageIndex()) + QLatin1Char('\n') +
                        QDir::toNativeSeparators(QString::fromStdString(failure)));
        return false;
    }
    pictures.ConfirmFiles();

    CVesquorDlg window(env.windowServices());
    QObject::connect(pInstance.get(), &CSingleInstance::activateRequested, &window,
                     &CVesquorDlg::OnActivateInstance);
    env.runWindow(window);
    // The window is closed: a new start may take over at once, while this one still waits
    // for its storage worker and its hosts file reader to end. The search's sockets are
    // closed first (within the service's exit wait): a new start that found the search's
    // ports still held would search without them.
    ExitSearch();
    pInstance.reset();
    return false;
}

void CVesquorApp::ExitSearch()
{
    if (std::exchange(searchExited, true))
        return;
    env.search.ExitSearchService();
}

int CVesquorApp::ExitInstance()
{
    ExitSearch();
    // The window's storage worker went with the window, its thread joined. What it handed to
    // this thread is opened now: no event loop runs any more to do it later.
    if (QCoreApplication* application = QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(application, QEvent::MetaCall);
    pInstance.reset();
    return 0;
}

int CVesquorApp::Run()
{
    InitInstance();
    return ExitInstance();
}
