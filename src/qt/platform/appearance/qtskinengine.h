#pragma once

// The skin engine: loads a skin file (format in skinfile.h)
// and restyles one registered window's child controls with it, through a Qt
// style sheet set on that window alone, never on the application.
//
// What the settings mean:
// - Option bit 0 (kSkinControls): skin the window's child controls with the
//   [controls] rules, plus [colours] and [metrics] as switched on below.
//   Other bits read back as written and change nothing. The options start
//   at 0.
// - Colours (off at first): use the [colours] rules.
// - Metrics (off at first): use the [metrics] rules: sizes, fonts, borders.
// The settings take effect at applyWindow(); a window already skinned keeps
// its look until it is applied again.
//
// Every section of the file is checked, but only the plain [controls],
// [colours] and [metrics] are applied: the quiz skins its buttons, never
// the window itself (the map and the panel cover it), and chooses no
// variant.
//
// All calls belong on the GUI thread, with a QApplication running: the
// engine checks style-sheet syntax on a hidden probe widget.

#include "core/platform.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drillix {

class SkinFile;

class QtSkinEngine final : public SkinEngine
{
public:
    static constexpr std::int32_t kSkinControls = 1 << 0;
    static constexpr qint64 kFileLimit = 1024 * 1024;

    // Makes the window known under the handle that applyWindow() receives,
    // in place of any window registered before; a null window forgets it.
    // The engine does not own the window and notices when it is destroyed.
    void registerWindow(std::int32_t handle, QWidget *window);

    // A failed load leaves no skin loaded. A variant cannot be chosen.
    void loadSkin(const std::string &path, const std::string &variant);
    std::int32_t applyOptions() const { return m_options; }
    void setApplyOptions(std::int32_t options) { m_options = options; }
    void setApplyColours(bool on) { m_colours = on; }
    void setApplyMetrics(bool on) { m_metrics = on; }
    void applyWindow(std::int32_t windowHandle);
    // Loads the skin and restyles the window registered under handle 1.
    void applySkin(const std::string &path) override;

    // The loaded skin's name from its [skin] section; empty when none.
    QString skinName() const;

    // The style sheet that applyWindow() would set with the present
    // settings. Throws when no skin is loaded.
    QString styleSheet() const;

private:
    struct Loaded {
        QString name;
        QString controls;
        QString colours;
        QString metrics;
        qint64 pictureBytes = 0;
    };

    // Throws, naming the first section whose sheet Qt cannot read.
    static void checkSheets(const SkinFile &skin, const std::vector<QString> &sheets);

    std::optional<Loaded> m_skin;
    std::int32_t m_options = 0;
    bool m_colours = false;
    bool m_metrics = false;
    std::int32_t m_windowHandle = 0;
    QPointer<QWidget> m_window;
};

} // namespace drillix
