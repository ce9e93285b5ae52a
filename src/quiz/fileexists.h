#pragma once

#include <string>

namespace drillix {

class FileSystem;

// True when the file's last-modification time can be read; any error,
// including an empty or invalid path, means false. A folder counts too.
bool fileExists(FileSystem &files, const std::string &path);

} // namespace drillix
