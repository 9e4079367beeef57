// A drop-down list that keeps its entries sorted as text, ignoring case (COM10 before COM2).
#pragma once

#include <QComboBox>

class CSortedComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    void AddSorted(const QString& text, const QVariant& data = {});
};
