#include "app/AddHostDlg.h"

#include "app/DirectHostsFile.h"
#include "app/HelpDialogStyle.h"
#include "app/WindowTexts.h"
#include "discovery/DirectHosts.h"
#include "discovery/DottedIPv4.h"
#include "os/LocalAddresses.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// The local networks, whose broadcast addresses are refused like any other that is not a
// device's; none when they cannot be listed (an address is then only checked on its own).
std::vector<LocalNetwork> LocalNetworks()
{
    boost::system::error_code ignored;
    return ListLocalIPv4Networks(ignored);
}

// A test's stand-in for a home folder on a share that hangs: whole milliseconds up to a
// minute; anything else means none.
std::chrono::milliseconds FileDelay()
{
    const QString text = qEnvironmentVariable("TRAVELKIN_HOSTS_FILE_DELAY_MS");
    bool number = false;
    const uint milliseconds = text.toUInt(&number);
    const bool digitsOnly = std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    return std::chrono::milliseconds(number && digitsOnly && milliseconds <= 60000 ? milliseconds : 0);
}

} // namespace

struct CAddHostDlg::Link
{
    std::mutex lock;
    CAddHostDlg* dialog; // guarded by lock; null once the dialog has gone

    explicit Link(CAddHostDlg* owner) : dialog(owner) {}
    bool Open()
    {
        std::lock_guard hold(lock);
        return dialog != nullptr;
    }
    // Queued to the dialog's thread; a dialog deleted before it runs takes the call with it.
    void Deliver(Outcome outcome)
    {
        std::lock_guard hold(lock);
        if (dialog)
            QMetaObject::invokeMethod(
                dialog, [to = dialog, outcome = std::move(outcome)] { to->OnDone(outcome); },
                Qt::QueuedConnection);
    }
};

