#pragma once

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

namespace drillix {

// A handler's error trap. The handler runs each statement that can fail
// through step() with its number; a failure inside it, or inside anything it
// calls that traps nothing itself, is reported with the handler's location
// text and that number, and the handler then goes on with its next
// statement. The trap stays armed: every further failure gives a further
// report. The location texts and step numbers are shown to the user in the
// error report and asked for by support, so they never change.
class ErrorTrap
{
public:
    using Reporter = std::function<void(const std::string &description, const std::string &location, int step)>;

    ErrorTrap(std::string location, Reporter reporter)
        : m_location(std::move(location))
        , m_reporter(std::move(reporter))
    {
    }

    // Runs one statement; a failure is reported.
    template<class Statement>
    void step(int number, Statement &&statement)
    {
        try {
            statement();
        } catch (const std::bad_alloc &) {
            m_reporter("Out of memory", m_location, number);
        } catch (const std::exception &e) {
            m_reporter(e.what(), m_location, number);
        }
    }

private:
    std::string m_location;
    Reporter m_reporter;
};

} // namespace drillix
