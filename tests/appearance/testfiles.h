#pragma once

// Files the tests make for themselves, in a temporary folder per test.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace drillix::test {

class Scratch
{
public:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    std::string write(const QString &name, const QByteArray &bytes) const;
    std::string folder(const QString &name) const;
    std::string danglingLink(const QString &name) const;
    // A file of that size that holds nothing (sparse), quick to make.
    std::string sized(const QString &name, qint64 size) const;
    std::string png(const QString &name, const QImage &image) const;
    // A real cursor, or an icon without the hot spot, written by icotool
    // from the image; empty when icotool is missing.
    std::string cursor(const QString &name, const QImage &image, int hotX, int hotY) const;
    std::string icon(const QString &name, const QImage &image) const;

private:
    std::string icotool(const QString &name, const QImage &image, const QStringList &options) const;

    QTemporaryDir m_dir;
};

// A square picture with a mark in its top-left quarter, so that scaled and
// original pixels can be told apart.
QImage testImage(int side, QColor colour);

QByteArray readAll(const std::string &path);

// The description of the Failure that `call` throws; "(no failure)" when it
// throws none, "(other exception: ...)" for anything else.
std::string failureOf(const std::function<void()> &call);

} // namespace drillix::test
