#pragma once

#include <optional>
#include <string>

namespace drillix {

class MessageBoxes;

// What the whole process shares: where the program is installed, and the
// title that message boxes fall back on.
class Application
{
public:
    explicit Application(std::string installationFolder);

    // The folder that holds the executable, without a trailing separator.
    const std::string &path() const { return m_path; }

    // The installation folder followed directly by a side-file literal that
    // brings its own leading separator ("\items.txt", "/sounds/wrong.wma").
    // Backslashes become this platform's separator.
    std::string sideFile(const std::string &literal) const;

    const std::string &title() const { return m_title; }
    void setTitle(const std::string &title) { m_title = title; }

private:
    std::string m_path;
    std::string m_title;
};

// A modal message box; a box that names no title shows the application title.
int msgBox(MessageBoxes &boxes, const Application &app, const std::string &prompt, int style,
           const std::optional<std::string> &title = std::nullopt);

} // namespace drillix
