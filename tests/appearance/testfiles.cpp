#include "testfiles.h"

#include "form/failure.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace drillix::test {

std::string Scratch::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path(name).toStdString();
}

std::string Scratch::folder(const QString &name) const
{
    EXPECT_TRUE(QDir(m_dir.path()).mkpath(name));
    return path(name).toStdString();
}

std::string Scratch::danglingLink(const QString &name) const
{
    EXPECT_TRUE(QFile::link(path(QStringLiteral("nowhere")), path(name)));
    return path(name).toStdString();
}

std::string Scratch::sized(const QString &name, qint64 size) const
{
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(file.resize(size));
    return path(name).toStdString();
}

std::string Scratch::png(const QString &name, const QImage &image) const
{
    EXPECT_TRUE(image.save(path(name), "PNG"));
    return path(name).toStdString();
}

std::string Scratch::cursor(const QString &name, const QImage &image, int hotX, int hotY) const
{
    return icotool(name, image,
                   {QStringLiteral("--cursor"), QStringLiteral("--hotspot-x=%1").arg(hotX),
                    QStringLiteral("--hotspot-y=%1").arg(hotY)});
}

std::string Scratch::icon(const QString &name, const QImage &image) const
{
    return icotool(name, image, {});
}

std::string Scratch::icotool(const QString &name, const QImage &image, const QStringList &options) const
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("icotool"));
    if (program.isEmpty())
        return {};
    png(name + QLatin1String(".source.png"), image);
    QProcess process;
    process.start(program, QStringList{QStringLiteral("-c")} + options
                               + QStringList{QStringLiteral("-o"), path(name), path(name + QLatin1String(".source.png"))});
    process.waitForFinished();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return path(name).toStdString();
}

QImage testImage(int side, QColor colour)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(0, 0, side / 2, side / 2, colour);
    painter.fillRect(side / 2, side / 2, side / 2, side / 2, Qt::black);
    return image;
}

QByteArray readAll(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

std::string failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Failure &failure) {
        return failure.what();
    } catch (const std::exception &other) {
        return std::string("(other exception: ") + other.what() + ")";
    }
    return "(no failure)";
}

} // namespace drillix::test
