#include "app/NothingFoundDlg.h"

#include "app/HelpDialogStyle.h"
#include "app/WindowTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The rules that let the answers in, for the firewalls Linux desktops come with. The ports
// are the workers' own: broadcast 67, SSDP 1900, the per-address workers from 1530 upwards.
constexpr const char* kLinuxFirewallCommands =
    "sudo nft add rule inet filter input udp dport '{ 67, 1900, 1530-1999 }' accept\n"
    "sudo ufw allow proto udp to any port 67,1900,1530:1999\n"
    "sudo firewall-cmd --add-port=67/udp --add-port=1900/udp --add-port=1530-1999/udp";

// Windows' firewall lets the answers in per program: the rules name this program's folder.
QString WindowsFirewallAdvice()
{
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    return QString::fromStdString(WindowsFirewallCommands(folder.toStdString())).trimmed();
}

QString FindingText(const SearchFinding& finding, const CWindowTexts& texts, bool windowsFirewall)
{
    const QString reason = QString::fromStdString(finding.reason);
    switch (finding.cause) {
    case SearchFinding::Cause::NoQuerySent:
        return texts.Text("WHY_NO_NETWORK");
    case SearchFinding::Cause::PortTaken:
        if (finding.freeNow)
            return texts.Text("WHY_PORT_FREED").arg(QString::number(finding.port), reason);
        return texts.Text("WHY_PORT_TAKEN").arg(QString::number(finding.port), reason) +
               (finding.holder.empty()
                    ? QString()
                    : QLatin1Char(' ') +
                          texts.Text("WHY_PORT_HOLDER").arg(QString::fromStdString(finding.holder)));
    case SearchFinding::Cause::GroupNotJoined:
        return texts.Text("WHY_NOT_JOINED").arg(reason);
    case SearchFinding::Cause::NothingHeard:
        return texts.Text("WHY_NOTHING_HEARD")
            .arg(windowsFirewall
                     ? texts.Text("FIREWALL_WINDOWS").arg(WindowsFirewallAdvice())
                     : texts.Text("FIREWALL_LINUX").arg(QString::fromLatin1(kLinuxFirewallCommands)));
    case SearchFinding::Cause::OtherMakers:
        return texts.Text("WHY_OTHER_MAKERS").arg(finding.count);
    case SearchFinding::Cause::NoneOurs:
        return texts.Text("WHY_NONE_OURS");
    }
    return {};
}

} // namespace

QString FindingsText(const std::vector<SearchFinding>& findings, const CWindowTexts& texts,
                     bool windowsFirewall)
{
    QStringList paragraphs;
    for (const SearchFinding& finding : findings)
        paragraphs << FindingText(finding, texts, windowsFirewall);
    return paragraphs.join(QStringLiteral("\n\n"));
}

CNothingFoundDlg::CNothingFoundDlg(QWidget* parent, const CWindowTexts& texts) : QDialog(parent)
{
    setWindowTitle(texts.Text("WHY_TITLE"));
    setAccessibleName(texts.Text("WHY_TITLE"));
    ApplyHelpDialogStyle(*this);
    pFindings = new QLabel(this);
    pFindings->setWordWrap(true);
    pFindings->setTextFormat(Qt::PlainText);
    // The commands can be selected and copied, with the mouse or the keyboard.
    pFindings->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pFindings->setAccessibleName(texts.Text("WHY_TITLE"));
    auto* addHost = new QPushButton(texts.Text("ADD_HOST"), this);
    addHost->setAccessibleName(texts.Text("ADD_HOST"));
    auto* close = new QPushButton(texts.Text("CLOSE"), this);
    close->setAccessibleName(texts.Text("CLOSE"));
    close->setAutoDefault(false);
    connect(addHost, &QPushButton::clicked, this, &CNothingFoundDlg::addHostAsked);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addHost);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* column = new QVBoxLayout(this);
    column->addWidget(pFindings);
    column->addLayout(buttons);
    setMinimumWidth(420);
    // The keyboard starts on what the dialog offers: Enter adds a device, Esc closes.
    addHost->setDefault(true);
    addHost->setFocus();
}

void CNothingFoundDlg::ShowFindings(const QString& text)
{
    pFindings->setText(text);
}

QString CNothingFoundDlg::FindingsShown() const
{
    return pFindings->text();
}
