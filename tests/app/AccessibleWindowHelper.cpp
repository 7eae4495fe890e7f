// The main window for an assistive-technology client to read (tests/app/accessibility.sh): a
// search that ended with an empty list (the "Why?" link), then one device listed and chosen,
// with the keyboard on the list. With the argument "empty" the list stays empty, with "rows" the
// device answers during the search (the README's pictures). Runs until it is ended.

#include "app/SearchWindowSupport.h"
#include "controls/StandardListCtrl.h"

#include <QApplication>
#include <QTimer>

#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    FakeSearchService search;
    RecordingDesktop desktop;
    PreparedDataRoot root;
    if (!root.prepared)
        return 1;
    CVesquorDlg window({search.service, desktop.services, root.Path(), 1});
    window.show();
    const bool empty = argc > 1 && std::strcmp(argv[1], "empty") == 0;
    if (argc > 1 && std::strcmp(argv[1], "rows") == 0)
        search.Report("192.0.2.10", "disk0", "Cube");
    QTimer::singleShot(200, &window, [&] {
        for (int tick = 0; tick < CVesquorDlg::kSearchSeconds; ++tick)
            window.OnWaitTimer();
        if (empty)
            return;
        search.Report("192.0.2.10", "disk0", "Cube");
        window.FillDeviceList();
        auto* list = qobject_cast<CStandardListCtrl*>(window.FindListCtrl(IDC_DEVICE_LIST));
        list->setCurrentItem(list->topLevelItem(0));
        window.SetCtrlStatus(CtrlStatus::RowSelected);
        window.activateWindow();
        list->setFocus(); // the client opens the row's menu with the Menu key
    });
    return app.exec();
}
