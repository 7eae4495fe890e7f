#include "app/AddHostDlg.h"

#include "app/DirectHostsFile.h"
#include "app/HelpDialogStyle.h"
#include "app/WindowTexts.h"
#include "discovery/DirectHosts.h"
#include "discovery/DottedIPv4.h"
#include "os/LocalAddresses.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <system_error>

namespace {

// The local networks, whose broadcast addresses are refused like any other that is not a
// device's; none when they cannot be listed (an address is then only checked on its own).
std::vector<LocalNetwork> LocalNetworks()
{
    boost::system::error_code ignored;
    return ListLocalIPv4Networks(ignored);
}

} // namespace

CAddHostDlg::CAddHostDlg(QWidget* parent, const CWindowTexts& windowTexts, std::wstring root)
    : QDialog(parent), texts(windowTexts), dataRoot(std::move(root))
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
    ShowListed();
}

CAddHostDlg::~CAddHostDlg() = default;

void CAddHostDlg::AddTyped()
{
    const std::string text = pEntry->text().trimmed().toStdString();
    if (text.empty() || !pAdd->isEnabled())
        return; // nothing typed, or a lookup under way
    pProblem->clear();
    if (ClassifyHost(text) != HostKind::Name) { // an address, or a typo: no lookup
        std::string error;
        const auto address = ResolveHost(text, error, LocalNetworks());
        OnLookedUp(address, QString::fromStdString(error));
        return;
    }
    // A name waits on the system's resolver, which the window never does.
    pAdd->setEnabled(false);
    if (lookup.joinable())
        lookup.join();
    try {
        lookup = std::jthread([this, text] {
            std::string error;
            const auto address = ResolveHost(text, error, LocalNetworks());
            QMetaObject::invokeMethod(
                this, [this, address, error] { OnLookedUp(address, QString::fromStdString(error)); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error& failure) {
        OnLookedUp(std::nullopt, QString::fromLocal8Bit(failure.what()));
    }
}

void CAddHostDlg::OnLookedUp(std::optional<boost::asio::ip::address_v4> address, const QString& error)
{
    pAdd->setEnabled(true);
    std::string written;
    if (!address || !AddDirectHost(dataRoot, *address, written)) {
        pProblem->setText(texts.Text("ADD_FAILED").arg(address ? QString::fromStdString(written) : error));
        return;
    }
    pEntry->clear();
    ShowListed();
    emit hostsChanged();
}

void CAddHostDlg::RemoveSelected()
{
    const QListWidgetItem* item = pListed->currentItem();
    if (!item)
        return;
    const auto address = ParseDottedIPv4(item->text().toStdString());
    std::string error;
    if (!address || !RemoveDirectHost(dataRoot, *address, error)) {
        pProblem->setText(QString::fromStdString(error));
        return;
    }
    ShowListed();
    emit hostsChanged();
}

void CAddHostDlg::ShowListed()
{
    pListed->clear();
    for (const boost::asio::ip::address_v4& address : DirectHostsOf(dataRoot))
        pListed->addItem(QString::fromStdString(address.to_string()));
    pRemove->setEnabled(pListed->count() > 0);
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
