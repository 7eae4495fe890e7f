#pragma once

// What the window offers when a search ends with an empty list: the causes the search's
// workers tell of, in the user's language and with what to do about each, and a way to add a
// device by its address. It never blocks the window; Esc closes it.

#include "discovery/SearchFindings.h"

#include <QDialog>

#include <vector>

class CWindowTexts;
class QLabel;

// The causes in words, one paragraph each; windowsFirewall picks the firewall advice.
QString FindingsText(const std::vector<SearchFinding>& findings, const CWindowTexts& texts,
                     bool windowsFirewall);

class CNothingFoundDlg : public QDialog
{
    Q_OBJECT

public:
    CNothingFoundDlg(QWidget* parent, const CWindowTexts& texts);

    void ShowFindings(const QString& text);
    QString FindingsShown() const;

signals:
    void addHostAsked();

private:
    QLabel* pFindings = nullptr;
};
