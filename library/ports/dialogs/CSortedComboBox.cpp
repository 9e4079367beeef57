#include "CSortedComboBox.h"

void CSortedComboBox::AddSorted(const QString& text, const QVariant& data)
{
    int position = 0;
    while (position < count() && QString::compare(itemText(position), text, Qt::CaseInsensitive) <= 0) ++position;
    insertItem(position, text, data);
}
