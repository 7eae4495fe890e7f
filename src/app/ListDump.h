#pragma once

// A diagnostic copy of the device list for tests that watch the window from outside the
// process: when TRAVELKIN_LIST_DUMP names a file, the window rewrites that file with its rows
// after every change of the list, one row a line, host, ip and product separated by tabs.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class CListDump
{
public:
    // Reads TRAVELKIN_LIST_DUMP once, here.
    CListDump();
    // An empty path writes nothing.
    explicit CListDump(std::string path);

    bool IsOn() const { return !strPath.empty(); }

    // Replaces the file's content by the rows. The path must be absolute; a link is followed
    // and the file it names replaced, a device, a FIFO or a folder is left alone. The new
    // content appears at once, never half written.
    void Write(const std::vector<QStringList>& rows) const;

private:
    std::string strPath;
};
