// SPDX-License-Identifier: MIT
#include "app/Unit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/DisplayText.h"
#include "counters/CounterQuery.h"
#include "graph/uHeartMachine.h"
#include "platform/Application.h"
#include "platform/ChineseFace.h"
#include "platform/Colors.h"
#include "platform/DebugPrivilege.h"
#include "platform/Error.h"
#include "platform/ErrorBox.h"

namespace {

// Labels size themselves to their captions, as they do in the layout.
void SetCaption(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const QString& caption)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    SetCaption(label, caption);
    return label;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Idlescope"));
    // A fixed single border with a system menu and a minimize box, no maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(872, 311);
    QPalette face = palette();
    face.setColor(QPalette::Window, ColorToQColor(clBtnFace));
    setPalette(face);
    setAutoFillBackground(true);
    // Tahoma where it exists; the Chinese texts in the system's Chinese face.
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    setFont(WithChineseFace(font));

    Label11 = MakeLabel(this, "Label11", 48, 280, QStringLiteral("磁盘列表"));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(false);
    ComboBox1->setGeometry(106, 277, 141, 22);
    // The caption names the list for screen readers.
    Label11->setBuddy(ComboBox1);

    Button3 = new QPushButton(StartCaption, this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(272, 275, 75, 25);

    GroupBox1 = new QGroupBox(QStringLiteral("磁盘空闲时间"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(24, 8, 825, 257);

    Panel1 = new QFrame(GroupBox1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setGeometry(20, 23, 603, 222);

    Label1 = MakeLabel(GroupBox1, "Label1", 648, 24, QStringLiteral("空闲时间:"));
    Label3 = MakeLabel(GroupBox1, "Label3", 648, 54, QStringLiteral("平均空闲:"));
    L9 = MakeLabel(GroupBox1, "L9", 648, 83, QStringLiteral("低于90:"));
    L8 = MakeLabel(GroupBox1, "L8", 648, 111, QStringLiteral("低于80:"));
    L7 = MakeLabel(GroupBox1, "L7", 648, 139, QStringLiteral("低于70:"));
    L6 = MakeLabel(GroupBox1, "L6", 648, 168, QStringLiteral("低于60:"));
    L5 = MakeLabel(GroupBox1, "L5", 648, 196, QStringLiteral("低于50:"));
    L4 = MakeLabel(GroupBox1, "L4", 648, 224, QStringLiteral("低于40:"));
    L3 = MakeLabel(GroupBox1, "L3", 730, 111, QStringLiteral("低于30:"));
    L2 = MakeLabel(GroupBox1, "L2", 730, 139, QStringLiteral("低于20:"));
    L1 = MakeLabel(GroupBox1, "L1", 730, 167, QStringLiteral("低于10:"));
    L05 = MakeLabel(GroupBox1, "L05", 730, 196, QStringLiteral("低于5:"));
    L0 = MakeLabel(GroupBox1, "L0", 730, 224, QStringLiteral("等于0:"));

    CheckBox1 = new QCheckBox(QStringLiteral("置顶"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(384, 280, 97, 17);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    setTabOrder(ComboBox1, Button3);
    setTabOrder(Button3, GroupBox1);
    setTabOrder(GroupBox1, CheckBox1);

    connect(Button3, &QPushButton::clicked, this, Handler(this, &TForm1::Button3Click));
    // A failing tick's box opens after the tick has returned, so the timer
    // keeps sampling while it is open.
    connect(Timer1, &QTimer::timeout, this, PostedHandler(this, &TForm1::Timer1Timer));
    connect(CheckBox1, &QCheckBox::clicked, this, Handler(this, &TForm1::CheckBox1Click));

    // Centred as a frameless window: the frame's size is known only once the
    // window manager has framed the shown window (moveEvent).
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    RunHandler([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::FormCreate()
{
    // Qt paints every window and panel double-buffered already.
    EnableDebugPrivilege(true);
    FillDiskList("PhysicalDisk");
    OpenCounterQuery();
}

void TForm1::FillDiskList(const std::string& objectName)
{
    ComboBox1->clear();
    // Each item keeps the name's exact bytes: they go into the counter path,
    // whatever the text shown for them.
    for (const std::string& name : ListInstances(objectName))
        ComboBox1->addItem(DisplayName(name), QByteArray::fromStdString(name));
    ComboBox1->setCurrentIndex(-1);
}

void TForm1::Button3Click()
{
    if (Button3->text() != StartCaption) {
        Timer1->stop();
        Stats.ResetBands();
        Button3->setText(StartCaption);
        return;
    }

    DiskName = ComboBox1->currentData().toByteArray().toStdString();
    if (DiskName.empty()) {
        ShowMessageBox(QStringLiteral("请选择需要监控的磁盘！"), QString());
        return;
    }

    delete Graph;
    Graph = new THeartMachine(this);
    Graph->setAccessibleName(GroupBox1->title());
    Graph->setParent(Panel1);
    Graph->show();
    // Tab reaches the graph in its group's place, after the start button.
    setTabOrder(Button3, Graph);
    Graph->SetHGridCount(20);
    Graph->SetHTickCount(50);
    Graph->SetMax(100);
    Graph->SetMin(0);

    Timer1Timer();
    Timer1->start();
    Button3->setText(StopCaption);
}

void TForm1::Timer1Timer()
{
    const std::string path = "\\PhysicalDisk(" + DiskName + ")\\% Idle Time";
    const double sample = ReadCounter(path);
    Graph->AddPoint(0, RoundHalfEven(sample), QString());
    SetCaption(Label1, QStringLiteral("空闲：") + FormatFixed2(sample));

    const int band = Stats.AddSample(sample);
    if (band >= 0)
        SetCaption(BandLabels()[band], QString::fromStdString(Stats.BandText(band)));
    SetCaption(Label3, QStringLiteral("平均空闲：") + FormatFixed2(Stats.Average()));
    Graph->setAccessibleDescription(Label1->text() + QStringLiteral("，") + Label3->text());
}

std::array<QLabel*, TIdleStats::BandCount> TForm1::BandLabels() const
{
    return {L0, L05, L1, L2, L3, L4, L5, L6, L7, L8, L9};
}

void TForm1::CheckBox1Click()
{
    // Changing the flag re-creates the native window and hides it; put it
    // back where it was. The graph repaints from its samples when shown.
    const QRect place = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, CheckBox1->isChecked());
    setGeometry(place);
    show();
}

void TForm1::FormClose()
{
    // A tick after close would draw on a destroyed graph.
    Timer1->stop();
    CloseCounterQuery();
    delete Graph;
    Graph = nullptr;
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager has framed the shown window: centre the whole frame
    // on the available desktop, once, so the window moves by half its
    // decorations at most. Without a frame (no window manager, or one that
    // does not tell) the window stays centred as it opened.
    const QRect frame = frameGeometry();
    if (FrameCentred || !isVisible() || frame.size() == size())
        return;
    FrameCentred = true;
    if (const QScreen* screen = this->screen()) {
        QRect centred(QPoint(), frame.size());
        centred.moveCenter(screen->availableGeometry().center());
        move(centred.topLeft());
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}
