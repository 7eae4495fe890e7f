// Travelkin: finds the maker's network storage devices on the local network. The program
// takes no command line of its own; Qt's options are honoured.

#include "app/TerminationSignals.h"
#include "app/VesquorApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    CTerminationSignals terminationSignals;
    CVesquorApp travelkin(CVesquorApp::Environment::ProcessWide());
    return travelkin.Run();
}
