// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLabel>
#include <QRawFont>
#include <QTextLayout>
#include <QTimer>

#include <windows.h>

#include "app/Unit1.h"
#include "tests/standin/StandIn.h"

// Which face draws each character the window shows, under Windows' own font
// fallback: run by chinese-face-test on the windows platform under Wine,
// over the stand-in pdh.dll, with a model of Windows' fonts as the only
// fonts (windows-font-model) and the user's language from LC_ALL. Every
// Chinese character must come out in Microsoft YaHei UI, whatever the
// language, and every Latin letter and digit of the window in Tahoma.

namespace {

const QString Chinese = QStringLiteral("Microsoft YaHei UI");

// The face that draws each character of the text in the font.
QStringList FacesOf(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList faces;
    for (int i = 0; i < text.size(); ++i) {
        const QList<QGlyphRun> runs = layout.glyphRuns(i, 1);
        faces << (runs.isEmpty() ? QStringLiteral("none") : runs.first().rawFont().familyName());
    }
    return faces;
}

// The characters of a text that are not in their face: the Chinese ones (all
// beyond Latin-1, the full-width colon and exclamation mark included) in
// Microsoft YaHei UI, the others but spaces in latinFace when one is given.
// Empty when all are.
std::string Misplaced(const QString& text, const QFont& font, const QString& latinFace)
{
    const QStringList faces = FacesOf(text, font);
    std::string misplaced;
    for (int i = 0; i < text.size(); ++i) {
        const bool chinese = text[i].unicode() > 0xFF;
        if (text[i] != QLatin1Char(' ') && (chinese || !latinFace.isEmpty()) &&
            faces[i] != (chinese ? Chinese : latinFace))
            misplaced.append(" ").append(QString(text[i]).toStdString()).append(" in ").append(faces[i].toStdString()).append(";");
    }
    return misplaced.empty() ? "" : text.toStdString() + ":" + misplaced;
}

class ChineseFace : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(StandIn.Unfit(), "");
        StandIn.Reset();
    }

    TStandIn StandIn;
};

TEST_F(ChineseFace, WindowListAndBoxesDrawEveryChineseCharacterInYaHeiUi)
{
    // The model is Windows' fallback: Tahoma alone draws 磁盘 in the face the
    // user's language picks, Japanese MS UI Gothic (then SimSun for what
    // Japanese lacks) on English Windows, SimSun on Chinese Windows.
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(12);
    const bool chineseWindows = PRIMARYLANGID(GetUserDefaultLangID()) == LANG_CHINESE;
    const QStringList expected = chineseWindows ? QStringList{QStringLiteral("SimSun"), QStringLiteral("SimSun")}
                                                : QStringList{QStringLiteral("MS UI Gothic"), QStringLiteral("SimSun")};
    ASSERT_EQ(FacesOf(QStringLiteral("磁盘"), tahoma), expected);
    ASSERT_EQ(FacesOf(QStringLiteral("C"), tahoma), QStringList{QStringLiteral("Tahoma")});

    TForm1 form;
    form.show();
    form.ComboBox1->setCurrentIndex(0);
    form.Button3Click();
    for (int k = 0; k < 4; ++k)
        form.Timer1Timer();
    std::string misplaced;
    for (const QLabel* label : form.findChildren<QLabel*>())
        misplaced += Misplaced(label->text(), label->font(), QStringLiteral("Tahoma"));
    for (const QAbstractButton* button : form.findChildren<QAbstractButton*>())
        misplaced += Misplaced(button->text(), button->font(), QStringLiteral("Tahoma"));
    misplaced += Misplaced(form.GroupBox1->title(), form.GroupBox1->font(), QStringLiteral("Tahoma"));
    ASSERT_GT(form.ComboBox1->count(), 0);
    for (int k = 0; k < form.ComboBox1->count(); ++k)
        misplaced += Misplaced(form.ComboBox1->itemText(k), form.ComboBox1->font(), QStringLiteral("Tahoma"));

    // The box a start with no disk chosen opens: read while it is open, then
    // closed as a user would. Its Latin text would be in the system's message
    // font, which the model lacks.
    form.Button3Click();
    form.ComboBox1->setCurrentIndex(-1);
    int boxes = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr)
            return;
        ++boxes;
        for (const QLabel* label : box->findChildren<QLabel*>())
            misplaced += Misplaced(label->text(), label->font(), QString());
        box->close();
    });
    watch.start(50);
    form.Button3Click();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(misplaced, "");
    form.close();
}

}  // namespace
