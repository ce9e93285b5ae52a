#pragma once

#include "core/platform.h"

#include <QFile>

#include <vector>

namespace drillix {

// Side files are found each on its own, in the first of these folders that
// holds something by its name: the user's data folder, the program's own
// folder (a build or a copied folder), the system's data folders in their
// order, then the data folder that the installation ships. The folders are
// fixed at start; a look-up is a few stat calls.
class QtSideFiles : public SideFiles
{
public:
    // programFolder: as the file system names it, in bytes.
    // installedData: the installation's data folder, relative to that one.
    QtSideFiles(const std::string &programFolder, const std::string &installedData);

    std::string locate(const std::string &name) override;
    const std::vector<std::string> &folders() const { return m_folders; }

private:
    std::vector<std::string> m_folders;
    // Where a side file that no folder holds belongs.
    std::string m_ownFolder;
};

// A path for Qt's file classes; throws "Bad file name" for bytes that a
// QString cannot carry (not valid in the locale's encoding), rather than
// opening some other file.
inline QString qtFileName(const std::string &path)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (QFile::encodeName(name).toStdString() != path)
        throw Failure("Bad file name: " + path);
    return name;
}

} // namespace drillix
