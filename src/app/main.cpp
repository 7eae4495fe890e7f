// Travelkin: finds the maker's network storage devices on the local network. The program
// takes no command line of its own; Qt's options are honoured.

#include "app/VesquorApp.h"
#include "platform/ProcessTuning.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // First, so a request to end the program at any point of the start is honoured.
    CTerminationSignals::InstallHandlers();
    KeepLargeBuffersOutOfHeap();
    CFontConfigurationPreload fonts;
    QApplication application(argc, argv);
    CTerminationSignals terminationSignals;
    fonts.Wait();
    CVesquorApp travelkin(CVesquorApp::Environment::ProcessWide());
    return travelkin.Run();
}
