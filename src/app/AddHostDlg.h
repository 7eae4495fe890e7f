#pragma once

// Adds a device's address to the hosts file, for a device that broadcast and multicast do not
// reach (behind a router, over a VPN), and removes addresses again. An address or a host name
// is checked as the command line's --host is (unicast, resolvable); a name's address is what
// the file keeps. The look-up and every read and edit of the file run on the window's
// CAddHostWorker, so neither a name server nor a share that hangs holds up the window.

#include "app/AddHostWorker.h"
#include "app/DirectHostsFile.h"

#include <QDialog>

#include <boost/asio/ip/address_v4.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CWindowTexts;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class CAddHostDlg : public QDialog
{
    Q_OBJECT

public:
    // The address of a dotted IPv4 text or of a host name (empty with a reason in error), as
    // ResolveHost gives it; tests stand in for the system's resolver.
    using Resolve = std::function<std::optional<boost::asio::ip::address_v4>(const std::string& text,
                                                                             std::string& error)>;

    // The list is read at once, on the worker: it shows when the read returns.
    CAddHostDlg(QWidget* parent, const CWindowTexts& texts, std::wstring dataRoot, CAddHostWorker& worker,
                Resolve resolve = {});
    // Returns at once: what the worker still does for the dialog reaches nobody, and a look-up
    // under way changes nothing when it ends.
    ~CAddHostDlg() override;

    // Checks the text and, when it names a unicast address, adds it (a name once looked up).
    void AddTyped();
    void RemoveSelected();
    // Whether a read, an edit or a look-up is under way (Add and Remove wait for it).
    bool IsBusy() const { return busy; }
    QString Problem() const;
    QStringList Listed() const;
    QLineEdit& Entry() { return *pEntry; }

signals:
    // The hosts file changed; a search should go out with it.
    void hostsChanged();

private:
    enum class Step
    {
        Read,
        Add,
        Remove
    };
    // What a step on the worker came to, handed back to the dialog on its thread.
    struct Outcome
    {
        Step step = Step::Read;
        HostsFileEdit edit = HostsFileEdit::Done;
        std::string error;
        std::optional<std::vector<boost::asio::ip::address_v4>> listed; // read after the step
    };
    // What the dialog shares with its steps on the worker: the way back to it, while it lasts.
    struct Link;
    using Work = std::function<void(Outcome&, CAddHostWorker::FileSteps&)>;

    void Begin(Step step, Work work);
    void OnDone(const Outcome& outcome);
    QString Reason(const Outcome& outcome) const;
    void ShowListed(const std::vector<boost::asio::ip::address_v4>& listed);
    void SetBusy(bool working);

    const CWindowTexts& texts;
    const std::wstring dataRoot;
    CAddHostWorker& worker;
    const Resolve resolve;
    // How long each access to the file waits first (TRAVELKIN_HOSTS_FILE_DELAY_MS).
    const std::chrono::milliseconds fileDelay;
    const std::shared_ptr<Link> link;
    bool busy = false;
    QLineEdit* pEntry = nullptr;
    QPushButton* pAdd = nullptr;
    QPushButton* pRemove = nullptr;
    QListWidget* pListed = nullptr;
    QLabel* pProblem = nullptr;
};
