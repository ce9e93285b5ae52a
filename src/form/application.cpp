#include "form/application.h"

#include "form/platform.h"

#include <algorithm>

namespace drillix {

Application::Application(std::string installationFolder)
    : m_path(std::move(installationFolder))
{
    while (m_path.size() > 1 && m_path.back() == '/')
        m_path.pop_back();
}

std::string Application::sideFile(const std::string &literal) const
{
    std::string path = m_path + literal;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(m_path.size()), path.end(), '\\', '/');
    return path;
}

int msgBox(MessageBoxes &boxes, const Application &app, const std::string &prompt, int style,
           const std::optional<std::string> &title)
{
    return boxes.show(prompt, style, title.value_or(app.title()));
}

} // namespace drillix
