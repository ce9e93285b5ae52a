#pragma once

// The skin engine: loads a skin file (format in qt/appearance/skinfile.h)
// and restyles one registered window and its child controls with it, through
// a Qt style sheet set on that window alone, never on the application.
//
// What the settings mean:
// - Option bit 0 (kSkinControls): skin the window's child controls with the
//   [controls] rules, plus [colours] and [metrics] as switched on below.
// - Option bit 1 (kSkinWindow): skin the window itself with the [window]
//   declarations (its background).
// - Other option bits are kept, so that they read back as written, but mean
//   nothing yet. The options start at 0.
// - Colours (off at first): use the [colours] rules.
// - Metrics (off at first): use the [metrics] rules: sizes, fonts, borders.
// The settings take effect at applyWindow(); a window already skinned keeps
// its look until it is applied again.
//
// All calls belong on the GUI thread, with a QApplication running: the
// engine checks style-sheet syntax on a hidden probe widget.

#include "form/platform.h"
#include "qt/appearance/skinfile.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace drillix {

class QtSkinEngine final : public SkinEngine
{
public:
    static constexpr std::int32_t kSkinControls = 1 << 0;
    static constexpr std::int32_t kSkinWindow = 1 << 1;
    static constexpr qint64 kFileLimit = 1024 * 1024;

    // Makes the window known under the handle that applyWindow() receives;
    // a null window forgets the handle. The engine does not own the window
    // and notices when it is destroyed.
    void registerWindow(std::int32_t handle, QWidget *window);

    // Section names a variant inside the file ("" for none). A failed load
    // leaves no skin loaded.
    void loadSkin(const std::string &path, const std::string &section) override;
    std::int32_t applyOptions() const override { return m_options; }
    void setApplyOptions(std::int32_t options) override { m_options = options; }
    void setApplyColours(bool on) override { m_colours = on; }
    void setApplyMetrics(bool on) override { m_metrics = on; }
    void applyWindow(std::int32_t windowHandle) override;

    // The loaded skin's name from its [skin] section; empty when none.
    QString skinName() const;

    // The style sheet that applyWindow() would add with the present
    // settings. Throws when no skin is loaded.
    QString styleSheet() const;

private:
    struct Loaded {
        SkinFile file;
        QString variant;
    };

    std::optional<Loaded> m_skin;
    std::int32_t m_options = 0;
    bool m_colours = false;
    bool m_metrics = false;
    std::map<std::int32_t, QPointer<QWidget>> m_windows;
};

} // namespace drillix
