#include "qt/platform/appearance/qtskinengine.h"

#include "qt/platform/appearance/boundedfile.h"
#include "qt/platform/appearance/skinfile.h"
#include "qt/platform/appearance/skinpictures.h"
#include "qt/platform/appearance/stylesheetchecker.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>

namespace drillix {

void QtSkinEngine::registerWindow(std::int32_t handle, QWidget *window)
{
    m_windowHandle = handle;
    m_window = window;
}

void QtSkinEngine::loadSkin(const std::string &path, const std::string &variant)
{
    m_skin.reset();
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw Failure("Skins need the application's window system, which is not running");
    if (!QString::fromStdString(variant).trimmed().isEmpty())
        throw Failure("Skin file variant \"" + variant + "\" cannot be chosen: only the plain sections are applied");

    const QString file = QString::fromStdString(path);
    const SkinFile skin = SkinFile::parse(readBoundedFile(file, "Skin file", kFileLimit));
    SkinPictures pictures(QFileInfo(file).absolutePath());
    Loaded loaded{skin.name(), {}, {}, {}, 0};
    std::vector<QString> sheets;
    for (const SkinFile::Section &section : skin.sections()) {
        QString text;
        try {
            text = pictures.resolve(section);
        } catch (const Failure &) {
            checkSheets(skin, sheets); // a sheet error in an earlier section is told first
            throw;
        }
        sheets.push_back(section.part == SkinPart::Window ? QStringLiteral("* {\n%1}\n").arg(text) : text);
        if (!section.variant.isEmpty())
            continue;
        if (section.part == SkinPart::Controls)
            loaded.controls = text;
        else if (section.part == SkinPart::Colours)
            loaded.colours = text;
        else if (section.part == SkinPart::Metrics)
            loaded.metrics = text;
    }
    checkSheets(skin, sheets);
    loaded.pictureBytes = pictures.decodedBytes();
    m_skin = std::move(loaded);
}

void QtSkinEngine::checkSheets(const SkinFile &skin, const std::vector<QString> &sheets)
{
    StyleSheetChecker checker;
    // Read together, the sections cost Qt one parse. Sections that are each
    // rules read alike alone and in a row, unless one opens with an
    // at-rule, which Qt takes specially only at the start of a sheet; a
    // sheet that fails is read again section by section to name the culprit.
    const bool alikeInARow = std::none_of(sheets.begin(), sheets.end(), StyleSheetChecker::opensWithAtRule);
    QString all;
    for (const QString &sheet : sheets)
        all += sheet + QLatin1Char('\n');
    if (alikeInARow && checker.parses(all))
        return;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (checker.parses(sheets[i]))
            continue;
        const SkinFile::Section &section = skin.sections()[i];
        throw Failure("Skin file has a style-sheet error in " + SkinFile::describe(section).toStdString()
                      + ": Qt cannot read it as style-sheet "
                      + (section.part == SkinPart::Window ? "declarations" : "rules"));
    }
}

QString QtSkinEngine::skinName() const
{
    return m_skin ? m_skin->name : QString();
}

QString QtSkinEngine::styleSheet() const
{
    if (!m_skin)
        throw Failure("Cannot apply the skin: no skin file has been loaded");
    if (!(m_options & kSkinControls))
        return {};
    return m_skin->controls + (m_colours ? m_skin->colours : QString()) + (m_metrics ? m_skin->metrics : QString());
}

void QtSkinEngine::applySkin(const std::string &path)
{
    loadSkin(path, "");
    setApplyOptions(applyOptions() | kSkinControls);
    setApplyColours(true);
    setApplyMetrics(true);
    applyWindow(1);
}

void QtSkinEngine::applyWindow(std::int32_t windowHandle)
{
    const QString sheet = styleSheet();
    if (windowHandle != m_windowHandle || m_window.isNull())
        throw Failure("Cannot apply the skin: there is no window with handle " + std::to_string(windowHandle));

    SkinPictures::makeRoomInPixmapCache(m_skin->pictureBytes);
    // A second sheet set before the first was ever polished never reaches
    // the children (seen with Qt 6.4), so polish with the present one first.
    m_window->ensurePolished();
    m_window->setStyleSheet(sheet);
}

} // namespace drillix
