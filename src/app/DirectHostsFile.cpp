#include "app/DirectHostsFile.h"

#include "app/DataFolder.h"
#include "discovery/DiagnosticLog.h"
#include "discovery/DirectHosts.h"
#include "layout/LocalPath.h"

#include <QFile>
#include <QFileInfo>

#include <fstream>

std::vector<boost::asio::ip::address_v4> DirectHostsOf(const std::wstring& dataRoot)
{
    const std::string path = ToLocalPath(dataRoot + kDataFolderName + kHostsFileName);
    // Most data folders have none: looked for first, so that a start without one sets up no
    // file stream.
    if (!QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(path))))
        return {};
    std::ifstream file(path);
    if (!file)
        return {};
    const HostsFile hosts = ReadHostsFile(file);
    for (const std::string& line : hosts.skipped)
        WriteLog("Direct Search Hosts File Skip %s  ", line.c_str());
    return hosts.addresses;
}
