#include "qt/platform/sidefiles.h"

#include "core/contract.h"

#include <QStandardPaths>

#include <algorithm>
#include <filesystem>

#include <unistd.h>

namespace drillix {

QtSideFiles::QtSideFiles(const std::string &programFolder, const std::string &installedData)
{
    const auto add = [this](const std::string &folder) {
        if (!folder.empty() && std::find(m_folders.begin(), m_folders.end(), folder) == m_folders.end())
            m_folders.push_back(folder);
    };
    const auto dataFolder = [](const QString &base) {
        return base.isEmpty() ? std::string()
                              : QFile::encodeName(base).toStdString() + '/' + contract::kSideFilesFolder;
    };
    const std::string shipped = (std::filesystem::path(programFolder) / installedData).lexically_normal();
    // The first of the standard locations is the user's writable one.
    add(dataFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
    add(programFolder);
    for (const QString &system : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        add(dataFolder(system));
    std::error_code error;
    m_ownFolder = std::filesystem::is_directory(shipped, error) ? shipped : programFolder;
    add(m_ownFolder);
}

std::string QtSideFiles::locate(const std::string &name)
{
    for (const std::string &folder : m_folders) {
        const std::string path = folder + '/' + name;
        // A file that is there but cannot be read is taken, and reported
        // when it is opened; a folder that cannot be searched holds nothing.
        if (::access(path.c_str(), F_OK) == 0)
            return path;
    }
    return m_ownFolder + '/' + name;
}

} // namespace drillix
