#pragma once

#include "form/control.h"
#include "form/platform.h"

#include <cstdint>
#include <string>

namespace drillix {

// The invisible skin framework control: a thin face over the platform's
// skin engine, so that the window reaches it like any other control.
class SkinFramework : public Control
{
public:
    SkinFramework(Form &form, std::string name, SkinEngine &engine)
        : Control(form, ControlKind::SkinFramework, std::move(name))
        , m_engine(engine)
    {
        setVisible(false);
    }

    void LoadSkin(const std::string &path, const std::string &section) { m_engine.loadSkin(path, section); }
    std::int32_t ApplyOptions() const { return m_engine.applyOptions(); }
    void setApplyOptions(std::int32_t options) { m_engine.setApplyOptions(options); }
    void setApplyColours(bool on) { m_engine.setApplyColours(on); }
    void setApplyMetrics(bool on) { m_engine.setApplyMetrics(on); }
    void ApplyWindow(std::int32_t handle) { m_engine.applyWindow(handle); }

private:
    SkinEngine &m_engine;
};

} // namespace drillix
