#include "CIPAddressEdit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr int kFieldDigits = 3;
constexpr int kFieldMax = 255;
}  // namespace

CIPAddressEdit::CIPAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QHBoxLayout;
    layout->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit;
        field->setObjectName(QString("field%1").arg(i + 1));
        field->setMaxLength(kFieldDigits);
        field->setValidator(new QIntValidator(0, 255, field));
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance("0000") + 8);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, [this, i](const QString& text) {
            if (text.toInt() <= kFieldMax) m_accepted[static_cast<std::size_t>(i)] = text;
        });
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) { OnFieldEdited(i, text); });
        if (i > 0) layout->addWidget(new QLabel("."));
        layout->addWidget(field);
        m_fields[static_cast<std::size_t>(i)] = field;
    }
    layout->addStretch();
    column->addLayout(layout);
    m_pRefusal = new QLabel;
    m_pRefusal->setObjectName("addressRefusal");
    m_pRefusal->setWordWrap(true);
    m_pRefusal->hide();
    column->addWidget(m_pRefusal);
    setFocusProxy(m_fields[0]);
}

void CIPAddressEdit::OnFieldEdited(int index, const QString& text)
{
    QLineEdit* field = Field(index);
    if (text.toInt() > kFieldMax) {
        // Stored modulo 256, 999 would become 231: another printer's address.
        field->setText(m_accepted[static_cast<std::size_t>(index)]);
        m_pRefusal->setText(QString("%1 is not possible here: each part of an address is 0 to 255.").arg(text));
        m_pRefusal->show();
        return;
    }
    m_pRefusal->hide();
    // A full field moves on to the next, so an address can be typed in one go.
    if (text.size() == kFieldDigits) MoveToField(index + 1);
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
