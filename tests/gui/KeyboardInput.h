// Typing and choosing in dialogs the way a keyboard user does, for the GUI tests.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

inline void Retype(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Chooses an entry with the arrow keys on the closed list.
inline void Choose(QComboBox* list, const QString& text)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < list->count() && list->currentText() != text; ++i) QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), text);
}
