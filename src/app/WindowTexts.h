#pragma once

// The window's texts that its layout does not carry (the empty-list help, the context menu,
// the device details), in the language of the layout variant it was written with. They are
// made from the same language files as the layouts and embedded beside them.

#include <QHash>
#include <QString>

class CWindowTexts
{
public:
    // The texts of the language whose layout is the "XML" resource layoutResource; English
    // for a number without texts of its own.
    explicit CWindowTexts(int layoutResource);

    // The text under key; the key itself when no language has it, so a gap shows.
    QString Text(const char* key) const;

private:
    QHash<QString, QString> texts;
};
