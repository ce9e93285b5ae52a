#include "quiz/fileexists.h"

#include "form/platform.h"

namespace drillix {

bool fileExists(FileSystem &files, const std::string &path)
{
    try {
        (void)files.modificationTime(path);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace drillix
