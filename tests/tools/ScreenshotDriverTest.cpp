// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>


namespace {

// The run command's path on a machine with no display: the driver starts the
// real window on a virtual X screen, monitors the first disk and saves the
// client area. The picture must show the graph where the layout puts it.
TEST(ScreenshotDriver, SavesTheMonitoringWindowFromAVirtualScreen)
{
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    ASSERT_FALSE(xvfbRun.isEmpty()) << "xvfb-run is missing: ./scripts/deps installs it";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("shot.png"));

    QProcess driver;
    driver.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    driver.setProcessEnvironment(environment);
    driver.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1024x768x24"),
                           QStringLiteral(IDLESCOPE_SHOT_PATH), QStringLiteral("--out"), out,
                           QStringLiteral("--seconds"), QStringLiteral("2")});
    ASSERT_TRUE(driver.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(driver.readAll());
    ASSERT_EQ(driver.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(out)) << output.toStdString();

    const QImage shot(out);
    ASSERT_FALSE(shot.isNull());
    ASSERT_EQ(shot.size(), QSize(872, 311));

    // The graph's panel sits at (20, 23) inside the group at (24, 8): its
    // top-left pixel is the graph's, at (44, 31), 603 × 222.
    const QPoint origin(44, 31);
    const auto at = [&](int x, int y) { return shot.pixel(origin.x() + x, origin.y() + y); };
    EXPECT_EQ(at(0, 5), qRgb(0, 0x80, 0));      // the leftmost column line
    EXPECT_EQ(at(6, 5), qRgb(0, 0, 0));         // background
    EXPECT_EQ(at(6, 11), qRgb(0, 0x80, 0));     // the first band line
    EXPECT_NE(shot.pixel(origin.x() - 1, origin.y() + 5), qRgb(0, 0, 0));
    EXPECT_NE(shot.pixel(origin.x() + 603, origin.y() + 5), qRgb(0, 0, 0));

    // The newest sample at x = 600, in the line's red, somewhere on its row.
    int red = 0;
    for (int y = 0; y < 222; ++y)
        red += at(600, y) == qRgb(0xFF, 0, 0);
    EXPECT_GT(red, 0);
}

}  // namespace
