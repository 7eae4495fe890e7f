#pragma once

// Adds a device's address to the hosts file, for a device that broadcast and multicast do not
// reach (behind a router, over a VPN), and removes addresses again. An address or a host name
// is checked as the command line's --host is (unicast, resolvable); a name is looked up off
// the window's thread and its address is what the file keeps.

#include <QDialog>

#include <boost/asio/ip/address_v4.hpp>

#include <optional>
#include <string>
#include <thread>

class CWindowTexts;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class CAddHostDlg : public QDialog
{
    Q_OBJECT

public:
    CAddHostDlg(QWidget* parent, const CWindowTexts& texts, std::wstring dataRoot);
    ~CAddHostDlg() override;

    // Checks the text and, when it names a unicast address, adds it (a name once looked up).
    void AddTyped();
    void RemoveSelected();
    QString Problem() const;
    QStringList Listed() const;
    QLineEdit& Entry() { return *pEntry; }

signals:
    // The hosts file changed; a search should go out with it.
    void hostsChanged();

private:
    void OnLookedUp(std::optional<boost::asio::ip::address_v4> address, const QString& error);
    void ShowListed();

    const CWindowTexts& texts;
    const std::wstring dataRoot;
    QLineEdit* pEntry = nullptr;
    QPushButton* pAdd = nullptr;
    QPushButton* pRemove = nullptr;
    QListWidget* pListed = nullptr;
    QLabel* pProblem = nullptr;
    std::jthread lookup; // last: a lookup under way ends before the dialog's parts go
};
