#pragma once

#include "core/platform.h"

namespace drillix {

// Files of the local disk, through POSIX calls.
class LocalFileSystem : public FileSystem
{
public:
    bool exists(const std::string &path) override;
    bool isNormalFile(const std::string &path) override;
    std::unique_ptr<InputFile> openForInput(const std::string &path) override;
};

} // namespace drillix