CAddHostDlg::CAddHostDlg(QWidget* parent, const CWindowTexts& windowTexts, std::wstring root,
                         CAddHostWorker& addHostWorker, Resolve resolveHost)
    : QDialog(parent), texts(windowTexts), dataRoot(std::move(root)), worker(addHostWorker),
      resolve(resolveHost ? std::move(resolveHost) : Resolve([](const std::string& text, std::string& error) {
          return ResolveHost(text, error, LocalNetworks());
      })),
      fileDelay(FileDelay()), link(std::make_shared<Link>(this))
{
    setWindowTitle(texts.Text("ADD_HOST"));
    setAccessibleName(texts.Text("ADD_HOST"));
    ApplyHelpDialogStyle(*this);
    auto* prompt = new QLabel(texts.Text("ADD_PROMPT"), this);
    pEntry = new QLineEdit(this);
    pEntry->setAccessibleName(texts.Text("ADD_PROMPT"));
    pEntry->setMaxLength(253); // the longest host name
    prompt->setBuddy(pEntry);
    pAdd = new QPushButton(texts.Text("ADD"), this);
    pAdd->setAccessibleName(texts.Text("ADD"));
    pAdd->setDefault(true);
    pProblem = new QLabel(this);
    pProblem->setWordWrap(true);
    pProblem->setTextFormat(Qt::PlainText);
    auto* listedLabel = new QLabel(texts.Text("DIRECT_LIST"), this);
    pListed = new QListWidget(this);
    pListed->setAccessibleName(texts.Text("DIRECT_LIST"));
    listedLabel->setBuddy(pListed);
    pRemove = new QPushButton(texts.Text("REMOVE"), this);
    pRemove->setAccessibleName(texts.Text("REMOVE"));
    auto* close = new QPushButton(texts.Text("CLOSE"), this);
    close->setAccessibleName(texts.Text("CLOSE"));
    close->setAutoDefault(false);
    pRemove->setAutoDefault(false);

    connect(pAdd, &QPushButton::clicked, this, &CAddHostDlg::AddTyped);
    connect(pRemove, &QPushButton::clicked, this, &CAddHostDlg::RemoveSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(pEntry);
    entryRow->addWidget(pAdd);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(pListed);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(pRemove);
    listButtons->addStretch();
    listButtons->addWidget(close);
    listRow->addLayout(listButtons);
    auto* column = new QVBoxLayout(this);
    column->addWidget(prompt);
    column->addLayout(entryRow);
    column->addWidget(pProblem);
    column->addWidget(listedLabel);
    column->addLayout(listRow);
    setMinimumWidth(360);
    Begin(Step::Read,
          [root = dataRoot, delay = fileDelay](Outcome& outcome, CAddHostWorker::FileSteps& steps) {
              steps.Run([&] {
                  std::this_thread::sleep_for(delay);
                  outcome.listed = DirectHostsOf(root);
              });
          });
}

CAddHostDlg::~CAddHostDlg()
{
    std::lock_guard hold(link->lock);
    link->dialog = nullptr;
}

void CAddHostDlg::AddTyped()
{
    const std::string text = pEntry->text().trimmed().toStdString();
    if (text.empty() || busy)
        return; // nothing typed, or a step under way
    pProblem->clear();
    std::optional<boost::asio::ip::address_v4> address;
    const bool lookUp = ClassifyHost(text) == HostKind::Name;
    if (!lookUp) { // an address, or a typo: checked here, at once
        std::string error;
        address = ResolveHost(text, error, LocalNetworks());
        if (!address) {
            pProblem->setText(texts.Text("ADD_FAILED").arg(QString::fromStdString(error)));
            return;
        }
    }
    // A name waits on the system's resolver, and the file may wait on a share: neither is
    // the window's to wait for.
    Begin(Step::Add, [text, address, lookUp, find = resolve, root = dataRoot, delay = fileDelay,
                      dialog = link](Outcome& outcome, CAddHostWorker::FileSteps& steps) {
        const std::optional<boost::asio::ip::address_v4> found = lookUp ? find(text, outcome.error) : address;
        if (!found) {
            outcome.edit = HostsFileEdit::Failed;
            return;
        }
        if (!dialog->Open())
            return; // closed during the look-up: the file stays as it is
        steps.Run([&] {
            std::this_thread::sleep_for(delay);
            outcome.edit = AddDirectHost(root, *found, outcome.error);
            outcome.listed = DirectHostsOf(root);
        });
    });
}

void CAddHostDlg::RemoveSelected()
{
    const QListWidgetItem* item = pListed->currentItem();
    if (!item || busy)
        return;
    const auto address = ParseDottedIPv4(item->text().toStdString());
    if (!address)
        return;
    pProblem->clear();
    Begin(Step::Remove, [address = *address, root = dataRoot,
                         delay = fileDelay](Outcome& outcome, CAddHostWorker::FileSteps& steps) {
        steps.Run([&] {
            std::this_thread::sleep_for(delay);
            outcome.edit = RemoveDirectHost(root, address, outcome.error);
            outcome.listed = DirectHostsOf(root);
        });
    });
}

void CAddHostDlg::Begin(Step step, Work work)
{
    SetBusy(true);
    const bool started =
        worker.Start([step, work = std::move(work), dialog = link](CAddHostWorker::FileSteps& steps) {
            Outcome outcome;
            outcome.step = step;
            work(outcome, steps);
            dialog->Deliver(std::move(outcome));
        });
    if (!started) {
        Outcome outcome{step, HostsFileEdit::Failed, "no thread could be started", std::nullopt};
        OnDone(outcome);
    }
}

void CAddHostDlg::OnDone(const Outcome& outcome)
{
    SetBusy(false);
    if (outcome.listed)
        ShowListed(*outcome.listed);
    if (outcome.edit != HostsFileEdit::Done) {
        const QString reason = Reason(outcome);
        pProblem->setText(outcome.step == Step::Add ? texts.Text("ADD_FAILED").arg(reason) : reason);
        return;
    }
    if (outcome.step == Step::Read)
        return;
    if (outcome.step == Step::Add)
        pEntry->clear();
    emit hostsChanged();
}

QString CAddHostDlg::Reason(const Outcome& outcome) const
{
    const QString path = QDir::toNativeSeparators(QString::fromStdString(DirectHostsPath(dataRoot)));
    switch (outcome.edit) {
    case HostsFileEdit::ListFull:
        return texts.Text("HOSTS_LIST_FULL").arg(path).arg(kMaxDirectHosts);
    case HostsFileEdit::FileFull:
        return texts.Text("HOSTS_FILE_FULL").arg(path).arg(kMaxHostsFileBytes);
    case HostsFileEdit::ReadOnly:
        return texts.Text("HOSTS_READ_ONLY").arg(path);
    case HostsFileEdit::Done:
    case HostsFileEdit::Failed:
        break;
    }
    return QString::fromStdString(outcome.error);
}

void CAddHostDlg::SetBusy(bool working)
{
    busy = working;
    pAdd->setEnabled(!busy);
    pRemove->setEnabled(!busy && pListed->count() > 0);
}

void CAddHostDlg::ShowListed(const std::vector<boost::asio::ip::address_v4>& listed)
{
    pListed->clear();
    for (const boost::asio::ip::address_v4& address : listed)
        pListed->addItem(QString::fromStdString(address.to_string()));
    pRemove->setEnabled(!busy && pListed->count() > 0);
    if (pListed->count() > 0)
        pListed->setCurrentRow(0);
}

QString CAddHostDlg::Problem() const
{
    return pProblem->text();
}

QStringList CAddHostDlg::Listed() const
{
    QStringList listed;
    for (int row = 0; row < pListed->count(); ++row)
        listed << pListed->item(row)->text();
    return listed;
}
