#include "CIPAddressEdit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {
constexpr int kFieldDigits = 3;
}  // namespace

CIPAddressEdit::CIPAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit;
        field->setObjectName(QString("field%1").arg(i + 1));
        field->setMaxLength(kFieldDigits);
        field->setValidator(new QIntValidator(0, 255, field));
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance("0000") + 8);
        field->installEventFilter(this);
        // A full field moves on to the next, so an address can be typed in one go.
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (text.size() == kFieldDigits) MoveToField(i + 1);
        });
        if (i > 0) layout->addWidget(new QLabel("."));
        layout->addWidget(field);
        m_fields[static_cast<std::size_t>(i)] = field;
    }
    layout->addStretch();
    setFocusProxy(m_fields[0]);
}

void CIPAddressEdit::SetAddress(int b1, int b2, int b3, int b4)
{
    const int bytes[] = {b1, b2, b3, b4};
    for (std::size_t i = 0; i < m_fields.size(); ++i) m_fields[i]->setText(QString::number(bytes[i] & 0xFF));
}

void CIPAddressEdit::GetAddress(int* b1, int* b2, int* b3, int* b4) const
{
    int* bytes[] = {b1, b2, b3, b4};
    for (std::size_t i = 0; i < m_fields.size(); ++i) *bytes[i] = m_fields[i]->text().toInt();
}

void CIPAddressEdit::FocusFirstField()
{
    m_fields[0]->setFocus();
    m_fields[0]->selectAll();
}

void CIPAddressEdit::MoveToField(int index)
{
    if (index >= static_cast<int>(m_fields.size())) return;
    Field(index)->setFocus();
    Field(index)->selectAll();
}

bool CIPAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->text() == ".") {
        for (std::size_t i = 0; i < m_fields.size(); ++i)
            if (watched == m_fields[i]) MoveToField(static_cast<int>(i) + 1);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
