// The window's device list: its columns, its rows from the search service's registry, the
// chosen row and the diagnostic copy of the list.

#include "app/VesquorDlg.h"

#include "app/DeviceDetails.h"
#include "app/DeviceText.h"
#include "controls/ControlId.h"
#include "controls/StandardListCtrl.h"
#include "discovery/SearchDeviceService.h"
#include "layout/LayoutValueParser.h"

#include <cstring>
#include <set>

namespace {

const std::wstring kListItemName = L"SEARCH_DEVICE_LIST_ITEM_NAME";
const std::wstring kListItemIp = L"SEARCH_DEVICE_LIST_ITEM_IP";
const std::wstring kListItemType = L"SEARCH_DEVICE_LIST_ITEM_TYPE";
const std::wstring kHeaderFontName = L"SEARCH_DEVICE_LIST_HEADER_FONT_NAME";
const std::wstring kHeaderFontSize = L"SEARCH_DEVICE_LIST_HEADER_FONT_SIZE";
const std::wstring kHeaderFontColor = L"SEARCH_DEVICE_LIST_HEADER_FONT_COLOR";

// The device list's columns: heading key, cell alignment and width in pixels.
struct DeviceColumn
{
    const std::wstring* heading;
    Qt::Alignment alignment;
    int width;
};
const DeviceColumn kDeviceColumns[] = {
    {&kListItemName, Qt::AlignLeft, 96},
    {&kListItemIp, Qt::AlignHCenter, 122},
    {&kListItemType, Qt::AlignHCenter, 93},
};
constexpr int kIpColumn = 1;

constexpr std::uint32_t kDeviceListStyle = ListGridLines | ListSubitemImages | ListFullRowSelect;
constexpr float kHeaderHeightScale = 0.9f;

template <std::size_t N> QString FieldText(const char (&field)[N])
{
    return DeviceText(field, strnlen(field, N));
}

QStringList RowOf(const DeviceRecord& device)
{
    return {FieldText(device.host), FieldText(device.ip), FieldText(device.product)};
}

} // namespace

void CVesquorDlg::InitDeviceList()
{
    if (!IsLayoutReady())
        return;
    CStandardListCtrl& list = *pDeviceList;
    list.SetExtendedStyle(list.GetExtendedStyle() | kDeviceListStyle);
    list.Header().SetStateImage(std::wstring_view(PicturePath(L"\\headerbackground.png")), 1, 0, 0);
    list.SetSeparatorImage(std::wstring_view(PicturePath(L"\\headerclip.png")));
    list.SetHeaderFont(std::wstring_view(GetStringInfo(kHeaderFontName)),
                       ParseInteger(GetStringInfo(kHeaderFontSize)));
    list.SetHeaderTextColor(std::wstring_view(GetStringInfo(kHeaderFontColor)));
    list.Header().SetHeightScale(kHeaderHeightScale);
    int column = 0;
    for (const DeviceColumn& device : kDeviceColumns) {
        list.InsertColumn(column, QString::fromStdWString(GetStringInfo(*device.heading)), device.alignment,
                          device.width);
        ++column;
    }
}

void CVesquorDlg::InsertDevice(const DeviceRecord& device)
{
    pDeviceList->InsertItem(0, RowOf(device));
}

void CVesquorDlg::FillDeviceList()
{
    if (!IsLayoutReady())
        return;
    pDeviceList->DeleteAllItems();
    const std::vector<DeviceRecord> devices = services.search.CopyDevices();
    RememberDevices(devices);
    for (const DeviceRecord& device : devices)
        InsertDevice(device);
    DumpList();
}

void CVesquorDlg::UpdateDeviceList()
{
    if (!IsLayoutReady())
        return;
    const int listed = pDeviceList->GetItemCount();
    if (listed == 0) {
        FillDeviceList();
        return;
    }
    // Every address listed so far, wherever its row now sits, plus those this pass adds:
    // a device is never listed twice.
    std::set<QString> addresses;
    for (int row = 0; row < listed; ++row)
        addresses.insert(pDeviceList->GetItemText(row, kIpColumn));
    bool changed = false;
    const std::vector<DeviceRecord> devices = services.search.CopyDevices();
    RememberDevices(devices);
    for (const DeviceRecord& device : devices) {
        if (!addresses.insert(FieldText(device.ip)).second)
            continue;
        InsertDevice(device);
        changed = true;
    }
    if (changed)
        DumpList();
}

void CVesquorDlg::RememberDevices(const std::vector<DeviceRecord>& devices)
{
    for (const DeviceRecord& device : devices)
        recordByAddress[FieldText(device.ip)] = device;
}

QString CVesquorDlg::DetailsOf(int row) const
{
    if (!pDeviceList || row < 0 || row >= pDeviceList->GetItemCount())
        return {};
    const QString address = pDeviceList->GetItemText(row, kIpColumn);
    const auto found = recordByAddress.find(address);
    if (found == recordByAddress.end())
        return {};
    return DeviceDetails(found->second, {texts, directHosts.contains(address.toStdString()),
                                         std::chrono::steady_clock::now()});
}

int CVesquorDlg::GetSelectedItem()
{
    if (!IsLayoutReady())
        return -1;
    return pDeviceList->GetFirstSelectedItem();
}

std::optional<std::string> CVesquorDlg::SelectedIp()
{
    const int row = GetSelectedItem();
    if (row == -1)
        return std::nullopt;
    return pDeviceList->GetItemText(row, kIpColumn).toStdString();
}

void CVesquorDlg::DumpList() const
{
    if (!listDump.IsOn() || !pDeviceList)
        return;
    std::vector<QStringList> rows;
    for (int row = 0; row < pDeviceList->GetItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 3; ++column)
            cells << pDeviceList->GetItemText(row, column);
        rows.push_back(cells);
    }
    listDump.Write(rows);
}
