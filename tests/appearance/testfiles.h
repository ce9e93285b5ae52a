#pragma once

// Files the tests make for themselves, each test in its own temporary folder.

#include "core/platform.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <sys/stat.h>

namespace drillix::test {

class Scratch
{
public:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A file with these bytes, under a name of its own.
    std::string file(const QByteArray &bytes, QString name = {})
    {
        name = name.isEmpty() ? QString::number(++m_files) : name;
        QFile out(path(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        return path(name).toStdString();
    }

    std::string png(const QImage &image, const QString &name)
    {
        EXPECT_TRUE(image.save(path(name), "PNG"));
        return path(name).toStdString();
    }

    // Files that are no text files: a sparse file of any size, a folder, a
    // link to nothing, a pipe.
    std::string sized(qint64 size)
    {
        const std::string name = file({});
        EXPECT_TRUE(QFile::resize(QString::fromStdString(name), size));
        return name;
    }

    std::string folder()
    {
        EXPECT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
        return path(QStringLiteral("folder")).toStdString();
    }

    std::string danglingLink()
    {
        EXPECT_TRUE(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("link"))));
        return path(QStringLiteral("link")).toStdString();
    }

    std::string pipe(const QString &fileName = QStringLiteral("pipe"))
    {
        const QString name = path(fileName);
        EXPECT_EQ(::mkfifo(name.toLocal8Bit().constData(), 0600), 0);
        return name.toStdString();
    }

    // A cursor ("--cursor", "--hotspot-x=5") or an icon made by icotool;
    // empty when icotool is not installed.
    std::string icotool(const QImage &image, const QStringList &options)
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("icotool"));
        if (program.isEmpty())
            return {};
        const std::string out = file({});
        QProcess process;
        process.start(program, QStringList{QStringLiteral("-c"), QStringLiteral("-o"), QString::fromStdString(out)}
                                   + options << QString::fromStdString(png(image, QStringLiteral("source.png"))));
        process.waitForFinished();
        EXPECT_EQ(process.exitCode(), 0);
        return out;
    }

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

// A square picture with its top-left quarter in the colour.
inline QImage testImage(int side, QColor colour)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(0, 0, side / 2, side / 2, colour);
    return image;
}

// An icon whose directory claims 16 x 16 for each of the images it holds
// as PNG, whatever their real size.
inline QByteArray lyingIcon(const QList<QImage> &images)
{
    QByteArray bytes(6 + 16 * images.size(), '\0');
    bytes[2] = 1;
    bytes[4] = char(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        images[i].save(&png, "PNG");
        char *entry = bytes.data() + 6 + 16 * i;
        entry[0] = entry[1] = 16;
        qToLittleEndian<quint16>(32, entry + 6);
        qToLittleEndian<quint32>(quint32(png.data().size()), entry + 8);
        qToLittleEndian<quint32>(quint32(bytes.size()), entry + 12);
        bytes += png.data();
    }
    return bytes;
}

// A one-colour picture that takes a few kilobytes as PNG, however large.
inline QImage plainImage(int side)
{
    QImage image(side, side, QImage::Format_Mono);
    image.fill(0);
    return image;
}

inline QByteArray readAll(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The text of the Failure that `call` throws; "(no failure)" when none.
inline std::string failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Failure &failure) {
        return failure.what();
    }
    return "(no failure)";
}

} // namespace drillix::test
