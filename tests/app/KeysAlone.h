// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Unit1.h"
#include "graph/uHeartMachine.h"

// A user who never touches the mouse and listens to a screen reader: key
// events alone, sent to the window as the platform sends them, pick the first
// disk, start monitoring, reach the graph, hide its line from its menu and
// stop; on the way, what the accessibility interfaces tell a screen reader.
inline void UseWithKeysAlone(TForm1& form)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const auto press = [&form](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form.windowHandle(), key, modifiers);
    };
    const auto read = [](QObject* object) { return QAccessible::queryAccessibleInterface(object); };
    const QString groupCaption = form.GroupBox1->title();

    ASSERT_EQ(QApplication::focusWidget(), form.ComboBox1);
    EXPECT_EQ(read(form.ComboBox1)->text(QAccessible::Name), form.Label11->text());
    EXPECT_EQ(read(form.ComboBox1)->relations(QAccessible::Label).value(0).first, read(form.Label11));
    press(Qt::Key_Down);
    press(Qt::Key_Tab);
    press(Qt::Key_Space);
    ASSERT_EQ(form.Button3->text(), StopCaption);
    EXPECT_EQ(form.DiskName, form.ComboBox1->itemData(0).toByteArray().toStdString());

    // Tab goes on to the graph, marked round the pixels it draws.
    const QRect around = form.Panel1->geometry().adjusted(-2, -2, 2, 2).translated(form.GroupBox1->pos());
    const QImage unfocused = form.grab(around).toImage();
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form.Graph);
    const QImage focused = form.grab(around).toImage();
    EXPECT_EQ(focused.copy(2, 2, 603, 222), unfocused.copy(2, 2, 603, 222));
    EXPECT_NE(focused.pixel(0, 0), unfocused.pixel(0, 0));

    QAccessibleInterface* chart = read(form.Graph);
    EXPECT_EQ(chart->role(), QAccessible::Chart);
    EXPECT_EQ(chart->text(QAccessible::Name), groupCaption);
    EXPECT_EQ(chart->text(QAccessible::Description), form.Label1->text() + QStringLiteral("，") + form.Label3->text());
    ASSERT_NE(chart->valueInterface(), nullptr);
    EXPECT_EQ(chart->valueInterface()->currentValue().toInt(), form.Graph->Values()[0].back());

    // Shift+F10 opens the line menu on its entry, named after the graph as
    // its line has no caption; Space hides the line.
    TLineMenu* menu = form.Graph->LineMenu();
    press(Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(menu->isVisible());
    QAccessibleInterface* entry = read(menu)->child(0);
    EXPECT_EQ(entry->text(QAccessible::Name), groupCaption);
    EXPECT_TRUE(entry->state().focused);
    EXPECT_TRUE(entry->state().checked);
    press(Qt::Key_Space);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(form.Graph->Visible()[0]);
    EXPECT_FALSE(entry->state().checked);
    // The Menu key opens it too: Escape leaves the line hidden, Enter shows it.
    press(Qt::Key_Menu);
    EXPECT_TRUE(menu->isVisible());
    press(Qt::Key_Escape);
    EXPECT_FALSE(form.Graph->Visible()[0]);
    press(Qt::Key_Menu);
    press(Qt::Key_Return);
    EXPECT_TRUE(form.Graph->Visible()[0]);

    // Back to the start button, which stops.
    EXPECT_EQ(QApplication::focusWidget(), form.Graph);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Space);
    EXPECT_EQ(form.Button3->text(), StartCaption);
    EXPECT_FALSE(form.Timer1->isActive());
}
