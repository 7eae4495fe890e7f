// The window's help around its list: the menu of a row or of the empty space, the keys that
// copy and refresh, a row's details, and what an empty list offers (the "Why?" link, its
// dialog, the dialog that adds a device by address).

#include "app/VesquorDlg.h"

#include "app/AddHostDlg.h"
#include "app/NothingFoundDlg.h"
#include "controls/BasicButton.h"
#include "controls/StandardListCtrl.h"
#include "discovery/SearchDeviceService.h"
#include "discovery/SearchFindings.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>
#include <QToolTip>
#include <QTreeWidgetItem>

namespace {

// The link sits in the middle of the empty list, in the list's own text colour.
const QString kWhyLinkStyle = QStringLiteral(
    "QPushButton { border: none; background: transparent; color: rgb(6,65,105); text-decoration: underline; }"
    "QPushButton:focus { border: 1px dotted rgb(6,65,105); }");

} // namespace

void CVesquorDlg::CreateHelpControls()
{
    if (!IsLayoutReady() || helpShortcutsMade)
        return;
    helpShortcutsMade = true;
    // Window-wide, so they work wherever the keyboard is in the window.
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    connect(copy, &QShortcut::activated, this, &CVesquorDlg::OnCopyAddress);
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, &CVesquorDlg::OnRefreshKey);
}

// The link is made when an empty list first needs it, not with the window: its style sheet
// and the size of its text took more of the start than any other control, for a link that
// most starts never show.
QPushButton& CVesquorDlg::MakeWhyLink()
{
    if (pWhyLink)
        return *pWhyLink;
    pWhyLink = new QPushButton(texts.Text("WHY"), this);
    pWhyLink->setAccessibleName(texts.Text("WHY"));
    pWhyLink->setStyleSheet(kWhyLinkStyle);
    pWhyLink->setCursor(Qt::PointingHandCursor);
    pWhyLink->setFocusPolicy(Qt::StrongFocus);
    pWhyLink->adjustSize();
    const QRect list = pDeviceList->geometry();
    pWhyLink->move(list.center() - QPoint(pWhyLink->width() / 2, pWhyLink->height() / 2));
    connect(pWhyLink, &QPushButton::clicked, this, &CVesquorDlg::OnWhy);
    SetKeyboardOrder();
    return *pWhyLink;
}

void CVesquorDlg::OnRefreshKey()
{
    if (pRefreshButton && pRefreshButton->isEnabled())
        OnRefresh();
}

void CVesquorDlg::ShowNothingFound(bool shown)
{
    if (!helpShortcutsMade)
        return; // the layout was not ready: no help either
    if (shown) {
        QPushButton& link = MakeWhyLink();
        SetWaitText(texts.Text("NO_DEVICE"));
        if (pWaitText)
            pWaitText->setVisible(true);
        link.show();
        link.raise();
        return;
    }
    if (pWhyLink)
        pWhyLink->hide();
    if (pWhyDlg)
        pWhyDlg->close();
}

void CVesquorDlg::ShowContextMenu(QPoint globalPos, int row)
{
    if (!IsLayoutReady())
        return;
    QMenu menu(this);
    menu.setAccessibleName(pDeviceList->accessibleName());
    const auto add = [&menu](const QString& text, bool enabled, auto slot) {
        QAction* action = menu.addAction(text, slot);
        action->setEnabled(enabled);
    };
    if (row >= 0) {
        add(texts.Text("LOG_IN"), pLogInButton->isEnabled(), [this] { OnLogIn(); });
        add(texts.Text("MY_STORAGE"), pMyStorageButton->isEnabled(), [this] { OnMyStorage(); });
        add(texts.Text("COPY_ADDRESS"), true, [this] { OnCopyAddress(); });
        add(texts.Text("COPY_DETAILS"), true, [this] { OnCopyDetails(); });
    } else {
        add(texts.Text("REFRESH"), pRefreshButton->isEnabled(), [this] { OnRefresh(); });
    }
    menu.addSeparator();
    add(texts.Text("ADD_HOST"), true, [this] { OnAddHost(); });
    menu.exec(globalPos);
}

