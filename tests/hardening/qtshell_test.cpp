// The URL opener is started with an argument list: whatever the address
// holds reaches the opener as one argument, and no shell ever reads it.

#include "core/contract.h"
#include "qt/platform/desktop.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace drillix;

TEST(QtShellHardening, AddressWithShellSyntaxReachesTheOpenerAsOneArgument)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("argv"));
    const QString opener = dir.filePath(QStringLiteral("xdg-open"));
    {
        QFile f(opener);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\necho \"$#\" > '%1.tmp'\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '%1.tmp'; done\n"
                               "mv '%1.tmp' '%1'\n")
                    .arg(record)
                    .toUtf8());
    }
    ASSERT_TRUE(QFile::setPermissions(opener, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8() + ":" + oldPath);

    const QString planted = dir.filePath(QStringLiteral("planted"));
    const std::string address = "https://x.example/a b;$(touch " + planted.toStdString() + ")`touch " +
                                planted.toStdString() + "`|&>x'";
    QtShell().run("explorer \"" + address + "\"");
    qputenv("PATH", oldPath);

    QDeadlineTimer deadline(10000);
    while (!QFile::exists(record) && !deadline.hasExpired())
        QThread::msleep(20);
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "the stand-in opener was not started within 10 s";
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], "1") << "one argument";
    EXPECT_EQ(lines[1].toStdString(), address) << "the address as it was, shell syntax and all";
    EXPECT_FALSE(QFile::exists(planted)) << "no shell ran the address";
}
