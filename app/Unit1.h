// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>

#include <QWidget>

#include "app/IdleStats.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class THeartMachine;

// The texts the start/stop decision compares: the button's caption is the
// monitoring state.
inline const QString StartCaption = QStringLiteral("开启监控");
inline const QString StopCaption = QStringLiteral("停止监控");

// The monitor window: the disk list, the start/stop button, the graph with
// the current and average idle labels and the band counts, and the
// stay-on-top switch. Everything runs on the user-interface thread; an error
// leaving a handler reaches the application's error box.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up: lists the physical disks and opens the counter query. Run by
    // the constructor; an error there is shown in the error box, skips the
    // remaining steps, and the window opens all the same.
    void FormCreate();
    // Starts monitoring the chosen disk, or stops it.
    void Button3Click();
    // One sampling tick: reads the disk's idle time over 100 ms and shows it.
    void Timer1Timer();
    // Keeps the window above other windows while CheckBox1 is checked.
    void CheckBox1Click();
    // Release at close: stops sampling, closes the query, destroys the graph.
    void FormClose();

    // Refills ComboBox1 with the instances of a performance object; nothing
    // is selected afterwards.
    void FillDiskList(const std::string& objectName);

    QLabel* Label11;
    QComboBox* ComboBox1;
    QPushButton* Button3;
    QGroupBox* GroupBox1;
    QFrame* Panel1;
    QLabel* Label1;
    QLabel* Label3;
    QLabel* L9;
    QLabel* L8;
    QLabel* L7;
    QLabel* L6;
    QLabel* L5;
    QLabel* L4;
    QLabel* L3;
    QLabel* L2;
    QLabel* L1;
    QLabel* L05;
    QLabel* L0;
    QCheckBox* CheckBox1;
    QTimer* Timer1;

    // The disk chosen at the last start; empty until then.
    std::string DiskName;
    // The current graph, or null before the first start and after close.
    THeartMachine* Graph = nullptr;
    // Band counts since the last stop and the latest ten samples.
    TIdleStats Stats;

    // The band labels in the statistics' band order: L0, L05, L1 … L9.
    std::array<QLabel*, TIdleStats::BandCount> BandLabels() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Set once the whole frame has been centred after the first framing.
    bool FrameCentred = false;
};
