// Travelkin: finds the maker's network storage devices on the local network. The program
// takes no command line of its own; Qt's options are honoured.

#include "app/VesquorApp.h"
#include "platform/ProcessTuning.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    KeepLargeBuffersOutOfHeap();
    CFontConfigurationPreload fonts;
    QApplication application(argc, argv);
    fonts.Wait();
    CTerminationSignals terminationSignals;
    CVesquorApp travelkin(CVesquorApp::Environment::ProcessWide());
    return travelkin.Run();
}
