#include "qt/platform/sidefiles.h"

#include "core/contract.h"

#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <sys/stat.h>

namespace drillix {

namespace {

std::string normalFolder(const std::filesystem::path &folder)
{
    std::string text = folder.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool isFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

QtSideFiles::QtSideFiles(const std::string &programFolder, const std::string &installedData)
{
    const auto add = [this](const std::string &folder) {
        if (!folder.empty() && std::find(m_folders.begin(), m_folders.end(), folder) == m_folders.end())
            m_folders.push_back(folder);
    };
    const auto dataFolder = [](const QString &base) {
        return base.isEmpty() ? std::string()
                              : normalFolder(QFile::encodeName(base).toStdString()) + '/' + contract::kSideFilesFolder;
    };
    const std::string program = normalFolder(programFolder);
    const std::string shipped = normalFolder(std::filesystem::path(program) / installedData);
    // The first of the standard locations is the user's writable one.
    add(dataFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
    add(program);
    for (const QString &system : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        add(dataFolder(system));
    m_ownFolder = isFolder(shipped) ? shipped : program;
    add(m_ownFolder);
}

std::string QtSideFiles::locate(const std::string &name)
{
    for (const std::string &folder : m_folders) {
        const std::string path = folder + '/' + name;
        struct stat st {};
        // Only what is surely not there is looked for further: a file or a
        // folder that cannot be reached is reported where it is.
        if (::stat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR))
            return path;
    }
    return m_ownFolder + '/' + name;
}

} // namespace drillix
