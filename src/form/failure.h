#pragma once

#include <stdexcept>
#include <string>

namespace drillix {

// Every failure of the form model and of the platform pieces is thrown as a
// Failure whose what() is the human-readable description that the error
// report shows. Other std::exceptions are reported with their what() too.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const std::string &description)
        : std::runtime_error(description)
    {
    }
};

} // namespace drillix