void CVesquorDlg::OnCopyAddress()
{
    const std::optional<std::string> ip = SelectedIp();
    if (ip)
        QGuiApplication::clipboard()->setText(QString::fromStdString(*ip));
}

void CVesquorDlg::OnCopyDetails()
{
    const QString details = DetailsOf(GetSelectedItem());
    if (!details.isEmpty())
        QGuiApplication::clipboard()->setText(details);
}

void CVesquorDlg::OnWhy()
{
    if (!pWhyDlg) {
        pWhyDlg = new CNothingFoundDlg(this, texts);
        pWhyDlg->setAttribute(Qt::WA_DeleteOnClose);
        connect(pWhyDlg, &CNothingFoundDlg::addHostAsked, this, &CVesquorDlg::OnAddHost);
    }
    const bool windowsFirewall = services.desktop.shareStyle == ShareStyle::Unc;
    const std::vector<SearchFinding> findings =
        WithPortHolders(DiagnoseSearch(services.search.CopyWorkers()));
    pWhyDlg->ShowFindings(FindingsText(findings, texts, windowsFirewall));
    pWhyDlg->show(); // not modal: the window goes on
    pWhyDlg->raise();
    pWhyDlg->activateWindow();
}

void CVesquorDlg::OnAddHost()
{
    if (!pAddHostDlg) {
        pAddHostDlg = new CAddHostDlg(this, texts, services.dataRoot, addHostWorker);
        pAddHostDlg->setAttribute(Qt::WA_DeleteOnClose);
        connect(pAddHostDlg, &CAddHostDlg::hostsChanged, this, [this] {
            // The new address is searched at once: during a search, the read hands it to the
            // service, which queries the addresses it had not yet (SetDirectHosts).
            if (IsSearching())
                hostsReader.Read();
            else
                OnRefresh();
        });
    }
    pAddHostDlg->show();
    pAddHostDlg->raise();
    pAddHostDlg->activateWindow();
}

void CVesquorDlg::ShowContextMenuAtSelection()
{
    if (!IsLayoutReady())
        return;
    const int row = GetSelectedItem();
    const QRect at = row >= 0 ? pDeviceList->visualItemRect(pDeviceList->topLevelItem(row)) : QRect();
    const QPoint local = row >= 0 ? at.bottomLeft() : QPoint(0, 0);
    ShowContextMenu(pDeviceList->viewport()->mapToGlobal(local), row);
}

void CVesquorDlg::OnListContextMenu(const QContextMenuEvent& event)
{
    if (event.reason() != QContextMenuEvent::Mouse) {
        ShowContextMenuAtSelection();
        return;
    }
    // A right click chooses the row under it, as a left click does, or no row below them.
    QTreeWidgetItem* item = pDeviceList->itemAt(event.pos());
    pDeviceList->setCurrentItem(item);
    if (!item)
        pDeviceList->clearSelection();
    SetCtrlStatus(GetSelectedItem() != -1 ? CtrlStatus::RowSelected : CtrlStatus::NoRowSelected);
    ShowContextMenu(event.globalPos(), GetSelectedItem());
}

void CVesquorDlg::ShowRowDetails(const QHelpEvent& event)
{
    QTreeWidgetItem* item = pDeviceList->itemAt(event.pos());
    const QString details = item ? DetailsOf(pDeviceList->indexOfTopLevelItem(item)) : QString();
    if (details.isEmpty())
        QToolTip::hideText();
    else
        // A tooltip takes text that looks like markup for markup: a device's name of
        // "<img src=…>" would have it load a file. Escaped, the name shows as it came.
        QToolTip::showText(event.globalPos(), Qt::convertFromPlainText(details, Qt::WhiteSpacePre),
                           pDeviceList->viewport());
}
